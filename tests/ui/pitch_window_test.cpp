#include <QAction>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "WindowTestSupport.h"

namespace tonalyx {
namespace {

using testing::StartedProgram;

// A harmonic voice at a steady F0 for the first half, silence for the second.
QString WriteVoiceThenSilence(const QTemporaryDir& dir, double f0) {
    constexpr int kRate = 16000;
    std::vector<double> samples(kRate * 2, 0.0);
    for (int i = 0; i < kRate; ++i) {
        double v = 0;
        for (int h = 1; h <= 8; ++h)
            v += std::sin(2 * M_PI * h * f0 * i / kRate) / h;
        samples[static_cast<size_t>(i)] = 0.3 * v;
    }
    WaveEncoding encoding;
    encoding.sampleRate = kRate;
    const QString path = dir.filePath("voice.wav");
    WriteWaveFile(path.toStdString(), encoding, samples);
    return path;
}

TEST(PitchWindow, CalculatePitchShowsTheTrackAloneOnAWhiteImage) {
    QTemporaryDir dir;
    StartedProgram program(WriteVoiceThenSilence(dir, 150.0));
    TMainForm& form = program.main;
    form.Action("AViewShowPitch")->trigger();
    EXPECT_EQ(form.AnalysisKind(), 6);
    ASSERT_FALSE(form.PitchTrackValues().empty());
    const QImage& image = form.SpectrogramBitmap().Image();
    const int columns = form.Engine().ColumnCount();
    const int rows = form.Engine().ImageHeight();
    // 150 Hz on the default 0 .. 1000 Hz scale of 256 rows is row 38: line 217.
    int marked = 0;
    for (int x = 0; x < columns / 2; ++x) {
        for (int y = 0; y < rows; ++y) {
            const int level = image.pixelIndex(x, y);
            ASSERT_TRUE(level == 0 || level == 255);
            if (level == 255) {
                ++marked;
                EXPECT_NEAR(y, rows - 1 - 38, 1);
            }
        }
    }
    EXPECT_GT(marked, columns / 4);
    // The silent half carries no mark.
    for (int x = columns / 2 + 10; x < columns; ++x) {
        for (int y = 0; y < rows; ++y)
            ASSERT_EQ(image.pixelIndex(x, y), 0);
    }
}

TEST(PitchWindow, OverlayOverMemOnlyAddsMarksAndKeepsTheShownAnalysis) {
    QTemporaryDir dir;
    StartedProgram program(WriteVoiceThenSilence(dir, 200.0));
    TMainForm& form = program.main;
    form.Action("AViewShowMem")->trigger();
    ASSERT_EQ(form.AnalysisKind(), 5);
    const double memRate = form.Engine().SampleRate();
    const QImage before = form.SpectrogramBitmap().Image().copy();

    form.Action("AViewShowPitchOverlay")->trigger();
    EXPECT_TRUE(form.Action("AViewShowPitchOverlay")->isChecked());
    EXPECT_EQ(form.AnalysisKind(), 5);
    EXPECT_DOUBLE_EQ(form.Engine().SampleRate(), memRate);
    const QImage& after = form.SpectrogramBitmap().Image();
    ASSERT_EQ(after.size(), before.size());
    int marks = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < form.Engine().ColumnCount(); ++x) {
            if (after.pixelIndex(x, y) != before.pixelIndex(x, y)) {
                ASSERT_EQ(after.pixelIndex(x, y), 255);
                ++marks;
            }
        }
    }
    EXPECT_GT(marks, 0);

    // Switching the overlay off re-renders the same analysis without marks.
    form.Action("AViewShowPitchOverlay")->trigger();
    EXPECT_EQ(form.SpectrogramBitmap().Image(), before);
}

TEST(PitchWindow, OverlayWithNothingShownShowsThePitchAloneAndCloseDropsTheTrack) {
    QTemporaryDir dir;
    StartedProgram program(WriteVoiceThenSilence(dir, 180.0));
    TMainForm& form = program.main;
    form.Action("AViewShowPitchOverlay")->trigger();
    EXPECT_EQ(form.AnalysisKind(), 6);
    EXPECT_FALSE(form.PitchTrackValues().empty());
    form.CloseFile();
    EXPECT_TRUE(form.PitchTrackValues().empty());
    EXPECT_FALSE(form.Action("AViewShowPitchOverlay")->isChecked());
}

// With nothing shown, an existing track is shown again as it is, not computed anew (the changed
// minimum frequency would drop the 180 Hz voice from a new one).
TEST(PitchWindow, OverlayWithNothingShownKeepsAnExistingTrack) {
    QTemporaryDir dir;
    StartedProgram program(WriteVoiceThenSilence(dir, 180.0));
    TMainForm& form = program.main;
    form.Action("AViewShowPitchOverlay")->trigger();
    const std::vector<double> track = form.PitchTrackValues();
    ASSERT_GT(std::count_if(track.begin(), track.end(), [](double f) { return f > 0; }), 0);
    form.Action("AViewHideSpectrogram")->trigger();
    form.Action("AViewShowPitchOverlay")->trigger();
    ASSERT_FALSE(form.Action("AViewShowPitchOverlay")->isChecked());
    program.options.findChild<QSpinBox*>("LPMinFreq")->setValue(400);
    program.options.findChild<QPushButton*>("ApplyBtn")->click();
    ASSERT_EQ(program.options.Settings().analysis.pitchMinFreq, 400.0);

    form.Action("AViewShowPitchOverlay")->trigger();
    EXPECT_EQ(form.AnalysisKind(), 6);
    EXPECT_EQ(form.PitchTrackValues(), track);
    EXPECT_TRUE(form.findChild<QWidget*>("PanelSpgm")->isVisible());
}

}  // namespace
}  // namespace tonalyx
