#pragma once

#include <QDialog>

class QLabel;

namespace tonalyx {

// The version dialog: program icon, product name, "version 2.00" and a short notice.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void SetProductName(const QString& name);
    QString ProductName() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* productName_ = nullptr;
};

}  // namespace tonalyx
