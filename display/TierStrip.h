#pragma once

#include <QWidget>

#include <cstddef>
#include <functional>
#include <optional>

#include "annotations/TextGrid.h"
#include "display/PaintBox.h"
#include "display/TierStripLayout.h"

class QKeyEvent;
class QPainter;

namespace tonalyx {

// What the strip marks besides the tiers: the focused tier, its selected interval (or point)
// and its selected boundary. The composite image draws the tiers without marks.
struct TierMarks {
    std::optional<std::size_t> focusedTier;
    std::optional<std::size_t> selectedItem;
    std::optional<std::size_t> selectedBoundary;
};

// The tier rows, width pixels wide from the painter's origin: a line under each row, a black
// line at each boundary and point, each label centred in its interval (cut to fit) or right of
// its point. Only the intervals in view are drawn, so a long tier costs what its view shows.
void DrawTierRows(QPainter& painter, const TextGrid& grid, const StripTimeMap& map, int width,
                  const TierMarks& marks = {});
// The tiers' names, one a row, cut to the column's width; the focused one in bold.
void DrawTierNames(QPainter& painter, const TextGrid& grid, int width,
                   std::optional<std::size_t> focusedTier = std::nullopt);

// The tier rows on the screen: a paint box that also takes the keyboard focus, keys (Tab and
// Shift+Tab included, which would otherwise move the focus away) and double clicks.
class TierStripView : public PaintBox {
    Q_OBJECT
public:
    using KeyHandler = std::function<bool(QKeyEvent*)>;
    explicit TierStripView(const QString& name, QWidget* parent = nullptr);
    void SetKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }
    void SetDoubleClickHandler(MouseHandler handler) { doubleClick_ = std::move(handler); }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    KeyHandler keyHandler_;
    MouseHandler doubleClick_;
};

}  // namespace tonalyx
