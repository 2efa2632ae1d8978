#include <cstddef>
#include <ostream>
#include <vector>

#include "analysis/AnalysisKind.h"
#include "analysis/LevelImage.h"
#include "cli/CommandView.h"
#include "cli/Commands.h"
#include "cli/ImageFiles.h"
#include "cli/StreamedView.h"
#include "cli/ViewAnalysis.h"

namespace tonalyx::cli {

namespace {

// The top-left columns x rows of the level image, as levels or as grey 255 - level.
GreyImage Crop(const LevelImage& levels, int columns, int rows, bool asGrey) {
    GreyImage image{columns, rows, {}};
    image.pixels.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* line =
            levels.pixels.data() + static_cast<std::size_t>(y) * levels.width;
        std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(y) * columns;
        for (int x = 0; x < columns; ++x)
            out[x] = asGrey ? static_cast<std::uint8_t>(255 - line[x]) : line[x];
    }
    return image;
}

}  // namespace

std::vector<std::uint8_t> LevelsImageBytes(const LevelImage& levels, int columns, int rows,
                                           const CliOptions& options) {
    const ImageFileType type = LevelsImageType(options);
    const GreyImage image = Crop(levels, columns, rows, type == ImageFileType::Png);
    return type == ImageFileType::Png ? EncodePng(image) : EncodePgm(image);
}

std::optional<std::string> RunLevels(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    StreamedView view;
    if (auto failure = OpenView(path, context, view)) return failure;
    const std::string label = FileNamePart(path);
    const AnalysisSettings& settings = context.records.analysis;
    context.progress.Start(label + ": columns");
    ComputeViewColumns(view, options.kind, 0, view.geometry.VisibleColumns().count, settings,
                       [&](double fraction) { context.progress.Update(fraction); });
    const bool showPitch = options.overlayPitch || options.kind == PitchAnalysis;
    if (showPitch) {
        context.progress.Start(label + ": pitch track");
        ComputeColumnPitch(view, settings,
                           [&](double fraction) { context.progress.Update(fraction); });
    }

    context.progress.Start(label + ": image");
    LevelImage levels;
    std::vector<double> levelColumn;
    RenderLevelImage(view.engine, options.kind, context.records.display, view.geometry, nullptr,
                     levels, levelColumn,
                     [&](double fraction) { context.progress.Update(fraction); });
    const int columns = view.engine.ColumnCount();
    const int rows = view.engine.ImageHeight();
    // The pitch marks, drawn as the window draws the track over the levels.
    for (int i = 0; showPitch && i < columns; ++i) {
        const int row = PitchMarkRow(view.engine.PitchScale(),
                                     view.columnPitch[static_cast<std::size_t>(i)], rows);
        if (row >= 0) {
            levels.pixels[static_cast<std::size_t>(rows - 1 - row) * levels.width + i] =
                static_cast<std::uint8_t>(kPitchMarkLevel);
        }
    }

    const std::vector<std::uint8_t> bytes = LevelsImageBytes(levels, columns, rows, options);
    context.progress.Finish();
    context.out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
    return std::nullopt;
}

}  // namespace tonalyx::cli
