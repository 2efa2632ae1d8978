#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <random>

#include "WindowTestSupport.h"
#include "display/PaintBox.h"
#include "interaction/Readouts.h"

namespace tonalyx {
namespace {

using testing::StartedProgram;
using testing::WriteSineWave;

QWidget* Child(QWidget& parent, const char* name) {
    return parent.findChild<QWidget*>(name);
}

QLabel* FreqPanel(StartedProgram& program, int index) {
    return program.freq.StatusPanel(index);
}

bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// The plot as the window shows it, its background included.
QImage PlotImage(StartedProgram& program) {
    QWidget* plot = Child(program.freq, "PaintBoxFreq");
    const QImage window = program.freq.grab().toImage();
    return window.copy(QRect(plot->mapTo(&program.freq, QPoint(0, 0)), plot->size()));
}

int DarkPixelsInColumn(const QImage& image, int x) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        dark += Dark(image, x, y);
    return dark;
}

// A left or right drag on a view, slow enough for the drag timer to catch up.
void Drag(QWidget* view, Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(view, button, {}, from);
    QTest::mouseMove(view, to);
    QTest::qWait(150);
    QTest::mouseRelease(view, button, {}, to);
    QTest::qWait(20);
}

TEST(WaveMouse, LeftDragSelectsWholeColumnsAndInvertsThemAndAClickRemovesIt) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    TMainForm& form = program.main;
    QWidget* wave = Child(form, "PaintBoxWave");
    const ViewGeometry& geometry = form.Geometry();
    ASSERT_TRUE(geometry.fitToWindow);

    Drag(wave, Qt::LeftButton, QPoint(150, 60), QPoint(100, 60));
    EXPECT_EQ(form.Selection().start, geometry.VisibleSampleRange(100).start);
    EXPECT_EQ(form.Selection().end, geometry.VisibleSampleRange(150).end);
    // Selected columns are a black band from the top row; the half-scale sine never reaches
    // the top row elsewhere.
    QImage image = wave->grab().toImage();
    for (int x : {100, 125, 150})
        EXPECT_TRUE(Dark(image, x, 0)) << x;
    for (int x : {99, 151})
        EXPECT_FALSE(Dark(image, x, 0)) << x;

    QTest::mouseClick(wave, Qt::LeftButton, {}, QPoint(120, 60));
    QTest::qWait(20);
    EXPECT_EQ(form.Selection().start, form.Selection().end);
    image = wave->grab().toImage();
    EXPECT_FALSE(Dark(image, 125, 0));
}

TEST(WaveMouse, QuickDragStillEndsWhereTheButtonIsReleased) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    QWidget* wave = Child(program.main, "PaintBoxWave");
    QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(10, 60));
    QTest::mouseMove(wave, QPoint(40, 60));
    QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(40, 60));
    EXPECT_EQ(program.main.Selection().end, program.main.Geometry().VisibleSampleRange(40).end);
}

TEST(WaveMouse, DraggingBeyondTheRightEdgeScrolls104PixelsPerTick) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "long.wav", 160000));
    TMainForm& form = program.main;
    QWidget* wave = Child(form, "PaintBoxWave");
    for (int i = 0; i < 3; ++i)
        form.Action("AViewExtended")->trigger();
    auto* scrollBar = form.findChild<QScrollBar*>("HorzScrollBar");
    ASSERT_TRUE(scrollBar->isEnabled());
    const int before = scrollBar->value();

    const int width = wave->width();
    QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(width - 20, 60));
    QTest::mouseMove(wave, QPoint(width + 100, 60));
    QTest::qWait(350);
    const int moved = scrollBar->value() - before;
    EXPECT_GT(moved, 0);
    EXPECT_EQ(moved % 104, 0) << moved;
    EXPECT_EQ(form.Geometry().scroll.position, scrollBar->value());
    // The selection reaches the column under the mouse, beyond the view's edge.
    const int underMouse = form.Geometry().VisibleColumns().first + width + 100;
    QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(width + 100, 60));
    QTest::qWait(20);
    EXPECT_EQ(form.Selection().end, form.Geometry().VisibleSampleRange(underMouse).end);
    EXPECT_EQ(scrollBar->value() - before, moved);  // no scrolling after the release
}

