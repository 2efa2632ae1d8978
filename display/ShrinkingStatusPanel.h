#pragma once

#include <QLabel>

namespace tonalyx {

// A status-bar panel that asks for its preferred width but gives way when its window is
// narrower: it never holds the window wide, and a text that no longer fits ends in "…" rather
// than being cut off, so no part of a number is ever shown as if it were the whole.
class ShrinkingStatusPanel : public QLabel {
    Q_OBJECT
public:
    explicit ShrinkingStatusPanel(int preferredWidth, QWidget* parent = nullptr);

    int PreferredWidth() const { return preferredWidth_; }
    void SetPreferredWidth(int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int preferredWidth_;
};

}  // namespace tonalyx
