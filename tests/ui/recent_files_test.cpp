#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

namespace tonalyx {
namespace {

using testing::MessageBoxCatcher;
using testing::StartedProgram;
using testing::WriteSineWave;

QList<QAction*> ReopenItems(TMainForm& form) {
    return form.findChild<QMenu*>("FileReopenItem")->actions();
}

// The captions of the Reopen items that are shown.
QStringList ShownCaptions(TMainForm& form) {
    QStringList captions;
    for (QAction* item : ReopenItems(form)) {
        if (item->isVisible()) captions << item->text();
    }
    return captions;
}

QString Caption(int slot, const QString& path) {
    return "&" + QString::number(slot) + " " + path;
}

TEST(RecentFilesMenu, AnEmptyStoreShowsNothingAndCreatesTheCount) {
    StartedProgram program;
    const QList<QAction*> items = ReopenItems(program.main);
    ASSERT_EQ(items.size(), 8);
    EXPECT_EQ(items[0]->text(), "(Nothing)");
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_TRUE(items[0]->isVisible());
    for (int i = 1; i < 8; ++i)
        EXPECT_FALSE(items[i]->isVisible());
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Tonalyx.200");
    EXPECT_EQ(stored.value("History").toInt(), 0);
    EXPECT_TRUE(stored.contains("History"));
}

TEST(RecentFilesMenu, OpenedFilesAreListedNewestFirstAndItemsOpenThem) {
    QTemporaryDir dir;
    const QString a = WriteSineWave(dir, "a.wav", 4000);
    const QString b = WriteSineWave(dir, "b.wav", 4000);
    const QString c = WriteSineWave(dir, "c.wav", 4000);
    StartedProgram program;
    TMainForm& form = program.main;
    for (const QString& path : {a, b, c})
        ASSERT_TRUE(form.OpenFile(path));
    EXPECT_EQ(ShownCaptions(form), (QStringList{Caption(0, c), Caption(1, b), Caption(2, a)}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ReopenItems(form)[i]->isEnabled());

    // A file that cannot be opened is not added.
    {
        MessageBoxCatcher catcher;
        EXPECT_FALSE(form.OpenFile(dir.filePath("missing.wav")));
        EXPECT_EQ(catcher.Texts().size(), 1);
    }
    EXPECT_EQ(ShownCaptions(form), (QStringList{Caption(0, c), Caption(1, b), Caption(2, a)}));

    // Item 2 reopens a.wav, which moves to the front.
    ReopenItems(form)[2]->trigger();
    EXPECT_TRUE(form.IsFileOpen());
    EXPECT_EQ(form.FileName(), a);
    EXPECT_EQ(ShownCaptions(form), (QStringList{Caption(0, a), Caption(1, c), Caption(2, b)}));
    // The same file again leaves one entry.
    ReopenItems(form)[0]->trigger();
    EXPECT_EQ(ShownCaptions(form).size(), 3);
}

TEST(RecentFilesMenu, TheNextStartShowsTheListAtItsFirstPaint) {
    QTemporaryDir dir;
    QTemporaryDir settings;
    const QString path = WriteSineWave(dir, "R&D take.wav", 4000);
    {
        StartedProgram first(QString(), settings.path());
        ASSERT_TRUE(first.main.OpenFile(path));
    }
    StartedProgram second(QString(), settings.path());
    // The ampersand of the name is shown, not taken as an access key.
    QString shown = path;
    shown.replace('&', "&&");
    EXPECT_EQ(ShownCaptions(second.main), QStringList{Caption(0, shown)});
    ReopenItems(second.main)[0]->trigger();
    EXPECT_EQ(second.main.FileName(), path);
}

TEST(RecentFilesMenu, AStoredCountBeyondTheStoredPathsShowsOnlyThePaths) {
    QTemporaryDir dir;
    QTemporaryDir settings;
    const QString path = WriteSineWave(dir, "a.wav", 4000);
    {
        testing::IsolatedSettings isolated(settings.path());
        QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Tonalyx.200");
        stored.setValue("History", 3);
        stored.setValue("History1", path);
    }
    StartedProgram program(QString(), settings.path());
    EXPECT_EQ(ShownCaptions(program.main), QStringList{Caption(1, path)});
    ReopenItems(program.main)[1]->trigger();
    EXPECT_EQ(program.main.FileName(), path);
}

TEST(RecentFilesMenu, ACountWithNoStoredPathShowsNothing) {
    QTemporaryDir settings;
    {
        testing::IsolatedSettings isolated(settings.path());
        QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Velmora", "Tonalyx.200");
        stored.setValue("History", 2);
    }
    StartedProgram program(QString(), settings.path());
    EXPECT_EQ(ShownCaptions(program.main), QStringList{"(Nothing)"});
    EXPECT_FALSE(ReopenItems(program.main)[0]->isEnabled());
}

TEST(RecentFilesMenu, CtrlRPopsTheReopenMenuUp) {
    StartedProgram program;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&program.main));
    auto* reopen = program.main.findChild<QMenu*>("FileReopenItem");
    EXPECT_EQ(reopen->menuAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QTest::keyClick(&program.main, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([reopen] { return reopen->isVisible(); }, 2000));
    reopen->hide();
}

}  // namespace
}  // namespace tonalyx