TEST(WaveMouse, TheViewDoesNotScrollWhileTheWholeSoundIsFitted) {
    QTemporaryDir dir;
    StartedProgram program(WriteSineWave(dir, "tone.wav", 16000));
    QWidget* wave = Child(program.main, "PaintBoxWave");
    Drag(wave, Qt::LeftButton, QPoint(30, 60), QPoint(wave->width() + 300, 60));
    EXPECT_FALSE(program.main.findChild<QScrollBar*>("HorzScrollBar")->isEnabled());
    EXPECT_EQ(program.main.Selection().end, 16000);
}

class SpectrogramMouse : public ::testing::Test {
protected:
    void Open(int sampleCount, double frequency = 500.0) {
        program = std::make_unique<StartedProgram>(
            WriteSineWave(dir, "tone.wav", sampleCount, 16000, frequency));
        spgm = Child(program->main, "PaintBoxSpgm");
    }
    TMainForm& Form() { return program->main; }

    QTemporaryDir dir;
    std::unique_ptr<StartedProgram> program;
    QWidget* spgm = nullptr;
};

TEST_F(SpectrogramMouse, LeftPressShowsThePowerSpectrumWindowAndSelectsOneColumn) {
    Open(16000);
    Form().RunAnalysis(1);
    QTest::qWait(20);
    ASSERT_FALSE(program->freq.isVisible());

    QTest::mouseClick(spgm, Qt::LeftButton, {}, QPoint(50, 100));
    QTest::qWait(50);
    EXPECT_TRUE(program->freq.isVisible());
    EXPECT_EQ(Form().SpectrogramColumnSelection().start, 50);
    EXPECT_EQ(Form().SpectrogramColumnSelection().end, 51);
    EXPECT_EQ(Child(program->freq, "PaintBoxFreq")->width(), Form().Engine().ImageHeight());

    // A drag to the left selects from the mouse to the anchor, both included; the selected
    // columns are drawn inverted.
    const QImage plain = spgm->grab().toImage();
    Drag(spgm, Qt::LeftButton, QPoint(80, 100), QPoint(60, 100));
    EXPECT_EQ(Form().SpectrogramColumnSelection().start, 60);
    EXPECT_EQ(Form().SpectrogramColumnSelection().end, 81);
    const QImage selected = spgm->grab().toImage();
    EXPECT_EQ(selected.pixel(70, 10), ~plain.pixel(70, 10) | 0xff000000u);
    EXPECT_EQ(selected.pixel(90, 10), plain.pixel(90, 10));

    // A right press clears the column selection.
    QTest::mouseClick(spgm, Qt::RightButton, {}, QPoint(70, 100));
    QTest::qWait(20);
    EXPECT_EQ(Form().SpectrogramColumnSelection().start, Form().SpectrogramColumnSelection().end);
}

