#include <algorithm>
#include <cstddef>
#include <ostream>
#include <vector>

#include "analysis/AnalysisKind.h"
#include "analysis/LevelImage.h"
#include "cli/Commands.h"
#include "requests/CommandView.h"
#include "requests/ImageFiles.h"
#include "requests/StreamedView.h"

namespace tonalyx::cli {

namespace {

constexpr int kColumnsAtOnce = 512;

// The top-left columns x rows of the level image.
GreyImage Crop(const LevelImage& levels, int columns, int rows) {
    GreyImage image{columns, rows, {}};
    image.pixels.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* line =
            levels.pixels.data() + static_cast<std::size_t>(y) * levels.width;
        std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(y) * columns;
        std::copy_n(line, columns, out);
    }
    return image;
}

}  // namespace

std::vector<std::uint8_t> LevelsImageBytes(const LevelImage& levels, int columns, int rows,
                                           const CliOptions& options) {
    return EncodeLevelImage(Crop(levels, columns, rows), LevelsImageType(options));
}

std::optional<std::string> RunLevels(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    StreamedView view;
    if (auto failure =
            OpenView(path, context.options, context.records, NotesOf(context, path), view))
        return failure;
    const std::string label = FileNamePart(path);
    const AnalysisSettings& settings = context.records.analysis;
    const int columns = view.geometry.VisibleColumns().count;
    const bool showPitch = options.overlayPitch || options.kind == PitchAnalysis;
    if (showPitch) {
        context.progress.Start(label + ": pitch track");
        ComputeColumnPitch(view, 0, columns, settings,
                           [&](double fraction) { context.progress.Update(fraction); });
    }

    // A few hundred columns at a time: each column's levels depend on its own frame alone, and
    // the engine's columns of the largest transforms would otherwise take gigabytes.
    context.progress.Start(label + ": columns");
    LevelImage levels;
    LevelImage piece;
    std::vector<double> levelColumn;
    int rows = 0;
    for (int first = 0; first < columns; first += kColumnsAtOnce) {
        const int count = std::min(kColumnsAtOnce, columns - first);
        ComputeViewColumns(view, options.kind, first, count, settings, [&](double fraction) {
            context.progress.Update((first + fraction * count) / columns);
        });
        RenderLevelImage(view.engine, options.kind, context.records.display, view.geometry, nullptr,
                         piece, levelColumn);
        rows = view.engine.ImageHeight();
        if (levels.pixels.empty()) {
            levels.width = columns;
            levels.height = rows;
            levels.pixels.resize(static_cast<std::size_t>(columns) * rows);
        }
        for (int y = 0; y < rows; ++y) {
            std::copy_n(piece.pixels.begin() + static_cast<std::ptrdiff_t>(y) * piece.width, count,
                        levels.pixels.begin() + static_cast<std::ptrdiff_t>(y) * columns + first);
        }
        // The pitch marks, drawn as the window draws the track over the levels.
        for (int i = first; showPitch && i < first + count; ++i) {
            const int row = PitchMarkRow(view.engine.PitchScale(),
                                         view.columnPitch[static_cast<std::size_t>(i)], rows);
            if (row >= 0) {
                levels.pixels[static_cast<std::size_t>(rows - 1 - row) * columns + i] =
                    static_cast<std::uint8_t>(kPitchMarkLevel);
            }
        }
    }

    context.progress.Start(label + ": image");
    const std::vector<std::uint8_t> bytes = LevelsImageBytes(levels, columns, rows, options);
    context.progress.Finish();
    if (auto note = RepairNote(view.sound.source->Info().repairs)) Note(context, path, *note);
    context.out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
    return std::nullopt;
}

}  // namespace tonalyx::cli
