#include "display/TierStripLayout.h"

#include <algorithm>
#include <cmath>

#include "annotations/AnnotationEdits.h"

namespace tonalyx {

std::optional<std::size_t> TierRowAt(int y, std::size_t tiers) {
    if (y < 0) return std::nullopt;
    const auto row = static_cast<std::size_t>(y / kTierRowHeight);
    if (row >= tiers) return std::nullopt;
    return row;
}

double StripTimeMap::XOfTime(double seconds) const {
    return seconds * sampleRate / samplesPerColumn - firstColumn;
}

int StripTimeMap::ColumnOfTime(double seconds) const {
    const double x = std::floor(XOfTime(seconds));
    return static_cast<int>(std::clamp(x, -1e9, 1e9));
}

double StripTimeMap::TimeOfX(double x) const {
    return (firstColumn + x) * samplesPerColumn / sampleRate;
}

StripTimeMap TimeMapOf(const ViewGeometry& geometry, double sampleRate) {
    StripTimeMap map;
    map.samplesPerColumn = std::max(geometry.SamplesPerColumn(), 1e-9);
    map.firstColumn = geometry.VisibleColumns().first;
    map.sampleRate = sampleRate > 0 ? sampleRate : 1;
    return map;
}

std::optional<std::size_t> BoundaryNear(const AnnotationTier& tier, const StripTimeMap& map,
                                        int x) {
    const std::size_t count = BoundaryCount(tier);
    const std::size_t first = tier.kind == TierKind::Interval ? 1 : 0;
    const std::size_t end = tier.kind == TierKind::Interval ? count + 1 : count;
    std::optional<std::size_t> nearest;
    int nearestDistance = kBoundaryGrip + 1;
    for (std::size_t b = first; b < end; ++b) {
        const int distance = std::abs(map.ColumnOfTime(BoundaryTime(tier, b)) - x);
        if (distance < nearestDistance) {
            nearest = b;
            nearestDistance = distance;
        }
    }
    return nearest;
}

SampleSpan SamplesOfTimes(double start, double end, double sampleRate, int sampleCount) {
    const auto sample = [&](double seconds) {
        const double s = std::round(seconds * sampleRate);
        return static_cast<int>(std::clamp(s, 0.0, static_cast<double>(sampleCount)));
    };
    return {sample(start), sample(end)};
}

std::optional<CompositeStrip> PlaceStripInComposite(const CompositeLayout& layout,
                                                    const ImageCopySettings& flags,
                                                    int stripHeight) {
    if ((!flags.copyWave && !flags.copySpectrogram) || stripHeight <= 0) return std::nullopt;
    CompositeStrip strip;
    if (layout.freqBlockH == 0) {
        // The last block: a gap after the one above, none after the strip.
        strip.top = layout.height + kCompositeBlockGap;
        strip.imageHeight = strip.top + stripHeight;
        strip.shiftFrom = layout.height;
    } else {
        strip.top = layout.waveBlockH + layout.spgmBlockH;
        strip.shiftBy = stripHeight + kCompositeBlockGap;
        strip.shiftFrom = strip.top;
        strip.imageHeight = layout.height + strip.shiftBy;
    }
    return strip;
}

}  // namespace tonalyx
