#include "app/ModalDialogsOnTop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace tonalyx {

ModalDialogsOnTop::ModalDialogsOnTop(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool ModalDialogsOnTop::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    const auto* widget = static_cast<QWidget*>(watched);
    // The show event comes before the window is mapped; the hint set on the platform window
    // (not on the widget, which would make the window anew) is in place when it appears.
    QWindow* window = widget->windowHandle();
    if (widget->isWindow() && widget->isModal() && window &&
        !window->flags().testFlag(Qt::WindowStaysOnTopHint)) {
        window->setFlag(Qt::WindowStaysOnTopHint, true);
    }
    return false;
}

}  // namespace tonalyx
