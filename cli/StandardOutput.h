#pragma once

#include <optional>
#include <string>

#include "cli/DescriptorBuffer.h"

namespace tonalyx::cli {

// The buffer of standard output (or another descriptor open at the start): a DescriptorBuffer
// whose descriptor, when it is not open at the start, is taken by /dev/null, so that no file
// opened later lands on it, and reported as failed.
class DescriptorOutput : public DescriptorBuffer {
public:
    explicit DescriptorOutput(int descriptor);
    ~DescriptorOutput() override;

    // Writes what is buffered and closes the descriptor. Returns the system's reason for the
    // first write, flush or close that failed, or none when everything reached it.
    std::optional<std::string> Close();
};

}  // namespace tonalyx::cli
