#include "display/ShrinkingStatusPanel.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace tonalyx {

ShrinkingStatusPanel::ShrinkingStatusPanel(int preferredWidth, QWidget* parent)
    : QLabel(parent), preferredWidth_(preferredWidth) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void ShrinkingStatusPanel::SetPreferredWidth(int width) {
    if (width == preferredWidth_) return;
    preferredWidth_ = width;
    updateGeometry();
}

QSize ShrinkingStatusPanel::sizeHint() const {
    return {preferredWidth_, minimumSizeHint().height()};
}

QSize ShrinkingStatusPanel::minimumSizeHint() const {
    const int height = fontMetrics().height() + 2 * frameWidth();
    return {2 * frameWidth(), std::max(height, minimumHeight())};
}

// Draws as a framed label does (the text indented by half an "x" from the side it is aligned
// to), with the text elided to the room there is.
void ShrinkingStatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QFontMetrics metrics = fontMetrics();
    const int indent = metrics.horizontalAdvance(QChar('x')) / 2;
    QRect room = contentsRect();
    if (alignment() & Qt::AlignRight) {
        room.setRight(room.right() - indent);
    } else {
        room.setLeft(room.left() + indent);
    }
    const QString shown = metrics.elidedText(text(), Qt::ElideRight, std::max(room.width(), 0));
    style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(),
                          shown, foregroundRole());
}

}  // namespace tonalyx
