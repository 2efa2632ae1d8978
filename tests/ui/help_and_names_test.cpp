#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "TonalyxVersion.h"
#include "WindowTestSupport.h"
#include "app/FileNames.h"
#include "app/HelpWindow.h"
#include "app/StartOptions.h"
#include "document/SoundFormats.h"

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

TEST(StartOptions, HelpAndVersionEndTheProgramUnlessTheyFollowTheEndOfOptions) {
    using Action = StartOptions::Action;
    EXPECT_EQ(ParseStartOptions({}).action, Action::Run);
    EXPECT_TRUE(ParseStartOptions({}).fileArguments.isEmpty());
    EXPECT_EQ(ParseStartOptions({"--help"}).action, Action::ShowHelp);
    EXPECT_EQ(ParseStartOptions({"-h"}).action, Action::ShowHelp);
    EXPECT_EQ(ParseStartOptions({"a.wav", "--version"}).action, Action::ShowVersion);
    EXPECT_EQ(ParseStartOptions({"--version", "--help"}).action, Action::ShowVersion);

    const StartOptions named = ParseStartOptions({"--", "--help", "-x.wav"});
    EXPECT_EQ(named.action, Action::Run);
    EXPECT_EQ(CommandLineText(named.fileArguments), "--help -x.wav");
    EXPECT_EQ(ParseStartOptions({"--", "--"}).fileArguments, QStringList{"--"});

    // A path with blanks split by the shell, and an unknown word: both stay part of the name,
    // which the window then opens or reports.
    EXPECT_EQ(CommandLineText(ParseStartOptions({"/tmp/My", "Files/a.wav"}).fileArguments),
              "/tmp/My Files/a.wav");
    EXPECT_EQ(ParseStartOptions({"-x"}).fileArguments, QStringList{"-x"});
}

TEST(StartOptions, VersionIsOneLineWithTheProjectVersionAndHelpNamesEveryOption) {
    const QString version = VersionLine();
    EXPECT_EQ(version, QString("tonalyx ") + kVersion);
    EXPECT_FALSE(version.contains('\n'));
    EXPECT_TRUE(QString(kVersion).contains(QRegularExpression("^[0-9]+\\.[0-9]+")));

    const QString help = StartHelpText();
    EXPECT_TRUE(help.startsWith("Usage: tonalyx [OPTION]... [FILE]\n"));
    for (const char* option : {"-h, --help", "--version", "--  "})
        EXPECT_TRUE(help.contains(option)) << option;
    // The man page generator reads items two blanks in, term and text parted by two blanks.
    for (const QString& line : help.split('\n'))
        if (line.startsWith("  -"))
            EXPECT_TRUE(line.contains(QRegularExpression("^  \\S.*\\S {2,}\\S")))
                << line.toStdString();
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

// The pages on files, opening and getting started say what opens today: every kind of sound
// file the open dialog lists, its readers, and no rule that only .wav names are read. The
// keyword index finds the formats by name.
TEST(HelpWindow, ThePagesOnFilesNameEveryFormatThatOpens) {
    const auto pageText = [](const QString& page) {
        QTextDocument document;
        QFile file(":/help/" + page);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        document.setHtml(QString::fromUtf8(file.readAll()));
        return document.toPlainText();
    };
    const QString formats = pageText("file_formats.html");
    for (const SoundFileKind& kind : SoundFileKinds()) {
        for (const QString& extension : QString(kind.extensions).split(' '))
            EXPECT_TRUE(formats.contains("." + extension)) << extension.toStdString();
    }
    for (const char* name : {"FLAC", "MP3", "Ogg", "AIFF", "libsndfile", "NIST SPHERE"})
        EXPECT_TRUE(formats.contains(name)) << name;
    const QString opening = pageText("getting_started.html");
    for (const char* name : {"FLAC", "MP3", "Sound files"})
        EXPECT_TRUE(opening.contains(name)) << name;
    for (const QString& text : {formats, opening, pageText("index.html")}) {
        EXPECT_FALSE(text.contains("must end in .wav"));
        EXPECT_FALSE(text.contains("only names ending in .wav"));
        EXPECT_FALSE(text.contains("open a wave file", Qt::CaseInsensitive));
    }

    HelpWindow help;
    help.ShowKeywordSearch(QString());
    auto* edit = help.findChild<QLineEdit*>("HelpKeywordEdit");
    for (const char* name : {"flac", "mp3", "ogg", "aiff"}) {
        edit->setText(name);
        ASSERT_FALSE(help.MatchingKeywords().isEmpty()) << name;
        emit edit->returnPressed();
        EXPECT_TRUE(help.CurrentPage().toString().endsWith("file_formats.html#formats")) << name;
    }
}

}  // namespace
}  // namespace tonalyx
