#include "interaction/TierStripInput.h"

#include <algorithm>

namespace tonalyx {

std::string WithoutLastCharacter(const std::string& label) {
    std::size_t end = label.size();
    if (end == 0) return label;
    --end;
    // Continuation bytes (10xxxxxx) belong to the character that starts before them.
    while (end > 0 && (static_cast<unsigned char>(label[end]) & 0xC0) == 0x80)
        --end;
    return label.substr(0, end);
}

StripOutcome TierStripInput::SelectItem(std::size_t item) {
    selectedItem_ = item;
    selectedBoundary_.reset();
    editor_.Seal();
    const AnnotationTier& tier = editor_.Tier(*focusedTier_);
    StripOutcome outcome;
    if (tier.kind == TierKind::Interval) {
        const AnnotationInterval& interval = tier.intervals[item];
        outcome.selection = {interval.start, interval.end};
    } else {
        cursor_ = tier.points[item].time;
        outcome.selection = {cursor_, cursor_};
    }
    return outcome;
}

StripOutcome TierStripInput::Press(int x, int y, const StripTimeMap& map) {
    const auto row = TierRowAt(y, editor_.TierCount());
    if (!row) return {};
    focusedTier_ = *row;
    editor_.Seal();
    const AnnotationTier& tier = editor_.Tier(*row);
    if (const auto boundary = BoundaryNear(tier, map, x)) {
        selectedBoundary_ = *boundary;
        dragging_ = true;
        cursor_ = BoundaryTime(tier, *boundary);
        // Typing then goes to the point, or nowhere: no interval is selected.
        selectedItem_.reset();
        if (tier.kind == TierKind::Point) selectedItem_ = *boundary;
        return {false, std::pair{cursor_, cursor_}};
    }
    const double time = map.TimeOfX(x);
    if (tier.kind == TierKind::Point) {
        cursor_ = time;
        selectedItem_.reset();
        selectedBoundary_.reset();
        return {false, std::pair{time, time}};
    }
    if (time < tier.start || time > tier.end) return {};
    StripOutcome outcome = SelectItem(*ItemAt(tier, time));
    cursor_ = time;
    return outcome;
}

StripOutcome TierStripInput::Move(int x, const StripTimeMap& map) {
    if (!dragging_ || !focusedTier_ || !selectedBoundary_) return {};
    const double time = map.TimeOfX(x);
    // A move past a neighbour is refused: the boundary waits at its last place.
    if (!editor_.MoveBoundary(*focusedTier_, *selectedBoundary_, time)) return {};
    cursor_ = time;
    return {true, std::pair{time, time}};
}

void TierStripInput::Release() {
    dragging_ = false;
    editor_.Seal();
}

StripOutcome TierStripInput::DoubleClick(int x, int y, const StripTimeMap& map) {
    const auto row = TierRowAt(y, editor_.TierCount());
    if (!row) return {};
    focusedTier_ = *row;
    dragging_ = false;
    return AddBoundaryAt(map.TimeOfX(x));
}

StripOutcome TierStripInput::AddBoundaryAt(double seconds) {
    if (!focusedTier_) return {};
    const auto boundary = editor_.AddBoundary(*focusedTier_, seconds);
    if (!boundary) return {};
    cursor_ = seconds;
    selectedBoundary_ = boundary;
    const bool point = editor_.Tier(*focusedTier_).kind == TierKind::Point;
    // The new point, or the interval that starts at the new boundary, takes what is typed next.
    selectedItem_ = boundary;
    if (!point) {
        const AnnotationInterval& right = editor_.Tier(*focusedTier_).intervals[*boundary];
        return {true, std::pair{right.start, right.end}};
    }
    return {true, std::pair{seconds, seconds}};
}

StripOutcome TierStripInput::Key(StripKey key) {
    if (!focusedTier_) return {};
    const AnnotationTier& tier = editor_.Tier(*focusedTier_);
    const std::size_t items =
        tier.kind == TierKind::Interval ? tier.intervals.size() : tier.points.size();
    switch (key) {
        case StripKey::Enter:
            return AddBoundaryAt(cursor_);
        case StripKey::Tab:
        case StripKey::BackTab: {
            if (items == 0) return {};
            const bool forward = key == StripKey::Tab;
            std::size_t item = selectedItem_.value_or(ItemAt(tier, cursor_).value_or(0));
            if (selectedItem_) {
                if (forward && item + 1 < items) ++item;
                if (!forward && item > 0) --item;
            }
            StripOutcome outcome = SelectItem(item);
            if (tier.kind == TierKind::Interval) cursor_ = tier.intervals[item].start;
            return outcome;
        }
        case StripKey::Backspace:
            if (!selectedItem_) return {};
            return Type({});
        case StripKey::RemoveBoundary: {
            std::optional<std::size_t> boundary = selectedBoundary_;
            if (!boundary && BoundaryCount(tier) > 0) {
                const auto near = ItemAt(tier, cursor_);
                // Between two boundaries the nearer one: the interval's start or its end.
                boundary = near;
                if (tier.kind == TierKind::Interval && near) {
                    const AnnotationInterval& at = tier.intervals[*near];
                    const bool endNearer = at.end - cursor_ < cursor_ - at.start;
                    boundary = std::clamp<std::size_t>(endNearer ? *near + 1 : *near, 1,
                                                       BoundaryCount(tier));
                }
            }
            if (!boundary || !editor_.RemoveBoundary(*focusedTier_, *boundary)) return {};
            selectedBoundary_.reset();
            selectedItem_.reset();
            Revalidate();
            return {true, std::nullopt};
        }
    }
    return {};
}

StripOutcome TierStripInput::Type(const std::string& text) {
    if (!focusedTier_ || !selectedItem_) return {};
    const AnnotationTier& tier = editor_.Tier(*focusedTier_);
    const std::string& label = tier.kind == TierKind::Interval
                                   ? tier.intervals.at(*selectedItem_).label
                                   : tier.points.at(*selectedItem_).label;
    const std::string changed = text.empty() ? WithoutLastCharacter(label) : label + text;
    return {editor_.SetLabel(*focusedTier_, *selectedItem_, changed), std::nullopt};
}

void TierStripInput::SetCursor(double seconds) {
    cursor_ = seconds;
    selectedBoundary_.reset();
    selectedItem_.reset();
    if (focusedTier_ && editor_.Tier(*focusedTier_).kind == TierKind::Interval)
        selectedItem_ = ItemAt(editor_.Tier(*focusedTier_), seconds);
    editor_.Seal();
}

void TierStripInput::SetFocusedTier(std::size_t tier) {
    focusedTier_ = tier;
    selectedItem_.reset();
    selectedBoundary_.reset();
    Revalidate();
}

void TierStripInput::Revalidate() {
    dragging_ = false;
    if (focusedTier_ && *focusedTier_ >= editor_.TierCount()) {
        focusedTier_ =
            editor_.TierCount() > 0 ? std::optional(editor_.TierCount() - 1) : std::nullopt;
        selectedItem_.reset();
        selectedBoundary_.reset();
    }
    if (!focusedTier_) {
        selectedItem_.reset();
        selectedBoundary_.reset();
        return;
    }
    const AnnotationTier& tier = editor_.Tier(*focusedTier_);
    const std::size_t items =
        tier.kind == TierKind::Interval ? tier.intervals.size() : tier.points.size();
    if (selectedItem_ && *selectedItem_ >= items) selectedItem_.reset();
    if (selectedBoundary_) {
        const std::size_t first = tier.kind == TierKind::Interval ? 1 : 0;
        if (*selectedBoundary_ < first || *selectedBoundary_ >= first + BoundaryCount(tier))
            selectedBoundary_.reset();
    }
}

}  // namespace tonalyx
