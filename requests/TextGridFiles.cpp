#include "requests/TextGridFiles.h"

#include "requests/OutputFiles.h"

namespace tonalyx::requests {

std::optional<TextGridForm> TextGridFormOfName(const std::string& name) {
    if (name == "long") return TextGridForm::Long;
    if (name == "short") return TextGridForm::Short;
    return std::nullopt;
}

std::optional<std::string> WriteTextGridFile(const std::string& path, const TextGrid& grid,
                                             TextGridForm form) {
    if (!(grid.end > grid.start)) {
        return "cannot write '" + path + "': the TextGrid's end time is not after its start time";
    }
    for (std::size_t t = 0; t < grid.tiers.size(); ++t) {
        if (auto fault = CheckTier(grid.tiers[t])) {
            return "cannot write '" + path + "': tier " + std::to_string(t + 1) + " (\"" +
                   grid.tiers[t].name + "\"): " + fault->reason;
        }
    }
    return WriteFileWhole(path, TextGridText(grid, form));
}

}  // namespace tonalyx::requests
