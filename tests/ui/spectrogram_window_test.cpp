#include <QAction>
#include <QFrame>
#include <QPainter>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

namespace tonalyx {
namespace {

using testing::StartedProgram;
using testing::WriteSineWave;

QWidget* Child(QWidget& parent, const char* name) {
    return parent.findChild<QWidget*>(name);
}

TEST(SpectrogramWindow, F9ShowsTheFftSpectrogramAndHideRestoresTheWindow) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 48000, 16000, 500.0));
    TMainForm& form = program.main;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QWidget* wave = Child(form, "PaintBoxWave");
    const int heightBefore = form.height();
    const int waveHeightBefore = wave->height();

    QTest::keyClick(&form, Qt::Key_F9);
    QTest::qWait(20);
    EXPECT_EQ(form.AnalysisKind(), 1);
    QWidget* panel = Child(form, "PanelSpgm");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(Child(form, "PaintBoxSpgm")->height(), 256);
    EXPECT_EQ(form.height(), heightBefore + panel->height());
    EXPECT_EQ(wave->height(), waveHeightBefore);
    EXPECT_TRUE(form.StatusText(4).endsWith("sec")) << form.StatusText(4).toStdString();
    EXPECT_EQ(form.Engine().ColumnCount(), wave->width());

    // The 500 Hz tone is the darkest row, halfway up the default 0 .. 1000 Hz image.
    const QImage image = Child(form, "PaintBoxSpgm")->grab().toImage();
    const int x = wave->width() / 2;
    int darkestLine = -1;
    int darkest = 256;
    for (int y = 0; y < 256; ++y) {
        const int grey = qGray(image.pixel(x, y));
        if (grey < darkest) {
            darkest = grey;
            darkestLine = y;
        }
    }
    EXPECT_EQ(darkest, 0);
    EXPECT_NEAR(darkestLine, 256 - 1 - 128, 2);

    form.Action("AViewHideSpectrogram")->trigger();
    EXPECT_EQ(form.AnalysisKind(), 0);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(form.height(), heightBefore);
    EXPECT_EQ(wave->height(), waveHeightBefore);
}

int InkPixels(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    }
    return ink;
}

TEST(SpectrogramWindow, PowerSpectrumWindowFollowsTheImageHeightAndDrawsItsAxes) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    QWidget* plotAxisX = Child(program.freq, "PaintBoxFreqX");
    QWidget* plotAxisY = Child(program.freq, "PaintBoxFreqY");
    program.freq.show();
    EXPECT_EQ(InkPixels(plotAxisX), 0);  // nothing analysed yet
    program.main.RunAnalysis(1);
    QTest::qWait(20);
    EXPECT_EQ(Child(program.freq, "PaintBoxFreq")->width(), program.main.Engine().ImageHeight());
    EXPECT_GT(InkPixels(plotAxisX), 50);
    EXPECT_GT(InkPixels(plotAxisY), 50);
    program.main.CloseFile();
    EXPECT_FALSE(program.freq.isVisible());
}

TEST(SpectrogramWindow, HiddenPowerSpectrumWindowIsSizedOnceForTheImage) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    program.main.RunAnalysis(1);
    program.main.RunAnalysis(1);
    const int widthWhileHidden = program.freq.width();
    program.freq.show();
    QTest::qWait(20);
    EXPECT_EQ(program.freq.width(), widthWhileHidden);
    EXPECT_EQ(Child(program.freq, "PaintBoxFreq")->width(), program.main.Engine().ImageHeight());
}

TEST(SpectrogramWindow, CalculateCommandsDoNothingWithoutASound) {
    StartedProgram program;
    program.main.RunAnalysis(1);
    EXPECT_EQ(program.main.AnalysisKind(), 0);
    EXPECT_FALSE(Child(program.main, "PanelSpgm")->isVisible());
}

TEST(SpectrogramWindow, ProgressShowsOneBracketPerTwentiethAndOnlyOnChange) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 8000));
    program.main.ShowProgress(0.0);
    EXPECT_EQ(program.main.StatusText(4), "");
    program.main.ShowProgress(0.5);
    EXPECT_EQ(program.main.StatusText(4), "]]]]]]]]]]");
    program.main.ShowProgress(0.999);
    EXPECT_EQ(program.main.StatusText(4), QString(19, ']'));
}

TEST(SpectrogramWindow, ClosingTheFileHidesTheSpectrogram) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    const int heightBefore = program.main.height();
    program.main.RunAnalysis(1);
    ASSERT_TRUE(Child(program.main, "PanelSpgm")->isVisible());
    program.main.CloseFile();
    EXPECT_EQ(program.main.AnalysisKind(), 0);
    EXPECT_FALSE(Child(program.main, "PanelSpgm")->isVisible());
    EXPECT_EQ(program.main.height(), heightBefore);
}

}  // namespace
}  // namespace tonalyx
