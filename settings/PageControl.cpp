#include "settings/PageControl.h"

#include <QMouseEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

#include <algorithm>

namespace tonalyx {

namespace {

constexpr int kPagePadding = 4;  // between the pane's frame and the page

}  // namespace

PageControl::PageControl(QWidget* parent) : QWidget(parent) {
    stack_ = new QStackedWidget(this);
    const auto step = [this](const QKeySequence& keys, int direction) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, direction] { Step(direction); });
    };
    step(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    // Shift+Tab arrives as Backtab on some platforms and as Shift with Tab on others.
    step(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    step(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    step(QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
    step(QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
}

int PageControl::AddPage(QWidget* page, const QString& caption) {
    stack_->addWidget(page);
    tabs_.push_back({caption, true, {}});
    if (current_ < 0) SetCurrentIndex(0);
    LayOut();
    return Count() - 1;
}

void PageControl::SetTabVisible(int index, bool visible) {
    if (index < 0 || index >= Count()) return;
    tabs_[static_cast<size_t>(index)].visible = visible;
    LayOut();
}

bool PageControl::IsTabVisible(int index) const {
    return index >= 0 && index < Count() && tabs_[static_cast<size_t>(index)].visible;
}

void PageControl::SetCurrentIndex(int index) {
    if (index < 0 || index >= Count() || index == current_) return;
    current_ = index;
    stack_->setCurrentIndex(index);
    LayOut();
    emit CurrentChanged(index);
}

QWidget* PageControl::Page(int index) const {
    return stack_->widget(index);
}

QString PageControl::TabText(int index) const {
    return index >= 0 && index < Count() ? tabs_[static_cast<size_t>(index)].caption : QString();
}

QRect PageControl::TabRect(int index) const {
    return IsTabVisible(index) ? tabs_[static_cast<size_t>(index)].rect : QRect();
}

QSize PageControl::TabSize(int index) const {
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.text = tabs_[static_cast<size_t>(index)].caption;
    const QFontMetrics metrics = fontMetrics();
    const QSize content(
        metrics.horizontalAdvance(option.text) +
            style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this),
        metrics.height() + style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this));
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, content, this);
}

PageControl::Rows PageControl::RowsFor(int width) const {
    Rows rows;
    int used = 0;
    for (int i = 0; i < Count(); ++i) {
        if (!IsTabVisible(i)) continue;
        const int tabWidth = TabSize(i).width();
        if (rows.empty() || (used + tabWidth > width && !rows.back().empty())) {
            rows.emplace_back();
            used = 0;
        }
        rows.back().push_back(i);
        used += tabWidth;
    }
    return rows;
}

int PageControl::TabsHeight(const Rows& rows) const {
    int height = 0;
    for (const auto& row : rows) {
        int rowHeight = 0;
        for (int index : row)
            rowHeight = std::max(rowHeight, TabSize(index).height());
        height += rowHeight;
    }
    return height;
}

// The pane's size for a page of pageSize: the page, its padding and the frame around it.
QSize PageControl::FrameSize(QSize pageSize) const {
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int margin = 2 * (frame + kPagePadding);
    return pageSize + QSize(margin, margin);
}

QSize PageControl::sizeHint() const {
    const QSize pane = FrameSize(stack_->sizeHint());
    return {pane.width(), TabsHeight(RowsFor(pane.width())) + pane.height()};
}

QSize PageControl::minimumSizeHint() const {
    // Narrower than every page and the widest tab the control cannot become; its height is what
    // the tab rows need at the width it has now.
    const QSize pane = FrameSize(stack_->minimumSizeHint());
    int widestTab = 0;
    for (int i = 0; i < Count(); ++i) {
        if (IsTabVisible(i)) widestTab = std::max(widestTab, TabSize(i).width());
    }
    const int width = std::max(pane.width(), widestTab);
    return {width, TabsHeight(RowsFor(std::max(width, this->width()))) + pane.height()};
}

void PageControl::LayOut() {
    const int rowCountBefore = RowCount();
    rows_ = RowsFor(width());
    // The row of the current tab goes next to the pages, as on a multi-line tab control.
    const auto currentRow = std::find_if(rows_.begin(), rows_.end(), [this](const auto& row) {
        return std::find(row.begin(), row.end(), current_) != row.end();
    });
    if (currentRow != rows_.end()) std::rotate(currentRow, currentRow + 1, rows_.end());
    int top = 0;
    for (const auto& row : rows_) {
        int natural = 0;
        int rowHeight = 0;
        for (int index : row) {
            natural += TabSize(index).width();
            rowHeight = std::max(rowHeight, TabSize(index).height());
        }
        // Stretch the row to the full width, sharing the spare pixels out by tab width.
        const int spare = std::max(width() - natural, 0);
        int left = 0;
        int given = 0;
        for (size_t k = 0; k < row.size(); ++k) {
            const int tabWidth = TabSize(row[k]).width();
            const int share = k + 1 == row.size() ? spare - given : spare * tabWidth / natural;
            given += share;
            tabs_[static_cast<size_t>(row[k])].rect = QRect(left, top, tabWidth + share, rowHeight);
            left += tabWidth + share;
        }
        top += rowHeight;
    }
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    paneRect_ =
        QRect(0, std::max(top - overlap, 0), width(), height() - std::max(top - overlap, 0));
    const int inset =
        style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + kPagePadding;
    stack_->setGeometry(paneRect_.adjusted(inset, inset, -inset, -inset));
    if (RowCount() != rowCountBefore) updateGeometry();
    update();
}

void PageControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void PageControl::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = paneRect_;
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    // The selected tab, drawn afterwards over the pane's top edge, joins it to its page.
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);

    for (size_t r = 0; r < rows_.size(); ++r) {
        const auto& row = rows_[r];
        for (size_t k = 0; k < row.size(); ++k) {
            QStyleOptionTab tab;
            tab.initFrom(this);
            tab.shape = QTabBar::RoundedNorth;
            tab.text = tabs_[static_cast<size_t>(row[k])].caption;
            // Styles draw a tab as if its bar started at the tab's top edge, and may draw past
            // the bar's bottom, which a tab bar of its own would cut off.
            const QRect rect = tabs_[static_cast<size_t>(row[k])].rect;
            tab.rect = QRect(QPoint(rect.left(), 0), rect.size());
            tab.row = static_cast<int>(r);
            tab.position = row.size() == 1       ? QStyleOptionTab::OnlyOneTab
                           : k == 0              ? QStyleOptionTab::Beginning
                           : k + 1 == row.size() ? QStyleOptionTab::End
                                                 : QStyleOptionTab::Middle;
            if (row[k] == current_) tab.state |= QStyle::State_Selected;
            painter.save();
            painter.translate(0, rect.top());
            painter.setClipRect(tab.rect);
            painter.drawControl(QStyle::CE_TabBarTab, tab);
            painter.restore();
        }
    }
}

void PageControl::mousePressEvent(QMouseEvent* event) {
    for (int i = 0; i < Count(); ++i) {
        if (TabRect(i).contains(event->position().toPoint())) {
            SetCurrentIndex(i);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void PageControl::Step(int direction) {
    for (int n = 1; n < Count(); ++n) {
        const int index = ((current_ + direction * n) % Count() + Count()) % Count();
        if (IsTabVisible(index)) {
            SetCurrentIndex(index);
            return;
        }
    }
}

}  // namespace tonalyx
