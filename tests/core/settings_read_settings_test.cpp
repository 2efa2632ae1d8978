#include <optional>

#include <gtest/gtest.h>

#include "settings/OptionControls.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {
namespace {

struct Records {
    AnalysisSettings analysis;
    DisplaySettings display;
    ImageCopySettings imageCopy;
    FileSettings file;

    std::optional<SettingsReadError> Read(const OptionControls& controls) {
        return ReadSettings(controls, analysis, display, imageCopy, file);
    }
};

// Records filled with values no control can produce, to see which fields a read touched.
Records Sentinels() {
    Records r;
    r.analysis.fftSizeLog2 = -7;
    r.analysis.memPoles = -7;
    r.display = {-1.0, -2.0, -3.0,  -4.0, -5.0,  -6.0, -7.0, -8.0,
                 -9,   -10,  false, true, false, true, false};
    r.imageCopy = {false, false, false, false, false, false, true, false, false};
    r.file = {-1, -1, true};
    return r;
}

TEST(ReadSettings, InitialControlsGiveTheFactoryRecords) {
    Records r = Sentinels();
    ASSERT_FALSE(r.Read(OptionControls{}).has_value());
    EXPECT_EQ(r.analysis, AnalysisSettings{});
    EXPECT_EQ(r.display, DisplaySettings{});
    EXPECT_EQ(r.imageCopy, ImageCopySettings{});
    EXPECT_EQ(r.file, FileSettings{});

    EXPECT_EQ(r.analysis.fftSizeLog2, 11);
    EXPECT_EQ(r.analysis.acSizeLog2, 10);
    EXPECT_EQ(r.analysis.cepSizeLog2, 11);
    EXPECT_EQ(r.analysis.lifSizeLog2, 9);
    EXPECT_EQ(r.analysis.memSize, 512);
    EXPECT_EQ(r.analysis.memResampleRate, 16000.0);
    EXPECT_EQ(r.analysis.memPoles, 20);
    EXPECT_DOUBLE_EQ(r.analysis.lifSd, 0.010);
    EXPECT_DOUBLE_EQ(r.display.maxTime, 0.020);
    EXPECT_DOUBLE_EQ(r.display.maxPercent, 0.10);
    EXPECT_EQ(r.display.maxFreq, 1000.0);
    EXPECT_EQ(r.file.channelIndex, 0);
    EXPECT_EQ(r.file.maxSoundLength, 120);
}

// Every control set away from its initial state, so a field read from the wrong control shows.
TEST(ReadSettings, EveryControlReachesItsField) {
    OptionControls c;
    c.lCorSize = 0;
    c.lCorType = 2;
    c.bCorCoefficient = true;
    c.lFftWindow = 3;
    c.lFftSize = 9;
    c.lResampling = 3;
    c.lPoleNum10 = 33;
    c.lMemSize = 7;
    c.lPMinFreq = 50;
    c.lPMaxFreq = 900;
    c.lPOctaveNum = 24;
    c.lPSNThreshold = 3;
    c.lCepWindow = 5;
    c.lCepSize = 4;
    c.lLifWindow = 0;
    c.lLifSize = 7;
    c.lLifSd = 25;
    c.lHeight = 512;
    c.lMaxFreq = {"", 5};
    c.lMinFreq = {"70", -1};
    c.bLogScale = true;
    c.lMaxVol = 10;
    c.lMinVol = -120;
    c.lMaxTime = {"35", -1};
    c.lMinTime = {"", 0};
    c.bShowAsFreq = false;
    c.lMaxPer = 80;
    c.lMinPer = 5;
    c.bSmoothing = true;
    c.lSmoothing = 5;
    c.bInterpolate = false;
    c.bBtoRColor = true;
    c.bCopyWaveY = false;
    c.bCopySpgm = false;
    c.bCopyFreq = true;
    c.bCopyFreqX = false;
    c.lChannelID = 1;
    c.lMaxSoundLength = 300;
    c.bDisableAudio = true;

    Records r;
    ASSERT_FALSE(r.Read(c).has_value());
    const AnalysisSettings& a = r.analysis;
    EXPECT_EQ(a.fftWindow, 3);
    EXPECT_EQ(a.fftSizeLog2, 4);
    EXPECT_EQ(a.acSizeLog2, 13);
    EXPECT_EQ(a.acType, 2);
    EXPECT_EQ(a.cepWindow, 5);
    EXPECT_EQ(a.cepSizeLog2, 9);
    EXPECT_EQ(a.lifWindow, 0);
    EXPECT_EQ(a.lifSizeLog2, 6);
    EXPECT_EQ(a.pitchChannelsPerOctave, 24);
    EXPECT_DOUBLE_EQ(a.lifSd, 0.025);
    EXPECT_EQ(a.memResampleRate, 10000.0);
    EXPECT_EQ(a.pitchMinFreq, 50.0);
    EXPECT_EQ(a.pitchMaxFreq, 900.0);
    EXPECT_EQ(a.pitchSnThreshold, 3.0);
    EXPECT_EQ(a.memSize, 64);
    EXPECT_EQ(a.memPoles, 33);
    EXPECT_TRUE(a.acCoefficient);

    const DisplaySettings& d = r.display;
    EXPECT_EQ(d.maxFreq, 10000.0);
    EXPECT_EQ(d.minFreq, 70.0);
    EXPECT_DOUBLE_EQ(d.minTime, 0.1);
    EXPECT_DOUBLE_EQ(d.maxTime, 0.035);
    EXPECT_EQ(d.maxDb, 10.0);
    EXPECT_EQ(d.minDb, -120.0);
    EXPECT_DOUBLE_EQ(d.maxPercent, 0.80);
    EXPECT_DOUBLE_EQ(d.minPercent, 0.05);
    EXPECT_EQ(d.smoothingWidth, 5);
    EXPECT_EQ(d.imageHeight, 512);
    EXPECT_TRUE(d.logScale);
    EXPECT_TRUE(d.smoothing);
    EXPECT_FALSE(d.interpolate);
    EXPECT_TRUE(d.blueToRed);
    EXPECT_FALSE(d.showAsFrequency);

    EXPECT_EQ(r.imageCopy,
              (ImageCopySettings{true, true, false, false, true, true, true, false, true}));
    EXPECT_EQ(r.file, (FileSettings{1, 300, true}));
}

TEST(ReadSettings, MemSizeAndResamplingFollowTheirItems) {
    OptionControls c;
    c.lMemSize = kMemSizeOtherItem;
    Records r;
    ASSERT_FALSE(r.Read(c).has_value());
    EXPECT_EQ(r.analysis.memSize, 1000);

    c.lMemSize = 4;
    c.lMemSizeN = 77;
    ASSERT_FALSE(r.Read(c).has_value());
    EXPECT_EQ(r.analysis.memSize, 512);

    c.lPoleNumA = 31;
    c.lPoleNum08 = 9;
    c.lResampling = 1;  // "Auto(8-16kHz)"
    ASSERT_FALSE(r.Read(c).has_value());
    EXPECT_EQ(r.analysis.memResampleRate, -1.0);
    EXPECT_EQ(r.analysis.memPoles, 31);
    c.lResampling = 2;  // "8kHz"
    ASSERT_FALSE(r.Read(c).has_value());
    EXPECT_EQ(r.analysis.memResampleRate, 8000.0);
    EXPECT_EQ(r.analysis.memPoles, 9);
}

TEST(ReadSettings, OutOfRangeControlStateStaysWithinTheRecordsRanges) {
    OptionControls c;
    c.lPoleNum16 = 300;
    c.lHeight = 5;
    c.lChannelID = kChannelIdMoreItem;
    c.lChannelIDG = 100;
    c.lMaxVol = -5000;
    c.lFftWindow = 6;
    c.lCepWindow = -1;
    c.lCorType = 3;
    c.lFftSize = -1;
    c.lCorSize = 12;
    Records r;
    ASSERT_FALSE(r.Read(c).has_value());
    EXPECT_EQ(r.analysis.memPoles, 255);
    EXPECT_EQ(r.display.imageHeight, 16);
    EXPECT_EQ(r.file.channelIndex, 63);
    EXPECT_EQ(r.display.maxDb, -1000.0);
    // Codes of groups without a valid selection are those of their initial items.
    EXPECT_EQ(r.analysis.fftWindow, 1);
    EXPECT_EQ(r.analysis.cepWindow, 1);
    EXPECT_EQ(r.analysis.acType, 0);
    // Size groups without a selection read 0.0, which gives the smallest size.
    EXPECT_EQ(r.analysis.fftSizeLog2, 4);
    EXPECT_EQ(r.analysis.acSizeLog2, 4);
}

TEST(ReadSettings, BadComboTextStopsAtThatField) {
    OptionControls c;
    c.lFftSize = 0;
    c.lMaxFreq = {"3500", -1};
    c.lMinFreq = {"200", -1};
    c.bLogScale = true;
    c.lMaxTime = {"12abc", -1};
    c.lMinTime = {"7", -1};
    c.lHeight = 512;

    Records r = Sentinels();
    const Records before = r;
    const auto error = r.Read(c);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->control, "LMaxTime");
    EXPECT_EQ(error->text, "12abc");
    EXPECT_NE(error->Message().find("12abc"), std::string::npos);
    EXPECT_NE(error->Message().find("Max time [msec]"), std::string::npos);

