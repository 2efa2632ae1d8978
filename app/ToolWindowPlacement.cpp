#include "app/ToolWindowPlacement.h"

#include <algorithm>
#include <array>

namespace tonalyx {

namespace {

// The corner that brings a rectangle of size wholly onto the screen, or as far as it goes.
QPoint MovedOnto(QPoint corner, const QSize& size, const QRect& screen) {
    const int x = std::max(std::min(corner.x(), screen.right() + 1 - size.width()), screen.left());
    const int y = std::max(std::min(corner.y(), screen.bottom() + 1 - size.height()), screen.top());
    return {x, y};
}

}  // namespace

QPoint PlaceToolWindow(const QRect& mainFrame, const QSize& tool, const QRect& screen,
                       const QRect& avoid) {
    const int right = mainFrame.right() + 1;
    const int below = mainFrame.bottom() + 1;
    const int belowAvoid = avoid.isEmpty() ? mainFrame.top() : mainFrame.top() + avoid.height();
    const std::array<QPoint, 5> places{{
        {right, belowAvoid},
        {right, mainFrame.top()},
        {mainFrame.left(), below},
        {mainFrame.left() - tool.width(), mainFrame.top()},
        {mainFrame.left(), mainFrame.top() - tool.height()},
    }};
    const auto onScreenClearOfMain = [&](QPoint corner) {
        return ToolWindowWellPlaced(mainFrame, QRect(corner, tool), screen);
    };
    for (const QPoint& corner : places) {
        if (onScreenClearOfMain(corner) && !QRect(corner, tool).intersects(avoid)) return corner;
    }
    for (const QPoint& corner : places) {
        if (onScreenClearOfMain(corner)) return corner;
    }
    return MovedOnto(places.front(), tool, screen);
}

bool ToolWindowWellPlaced(const QRect& mainFrame, const QRect& toolFrame, const QRect& screen) {
    return screen.contains(toolFrame) && !toolFrame.intersects(mainFrame);
}

}  // namespace tonalyx
