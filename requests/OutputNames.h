#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonalyx::requests {

inline constexpr std::string_view kNamePlaceholder = "{name}";
inline constexpr std::string_view kPathPlaceholder = "{path}";

// True when the pattern names one output per input: it holds {name} or {path}.
bool NamesOnePerInput(const std::string& pattern);

// The folder {path} is relative to: the deepest folder that holds every input, as an absolute
// path without "." and ".." steps.
std::string CommonFolder(const std::vector<std::string>& inputs);

// The output name for one input: every {name} replaced by the input's file name without its
// extension, every {path} by the input's path relative to base (CommonFolder of the inputs)
// without its extension, so that the outputs keep the inputs' folders under the pattern's
// folder and never climb out of it.
std::string OutputPath(const std::string& pattern, const std::string& input,
                       const std::string& base);

// The message for outputs that would destroy something: an output that is one of the inputs,
// whatever the spelling (files are compared, symbolic links followed), or two inputs whose
// outputs are one file (an input given twice says so). outputs holds one output per input, or
// one output for all of them; none when every output is safe to write.
std::optional<std::string> FindOutputClash(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& outputs,
                                           bool pathPlaceholder);

}  // namespace tonalyx::requests