TEST_F(SpectrogramMouse, RightDragReadsTheTimeTheAxisShowsWhenScrolled) {
    Open(160000);
    for (int i = 0; i < 3; ++i)
        Form().Action("AViewExtended")->trigger();
    ASSERT_TRUE(Form().Geometry().scroll.enabled);
    const int first = Form().Geometry().VisibleColumns().first;
    ASSERT_GT(first, 0);
    Form().RunAnalysis(1);
    QTest::qWait(20);

    QTest::mousePress(spgm, Qt::RightButton, {}, QPoint(20, 30));
    QTest::mouseMove(spgm, QPoint(37, 64));
    QTest::qWait(20);
    const double seconds =
        (first + 37) * double(Form().Geometry().samplesPerPixel) / Form().Sound().format.sampleRate;
    EXPECT_EQ(Form().StatusText(2).toStdString(), TimeReadout(seconds));
    const int rows = Form().Engine().ImageHeight();
    const double kHz = (rows - 64 - 1) * 1.0 / rows;  // 0 .. 1000 Hz over the image
    EXPECT_EQ(Form().StatusText(3).toStdString(), FrequencyReadout(kHz, false));
    // The power-spectrum window reads out the same row while the drag lasts.
    EXPECT_EQ(FreqPanel(*program, 0)->text(), Form().StatusText(3));
    EXPECT_TRUE(FreqPanel(*program, 1)->text().endsWith("dB"));

    // Below and right of the image: the nearest pixel, the lowest row at 0 Hz.
    QTest::mouseMove(spgm, QPoint(5000, 5000));
    QTest::qWait(20);
    EXPECT_EQ(Form().StatusText(3), "0.000kHz(===.=msec)");
    const int lastColumn = first + Form().Engine().ColumnCount() - 1;
    EXPECT_EQ(Form().StatusText(2).toStdString(),
              TimeReadout(lastColumn * double(Form().Geometry().samplesPerPixel) / 16000));

    QTest::mouseRelease(spgm, Qt::RightButton, {}, QPoint(5000, 5000));
    QTest::qWait(50);
    // The main read-outs stay; the spectrum window's go with its cursor line.
    EXPECT_EQ(Form().StatusText(3), "0.000kHz(===.=msec)");
    EXPECT_EQ(FreqPanel(*program, 0)->text(), "");
    EXPECT_EQ(FreqPanel(*program, 1)->text(), "");
}

TEST_F(SpectrogramMouse, FftPlotPeaksAtTheTonesRow) {
    Open(16000, 500.0);
    Form().RunAnalysis(1);
    QTest::qWait(20);
    QTest::mouseClick(spgm, Qt::LeftButton, {}, QPoint(200, 10));
    QTest::qWait(50);
    const QImage plot = PlotImage(*program);
    ASSERT_EQ(plot.width(), Form().Engine().ImageHeight());
    // The middle of the tallest columns (the peak may reach the top over a few rows).
    int tallest = 0;
    int firstTallest = -1;
    int lastTallest = -1;
    for (int x = 0; x < plot.width(); ++x) {
        const int dark = DarkPixelsInColumn(plot, x);
        if (dark > tallest) {
            tallest = dark;
            firstTallest = x;
        }
        if (dark == tallest) lastTallest = x;
    }
    const int peak = (firstTallest + lastTallest) / 2;
    // 500 Hz is row 128 of the 0 .. 1000 Hz image; a filled area reaches the bottom.
    EXPECT_NEAR(peak, 128, 2);
    EXPECT_LT(lastTallest - firstTallest, 10);
    EXPECT_GT(tallest, plot.height() / 2);
    EXPECT_TRUE(Dark(plot, peak, plot.height() - 1));
}

TEST_F(SpectrogramMouse, DragOnThePlotShowsTheCursorAndItsReadoutsUntilRelease) {
    Open(16000, 500.0);
    Form().RunAnalysis(1);
    QTest::mouseClick(spgm, Qt::LeftButton, {}, QPoint(200, 10));
    QTest::qWait(50);
    QWidget* plotBox = Child(program->freq, "PaintBoxFreq");
    const QImage before = PlotImage(*program);

    QTest::mousePress(plotBox, Qt::LeftButton, {}, QPoint(64, 5));
    QTest::qWait(50);
    const QImage during = PlotImage(*program);
    EXPECT_EQ(FreqPanel(*program, 0)->text().toStdString(), FrequencyReadout(0.25, false));
    EXPECT_TRUE(FreqPanel(*program, 1)->text().endsWith("dB"));
    // The cursor line inverts its whole column; the others are unchanged.
    for (int y = 0; y < during.height(); ++y)
        ASSERT_NE(Dark(during, 64, y), Dark(before, 64, y)) << y;
    EXPECT_EQ(DarkPixelsInColumn(during, 63), DarkPixelsInColumn(before, 63));

    // Dragging beyond the plot stops at its last column.
    QTest::mouseMove(plotBox, QPoint(plotBox->width() + 50, 5));
    QTest::qWait(50);
    const double top = (plotBox->width() - 1) * 1.0 / Form().Engine().ImageHeight();
    EXPECT_EQ(FreqPanel(*program, 0)->text().toStdString(), FrequencyReadout(top, false));

    QTest::mouseRelease(plotBox, Qt::LeftButton, {}, QPoint(plotBox->width() + 50, 5));
    QTest::qWait(50);
    EXPECT_EQ(FreqPanel(*program, 0)->text(), "");
    const QImage after = PlotImage(*program);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after, before);
}

