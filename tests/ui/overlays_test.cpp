#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <cmath>

#include <gtest/gtest.h>

#include "CliComparisonSupport.h"
#include "WindowTestSupport.h"
#include "analysis/Intensity.h"
#include "analysis/LevelImage.h"
#include "display/OverlayMapping.h"
#include "display/OverlayPainter.h"
#include "formants/Formants.h"
#include "interaction/Readouts.h"
#include "settings/MemorySettingsStore.h"
#include "settings/OverlaySettings.h"

namespace tonalyx {
namespace {

using testing::StartedProgram;
using testing::WriteGlidingVoice;

// The column whose samples hold a time, found by walking every column.
int ColumnByWalking(const ViewGeometry& view, int columns, double rate, double seconds) {
    const int sample = static_cast<int>(std::floor(seconds * rate));
    for (int c = 0; c < columns; ++c) {
        const SampleSpan span = view.VisibleSampleRange(view.ScrollPosition() + c);
        if (span.start <= sample && sample < span.end) return c;
    }
    return -1;
}

TEST(OverlayMapping, ColumnsOfTimesMatchTheViewsSampleRangesFittedAndScrolled) {
    ViewGeometry fitted;
    fitted.sampleCount = 16000 * 3 + 7;
    fitted.viewWidth = 512;
    ViewGeometry scrolled = fitted;
    scrolled.fitToWindow = false;
    scrolled.samplesPerPixel = 16;
    scrolled.scroll = {true, scrolled.SoundColumns() - 512 - 1, 1000, 512, 512};
    for (const ViewGeometry* view : {&fitted, &scrolled}) {
        const ImageColumns image{view, 512, 16000};
        for (double t = 0; t < 3.1; t += 0.00731)
            EXPECT_EQ(ColumnOfTime(image, t), ColumnByWalking(*view, 512, 16000, t)) << t;
        EXPECT_EQ(ColumnOfTime(image, -0.001), -1);
        EXPECT_EQ(ColumnOfTime(image, NAN), -1);
    }
    // The scrolled view starts at column 1000, 16000 samples later.
    EXPECT_EQ(ColumnOfTime({&scrolled, 512, 16000}, 1.0), 0);
    EXPECT_EQ(ColumnOfTime({&scrolled, 512, 16000}, 0.999), -1);
}

TEST(OverlayMapping, EachColumnDrawsTheFrameNearestItsMiddle) {
    ViewGeometry view;
    view.sampleCount = 1000;
    view.viewWidth = 10;  // fitted: 100 samples per column at 1000 Hz, 0.1 s
    const ImageColumns image{&view, 10, 1000};
    const std::vector<double> times{0.01, 0.045, 0.06, 0.12, 0.35, 0.96, 1.5};
    const std::vector<ColumnFrame> drawn = FramesByColumn(image, times);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0].column, 0);
    EXPECT_EQ(drawn[0].frame, 1);  // 0.045 s is nearest the middle, 0.05 s
    EXPECT_EQ(drawn[1].column, 1);
    EXPECT_EQ(drawn[2].column, 3);
    EXPECT_EQ(drawn[3].frame, 5);  // 1.5 s lies beyond the sound
    EXPECT_EQ(NearestFrame(times, 0.0), 0);
    EXPECT_EQ(NearestFrame(times, 0.085), 2);
    EXPECT_EQ(NearestFrame(times, 0.095), 3);
    EXPECT_EQ(NearestFrame(times, 9.0), 6);
    EXPECT_EQ(NearestFrame({}, 1.0), -1);
}

TEST(OverlayMapping, FormantDotsSitOnThePitchMarksRowsAndSkipWhatTheImageLacks) {
    const ScaleMap rows = ScaleMap::Linear(5000.0 / 256);
    const std::vector<ColumnFrame> drawn{{3, 0}, {7, 1}};
    const std::vector<double> frequencies{500, 1500, 2500, NAN, 6000, 700};
    const std::vector<FormantDot> dots = FormantDots(drawn, frequencies, 3, rows, 256);
    ASSERT_EQ(dots.size(), 4u);  // NaN and 6000 Hz get no dot
    for (const FormantDot& dot : dots) {
        const double hz = frequencies[dot.x == 3 ? dot.formant : 3 + dot.formant];
        EXPECT_EQ(dot.y, 255 - PitchMarkRow(rows, hz, 256)) << hz;
        EXPECT_NEAR((255 - dot.y) * 5000.0 / 256, hz, 5000.0 / 256);
    }
    EXPECT_EQ(dots[3].x, 7);
    EXPECT_EQ(dots[3].formant, 2);
}

