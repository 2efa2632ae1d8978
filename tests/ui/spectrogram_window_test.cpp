#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <algorithm>

#include "WindowTestSupport.h"
#include "analysis/AnalysisKind.h"
#include "interaction/Readouts.h"

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

// Sets the image height on the options dialog's Display page and applies it.
void ApplyImageHeight(StartedProgram& program, int height) {
    program.options.findChild<QSpinBox*>("LHeight")->setValue(height);
    program.options.findChild<QPushButton*>("ApplyBtn")->click();
    QTest::qWait(20);
}

TEST(SpectrogramWindow, AChangedImageHeightChangesTheWindowByAsMuchAndKeepsTheWaveView) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 48000));
    TMainForm& form = program.main;
    QWidget* wave = Child(form, "PaintBoxWave");
    QWidget* spgm = Child(form, "PaintBoxSpgm");
    form.RunAnalysis(1);
    QTest::qWait(20);
    ASSERT_EQ(spgm->height(), 256);
    const int windowHeight = form.height();
    const int waveHeight = wave->height();
    for (const int imageHeight : {64, 300, 16, 128, 256}) {
        ApplyImageHeight(program, imageHeight);
        EXPECT_EQ(spgm->height(), imageHeight);
        EXPECT_EQ(form.height(), windowHeight + imageHeight - 256) << imageHeight;
        EXPECT_EQ(wave->height(), waveHeight) << imageHeight;
    }
}

// The room the label's text needs: a framed label indents it by half an "x".
int NeededWidth(const QLabel* label, const QString& text) {
    const QFontMetrics metrics(label->font());
    return metrics.horizontalAdvance(text) + metrics.horizontalAdvance(QChar('x')) / 2;
}

// Plot column i is image row i at every image height. The window is as wide as the plot needs,
// but never narrower than its read-outs need: at small heights the plot keeps its width and
// the read-outs show whole.
TEST(SpectrogramWindow, ThePowerSpectrumPlotIsExactlyAsWideAsTheImageIsHigh) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    program.main.RunAnalysis(1);
    program.freq.show();
    QTest::qWait(20);
    QWidget* plot = Child(program.freq, "PaintBoxFreq");
    const int chrome = program.freq.width() - plot->width();
    const QString frequency = QString::fromStdString(FrequencyReadout(88.888, true));
    const QString level = QString::fromStdString(LevelReadout(-88.888, FftAnalysis));
    const int readouts = NeededWidth(program.freq.StatusPanel(0), frequency) +
                         NeededWidth(program.freq.StatusPanel(1), level);
    ASSERT_GT(readouts, 64 + chrome);  // the small heights below need the least width
    for (const int imageHeight : {64, 16, 190, 300, 256}) {
        ApplyImageHeight(program, imageHeight);
        EXPECT_EQ(plot->width(), imageHeight);
        EXPECT_EQ(program.freq.width(), std::max(imageHeight + chrome, program.freq.minimumWidth()))
            << imageHeight;
        EXPECT_GE(program.freq.width(), imageHeight + chrome);
        EXPECT_GE(program.freq.width(), readouts) << imageHeight;
        EXPECT_EQ(Child(program.freq, "PaintBoxFreqX")->width(), imageHeight + chrome - 2);
        EXPECT_LE(NeededWidth(program.freq.StatusPanel(0), frequency),
                  program.freq.StatusPanel(0)->contentsRect().width())
            << imageHeight;
        EXPECT_LE(NeededWidth(program.freq.StatusPanel(1), level),
                  program.freq.StatusPanel(1)->contentsRect().width())
            << imageHeight;
    }
    // The user cannot squeeze the read-outs either.
    program.freq.resize(10, program.freq.height());
    QTest::qWait(20);
    EXPECT_GE(program.freq.width(), readouts);
    EXPECT_EQ(plot->width(), 256);
}

TEST(SpectrogramWindow, StatusPanelsShowTheLongestTextTheyCanHoldWhole) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 8000));
    const auto panel = [&program](int index) {
        return program.main.findChild<QLabel*>(QString("StatusPanel%1").arg(index));
    };
    const std::pair<int, QString> longest[] = {{0, "65536"},    {0, "10275"},
                                               {1, "256"},      {4, QString(20, ']')},
                                               {4, "********"}, {4, "999.99sec"}};
    for (const auto& [index, text] : longest) {
        EXPECT_LE(NeededWidth(panel(index), text), panel(index)->contentsRect().width())
            << index << " " << text.toStdString();
    }
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
