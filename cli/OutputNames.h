#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tonalyx::cli {

// True when the pattern names one output per input: it holds {name} or {path}.
bool NamesOnePerInput(const std::string& pattern);

// The output name for one input: every {name} replaced by the input's file name without its
// extension, every {path} by the input's path without its extension, made relative (an
// absolute path loses its root, leading ".." steps are dropped) so that it stays under the
// pattern's folder.
std::string OutputPath(const std::string& pattern, const std::string& input);

// The message when two inputs would write the same output, or when an output would replace
// one of the inputs; none when every input has an output of its own.
std::optional<std::string> FindOutputClash(const std::string& pattern,
                                           const std::vector<std::string>& inputs);

}  // namespace tonalyx::cli
