#pragma once

#include <optional>
#include <string>

#include "annotations/TextGrid.h"
#include "annotations/TextGridWriter.h"

namespace tonalyx::requests {

// The form's name: "long" or "short"; none for another name.
std::optional<TextGridForm> TextGridFormOfName(const std::string& name);

// Writes the grid to path in the form, in UTF-8, whole or not at all (WriteFileWhole). A grid
// with a tier that does not check out (CheckTier) is refused and nothing is written: "tier 2
// ("words"): interval 3 ...". Returns the message, or none.
std::optional<std::string> WriteTextGridFile(const std::string& path, const TextGrid& grid,
                                             TextGridForm form);

}  // namespace tonalyx::requests
