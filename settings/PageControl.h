#pragma once

#include <QWidget>

#include <vector>

class QStackedWidget;

namespace tonalyx {

// Pages with a tab each, like a tab widget whose tabs wrap onto as many rows as the width needs;
// every row is stretched to the full width. A tab can be hidden; its page still exists and
// keeps its controls. Ctrl+Tab and Ctrl+Shift+Tab step through the shown tabs.
class PageControl : public QWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);

    int AddPage(QWidget* page, const QString& caption);
    void SetTabVisible(int index, bool visible);
    bool IsTabVisible(int index) const;
    int Count() const { return static_cast<int>(tabs_.size()); }
    int CurrentIndex() const { return current_; }
    void SetCurrentIndex(int index);
    QWidget* Page(int index) const;
    QString TabText(int index) const;
    // Where the tab is drawn; empty for a hidden tab.
    QRect TabRect(int index) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void CurrentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Tab {
        QString caption;
        bool visible = true;
        QRect rect;
    };
    using Rows = std::vector<std::vector<int>>;

    QSize TabSize(int index) const;
    // The shown tabs, row by row, when the control is width pixels wide.
    Rows RowsFor(int width) const;
    int TabsHeight(const Rows& rows) const;
    QSize FrameSize(QSize pageSize) const;
    void LayOut();
    void Step(int direction);

    QStackedWidget* stack_ = nullptr;
    std::vector<Tab> tabs_;
    Rows rows_;
    QRect paneRect_;
    int current_ = -1;
};

}  // namespace tonalyx
