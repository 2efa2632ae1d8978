#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/LevelImage.h"
#include "python/src/ModuleSound.h"
#include "requests/SpectrumRows.h"

namespace tonalyx::python {

// Every analysis takes the command line's options for its command (without the command, the
// file and -o), parses them with the command line's parser and settings table, and throws
// UsageProblem with its message when it would refuse them. Notes the command line prints
// (a clamped first column) come back one per line.

// The level image of `tonalyx-cli levels`, as its PGM holds it: line 0 at the top.
struct LevelsResult {
    std::shared_ptr<LevelImage> image;  // the top-left columns x rows hold the levels
    int columns = 0;
    int rows = 0;
    std::vector<double> times;  // seconds: the centre of each column's samples
    std::vector<double> axis;   // per image line: frequency in Hz, or lag in ms
    bool lag = false;
    std::string notes;
};
LevelsResult ComputeLevels(const ModuleSound& sound, const std::vector<std::string>& options);

// The rows of `tonalyx-cli spectrum`, row 0 (lowest frequency or shortest lag) first.
struct SpectrumResult {
    requests::SpectrumRows rows;
    std::string notes;
};
SpectrumResult ComputeSpectrum(const ModuleSound& sound, const std::vector<std::string>& options);

// The pitch track of `tonalyx-cli pitch`: block start times in seconds and F0 in Hz (0 where
// unvoiced); with a step, the track read every step seconds instead.
struct PitchResult {
    std::vector<double> times;
    std::vector<double> values;
};
PitchResult ComputePitch(const ModuleSound& sound, const std::vector<std::string>& options);

// The pitch table as the pitch command writes it for the file named file, for the given times
// and values, with the pitch command's table options (--format, --missing-as).
std::string PitchTable(const std::vector<double>& times, const std::vector<double>& values,
                       const std::string& file, const std::vector<std::string>& options);

// tonalyx-cli run in this process on the arguments (without the program name), without a
// progress bar: its exit status, standard output and standard error.
struct CommandLineRun {
    int status = 0;
    std::string out;
    std::string err;
};
CommandLineRun RunCommandLine(const std::vector<std::string>& arguments);

}  // namespace tonalyx::python
