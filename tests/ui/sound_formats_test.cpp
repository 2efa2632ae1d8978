// The window opens every format the program reads: by the command line, by dropping, through
// the open dialog, whose first filter lists every extension.

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QStatusTipEvent>

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
    // libsndfile's reason, as tonalyx-cli gives it, on the second line.
    EXPECT_EQ(catcher.Texts().front(),
              "File Cannot Open: " + text.fileName() + "\ncannot open: Format not recognised.");
    EXPECT_FALSE(program.main.IsFileOpen());
}

// Keeps the first share of a file's bytes, as a copy broken off in transfer would.
void KeepFirstShare(const QString& path, double share) {
    QFile file(path);
    ASSERT_TRUE(file.resize(static_cast<qint64>(static_cast<double>(file.size()) * share)));
}

TEST(SoundFormats, TheHintPanelSaysWhenTheSoundShownIsNotTheWholeFile) {
    QTemporaryDir dir;
    const QString whole = testing::WriteSineWave(dir, "short.wav", 8000, 8000);
    // 400 s against the default Max length of sound, 120 s.
    const QString cut = testing::WriteSineWave(dir, "long.wav", 400 * 8000, 8000);
    const QString brokenWave = testing::WriteSineWave(dir, "broken.wav", 3 * 16000);
    const QString brokenFlac =
        WriteTone(dir, "broken.flac", SoundContainer::Flac, SoundCoding::Pcm16);
    const QString brokenAiff =
        WriteTone(dir, "broken.aiff", SoundContainer::Aiff, SoundCoding::Pcm16);
    KeepFirstShare(brokenWave, 0.5);
    KeepFirstShare(brokenFlac, 0.5);
    KeepFirstShare(brokenAiff, 0.6);

    StartedProgram program(cut);
    TMainForm& form = program.main;
    ASSERT_TRUE(form.IsFileOpen());
    EXPECT_EQ(form.Sound().sampleCount, 120 * 8000);
    const QString note = "Read the first 120.0 s of 400.0 s (Max length of sound 120 s)";
    EXPECT_EQ(form.OpenNoteText(), note);
    EXPECT_EQ(form.StatusText(5), note);
    EXPECT_EQ(form.findChild<QLabel*>("StatusPanel5")->toolTip(), note);
    EXPECT_EQ(form.windowTitle(), "Tonalyx - long.wav");
    // No box is shown on open, and an analysis leaves the other panels as they were.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    form.RunAnalysis(1);
    EXPECT_TRUE(form.StatusText(4).endsWith("sec"));
    EXPECT_EQ(form.StatusText(5), note);

    // An action's hint takes the panel while it is pointed at; the note comes back after.
    QStatusTipEvent pointed("Open a sound file");
    QApplication::sendEvent(&form, &pointed);
    EXPECT_EQ(form.StatusText(5), "Open a sound file");
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(&form, &left);
    EXPECT_EQ(form.StatusText(5), note);

    // A damaged wave and a damaged FLAC: what decodes is shown, and the panel says so.
    ASSERT_TRUE(form.OpenFile(brokenWave));
    EXPECT_LT(form.Sound().sampleCount, 3 * 16000);
    EXPECT_EQ(form.StatusText(5),
              QString("The data chunk holds %1 s of the 3.000 s its header claims; read what it "
                      "holds")
                  .arg(form.Sound().sampleCount / 16000.0, 0, 'f', 3));
    ASSERT_TRUE(form.OpenFile(brokenFlac));
    EXPECT_LT(form.Sound().sampleCount, 3 * 16000);
    EXPECT_TRUE(form.StatusText(5).startsWith("The file decodes to "))
        << form.StatusText(5).toStdString();
    EXPECT_TRUE(
        form.StatusText(5).endsWith(" of the 3.000 s its header claims; read what it holds"))
        << form.StatusText(5).toStdString();

    // A container whose reader clamps its length to the bytes present is compared with the
    // length its header claims.
    ASSERT_TRUE(form.OpenFile(brokenAiff));
    EXPECT_LT(form.Sound().sampleCount, 3 * 16000);
    EXPECT_TRUE(form.StatusText(5).startsWith("The file decodes to "))
        << form.StatusText(5).toStdString();

    // A whole file leaves the panel empty, and so does closing.
    ASSERT_TRUE(form.OpenFile(cut));
    ASSERT_TRUE(form.OpenFile(whole));
    EXPECT_EQ(form.StatusText(5), "");
    EXPECT_EQ(form.findChild<QLabel*>("StatusPanel5")->toolTip(), "");
    ASSERT_TRUE(form.OpenFile(cut));
    form.Action("AFileClose")->trigger();
    EXPECT_EQ(form.StatusText(5), "");
    EXPECT_EQ(form.OpenNoteText(), "");
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
