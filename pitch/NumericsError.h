#pragma once

#include <functional>
#include <string_view>

namespace tonalyx {

// Array operations report inconsistent operands here instead of stopping: the program's hook
// ignores the report, tests install one that records it.
using NumericsErrorHook = std::function<void(std::string_view message)>;

inline constexpr std::string_view kArraySizeMismatch = "Array Size Mismatch";

// Installs a hook (an empty one restores the default, which ignores every report) and returns
// the one it replaces.
NumericsErrorHook SetNumericsErrorHook(NumericsErrorHook hook);

void ReportNumericsError(std::string_view message);

}  // namespace tonalyx
