#include "display/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace tonalyx {

PaintBox::PaintBox(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

void PaintBox::SetMouseHandlers(MouseHandler down, MouseHandler move, MouseHandler up) {
    mouseDown_ = std::move(down);
    mouseMove_ = std::move(move);
    mouseUp_ = std::move(up);
}

void PaintBox::paintEvent(QPaintEvent*) {
    if (!paintHandler_) return;
    QPainter painter(this);
    paintHandler_(painter);
}

void PaintBox::mousePressEvent(QMouseEvent* event) {
    if (mouseDown_) mouseDown_(event);
}

void PaintBox::mouseMoveEvent(QMouseEvent* event) {
    if (mouseMove_) mouseMove_(event);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
    if (mouseUp_) mouseUp_(event);
}

}  // namespace tonalyx
