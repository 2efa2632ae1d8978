#include <cstddef>
#include <ostream>
#include <vector>

#include "analysis/LevelImage.h"
#include "cli/CommandView.h"
#include "cli/Commands.h"
#include "cli/ImageFiles.h"
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

std::optional<std::string> RunLevels(const std::string& path, CommandContext& context) {
    const CliOptions& options = context.options;
    ViewAnalysis analysis;
    if (auto failure = AnalyseView(path, options.kind, options.overlayPitch, context, analysis)) {
        return failure;
    }
    context.progress.Start(FileNamePart(path) + ": image");
    const std::optional<PitchOverlay> pitch = PitchToDraw(analysis);
    LevelImage levels;
    std::vector<double> levelColumn;
    RenderLevelImage(analysis.engine, options.kind, context.records.display, analysis.geometry,
                     pitch ? &*pitch : nullptr, levels, levelColumn,
                     [&](double fraction) { context.progress.Update(fraction); });

    const ImageFileType type = LevelsImageType(options);
    const GreyImage image = Crop(levels, analysis.engine.ColumnCount(),
                                 analysis.engine.ImageHeight(), type == ImageFileType::Png);
    const std::vector<std::uint8_t> bytes =
        type == ImageFileType::Png ? EncodePng(image) : EncodePgm(image);
    context.progress.Finish();
    context.out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
    return std::nullopt;
}

}  // namespace tonalyx::cli