TEST(OverlayMapping, IntensityRangeAndContourLeaveSilenceOut) {
    const std::vector<ColumnFrame> drawn{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    const std::vector<double> decibels{62.5, 71.0, kSilenceDb, 55.0, 68.0};
    const DecibelRange range = IntensityRange(drawn, decibels);
    EXPECT_EQ(range.lo, 50);
    EXPECT_EQ(range.hi, 80);
    // A narrow range widens to 20 dB, a wide one keeps the 60 dB below its top.
    EXPECT_EQ(IntensityRange(drawn, std::vector<double>{71, 72, 73, 74, 75}).lo, 60);
    EXPECT_EQ(IntensityRange(drawn, std::vector<double>{-20, 72, 73, 74, 95}).lo, 40);
    EXPECT_EQ(IntensityRange(drawn, std::vector<double>(5, kSilenceDb)).hi, 80);

    const auto runs = IntensityContour(drawn, decibels, range, 300);
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0].size(), 2u);
    EXPECT_DOUBLE_EQ(runs[0][0].x, 0.5);
    EXPECT_DOUBLE_EQ(runs[0][0].y, 300 - (62.5 - 50) * 10);  // 10 rows per dB
    EXPECT_DOUBLE_EQ(runs[1][0].y, 300 - 50);
    EXPECT_DOUBLE_EQ(runs[1][1].x, 4.5);
}

TEST(OverlayReadout, FormantsAndIntensityReadAsTheyAreGiven) {
    const std::vector<double> formants{512.4, 1480.6, NAN, 3500};
    EXPECT_EQ(OverlayReadout(formants, 68.24), "512/1481/-Hz 68.2dB");
    EXPECT_EQ(OverlayReadout(std::nullopt, kSilenceDb), "-dB");
    EXPECT_EQ(OverlayReadout(std::span<const double>(formants).first(1), std::nullopt),
              "512/-/-Hz");
    EXPECT_EQ(OverlayReadout(std::nullopt, std::nullopt), "");
}

TEST(OverlaySettings, StoredGroupRoundTripsAndNamesWhatItCannotRead) {
    MemorySettingsStore store;
    OverlaySettings chosen;
    chosen.autoCeiling = true;
    chosen.formantCount = 4;
    chosen.windowSeconds = 0.03;
    chosen.stepSeconds = 0.0125;
    chosen.preEmphasisHz = 75;
    chosen.track = true;
    chosen.minPitchHz = 60.5;
    ASSERT_TRUE(SaveOverlaySettings(store, "Software\\T\\O", chosen));
    ASSERT_TRUE(SaveOverlayToggles(store, "Software\\T\\O", true, false));
    OverlaySettings read;
    std::string unreadable;
    ASSERT_TRUE(LoadOverlaySettings(store, "Software\\T\\O", read, unreadable));
    chosen.showFormants = true;
    EXPECT_EQ(read, chosen);
    EXPECT_EQ(unreadable, "");
    for (const auto& [name, value] : store.Data()->writes)
        EXPECT_EQ(name.rfind("Overlays/", 0), 0u) << name;

    store.OpenKey("Software\\T\\O");
    store.WriteString("Overlays/Window", "0.02x");
    store.WriteString("Overlays/Ceiling", "5000");
    store.WriteString("Overlays/Step", "auto");
    store.WriteInteger("Overlays/Track", 7);
    store.CloseKey();
    OverlaySettings again;
    ASSERT_TRUE(LoadOverlaySettings(store, "Software\\T\\O", again, unreadable));
    EXPECT_EQ(unreadable, "Overlays/Window, Overlays/Track");
    EXPECT_EQ(again.windowSeconds, OverlaySettings{}.windowSeconds);
    EXPECT_FALSE(again.autoCeiling);
    EXPECT_EQ(again.ceilingHz, 5000);
    EXPECT_FALSE(again.stepSeconds);
    EXPECT_EQ(ParseOverlayNumber(" 1"), std::nullopt);
    EXPECT_EQ(ParseOverlayNumber("nan"), std::nullopt);
    EXPECT_EQ(OverlayNumberText(0.1), "0.1");
}

