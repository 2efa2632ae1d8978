#include "annotations/TextGrid.h"

#include <charconv>
#include <cmath>

namespace tonalyx {

namespace {

std::string Seconds(double value) {
    return TimeText(value) + " s";
}

std::optional<TierFault> CheckIntervals(const AnnotationTier& tier) {
    const auto& intervals = tier.intervals;
    if (intervals.empty())
        return TierFault{kWholeTier, "an interval tier needs at least one interval"};
    double expected = tier.start;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        const AnnotationInterval& interval = intervals[i];
        const std::string name = "interval " + std::to_string(i + 1);
        if (interval.start != expected) {
            const std::string after =
                i == 0 ? "the tier starts at " + Seconds(expected)
                       : "interval " + std::to_string(i) + " ends at " + Seconds(expected);
            return TierFault{i, name + " starts at " + Seconds(interval.start) + ", but " + after +
                                    (interval.start < expected ? " (they overlap)" : " (a gap)")};
        }
        if (!(interval.end > interval.start)) {
            return TierFault{i, name + " ends at " + Seconds(interval.end) +
                                    ", not after its start at " + Seconds(interval.start)};
        }
        expected = interval.end;
    }
    if (expected != tier.end) {
        return TierFault{intervals.size() - 1, "the last interval ends at " + Seconds(expected) +
                                                   ", but the tier ends at " + Seconds(tier.end)};
    }
    return std::nullopt;
}

std::optional<TierFault> CheckPoints(const AnnotationTier& tier) {
    for (std::size_t i = 0; i < tier.points.size(); ++i) {
        const double time = tier.points[i].time;
        const std::string name = "point " + std::to_string(i + 1);
        if (time < tier.start || time > tier.end) {
            return TierFault{i, name + " at " + Seconds(time) + " lies outside the tier's " +
                                    Seconds(tier.start) + " to " + Seconds(tier.end)};
        }
        if (i > 0 && time < tier.points[i - 1].time) {
            return TierFault{i, name + " at " + Seconds(time) + " comes before point " +
                                    std::to_string(i) + " at " + Seconds(tier.points[i - 1].time)};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<TierFault> CheckTier(const AnnotationTier& tier) {
    if (!std::isfinite(tier.start) || !std::isfinite(tier.end) || !(tier.end > tier.start)) {
        return TierFault{kWholeTier, "the tier's end (" + Seconds(tier.end) +
                                         ") is not after its start (" + Seconds(tier.start) + ")"};
    }
    return tier.kind == TierKind::Interval ? CheckIntervals(tier) : CheckPoints(tier);
}

const AnnotationTier* FindTier(const TextGrid& grid, const std::string& name) {
    for (const AnnotationTier& tier : grid.tiers) {
        if (tier.name == name) return &tier;
    }
    return nullptr;
}

std::string TimeText(double seconds) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, seconds);
    return std::string(text, result.ptr);
}

}  // namespace tonalyx
