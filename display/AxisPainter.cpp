#include "display/AxisPainter.h"

#include <QFontMetrics>
#include <QPainter>

#include "display/AxisLayout.h"

namespace tonalyx {

namespace {

// Lines of the layout exclude their end point; tick lines are vertical or horizontal.
void StrokeTick(QPainter& painter, const AxisTickLine& line) {
    if (line.x0 == line.x1) {
        if (line.y1 > line.y0) painter.drawLine(line.x0, line.y0, line.x0, line.y1 - 1);
    } else if (line.x1 > line.x0) {
        painter.drawLine(line.x0, line.y0, line.x1 - 1, line.y0);
    }
}

void Paint(QPainter& painter, const AxisLayout& layout) {
    const QFontMetrics metrics(painter.font());
    for (const AxisTickLine& tick : layout.ticks)
        StrokeTick(painter, tick);
    for (const AxisTickText& label : layout.labels) {
        painter.drawText(QPoint(label.left, label.top + metrics.ascent()),
                         QString::fromStdString(label.text));
    }
}

TextWidthFunction WidthIn(const QFontMetrics& metrics) {
    return [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    };
}

}  // namespace

void DrawHorizontalAxis(QPainter& painter, const AxisScale& axis, int xOffset) {
    const QFontMetrics metrics(painter.font());
    Paint(painter, LayOutHorizontalAxis(axis, xOffset, WidthIn(metrics)));
}

void DrawVerticalAxis(QPainter& painter, const AxisScale& axis, int width, int height) {
    const QFontMetrics metrics(painter.font());
    Paint(painter, LayOutVerticalAxis(axis, width, height, WidthIn(metrics), metrics.height()));
}

}  // namespace tonalyx