TEST_F(SpectrogramMouse, ConnectedCurveKindsAndLifteringDrawAPlot) {
    // A tone over noise, so that every kind's levels lie inside the thresholds somewhere
    // along the whole plot.
    std::vector<double> samples(16000);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.05);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.3 * std::sin(2 * M_PI * 500.0 * double(i) / 16000) + noise(random);
    WaveEncoding encoding;
    encoding.sampleRate = 16000;
    const QString path = dir.filePath("noisy.wav");
    WriteWaveFile(path.toStdString(), encoding, samples);
    program = std::make_unique<StartedProgram>(path);
    spgm = Child(program->main, "PaintBoxSpgm");
    // Auto-correlation swings below the plot's bottom between its peaks, where the curve is
    // not seen; MEM and the liftering background cover the whole width, highest at the tone.
    for (const auto& [kind, shareWithInk] : {std::pair{2, 4}, {4, 1}, {5, 1}}) {
        Form().RunAnalysis(kind);
        QTest::mouseClick(spgm, Qt::LeftButton, {}, QPoint(200, 10));
        QTest::qWait(50);
        const QImage plot = PlotImage(*program);
        int columnsWithInk = 0;
        int highest = -1;
        int highestRow = plot.height();
        for (int x = 0; x < plot.width(); ++x) {
            columnsWithInk += DarkPixelsInColumn(plot, x) > 0;
            for (int y = 0; y < highestRow; ++y) {
                if (Dark(plot, x, y)) {
                    highestRow = y;
                    highest = x;
                }
            }
        }
        EXPECT_GE(columnsWithInk, plot.width() / shareWithInk - 2) << "kind " << kind;
        if (kind != 2) {
            EXPECT_NEAR(highest, 128, 3) << "kind " << kind;
        }
    }
}

TEST_F(SpectrogramMouse, EventsCapturedByTheFormGoToThePressedView) {
    Open(16000);
    Form().RunAnalysis(1);
    QTest::qWait(20);
    QTest::mousePress(spgm, Qt::RightButton, {}, QPoint(10, 10));
    // A move the form receives is forwarded with the position made relative to the view.
    const QPoint inView(30, 255);
    const QPointF onForm = spgm->mapTo(&Form(), inView);
    QMouseEvent move(QEvent::MouseMove, onForm, Form().mapToGlobal(onForm), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&Form(), &move);
    EXPECT_EQ(Form().StatusText(3), "0.000kHz(===.=msec)");

    QMouseEvent release(QEvent::MouseButtonRelease, onForm, Form().mapToGlobal(onForm),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Form(), &release);
    // The capture has ended: a left press on the spectrogram is taken again.
    QTest::mouseClick(spgm, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_EQ(Form().SpectrogramColumnSelection().start, 40);
    QTest::mouseRelease(spgm, Qt::RightButton, {}, inView);  // ignored: no capture
    EXPECT_EQ(Form().SpectrogramColumnSelection().start, 40);
}

TEST_F(SpectrogramMouse, APressAfterALostReleaseEndsTheOldCapture) {
    Open(16000);
    Form().RunAnalysis(1);
    QTest::qWait(20);
    QTest::mousePress(spgm, Qt::LeftButton, {}, QPoint(10, 10));
    // The release went to another window; the next press comes with no button held.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(90, 10), spgm->mapToGlobal(QPointF(90, 10)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(spgm, &press);
    EXPECT_EQ(Form().SpectrogramColumnSelection().start, 90);
    QTest::mouseRelease(spgm, Qt::LeftButton, {}, QPoint(90, 10));
}

}  // namespace
}  // namespace tonalyx