// The main window on a 2 s voice with formants (an /a/ through its resonators), its pauses
// digital silence, shown by FFT up to 5 kHz.
class OverlayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        sound = WriteGlidingVoice(dir, 2.0);
        program = std::make_unique<StartedProgram>(sound);
        ASSERT_TRUE(Form().IsFileOpen());
        auto* maxFreq = program->options.findChild<QComboBox*>("LMaxFreq");
        maxFreq->setCurrentIndex(-1);
        maxFreq->setEditText("5000");
        program->options.findChild<QPushButton*>("ApplyBtn")->click();
        Form().RunAnalysis(1);
        spgm = Form().findChild<QWidget*>("PaintBoxSpgm");
    }
    TMainForm& Form() { return program->main; }
    void Toggle(const char* action) {
        Form().Action(action)->trigger();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !Form().OverlaysBusy(); }, 20000));
        QTest::qWait(20);
    }
    QImage View() { return spgm->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void Apply() { program->options.findChild<QPushButton*>("ApplyBtn")->click(); }
    void WaitForMeasurements() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !Form().OverlaysBusy(); }, 20000));
        QTest::qWait(20);
    }

    QTemporaryDir dir;
    QString sound;
    std::unique_ptr<StartedProgram> program;
    QWidget* spgm = nullptr;
};

TEST_F(OverlayWindow, FormantDotsAreRedAtTheRowsOfTheTablesFrequencies) {
    const QImage plain = View();
    const QImage composite = Form().RenderComposite();
    Toggle("AViewOverlayFormants");
    const FormantTable* table = Form().OverlayFormants();
    ASSERT_NE(table, nullptr);
    const QImage shown = View();
    EXPECT_NE(shown, plain);

    // The frame drawn in each column, its formants on the rows the pitch mark would take.
    ViewGeometry view = Form().Geometry();
    const int columns = Form().Engine().ColumnCount();
    const std::vector<ColumnFrame> drawn = FramesByColumn({&view, columns, 16000.0}, table->times);
    ASSERT_GT(drawn.size(), 100u);
    const ScaleMap& rows = Form().Engine().PitchScale();
    const int height = Form().Engine().ImageHeight();
    int red = 0;
    int checked = 0;
    for (const ColumnFrame& entry : drawn) {
        const double f1 =
            table->frequencies[static_cast<size_t>(entry.frame * table->summary.count)];
        const int row = PitchMarkRow(rows, f1, height);
        if (row < 0) continue;
        ++checked;
        red += shown.pixelColor(entry.column, height - 1 - row) == kFormantDotColour;
    }
    // Every F1 dot is red at its centre, unless a later dot's rim covers it.
    EXPECT_GT(checked, 100);
    EXPECT_GT(red, checked * 9 / 10);
    // The synthesiser's /a/ has F1 at 730 Hz.
    const FormantTable& t = *table;
    const auto middle = static_cast<size_t>(NearestFrame(t.times, 0.5)) * t.summary.count;
    EXPECT_NEAR(t.frequencies[middle], 730, 80);

    // The composite carries the dots; turned off, screen and composite are as before.
    EXPECT_NE(Form().RenderComposite(), composite);
    Toggle("AViewOverlayFormants");
    EXPECT_EQ(View(), plain);
    EXPECT_EQ(Form().RenderComposite(), composite);
}

TEST_F(OverlayWindow, IntensityContourHasItsScaleAndTheCrossHairReadsBoth) {
    const QImage plain = View();
    Toggle("AViewOverlayIntensity");
    Toggle("AViewOverlayFormants");
    const IntensityTable* intensity = Form().OverlayIntensity();
    ASSERT_NE(intensity, nullptr);
    const QImage shown = View();
    const int width = Form().Engine().ColumnCount();
    const int height = Form().Engine().ImageHeight();
    // Yellow contour pixels over the image, the scale's white label boxes at its right edge.
    int yellow = 0;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            yellow += shown.pixelColor(x, y) == kIntensityColour;
    EXPECT_GT(yellow, width / 2);
    int white = 0;
    for (int y = 0; y < height; ++y)
        white += shown.pixelColor(width - 8, y) == QColor(Qt::white);
    EXPECT_GT(white, 3 * 10);
    EXPECT_NE(shown, plain);

    // A right press on the spectrogram reads the frames at its column's time.
    auto* readout = Form().findChild<QLabel*>("OverlayReadout");
    ASSERT_NE(readout, nullptr);
    EXPECT_TRUE(readout->isVisible());
    QTest::mouseClick(spgm, Qt::RightButton, {}, QPoint(width / 4, 40));
    ViewGeometry view = Form().Geometry();
    const double time = ColumnCentreTime({&view, width, 16000.0}, width / 4);
    const FormantTable& formants = *Form().OverlayFormants();
    const auto frame = static_cast<size_t>(NearestFrame(formants.times, time));
    const std::span<const double> values(&formants.frequencies[frame * formants.summary.count],
                                         formants.summary.count);
    const double db =
        intensity->decibels[static_cast<size_t>(NearestFrame(intensity->times, time))];
    EXPECT_EQ(readout->text().toStdString(), OverlayReadout(values, db));
    EXPECT_TRUE(readout->text().endsWith("dB"));

    // Both off: the view and the status bar are as they were.
    Toggle("AViewOverlayIntensity");
    Toggle("AViewOverlayFormants");
    EXPECT_FALSE(readout->isVisible());
    EXPECT_EQ(View(), plain);
}

