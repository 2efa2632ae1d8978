#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QUrl;

namespace tonalyx {

// The user manual: HTML pages from the program's resources, with a contents list, a keyword
// index that filters as one types, and back and forward through the pages read.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void ShowContents();
    void ShowKeywordSearch(const QString& key);
    void ShowHelpOnHelp();

    QUrl CurrentPage() const;
    QStringList MatchingKeywords() const;

private:
    void LoadContents();
    void LoadKeywords();
    void FilterKeywords(const QString& text);
    void OpenKeyword();
    void Present();

    QTabWidget* tabs_ = nullptr;
    QListWidget* contents_ = nullptr;
    QLineEdit* keywordEdit_ = nullptr;
    QListWidget* keywords_ = nullptr;
    QTextBrowser* browser_ = nullptr;
};

}  // namespace tonalyx
