#include "app/ViewScrollBar.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace tonalyx {

void ViewScrollBar::paintEvent(QPaintEvent* event) {
    if (isEnabled()) {
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls &= ~QStyle::SC_ScrollBarSlider;
    QPainter painter(this);
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

}  // namespace tonalyx
