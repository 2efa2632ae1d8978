#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tonalyx {

// Where a tool window of the given frame size goes beside a main window whose frame is
// mainFrame, on a screen whose free area (without panels and docks) is screen, clear of the
// frame avoid (another tool window; an empty rectangle avoids nothing). Tried in turn: right of
// the main window below avoid's height, right of it at its top, below it, left of it, above it;
// the first place wholly on the screen and clear of both frames is taken, else the first one
// on the screen clear of the main window, else the first place moved onto the screen (a
// window larger than the screen keeps its top-left corner on it). Returns the top-left corner.
QPoint PlaceToolWindow(const QRect& mainFrame, const QSize& tool, const QRect& screen,
                       const QRect& avoid);

// A tool window that is wholly on the screen and clear of the main window's frame stays where
// it is; otherwise it is placed again.
bool ToolWindowWellPlaced(const QRect& mainFrame, const QRect& toolFrame, const QRect& screen);

}  // namespace tonalyx
