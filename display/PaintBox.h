#pragma once

#include <QWidget>

#include <functional>

class QPainter;
class QMouseEvent;

namespace tonalyx {

// A plain drawing surface: its paint and mouse events go to handlers of the window that owns
// it, which keeps all view state. A painter handed to the paint handler starts at the box's
// top-left corner, so the same drawing code can also draw into an image at any origin.
class PaintBox : public QWidget {
    Q_OBJECT
public:
    using PaintHandler = std::function<void(QPainter&)>;
    using MouseHandler = std::function<void(QMouseEvent*)>;

    explicit PaintBox(const QString& name, QWidget* parent = nullptr);

    void SetPaintHandler(PaintHandler handler) { paintHandler_ = std::move(handler); }
    void SetMouseHandlers(MouseHandler down, MouseHandler move, MouseHandler up);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PaintHandler paintHandler_;
    MouseHandler mouseDown_;
    MouseHandler mouseMove_;
    MouseHandler mouseUp_;
};

}  // namespace tonalyx
