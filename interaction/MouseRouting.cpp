#include "interaction/MouseRouting.h"

#include <QMouseEvent>
#include <QWidget>

#include <cmath>

namespace tonalyx {

MouseButton ButtonOf(const QMouseEvent* event) {
    switch (event->button()) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        default:
            return MouseButton::Other;
    }
}

QPoint PixelOf(const QMouseEvent* event) {
    const QPointF position = event->position();
    return {static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y()))};
}

void MouseRouting::AddRoute(int viewId, QWidget* view, UpHandler up, MoveHandler move) {
    routes_.push_back({viewId, view, std::move(up), std::move(move)});
}

const MouseRouting::Route* MouseRouting::ActiveRoute() const {
    for (const Route& route : routes_) {
        if (router_.IsActive(route.viewId)) return &route;
    }
    return nullptr;
}

QPoint MouseRouting::PositionInView(const Route& route, const QMouseEvent* event) const {
    // The offsets of the view and of each of its parents up to the form.
    return PixelOf(event) - route.view->mapTo(form_, QPoint(0, 0));
}

bool MouseRouting::ForwardMove(const QMouseEvent* event) {
    const Route* route = ActiveRoute();
    if (!route) return false;
    const QPoint p = PositionInView(*route, event);
    if (route->move) route->move(p.x(), p.y());
    return true;
}

bool MouseRouting::ForwardUp(const QMouseEvent* event) {
    const Route* route = ActiveRoute();
    if (!route) return false;
    const QPoint p = PositionInView(*route, event);
    if (route->up) route->up(ButtonOf(event), p.x(), p.y());
    return true;
}

void MouseRouting::FinishLostCapture(const QMouseEvent* press) {
    const Route* route = ActiveRoute();
    if (!route) return;
    const MouseButton active = router_.ActiveButton();
    const Qt::MouseButtons held = press->buttons() & ~press->button();
    const bool stillHeld = (active == MouseButton::Left && (held & Qt::LeftButton)) ||
                           (active == MouseButton::Right && (held & Qt::RightButton)) ||
                           (active == MouseButton::Other &&
                            (held & ~(Qt::LeftButton | Qt::RightButton)) != Qt::NoButton);
    if (stillHeld) return;
    const int viewId = route->viewId;
    if (route->up) {
        const QPoint p = route->view->mapFromGlobal(press->globalPosition().toPoint());
        route->up(active, p.x(), p.y());
    }
    router_.EndCapture(viewId, active);
}

}  // namespace tonalyx
