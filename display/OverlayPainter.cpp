#include "display/OverlayPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "display/AxisLayout.h"

namespace tonalyx {

namespace {

constexpr int kRimSize = 5;
constexpr int kDotSize = 3;
constexpr double kContourWidth = 2;
constexpr double kContourRimWidth = 4;
constexpr int kLabelPad = 1;

QPainterPath ContourPath(const std::vector<std::vector<ContourPoint>>& contour) {
    QPainterPath path;
    for (const std::vector<ContourPoint>& run : contour) {
        path.moveTo(run.front().x, run.front().y);
        for (const ContourPoint& point : run)
            path.lineTo(point.x, point.y);
    }
    return path;
}

void StrokeTick(QPainter& painter, const AxisTickLine& line) {
    if (line.x1 > line.x0) painter.drawLine(line.x0, line.y0, line.x1 - 1, line.y0);
}

}  // namespace

void DrawFormantDots(QPainter& painter, const std::vector<FormantDot>& dots) {
    for (const FormantDot& dot : dots)
        painter.fillRect(dot.x - kRimSize / 2, dot.y - kRimSize / 2, kRimSize, kRimSize,
                         kOverlayRimColour);
    for (const FormantDot& dot : dots)
        painter.fillRect(dot.x - kDotSize / 2, dot.y - kDotSize / 2, kDotSize, kDotSize,
                         kFormantDotColour);
}

void DrawIntensityContour(QPainter& painter,
                          const std::vector<std::vector<ContourPoint>>& contour) {
    if (contour.empty()) return;
    const QPainterPath path = ContourPath(contour);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(
        QPen(kOverlayRimColour, kContourRimWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(
        QPen(kIntensityColour, kContourWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
}

void DrawIntensityScale(QPainter& painter, const AxisScale& axis, int width, int imageHeight) {
    const QFontMetrics metrics(painter.font());
    const auto textWidth = [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    };
    const AxisLayout layout =
        LayOutVerticalAxis(axis, width, imageHeight, textWidth, metrics.height());
    painter.save();
    const auto labelBox = [&](const QString& text, int left, int top) {
        const QRect box(left - kLabelPad, top, metrics.horizontalAdvance(text) + 2 * kLabelPad,
                        metrics.height());
        painter.fillRect(box, Qt::white);
        painter.drawText(QPoint(left, top + metrics.ascent()), text);
    };
    painter.setPen(Qt::black);
    for (const AxisTickText& label : layout.labels)
        labelBox(QString::fromStdString(label.text), label.left, label.top);
    const QString unit = "dB";
    labelBox(unit, width - kLabelledTickLength - metrics.horizontalAdvance(unit) - kLabelPad, 0);
    // Each tick on a white line one pixel wider on every side, to be seen on dark levels.
    for (const AxisTickLine& tick : layout.ticks)
        painter.fillRect(tick.x0 - 1, tick.y0 - 1, tick.x1 - tick.x0 + 1, 3, Qt::white);
    for (const AxisTickLine& tick : layout.ticks)
        StrokeTick(painter, tick);
    painter.restore();
}

}  // namespace tonalyx