    // The analysis record is read first and complete.
    EXPECT_EQ(r.analysis.fftSizeLog2, 13);
    EXPECT_EQ(r.analysis.memPoles, 20);
    // Display fields before LMaxTime are new, the others unchanged.
    EXPECT_EQ(r.display.maxFreq, 3500.0);
    EXPECT_EQ(r.display.minFreq, 200.0);
    EXPECT_TRUE(r.display.logScale);
    DisplaySettings rest = r.display;
    rest.maxFreq = before.display.maxFreq;
    rest.minFreq = before.display.minFreq;
    rest.logScale = before.display.logScale;
    EXPECT_EQ(rest, before.display);
    EXPECT_EQ(r.imageCopy, before.imageCopy);
    EXPECT_EQ(r.file, before.file);
}

TEST(ReadSettings, EachComboBoxIsNamedWhenItFails) {
    struct Case {
        ComboBoxState OptionControls::*box;
        const char* control;
    };
    for (const Case& k :
         {Case{&OptionControls::lMaxFreq, "LMaxFreq"}, Case{&OptionControls::lMinFreq, "LMinFreq"},
          Case{&OptionControls::lMaxTime, "LMaxTime"},
          Case{&OptionControls::lMinTime, "LMinTime"}}) {
        OptionControls c;
        c.*k.box = {"", -1};
        Records r = Sentinels();
        const auto error = r.Read(c);
        ASSERT_TRUE(error.has_value()) << k.control;
        EXPECT_EQ(error->control, k.control);
        EXPECT_EQ(r.file, Sentinels().file) << k.control;
    }

    // The first combo box failing leaves the whole display record as it was; the last one
    // leaves only the fields after it.
    OptionControls first;
    first.lMaxFreq.text = "x";
    Records r = Sentinels();
    ASSERT_TRUE(r.Read(first).has_value());
    EXPECT_EQ(r.display, Sentinels().display);

    OptionControls last;
    last.lMinTime.text = "x";
    r = Sentinels();
    ASSERT_TRUE(r.Read(last).has_value());
    EXPECT_DOUBLE_EQ(r.display.maxTime, 0.020);
    EXPECT_EQ(r.display.minTime, Sentinels().display.minTime);
    EXPECT_EQ(r.display.imageHeight, Sentinels().display.imageHeight);
}

