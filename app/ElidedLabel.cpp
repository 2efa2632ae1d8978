#include "app/ElidedLabel.h"

#include <QPainter>

namespace tonalyx {

void ElidedLabel::paintEvent(QPaintEvent* event) {
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (fontMetrics().horizontalAdvance(text()) <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, static_cast<int>(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

}  // namespace tonalyx
