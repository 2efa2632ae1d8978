#include "analysis/LevelImage.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tonalyx {

namespace {

constexpr double kImageLevelRange = 256.0;

// The track entry for the pixel column with samples [s0, s1): the block holding its centre.
// -1 when there is none.
int PitchEntry(const PitchOverlay& pitch, SampleSpan span) {
    if (pitch.values == nullptr || pitch.hop < 1) return -1;
    const long long centre = (static_cast<long long>(span.start) + span.end) / 2;
    const long long entry = centre / pitch.hop;
    return entry < pitch.count ? static_cast<int>(entry) : -1;
}

}  // namespace

int PitchMarkRow(const ScaleMap& pitchScale, double hz, int imageHeight) {
    if (hz == 0.0 || std::isnan(hz)) return -1;
    const double row = std::floor(Inverse(pitchScale, hz));
    return row >= 0.0 && row < imageHeight ? static_cast<int>(row) : -1;
}

void RenderLevelImage(SpectrogramEngine& engine, int kind, const DisplaySettings& settings,
                      const ViewGeometry& geometry, const PitchOverlay* pitch, LevelImage& image,
                      std::vector<double>& levelColumn, const ProgressCallback& progress) {
    engine.SetupDisplay(kind, settings);
    const int columns = engine.ColumnCount();
    const int rows = engine.ImageHeight();
    if (levelColumn.size() < static_cast<std::size_t>(rows)) levelColumn.resize(rows);
    image.width = std::max(image.width, columns);
    image.height = std::max(image.height, rows);
    const std::size_t cells = static_cast<std::size_t>(image.width) * image.height;
    if (image.pixels.size() < cells) image.pixels.resize(cells);

    const int firstColumn = geometry.VisibleColumns().first;
    double* levels = levelColumn.data();
    for (int i = 0; i < columns; ++i) {
        engine.RenderLevelColumn(levels, i, i + 1, kImageLevelRange, false);
        if (pitch != nullptr) {
            const int entry = PitchEntry(*pitch, geometry.VisibleSampleRange(firstColumn + i));
            if (entry >= 0) {
                const int row = PitchMarkRow(engine.PitchScale(), pitch->values[entry], rows);
                if (row >= 0) levels[row] = kPitchMarkLevel;
            }
        }
        // Row 0 (lowest frequency, shortest lag) is the bottom line.
        for (int r = 0; r < rows; ++r) {
            const std::size_t line = static_cast<std::size_t>(rows - 1 - r);
            image.pixels[line * image.width + i] =
                static_cast<std::uint8_t>(std::clamp(levels[r], 0.0, kPitchMarkLevel));
        }
        if (progress) progress(static_cast<double>(i) / columns);
    }
}

}  // namespace tonalyx
