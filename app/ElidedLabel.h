#pragma once

#include <QLabel>

namespace tonalyx {

// A one-line label that, when its text is wider than the label, shows the start of it ending in
// "…", so that a cut is visible; text() stays the whole text.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tonalyx
