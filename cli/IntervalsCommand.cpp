#include "annotations/TextGridReader.h"
#include "cli/Commands.h"
#include "requests/IntervalRows.h"

namespace tonalyx::cli {

std::optional<std::string> RunIntervals(const std::string& path, CommandContext& context) {
    TextGrid grid;
    if (auto refused = ReadTextGridFile(path, grid)) return refused;
    TableWriter table(context.out, context.options.format, path);
    if (!context.headerWritten) WriteIntervalHeader(table);
    context.headerWritten = true;
    WriteIntervalRows(table, grid);
    return std::nullopt;
}

}  // namespace tonalyx::cli
