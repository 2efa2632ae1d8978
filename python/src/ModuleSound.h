#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/SoundData.h"
#include "requests/CommandView.h"

namespace tonalyx::python {

// A file the reader refused, or a sound that cannot be analysed; the text is the command
// line's.
class SoundRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Options or settings the command line would refuse; the text is its message.
class UsageProblem : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// A loaded sound as the module hands it to Python: the samples never change after loading, so
// numpy views and analyses in other threads share them.
struct ModuleSound {
    std::shared_ptr<const SoundData> data;
    std::string name;  // the path it was read from, or "<array>"
    // What the file held and what the read took of it; for a sound made from samples, a mono
    // file of exactly those samples with no reader.
    requests::LoadReport report;
};

// How much of a file to read: the maxSoundLength setting unless maxSeconds or whole asks for
// more, as the command line's --max-seconds and --whole do.
struct ReadLength {
    std::optional<double> maxSeconds;
    bool whole = false;
};

// Reads the file with the records the settings give ("NAME=VALUE" each, as --set takes them),
// through the command line's reader: the window's loader within maxSoundLength, the frame
// reader of --max-seconds and --whole beyond it. Throws UsageProblem for a bad setting or
// length and SoundRefused, with "path: reason", for a refused file.
ModuleSound ReadSound(const std::string& path, const std::vector<std::string>& settings,
                      const ReadLength& length);

// A sound made from samples at a rate in Hz, as if read from a mono 16-bit file. Throws
// std::invalid_argument for no samples, more than a sound may hold, or a rate that is not a
// whole number from 1 to 2^31 - 1.
ModuleSound SoundFromSamples(std::vector<int16_t> samples, double rate);

// What a sound is beyond its samples, as pickling keeps it.
struct SoundDescription {
    std::string name;
    int channel = 0;
    requests::LoadReport report;
};
ModuleSound SoundFromState(std::vector<int16_t> samples, double rate,
                           const SoundDescription& description);

}  // namespace tonalyx::python
