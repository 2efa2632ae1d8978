#include "display/OverlayMapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Intensity.h"
#include "analysis/LevelImage.h"

namespace tonalyx {

namespace {

constexpr double kRangeStepDb = 10;
constexpr double kSmallestRangeDb = 20;
constexpr double kLargestRangeDb = 60;
constexpr int kMinTickSpacing = 5;
constexpr int kVerticalLabelSpacing = 4;

SampleSpan ColumnSamples(const ImageColumns& image, int column) {
    return image.geometry->VisibleSampleRange(image.geometry->ScrollPosition() + column);
}

bool Silent(double decibels) {
    return decibels <= kSilenceDb || std::isnan(decibels);
}

}  // namespace

int ColumnOfTime(const ImageColumns& image, double seconds) {
    if (image.columns <= 0 || !(seconds >= 0)) return -1;
    const double position = std::floor(seconds * image.sampleRate);
    if (position >= std::numeric_limits<int>::max()) return -1;
    const int sample = static_cast<int>(position);
    // The first column that ends after the sample; the columns' spans only move right.
    int low = 0;
    int high = image.columns;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (ColumnSamples(image, middle).end <= sample) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == image.columns || ColumnSamples(image, low).start > sample) return -1;
    return low;
}

double ColumnCentreTime(const ImageColumns& image, int column) {
    const SampleSpan span = ColumnSamples(image, column);
    return (span.start + span.end) / 2.0 / image.sampleRate;
}

std::vector<ColumnFrame> FramesByColumn(const ImageColumns& image, std::span<const double> times) {
    std::vector<ColumnFrame> drawn;
    double bestDistance = 0;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const int column = ColumnOfTime(image, times[k]);
        if (column < 0) continue;
        const double distance = std::abs(times[k] - ColumnCentreTime(image, column));
        const auto frame = static_cast<std::int64_t>(k);
        if (!drawn.empty() && drawn.back().column == column) {
            if (distance < bestDistance) drawn.back().frame = frame;
        } else {
            drawn.push_back({column, frame});
        }
        if (drawn.back().frame == frame) bestDistance = distance;
    }
    return drawn;
}

std::int64_t NearestFrame(std::span<const double> times, double seconds) {
    if (times.empty()) return -1;
    const auto after = std::lower_bound(times.begin(), times.end(), seconds);
    if (after == times.begin()) return 0;
    if (after == times.end()) return static_cast<std::int64_t>(times.size()) - 1;
    const auto before = after - 1;
    const auto chosen = seconds - *before <= *after - seconds ? before : after;
    return chosen - times.begin();
}

std::vector<FormantDot> FormantDots(std::span<const ColumnFrame> drawn,
                                    std::span<const double> frequencies, int count,
                                    const ScaleMap& rowToHz, int imageHeight) {
    std::vector<FormantDot> dots;
    for (const ColumnFrame& entry : drawn) {
        for (int i = 0; i < count; ++i) {
            const auto index = static_cast<std::size_t>(entry.frame * count + i);
            const int row = PitchMarkRow(rowToHz, frequencies[index], imageHeight);
            if (row >= 0) dots.push_back({entry.column, imageHeight - 1 - row, i});
        }
    }
    return dots;
}

DecibelRange IntensityRange(std::span<const ColumnFrame> drawn, std::span<const double> decibels) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const ColumnFrame& entry : drawn) {
        const double value = decibels[static_cast<std::size_t>(entry.frame)];
        if (Silent(value)) continue;
        lo = std::min(lo, value);
        hi = std::max(hi, value);
    }
    if (lo > hi) return {};
    const double top = std::ceil(hi / kRangeStepDb) * kRangeStepDb;
    DecibelRange range{
        std::max(std::floor(lo / kRangeStepDb) * kRangeStepDb, top - kLargestRangeDb), top};
    range.lo = std::min(range.lo, range.hi - kSmallestRangeDb);
    return range;
}

std::vector<std::vector<ContourPoint>> IntensityContour(std::span<const ColumnFrame> drawn,
                                                        std::span<const double> decibels,
                                                        DecibelRange range, int imageHeight) {
    std::vector<std::vector<ContourPoint>> runs(1);
    const double rowsPerDb = imageHeight / (range.hi - range.lo);
    for (const ColumnFrame& entry : drawn) {
        const double value = decibels[static_cast<std::size_t>(entry.frame)];
        if (Silent(value)) {
            if (!runs.back().empty()) runs.emplace_back();
            continue;
        }
        const double above = (std::clamp(value, range.lo, range.hi) - range.lo) * rowsPerDb;
        runs.back().push_back({entry.column + 0.5, imageHeight - above});
    }
    if (runs.back().empty()) runs.pop_back();
    return runs;
}

void SetIntensityAxis(AxisScale& axis, DecibelRange range, int imageHeight) {
    SetAxis(axis, AxisKind::Linear, imageHeight, range.lo, range.hi, kMinTickSpacing,
            kVerticalLabelSpacing);
}

}  // namespace tonalyx
