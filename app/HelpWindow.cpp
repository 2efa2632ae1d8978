#include "app/HelpWindow.h"

#include <algorithm>

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace tonalyx {

namespace {

const QString kHelpRoot = "qrc:/help/";
constexpr int kPageRole = Qt::UserRole;

QString ReadResourceText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Tonalyx Help");
    resize(820, 600);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setSearchPaths({":/help"});
    browser_->setOpenExternalLinks(true);

    contents_ = new QListWidget(this);
    contents_->setObjectName("HelpContents");
    keywordEdit_ = new QLineEdit(this);
    keywordEdit_->setObjectName("HelpKeywordEdit");
    keywordEdit_->setPlaceholderText("Type a keyword");
    keywordEdit_->setClearButtonEnabled(true);
    keywords_ = new QListWidget(this);
    keywords_->setObjectName("HelpKeywords");

    auto* indexPage = new QWidget(this);
    auto* indexColumn = new QVBoxLayout(indexPage);
    indexColumn->setContentsMargins(0, 0, 0, 0);
    indexColumn->addWidget(keywordEdit_);
    indexColumn->addWidget(keywords_, 1);

    tabs_ = new QTabWidget(this);
    tabs_->addTab(contents_, "Contents");
    tabs_->addTab(indexPage, "Index");

    auto* toolBar = new QToolBar(this);
    QAction* back = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), "Back");
    QAction* forward =
        toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), "Forward");
    QAction* home = toolBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), "Contents");
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, &HelpWindow::ShowContents);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 600});
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(toolBar);
    column->addWidget(splitter, 1);

    connect(contents_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        browser_->setSource(QUrl(kHelpRoot + item->data(kPageRole).toString()));
    });
    connect(contents_, &QListWidget::itemClicked, contents_, &QListWidget::itemActivated);
    connect(keywordEdit_, &QLineEdit::textChanged, this, &HelpWindow::FilterKeywords);
    connect(keywordEdit_, &QLineEdit::returnPressed, this, &HelpWindow::OpenKeyword);
    connect(keywords_, &QListWidget::itemActivated, this, &HelpWindow::OpenKeyword);
    connect(keywords_, &QListWidget::itemClicked, this, &HelpWindow::OpenKeyword);

    LoadContents();
    LoadKeywords();
}

void HelpWindow::LoadContents() {
    // The contents list follows the links of the manual's first page, in their order.
    const QString index = ReadResourceText(":/help/index.html");
    static const QRegularExpression link(
        R"re(<a\s+href="([^"#]+\.html)"[^>]*>(.*?)</a>)re",
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    auto* top = new QListWidgetItem("Contents", contents_);
    top->setData(kPageRole, "index.html");
    for (auto it = link.globalMatch(index); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString title = match.captured(2);
        title.remove(QRegularExpression("<[^>]*>"));
        auto* item = new QListWidgetItem(title.simplified(), contents_);
        item->setData(kPageRole, match.captured(1));
    }
}

void HelpWindow::LoadKeywords() {
    QList<QStringList> entries;
    for (const QString& line : ReadResourceText(":/help/keywords.txt").split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 2) entries << QStringList{fields[0].trimmed(), fields[1].trimmed()};
    }
    std::sort(entries.begin(), entries.end(), [](const QStringList& a, const QStringList& b) {
        return a[0].compare(b[0], Qt::CaseInsensitive) < 0;
    });
    for (const QStringList& entry : entries) {
        auto* item = new QListWidgetItem(entry[0], keywords_);
        item->setData(kPageRole, entry[1]);
    }
}

void HelpWindow::FilterKeywords(const QString& text) {
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < keywords_->count(); ++i) {
        QListWidgetItem* item = keywords_->item(i);
        const bool match = item->text().contains(text.trimmed(), Qt::CaseInsensitive);
        item->setHidden(!match);
        if (match && !first) first = item;
    }
    keywords_->setCurrentItem(first);
}

QStringList HelpWindow::MatchingKeywords() const {
    QStringList result;
    for (int i = 0; i < keywords_->count(); ++i) {
        if (!keywords_->item(i)->isHidden()) result << keywords_->item(i)->text();
    }
    return result;
}

void HelpWindow::OpenKeyword() {
    const QListWidgetItem* item = keywords_->currentItem();
    if (!item || item->isHidden()) return;
    browser_->setSource(QUrl(kHelpRoot + item->data(kPageRole).toString()));
}

void HelpWindow::Present() {
    show();
    raise();
    activateWindow();
}

void HelpWindow::ShowContents() {
    tabs_->setCurrentIndex(0);
    browser_->setSource(QUrl(kHelpRoot + "index.html"));
    Present();
}

void HelpWindow::ShowKeywordSearch(const QString& key) {
    tabs_->setCurrentIndex(1);
    keywordEdit_->setText(key);
    FilterKeywords(key);
    if (browser_->source().isEmpty()) browser_->setSource(QUrl(kHelpRoot + "index.html"));
    Present();
    keywordEdit_->setFocus();
}

void HelpWindow::ShowHelpOnHelp() {
    browser_->setSource(QUrl(kHelpRoot + "using_help.html"));
    Present();
}

QUrl HelpWindow::CurrentPage() const {
    return browser_->source();
}

}  // namespace tonalyx
