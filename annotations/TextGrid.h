#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tonalyx {

// Annotations as Praat's TextGrid holds them: tiers over one time span, each either a row of
// labelled intervals that tile the tier's span, or labelled points in time. Times in seconds;
// labels in UTF-8, as written (they may be empty, hold blanks, quotes and line breaks).
struct AnnotationInterval {
    double start = 0;
    double end = 0;
    std::string label;
};

struct AnnotationPoint {
    double time = 0;
    std::string label;
};

enum class TierKind { Interval, Point };

struct AnnotationTier {
    std::string name;
    TierKind kind = TierKind::Interval;
    double start = 0;
    double end = 0;
    std::vector<AnnotationInterval> intervals;  // an interval tier's, in time order
    std::vector<AnnotationPoint> points;        // a point tier's, in time order
};

struct TextGrid {
    double start = 0;
    double end = 0;
    std::vector<AnnotationTier> tiers;
};

// What is wrong with a tier: the reason, and the interval or point (from 0) it concerns, or
// kWholeTier for the tier itself. "interval 3 starts at 1.2 s, but interval 2
// ends at 1.25 s (they overlap)".
inline constexpr std::size_t kWholeTier = static_cast<std::size_t>(-1);

struct TierFault {
    std::size_t item = 0;
    std::string reason;
};

// What is wrong with a tier, or none: an interval tier's intervals must follow one another
// without gap or overlap from the tier's start to its end, each longer than nothing; a point
// tier's points must lie in its span, in time order.
std::optional<TierFault> CheckTier(const AnnotationTier& tier);

// The first tier of that name, or null.
const AnnotationTier* FindTier(const TextGrid& grid, const std::string& name);

// A time as the shortest decimal text that reads back as the same double ("0.1", "2.3",
// "1e-05"), so that a time survives any number of writes and reads unchanged.
std::string TimeText(double seconds);

}  // namespace tonalyx