// Read past errors, as stored defaults are at start-up: only the fields of the unreadable combo
// boxes keep their values; everything else, the later records included, is read.
TEST(ReadSettings, ReadingPastErrorsKeepsOnlyTheUnreadableFields) {
    OptionControls c;
    c.lFftSize = 0;
    c.lMaxFreq = {"1,5", -1};
    c.lMinFreq = {"200", -1};
    c.lMaxTime = {"12", -1};
    c.lMinTime = {"", -1};
    c.lHeight = 512;
    c.bCopyFreq = true;
    c.lChannelID = 1;
    c.bDisableAudio = true;

    Records r = Sentinels();
    const Records before = r;
    const auto error = ReadSettingsPastErrors(c, r.analysis, r.display, r.imageCopy, r.file);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->control, "LMaxFreq");  // the first of the two
    EXPECT_EQ(error->text, "1,5");

    EXPECT_EQ(r.analysis.fftSizeLog2, 13);
    EXPECT_EQ(r.display.maxFreq, before.display.maxFreq);
    EXPECT_EQ(r.display.minFreq, 200.0);
    EXPECT_DOUBLE_EQ(r.display.maxTime, 0.012);
    EXPECT_EQ(r.display.minTime, before.display.minTime);
    EXPECT_EQ(r.display.imageHeight, 512);
    EXPECT_TRUE(r.imageCopy.copyPowerSpectrum);
    EXPECT_EQ(r.file.channelIndex, 1);
    EXPECT_TRUE(r.file.disableAudio);

    // Without an error it reads exactly what ReadSettings reads.
    OptionControls good;
    good.lMaxFreq = {"4000", -1};
    Records past = Sentinels();
    Records stopping = Sentinels();
    EXPECT_FALSE(
        ReadSettingsPastErrors(good, past.analysis, past.display, past.imageCopy, past.file));
    EXPECT_FALSE(stopping.Read(good));
    EXPECT_EQ(past.analysis, stopping.analysis);
    EXPECT_EQ(past.display, stopping.display);
    EXPECT_EQ(past.imageCopy, stopping.imageCopy);
    EXPECT_EQ(past.file, stopping.file);
}

}  // namespace
}  // namespace tonalyx
