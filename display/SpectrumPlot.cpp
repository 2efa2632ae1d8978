#include "display/SpectrumPlot.h"

#include <algorithm>
#include <cmath>

#include "analysis/AnalysisKind.h"

namespace tonalyx {

SpectrumStyle SpectrumStyleOf(int kind) {
    switch (kind) {
        case AutoCorrelationAnalysis:
        case LifteringAnalysis:
        case MemAnalysis:
            return SpectrumStyle::ConnectedCurve;
        default:
            return SpectrumStyle::FilledArea;
    }
}

void PlotHeights(const double* levels, int levelCount, int width, int height,
                 std::vector<int>& heights) {
    width = std::max(width, 0);
    if (heights.size() < static_cast<size_t>(width)) heights.resize(static_cast<size_t>(width));
    const int known = std::clamp(levelCount, 0, width);
    for (int i = 0; i < width; ++i) {
        const double v = i < known ? levels[i] : -1.0;
        // Not a number counts as below the plot.
        const double limited = v > -1.0 ? std::min(v, static_cast<double>(height)) : -1.0;
        heights[static_cast<size_t>(i)] = static_cast<int>(std::floor(limited));
    }
}

void SpectrumStrokes(const std::vector<int>& heights, int width, int height, SpectrumStyle style,
                     std::vector<PlotStroke>& strokes) {
    strokes.clear();
    width = std::clamp(width, 0, static_cast<int>(heights.size()));
    const int bottom = height - 1;
    const auto at = [&heights](int i) { return heights[static_cast<size_t>(i)]; };
    for (int i = width - 1; i >= 0; --i) {
        const int y = at(i);
        if (style == SpectrumStyle::FilledArea) {
            if (bottom - y < height) strokes.push_back({i, bottom - y, height});
            continue;
        }
        int low = y - 1;
        if (i > 0) low = std::min(low, at(i - 1));
        if (i < width - 1) low = std::min(low, at(i + 1));
        strokes.push_back({i, bottom - y, bottom - low});
    }
}

void BackgroundStrokes(const double* levels, int levelCount, int width, int height,
                       std::vector<PlotStroke>& strokes) {
    strokes.clear();
    if (height <= 0) return;
    const int bottom = height - 1;
    const int known = std::clamp(levelCount, 0, std::max(width, 0));
    for (int i = known - 1; i >= 0; --i) {
        const double v = levels[i];
        if (v == 0 || std::isnan(v)) continue;
        const double truncated = std::trunc(std::clamp(v, 0.0, static_cast<double>(bottom)));
        strokes.push_back({i, bottom - static_cast<int>(truncated), height});
    }
}

LevelRange SpectrumLevelRange(int kind, const DisplaySettings& display) {
    if (kind == AutoCorrelationAnalysis || kind == CepstrumAnalysis) {
        return {display.minPercent * 100, display.maxPercent * 100};
    }
    return {display.minDb, display.maxDb};
}

}  // namespace tonalyx
