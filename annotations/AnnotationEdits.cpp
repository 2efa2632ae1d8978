#include "annotations/AnnotationEdits.h"

#include <algorithm>
#include <cmath>

namespace tonalyx {

std::size_t BoundaryCount(const AnnotationTier& tier) {
    if (tier.kind == TierKind::Point) return tier.points.size();
    return tier.intervals.empty() ? 0 : tier.intervals.size() - 1;
}

double BoundaryTime(const AnnotationTier& tier, std::size_t boundary) {
    if (tier.kind == TierKind::Point) return tier.points.at(boundary).time;
    return tier.intervals.at(boundary).start;
}

std::optional<std::size_t> ItemAt(const AnnotationTier& tier, double time) {
    if (tier.kind == TierKind::Interval) {
        if (tier.intervals.empty()) return std::nullopt;
        const auto after =
            std::upper_bound(tier.intervals.begin(), tier.intervals.end(), time,
                             [](double t, const AnnotationInterval& i) { return t < i.start; });
        const std::size_t index =
            after == tier.intervals.begin()
                ? 0
                : static_cast<std::size_t>(after - tier.intervals.begin()) - 1;
        return index;
    }
    if (tier.points.empty()) return std::nullopt;
    const auto after =
        std::lower_bound(tier.points.begin(), tier.points.end(), time,
                         [](const AnnotationPoint& p, double t) { return p.time < t; });
    std::size_t index = static_cast<std::size_t>(after - tier.points.begin());
    if (index == tier.points.size() ||
        (index > 0 && time - tier.points[index - 1].time < tier.points[index].time - time)) {
        --index;
    }
    return index;
}

std::optional<std::size_t> AnnotationEditor::AddBoundary(std::size_t tier, double time) {
    if (tier >= grid_.tiers.size() || !std::isfinite(time)) return std::nullopt;
    AnnotationTier changed = grid_.tiers[tier];
    if (!(time > changed.start && time < changed.end)) {
        // A point may sit on the tier's edges; a boundary there would make an empty interval.
        if (changed.kind == TierKind::Interval || time < changed.start || time > changed.end)
            return std::nullopt;
    }
    std::size_t boundary = 0;
    if (changed.kind == TierKind::Point) {
        auto& points = changed.points;
        const auto at =
            std::lower_bound(points.begin(), points.end(), time,
                             [](const AnnotationPoint& p, double t) { return p.time < t; });
        if (at != points.end() && at->time == time) return std::nullopt;
        boundary = static_cast<std::size_t>(at - points.begin());
        points.insert(at, AnnotationPoint{time, {}});
    } else {
        auto& intervals = changed.intervals;
        const std::size_t split = *ItemAt(changed, time);
        if (intervals[split].start == time) return std::nullopt;
        AnnotationInterval right{time, intervals[split].end, {}};
        intervals[split].end = time;
        intervals.insert(intervals.begin() + static_cast<std::ptrdiff_t>(split) + 1, right);
        boundary = split + 1;
    }
    Replace(tier, std::move(changed));
    return boundary;
}

bool AnnotationEditor::MoveBoundary(std::size_t tier, std::size_t boundary, double time) {
    if (tier >= grid_.tiers.size() || !std::isfinite(time)) return false;
    AnnotationTier changed = grid_.tiers[tier];
    if (changed.kind == TierKind::Point) {
        auto& points = changed.points;
        if (boundary >= points.size()) return false;
        const double low = boundary > 0 ? points[boundary - 1].time : changed.start;
        const double high = boundary + 1 < points.size() ? points[boundary + 1].time : changed.end;
        const bool lowOk = boundary > 0 ? time > low : time >= low;
        const bool highOk = boundary + 1 < points.size() ? time < high : time <= high;
        if (!lowOk || !highOk) return false;
        points[boundary].time = time;
    } else {
        auto& intervals = changed.intervals;
        if (boundary == 0 || boundary >= intervals.size()) return false;
        if (!(time > intervals[boundary - 1].start && time < intervals[boundary].end)) return false;
        intervals[boundary - 1].end = time;
        intervals[boundary].start = time;
    }
    return Replace(tier, std::move(changed), Merge::Move, boundary);
}

bool AnnotationEditor::RemoveBoundary(std::size_t tier, std::size_t boundary) {
    if (tier >= grid_.tiers.size()) return false;
    AnnotationTier changed = grid_.tiers[tier];
    if (changed.kind == TierKind::Point) {
        if (boundary >= changed.points.size()) return false;
        changed.points.erase(changed.points.begin() + static_cast<std::ptrdiff_t>(boundary));
    } else {
        auto& intervals = changed.intervals;
        if (boundary == 0 || boundary >= intervals.size()) return false;
        AnnotationInterval& left = intervals[boundary - 1];
        const AnnotationInterval& right = intervals[boundary];
        if (!left.label.empty() && !right.label.empty()) left.label += ' ';
        left.label += right.label;
        left.end = right.end;
        intervals.erase(intervals.begin() + static_cast<std::ptrdiff_t>(boundary));
    }
    return Replace(tier, std::move(changed));
}

bool AnnotationEditor::SetLabel(std::size_t tier, std::size_t item, const std::string& label) {
    if (tier >= grid_.tiers.size()) return false;
    AnnotationTier changed = grid_.tiers[tier];
    std::string* target = nullptr;
    if (changed.kind == TierKind::Point) {
        if (item < changed.points.size()) target = &changed.points[item].label;
    } else if (item < changed.intervals.size()) {
        target = &changed.intervals[item].label;
    }
    if (!target) return false;
    if (*target == label) return true;
    *target = label;
    return Replace(tier, std::move(changed), Merge::Label, item);
}

bool AnnotationEditor::AddTier(std::size_t position, const std::string& name, TierKind kind,
                               double end) {
    if (position > grid_.tiers.size()) return false;
    // A grid without a span yet (a new one) takes the sound's.
    const bool spanless = grid_.tiers.empty() && !(grid_.end > grid_.start);
    const double start = spanless ? 0.0 : grid_.start;
    const double stop = spanless ? end : grid_.end;
    if (!std::isfinite(stop) || !(stop > start)) return false;
    grid_.start = start;
    grid_.end = stop;
    AnnotationTier tier{name, kind, start, stop, {}, {}};
    if (kind == TierKind::Interval) tier.intervals.push_back({start, stop, {}});
    Put(position, std::nullopt, tier);
    Record(Step{position, std::nullopt, std::move(tier)});
    return true;
}

bool AnnotationEditor::RemoveTier(std::size_t tier) {
    if (tier >= grid_.tiers.size()) return false;
    AnnotationTier removed = grid_.tiers[tier];
    Put(tier, removed, std::nullopt);
    Record(Step{tier, std::move(removed), std::nullopt});
    return true;
}

bool AnnotationEditor::RenameTier(std::size_t tier, const std::string& name) {
    if (tier >= grid_.tiers.size()) return false;
    if (grid_.tiers[tier].name == name) return true;
    AnnotationTier changed = grid_.tiers[tier];
    changed.name = name;
    return Replace(tier, std::move(changed));
}

bool AnnotationEditor::Replace(std::size_t tier, AnnotationTier changed, Merge merge,
                               std::size_t item) {
    // A run of typing or of drag moves extends the last step, unless that step is the saved
    // state, which must stay reachable for the modified mark.
    const bool extend = mergeOpen_ && merge != Merge::None && applied_ == steps_.size() &&
                        applied_ > 0 && savedAt_ != applied_ && steps_.back().merge == merge &&
                        steps_.back().tier == tier && steps_.back().item == item;
    if (extend) {
        steps_.back().after = changed;
        grid_.tiers[tier] = std::move(changed);
        return true;
    }
    AnnotationTier before = grid_.tiers[tier];
    grid_.tiers[tier] = changed;
    Record(Step{tier, std::move(before), std::move(changed), merge, item});
    mergeOpen_ = merge != Merge::None;
    return true;
}

void AnnotationEditor::Record(Step step) {
    if (savedAt_ && *savedAt_ > applied_) savedAt_.reset();  // the saved state is gone for good
    steps_.resize(applied_);
    steps_.push_back(std::move(step));
    applied_ = steps_.size();
    mergeOpen_ = false;
}

void AnnotationEditor::Put(std::size_t tier, const std::optional<AnnotationTier>& from,
                           const std::optional<AnnotationTier>& to) {
    const auto at = grid_.tiers.begin() + static_cast<std::ptrdiff_t>(tier);
    if (from && to) {
        *at = *to;
    } else if (from) {
        grid_.tiers.erase(at);
    } else if (to) {
        grid_.tiers.insert(at, *to);
    }
}

std::optional<std::size_t> AnnotationEditor::Undo() {
    mergeOpen_ = false;
    if (!CanUndo()) return std::nullopt;
    const Step& step = steps_[--applied_];
    Put(step.tier, step.after, step.before);
    return step.tier;
}

std::optional<std::size_t> AnnotationEditor::Redo() {
    mergeOpen_ = false;
    if (!CanRedo()) return std::nullopt;
    const Step& step = steps_[applied_++];
    Put(step.tier, step.before, step.after);
    return step.tier;
}

}  // namespace tonalyx
