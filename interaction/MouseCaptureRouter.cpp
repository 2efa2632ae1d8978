#include "interaction/MouseCaptureRouter.h"

namespace tonalyx {

bool MouseCaptureRouter::BeginCapture(int viewId, MouseButton button) {
    if (activeView_ != kNoView || viewId == kNoView) return false;
    activeView_ = viewId;
    button_ = button;
    return true;
}

bool MouseCaptureRouter::EndCapture(int viewId, MouseButton button) {
    if (!IsActive(viewId, button)) return false;
    activeView_ = kNoView;
    return true;
}

}  // namespace tonalyx
