#include "display/TierStrip.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

#include "annotations/AnnotationEdits.h"

namespace tonalyx {

namespace {

const QColor kSelectedInterval(255, 236, 140);
const QColor kSelectedBoundary(220, 0, 0);
constexpr int kLabelPadding = 2;

// A label on one line: line breaks shown as blanks.
QString OneLine(const std::string& label) {
    QString text = QString::fromStdString(label);
    text.replace(QChar('\n'), QChar(' ')).replace(QChar('\r'), QChar(' '));
    return text;
}

void DrawLabel(QPainter& painter, const std::string& label, int left, int right, int top,
               Qt::Alignment alignment) {
    const int room = right - left - 2 * kLabelPadding;
    if (label.empty() || room < painter.fontMetrics().averageCharWidth()) return;
    const QString text = painter.fontMetrics().elidedText(OneLine(label), Qt::ElideRight, room);
    painter.drawText(QRect(left + kLabelPadding, top, room, kTierRowHeight),
                     alignment | Qt::AlignVCenter, text);
}

void DrawIntervals(QPainter& painter, const AnnotationTier& tier, const StripTimeMap& map,
                   int width, int top, bool focused, const TierMarks& marks) {
    if (tier.intervals.empty()) return;
    const std::size_t first = *ItemAt(tier, map.TimeOfX(0));
    const std::size_t last = *ItemAt(tier, map.TimeOfX(width));
    const auto column = [&](double time) { return std::clamp(map.ColumnOfTime(time), -1, width); };
    for (std::size_t i = first; i <= last; ++i) {
        const AnnotationInterval& interval = tier.intervals[i];
        const int left = column(interval.start);
        const int right = column(interval.end);
        if (focused && marks.selectedItem == i) {
            painter.fillRect(QRect(left + 1, top, right - left - 1, kTierRowHeight - 1),
                             kSelectedInterval);
        }
        painter.setPen(Qt::black);
        DrawLabel(painter, interval.label, left, right, top, Qt::AlignHCenter);
    }
    // The boundaries, the tier's own edges included, over the labels.
    for (std::size_t i = first; i <= last + 1; ++i) {
        const double time = i < tier.intervals.size() ? tier.intervals[i].start : tier.end;
        const int x = map.ColumnOfTime(time);
        if (x < 0 || x >= width) continue;
        painter.setPen(focused && marks.selectedBoundary == i ? kSelectedBoundary : Qt::black);
        painter.drawLine(x, top, x, top + kTierRowHeight - 2);
    }
}

void DrawPoints(QPainter& painter, const AnnotationTier& tier, const StripTimeMap& map, int width,
                int top, bool focused, const TierMarks& marks) {
    const auto& points = tier.points;
    auto at = std::lower_bound(points.begin(), points.end(), map.TimeOfX(-1),
                               [](const AnnotationPoint& p, double t) { return p.time < t; });
    for (; at != points.end(); ++at) {
        const int x = map.ColumnOfTime(at->time);
        if (x >= width) break;
        const auto index = static_cast<std::size_t>(at - points.begin());
        const bool selected = focused && marks.selectedItem == index;
        if (selected) {
            painter.fillRect(QRect(x + 1, top, kTierRowHeight, kTierRowHeight - 1),
                             kSelectedInterval);
        }
        painter.setPen(selected ? kSelectedBoundary : Qt::black);
        painter.drawLine(x, top, x, top + kTierRowHeight - 2);
        painter.setPen(Qt::black);
        const int next = at + 1 != points.end() ? map.ColumnOfTime((at + 1)->time) : width;
        DrawLabel(painter, at->label, x, std::min(next, width), top, Qt::AlignLeft);
    }
}

}  // namespace

void DrawTierRows(QPainter& painter, const TextGrid& grid, const StripTimeMap& map, int width,
                  const TierMarks& marks) {
    for (std::size_t t = 0; t < grid.tiers.size(); ++t) {
        const int top = static_cast<int>(t) * kTierRowHeight;
        const bool focused = marks.focusedTier == t;
        const AnnotationTier& tier = grid.tiers[t];
        if (tier.kind == TierKind::Interval) {
            DrawIntervals(painter, tier, map, width, top, focused, marks);
        } else {
            DrawPoints(painter, tier, map, width, top, focused, marks);
        }
        painter.setPen(Qt::black);
        painter.drawLine(0, top + kTierRowHeight - 1, width - 1, top + kTierRowHeight - 1);
    }
}

void DrawTierNames(QPainter& painter, const TextGrid& grid, int width,
                   std::optional<std::size_t> focusedTier) {
    painter.setPen(Qt::black);
    for (std::size_t t = 0; t < grid.tiers.size(); ++t) {
        const int top = static_cast<int>(t) * kTierRowHeight;
        QFont face = painter.font();
        face.setBold(focusedTier == t);
        painter.setFont(face);
        DrawLabel(painter, grid.tiers[t].name, 0, width, top, Qt::AlignLeft);
        painter.drawLine(0, top + kTierRowHeight - 1, width - 1, top + kTierRowHeight - 1);
    }
    QFont face = painter.font();
    face.setBold(false);
    painter.setFont(face);
}

TierStripView::TierStripView(const QString& name, QWidget* parent) : PaintBox(name, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

bool TierStripView::event(QEvent* event) {
    // Tab and Shift+Tab move between intervals here, not the focus between widgets.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && keyHandler_ &&
            keyHandler_(key)) {
            return true;
        }
    }
    return PaintBox::event(event);
}

void TierStripView::keyPressEvent(QKeyEvent* event) {
    if (keyHandler_ && keyHandler_(event)) return;
    PaintBox::keyPressEvent(event);
}

void TierStripView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (doubleClick_) doubleClick_(event);
}

void TierStripView::focusInEvent(QFocusEvent* event) {
    PaintBox::focusInEvent(event);
    update();
}

void TierStripView::focusOutEvent(QFocusEvent* event) {
    PaintBox::focusOutEvent(event);
    update();
}

}  // namespace tonalyx
