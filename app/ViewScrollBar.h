#pragma once

#include <QScrollBar>

namespace tonalyx {

// The main window's horizontal scroll bar. While it is disabled (the whole sound fits the view,
// or no sound is open) it shows its groove and arrows but no thumb: a thumb would suggest a
// position in a range that does not exist.
class ViewScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ViewScrollBar(QWidget* parent = nullptr) : QScrollBar(Qt::Horizontal, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tonalyx