TEST_F(OverlayWindow, TogglesAreStoredInTheirGroupAndComeBackAtTheNextStart) {
    Toggle("AViewOverlayIntensity");
    const QString folder = program->settings.Path();
    QSettings stored(folder + "/Velmora/Tonalyx.200.conf", QSettings::IniFormat);
    EXPECT_EQ(stored.value("Overlays/ShowIntensity").toInt(), 1);
    EXPECT_EQ(stored.value("Overlays/ShowFormants").toInt(), 0);
    const QByteArray options = stored.value("Options").toByteArray();
    StartedProgram next(QString(), folder);
    EXPECT_TRUE(next.main.Action("AViewOverlayIntensity")->isChecked());
    EXPECT_FALSE(next.main.Action("AViewOverlayFormants")->isChecked());
    // The options snapshot is untouched by the group beside it.
    QSettings again(folder + "/Velmora/Tonalyx.200.conf", QSettings::IniFormat);
    EXPECT_EQ(again.value("Options").toByteArray(), options);
}

int CountColour(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

TEST_F(OverlayWindow, LagAxesShowNoDotsAndANewSoundDropsTheOldTables) {
    Toggle("AViewOverlayFormants");
    Toggle("AViewOverlayIntensity");
    EXPECT_GT(CountColour(View(), kFormantDotColour), 100);
    // Auto-correlation on its lag axis: the contour stays, the formants have no rows.
    program->options.findChild<QCheckBox*>("BShowAsFreq")->setChecked(false);
    Apply();
    Form().RunAnalysis(2);
    WaitForMeasurements();
    const QImage lag = View();
    EXPECT_EQ(CountColour(lag, kFormantDotColour), 0);
    EXPECT_GT(CountColour(lag, kIntensityColour), 100);

    // Another sound: nothing of the first is kept, and its own tables equal a direct
    // measurement of its samples.
    const QString other = testing::WriteSineWave(dir, "sine.wav", 16000, 16000, 440.0);
    ASSERT_TRUE(Form().OpenFile(other));
    EXPECT_EQ(Form().OverlayFormants(), nullptr);
    EXPECT_EQ(Form().OverlayIntensity(), nullptr);
    Form().RunAnalysis(1);
    WaitForMeasurements();
    const IntensityTable* shown = Form().OverlayIntensity();
    ASSERT_NE(shown, nullptr);
    const IntensityTable direct = MeasureIntensity(Form().Sound().samples, 16000, {});
    EXPECT_EQ(shown->decibels, direct.decibels);
    EXPECT_NEAR(shown->decibels[direct.decibels.size() / 2],
                20 * std::log10(0.5 / std::sqrt(2.0) / 2e-5),
                0.1);  // a sine at half of full scale
}

TEST_F(OverlayWindow, AStepShorterThanASamplePeriodIsRefusedForTheSound) {
    auto* step = program->options.findChild<QComboBox*>("LOverlayStep");
    step->setEditText("0.00001");  // 10 us, shorter than 62.5 us at 16 kHz
    Apply();
    EXPECT_EQ(program->options.Overlay().stepSeconds, 0.00001);
    bool asked = false;
    Form().SetExportNamePrompt([&](const QString&, const QString&, const QStringList&) {
        asked = true;
        return TMainForm::ExportChoice{};
    });
    Form().Action("AViewOverlayFormants")->trigger();
    EXPECT_FALSE(Form().OverlaysBusy());
    EXPECT_EQ(Form().OverlayFormants(), nullptr);
    EXPECT_TRUE(
        Form().StatusText(5).startsWith("Time step [s] 1e-05 s is shorter than one sample period"))
        << Form().StatusText(5).toStdString();
    Form().Action("AFileExportFormants")->trigger();
    EXPECT_FALSE(asked);
}

TEST_F(OverlayWindow, TheBlueToRedCompositeCarriesDotsAndContour) {
    program->options.findChild<QCheckBox*>("BBtoRColor")->setChecked(true);
    Apply();
    Toggle("AViewOverlayFormants");
    Toggle("AViewOverlayIntensity");
    const QImage composite = Form().RenderComposite().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(CountColour(composite, kFormantDotColour), 100);
    EXPECT_GT(CountColour(composite, kIntensityColour), 100);
    EXPECT_GT(CountColour(composite, kOverlayRimColour), 100);
}

}  // namespace
}  // namespace tonalyx
