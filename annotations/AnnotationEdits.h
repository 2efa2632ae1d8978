#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "annotations/TextGrid.h"

namespace tonalyx {

// A TextGrid being edited: every change goes through one of the edits below, each of which keeps
// the tiers valid (CheckTier holds after every edit) and can be undone and redone. An edit
// that would break a tier is refused and changes nothing. Consecutive label typing into one
// interval, and consecutive moves of one boundary (a drag), make one undo step until Seal().
//
// Boundaries of an interval tier are numbered from 1 to intervals - 1: boundary b lies between
// interval b - 1 and interval b. On a point tier, "boundary" b is point b (from 0).
class AnnotationEditor {
public:
    AnnotationEditor() = default;
    explicit AnnotationEditor(TextGrid grid) : grid_(std::move(grid)) {}

    const TextGrid& Grid() const { return grid_; }
    const AnnotationTier& Tier(std::size_t tier) const { return grid_.tiers.at(tier); }
    std::size_t TierCount() const { return grid_.tiers.size(); }

    // Adds a boundary (or a point) at time; returns its number, or none when time lies outside
    // the tier's span or on a boundary (a point) already there. The interval that is split
    // keeps its label on the left part; the right part starts empty.
    std::optional<std::size_t> AddBoundary(std::size_t tier, double time);
    // Moves a boundary (or point) to time, which must stay strictly between its neighbours.
    bool MoveBoundary(std::size_t tier, std::size_t boundary, double time);
    // Removes a boundary, joining the labels of the two intervals it parted (with a blank when
    // both are non-empty), or removes a point.
    bool RemoveBoundary(std::size_t tier, std::size_t boundary);
    // The label of interval (or point) item.
    bool SetLabel(std::size_t tier, std::size_t item, const std::string& label);

    // A new tier over the grid's span at position (at most TierCount()): an interval tier holds
    // one empty interval, a point tier no points. A grid with no span yet takes [0, end].
    bool AddTier(std::size_t position, const std::string& name, TierKind kind, double end);
    bool RemoveTier(std::size_t tier);
    bool RenameTier(std::size_t tier, const std::string& name);

    // Ends the current run of typing or dragging: the next such edit is a step of its own.
    void Seal() { mergeOpen_ = false; }
    bool CanUndo() const { return applied_ > 0; }
    bool CanRedo() const { return applied_ < steps_.size(); }
    // The tier the step concerned, or none when there was nothing to undo or redo.
    std::optional<std::size_t> Undo();
    std::optional<std::size_t> Redo();

    // Changed since the last MarkSaved (or since it was made).
    bool IsModified() const { return !savedAt_ || *savedAt_ != applied_; }
    void MarkSaved() { savedAt_ = applied_; }

private:
    enum class Merge { None, Label, Move };
    // One undone/redone change: the tier at index before and after it (none: no tier there).
    struct Step {
        std::size_t tier = 0;
        std::optional<AnnotationTier> before;
        std::optional<AnnotationTier> after;
        Merge merge = Merge::None;
        std::size_t item = 0;
    };
    // Records the change of one tier to changed; merges with the open step of the same kind.
    bool Replace(std::size_t tier, AnnotationTier changed, Merge merge = Merge::None,
                 std::size_t item = 0);
    void Record(Step step);
    void Put(std::size_t tier, const std::optional<AnnotationTier>& from,
             const std::optional<AnnotationTier>& to);

    TextGrid grid_;
    std::vector<Step> steps_;
    std::size_t applied_ = 0;
    std::optional<std::size_t> savedAt_{0};
    bool mergeOpen_ = false;
};

// The interval of an interval tier that holds time (its start included, the tier's end in the
// last), or the point nearest to time on a point tier; none for an empty tier.
std::optional<std::size_t> ItemAt(const AnnotationTier& tier, double time);

// The time of boundary b (see AnnotationEditor).
double BoundaryTime(const AnnotationTier& tier, std::size_t boundary);
std::size_t BoundaryCount(const AnnotationTier& tier);

}  // namespace tonalyx
