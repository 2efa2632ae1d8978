#pragma once

#include <QPoint>

#include <functional>
#include <vector>

#include "interaction/MouseCaptureRouter.h"

class QMouseEvent;
class QWidget;

namespace tonalyx {

// The button of a press or release as the views tell them apart.
MouseButton ButtonOf(const QMouseEvent* event);
// The pixel under the mouse, in the receiving widget's coordinates (rounded down, so that a
// position left of or above the widget stays negative).
QPoint PixelOf(const QMouseEvent* event);

// A form's mouse routing on the platform: the router's rules and, per view, the handlers that
// mouse moves and releases captured by the form go to. Qt already grabs the mouse for the
// widget pressed, whatever the button, until its release, so views normally get their own
// moves and releases; events that reach the form during a capture are forwarded here.
class MouseRouting {
public:
    using UpHandler = std::function<void(MouseButton button, int x, int y)>;
    using MoveHandler = std::function<void(int x, int y)>;

    explicit MouseRouting(QWidget* form) : form_(form) {}

    void AddRoute(int viewId, QWidget* view, UpHandler up, MoveHandler move);

    MouseCaptureRouter& Router() { return router_; }
    const MouseCaptureRouter& Router() const { return router_; }

    // A move or release the form received while a view is active goes to that view's handler,
    // the position made relative to the view. False when no view is active.
    bool ForwardMove(const QMouseEvent* event);
    bool ForwardUp(const QMouseEvent* event);

    // A press arriving while the active capture's button is no longer held means its release
    // went elsewhere (a modal window or another application took the mouse): the active view
    // gets that release now, so that the capture ends and its drag is finished cleanly.
    void FinishLostCapture(const QMouseEvent* press);

private:
    struct Route {
        int viewId;
        QWidget* view;
        UpHandler up;
        MoveHandler move;
    };
    const Route* ActiveRoute() const;
    QPoint PositionInView(const Route& route, const QMouseEvent* event) const;

    QWidget* form_;
    MouseCaptureRouter router_;
    std::vector<Route> routes_;
};

}  // namespace tonalyx
