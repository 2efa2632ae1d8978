#pragma once

#include <cstdint>

namespace tonalyx {

// The buttons the views tell apart; every other button begins and ends a capture but does
// nothing else.
enum class MouseButton : std::uint8_t { Left, Right, Other };

// Decides which view owns the mouse between a press and the matching release. A press on a
// view makes it active with that button; presses while a view is active are ignored, and only
// the release of the same button on the same view ends the capture. A form keeps one router
// for all of its views (view ids are small numbers chosen by the form).
class MouseCaptureRouter {
public:
    static constexpr int kNoView = -1;

    // Only when no view is active: makes viewId active with button. Returns whether it began.
    bool BeginCapture(int viewId, MouseButton button);
    // Only when viewId is active with that same button: makes none active. Returns whether it
    // ended.
    bool EndCapture(int viewId, MouseButton button);

    int ActiveView() const { return activeView_; }
    MouseButton ActiveButton() const { return button_; }
    bool IsActive(int viewId) const { return activeView_ != kNoView && activeView_ == viewId; }
    bool IsActive(int viewId, MouseButton button) const {
        return IsActive(viewId) && button_ == button;
    }

private:
    int activeView_ = kNoView;
    MouseButton button_ = MouseButton::Left;
};

}  // namespace tonalyx
