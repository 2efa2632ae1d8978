#pragma once

#include <optional>
#include <string>

#include "requests/DescriptorBuffer.h"

namespace tonalyx::requests {

// Which of the standard descriptors 0, 1 and 2 were closed when the program started.
struct ClosedDescriptors {
    bool input = false;
    bool output = false;
    bool error = false;
};

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, before any file is
// opened: otherwise the first file opened would take its number, and notes meant for standard
// error, or results meant for standard output, would be written into that file.
ClosedDescriptors OpenClosedStandardDescriptors();

// The buffer of standard output (or another descriptor). A descriptor that was closed at the
// start (closedAtStart) fails with EBADF as soon as something is written to it, and only then:
// a run that writes nothing there needs no standard output.
class DescriptorOutput : public DescriptorBuffer {
public:
    explicit DescriptorOutput(int descriptor, bool closedAtStart = false);
    ~DescriptorOutput() override;

    // Writes what is buffered and closes the descriptor. Returns the system's reason for the
    // first write, flush or close that failed, or none when everything reached it.
    std::optional<std::string> Close();
};

}  // namespace tonalyx::requests
