#include <QLineEdit>
#include <QListWidget>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "app/FileNames.h"
#include "app/HelpWindow.h"

namespace tonalyx {
namespace {

TEST(FileNames, StripQuotesTakesTheTextBetweenTheFirstTwoQuotes) {
    EXPECT_EQ(StripQuotes("\"C:\\My Files\\a.wav\""), "C:\\My Files\\a.wav");
    EXPECT_EQ(StripQuotes("\"a.wav\" trailing"), "a.wav");
    EXPECT_EQ(StripQuotes("\"unclosed.wav"), "\"unclosed.wav");
    EXPECT_EQ(StripQuotes("plain.wav"), "plain.wav");
    EXPECT_EQ(StripQuotes(""), "");
}

TEST(FileNames, LongFileNameMakesExistingFilesAbsolute) {
    QTemporaryDir dir;
    const QString path = testing::WriteSineWave(dir, "b.wav", 100);
    EXPECT_EQ(LongFileName('"' + path + '"'), path);
    EXPECT_EQ(LongFileName("\"/no/such/dir/x.wav\""), "/no/such/dir/x.wav");
    EXPECT_EQ(CommandLineText({"/tmp/My", "Files/a.wav"}), "/tmp/My Files/a.wav");
}

TEST(HelpWindow, ShowsContentsSearchesKeywordsAndExplainsItself) {
    HelpWindow help;
    help.ShowContents();
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.CurrentPage().toString().endsWith("index.html"));
    auto* browser = help.findChild<QTextBrowser*>("HelpBrowser");
    EXPECT_FALSE(browser->toPlainText().isEmpty());
    auto* contents = help.findChild<QListWidget*>("HelpContents");
    EXPECT_GT(contents->count(), 5);

    help.ShowKeywordSearch(QString());
    const int all = help.MatchingKeywords().size();
    EXPECT_GT(all, 20);
    auto* edit = help.findChild<QLineEdit*>("HelpKeywordEdit");
    edit->setText("pitch");
    const QStringList matches = help.MatchingKeywords();
    ASSERT_FALSE(matches.isEmpty());
    EXPECT_LT(matches.size(), all);
    for (const QString& keyword : matches)
        EXPECT_TRUE(keyword.contains("pitch", Qt::CaseInsensitive));
    emit edit->returnPressed();
    EXPECT_FALSE(help.CurrentPage().toString().endsWith("index.html"));

    help.ShowHelpOnHelp();
    EXPECT_TRUE(help.CurrentPage().toString().endsWith("using_help.html"));
}

TEST(HelpWindow, EveryKeywordLeadsToAnExistingPage) {
    HelpWindow help;
    help.ShowKeywordSearch(QString());
    auto* keywords = help.findChild<QListWidget*>("HelpKeywords");
    auto* browser = help.findChild<QTextBrowser*>("HelpBrowser");
    for (int i = 0; i < keywords->count(); ++i) {
        keywords->setCurrentRow(i);
        emit keywords->itemActivated(keywords->item(i));
        EXPECT_FALSE(browser->toPlainText().isEmpty()) << keywords->item(i)->text().toStdString();
    }
}

}  // namespace
}  // namespace tonalyx
