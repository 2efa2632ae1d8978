#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "annotations/AnnotationEdits.h"
#include "display/TierStripLayout.h"

namespace tonalyx {

// The keys the tier strip acts on besides typed text.
enum class StripKey { Enter, Tab, BackTab, Backspace, RemoveBoundary };

// What a mouse or key event on the strip did: the grid changed (repaint, and the strip's height
// when the tier count changed), and the stretch now selected, in seconds (start == end for a
// cursor alone), which the window shows as its wave selection.
struct StripOutcome {
    bool edited = false;
    std::optional<std::pair<double, double>> selection;
};

// The mouse and keys of the tier strip, without a window: which tier has the focus, which
// interval (or point) is selected, the cursor time, and a boundary drag in progress. Every edit
// goes to the editor, so it can be undone.
class TierStripInput {
public:
    explicit TierStripInput(AnnotationEditor& editor) : editor_(editor) {}

    // A press in the strip: on a boundary it starts a drag; elsewhere it puts the cursor there
    // and selects the interval under it.
    StripOutcome Press(int x, int y, const StripTimeMap& map);
    StripOutcome Move(int x, const StripTimeMap& map);
    void Release();
    // A double click adds a boundary (or point) at its time on its tier.
    StripOutcome DoubleClick(int x, int y, const StripTimeMap& map);
    // Enter adds a boundary at the cursor; Tab and Shift+Tab select the next and previous
    // interval; Backspace deletes the selected label's last character; RemoveBoundary removes
    // the selected boundary, or else the one nearest the cursor on the focused tier.
    StripOutcome Key(StripKey key);
    // Typed text goes to the end of the selected interval's (or point's) label.
    StripOutcome Type(const std::string& text);

    // The cursor set elsewhere (a click on the wave view): the selection's item follows it.
    void SetCursor(double seconds);
    void SetFocusedTier(std::size_t tier);
    // After an undo or redo, or a tier added or removed: drops what no longer exists.
    void Revalidate();

    std::optional<std::size_t> FocusedTier() const { return focusedTier_; }
    std::optional<std::size_t> SelectedItem() const { return selectedItem_; }
    std::optional<std::size_t> SelectedBoundary() const { return selectedBoundary_; }
    double CursorTime() const { return cursor_; }
    bool Dragging() const { return dragging_; }

private:
    StripOutcome SelectItem(std::size_t item);
    StripOutcome AddBoundaryAt(double seconds);

    AnnotationEditor& editor_;
    std::optional<std::size_t> focusedTier_;
    std::optional<std::size_t> selectedItem_;
    std::optional<std::size_t> selectedBoundary_;
    double cursor_ = 0;
    bool dragging_ = false;
};

// The label without its last character (a whole UTF-8 sequence).
std::string WithoutLastCharacter(const std::string& label);

}  // namespace tonalyx
