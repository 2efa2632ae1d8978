#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "requests/ImageFiles.h"

namespace tonalyx::python {

// An output that could not be written; the text names the path and the system's reason, as
// the command line words it ("cannot write 'x.png': No space left on device").
class OutputFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the bytes to path whole or not at all, as the command line writes its outputs: into a
// temporary file beside it, flushed to the disk and renamed; a device or FIFO is written, never
// replaced. Throws OutputFailure.
void WriteWhole(const std::string& path, std::string_view bytes);

// Tries, before long work, that a file can be written at path: its missing folders are made
// and a temporary file is created there and removed. Throws OutputFailure.
void CheckOutput(const std::string& path);

// The image file of a level image (levels 0 .. 255, line 0 at the top) in the format named
// "png" or "pgm", as the levels command writes it; UsageProblem for any other name.
std::vector<std::uint8_t> LevelImageFile(requests::GreyImage levels, const std::string& format);

// The image type an output name's extension gives; UsageProblem for another extension.
std::string ImageFormatOfPath(const std::string& path);

}  // namespace tonalyx::python
