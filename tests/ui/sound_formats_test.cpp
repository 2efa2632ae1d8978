// The window opens every format the program reads: by the command line, by dropping, through
// the open dialog, whose first filter lists every extension.

#include <QAction>
#include <QFileDialog>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "WindowTestSupport.h"
#include "document/SoundFileWriter.h"
#include "document/SoundFormats.h"

namespace tonalyx {
namespace {

using testing::MessageBoxCatcher;
using testing::StartedProgram;

// A 500 Hz tone on the left channel and a 250 Hz tone on the right, in the given format.
QString WriteTone(const QTemporaryDir& dir, const QString& name, SoundContainer container,
                  SoundCoding coding, int sampleRate = 16000) {
    std::vector<int16_t> frames;
    for (int i = 0; i < 3 * sampleRate; ++i) {
        for (const double frequency : {500.0, 250.0}) {
            frames.push_back(static_cast<int16_t>(
                16000 * std::sin(2 * std::numbers::pi * frequency * i / sampleRate)));
        }
    }
    const QString path = dir.filePath(name);
    EXPECT_TRUE(WriteSoundFile(path.toStdString(), {container, coding, 2, sampleRate}, frames));
    return path;
}

// The row of the darkest pixel in the middle column of the spectrogram.
int DarkestRow(TMainForm& form) {
    QWidget* box = form.findChild<QWidget*>("PaintBoxSpgm");
    const QImage image = box->grab().toImage();
    const int x = image.width() / 2;
    int row = -1;
    int darkest = 256;
    for (int y = 0; y < image.height(); ++y) {
        if (qGray(image.pixel(x, y)) < darkest) {
            darkest = qGray(image.pixel(x, y));
            row = y;
        }
    }
    return row;
}

TEST(SoundFormats, AFlacOnTheCommandLineOpensAndF9ShowsItsSpectrogram) {
    QTemporaryDir dir;
    const QString flac = WriteTone(dir, "tone.flac", SoundContainer::Flac, SoundCoding::Pcm16);
    StartedProgram program(flac);
    TMainForm& form = program.main;
    ASSERT_TRUE(form.IsFileOpen());
    EXPECT_EQ(form.windowTitle(), "Tonalyx - tone.flac");
    EXPECT_EQ(form.Sound().sampleCount, 3 * 16000);
    EXPECT_EQ(form.Sound().origin.container, "FLAC");
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F9);
    QTest::qWait(20);
    EXPECT_EQ(form.AnalysisKind(), 1);
    // The left channel's 500 Hz, halfway up the default 0 .. 1000 Hz image.
    EXPECT_NEAR(DarkestRow(form), 256 - 1 - 128, 2);
    EXPECT_TRUE(form.Action("AFileSave")->isEnabled());
}

TEST(SoundFormats, DroppedMp3AndAiffOpenAndShowTheirTone) {
    QTemporaryDir dir;
    const QString mp3 = WriteTone(dir, "tone.mp3", SoundContainer::Mpeg, SoundCoding::Mp3, 44100);
    const QString aiff = WriteTone(dir, "tone.aiff", SoundContainer::Aiff, SoundCoding::Pcm16);
    StartedProgram program;
    TMainForm& form = program.main;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    for (const QString& path : {mp3, aiff}) {
        form.OpenDroppedFile({path});
        ASSERT_TRUE(form.IsFileOpen()) << path.toStdString();
        EXPECT_EQ(form.FileName(), path);
        EXPECT_EQ(form.Sound().channelIndex, 0);
        QTest::keyClick(&form, Qt::Key_F9);
        QTest::qWait(20);
        EXPECT_EQ(form.AnalysisKind(), 1);
        EXPECT_NEAR(DarkestRow(form), 256 - 1 - 128, 2) << path.toStdString();
    }
}

TEST(SoundFormats, AFileNeitherReaderTakesIsRefusedByName) {
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.flac"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a sound\n");
    text.close();
    StartedProgram program;
    MessageBoxCatcher catcher;
    EXPECT_FALSE(program.main.OpenFile(text.fileName()));
    ASSERT_EQ(catcher.Texts().size(), 1);
    EXPECT_EQ(catcher.Texts().front(), "File Cannot Open: " + text.fileName());
    EXPECT_FALSE(program.main.IsFileOpen());
}

TEST(SoundFormats, TheOpenDialogListsEverySoundExtensionFirst) {
    StartedProgram program;
    QStringList filters;
    QTimer::singleShot(50, [&filters] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            filters = dialog->nameFilters();
            dialog->reject();
        }
    });
    program.main.Action("AFileOpen")->trigger();
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0], "Sound files (" + QString::fromStdString(SoundFilePatterns()) + ")");
    EXPECT_TRUE(filters[0].startsWith("Sound files (*.wav *.wave *.flac "));
    EXPECT_EQ(filters[1], "Windows wave file (*.wav)");
    EXPECT_EQ(filters[2], "all files (*)");
}

}  // namespace
}  // namespace tonalyx
