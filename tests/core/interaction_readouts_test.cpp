#include "interaction/Readouts.h"

#include <gtest/gtest.h>

#include "analysis/AnalysisKind.h"

namespace tonalyx {
namespace {

TEST(Readouts, TimeKeepsFiveCharactersOfTheSeconds) {
    EXPECT_EQ(TimeReadout(1.23456), "1.235sec");
    EXPECT_EQ(TimeReadout(12.3456), "12.34sec");
    EXPECT_EQ(TimeReadout(123.4567), "123.4sec");
    EXPECT_EQ(TimeReadout(0.0), "0.000sec");
    EXPECT_EQ(TimeReadout(54321.0), "54321sec");
}

TEST(Readouts, FrequencyShowsItsPeriodAndLagItsFrequency) {
    EXPECT_EQ(FrequencyReadout(0.5, false), "0.500kHz(2.000msec)");
    EXPECT_EQ(FrequencyReadout(12.3456, false), "12.34kHz(0.081msec)");
    EXPECT_EQ(FrequencyReadout(0.0123, false), "0.012kHz(81.30msec)");
    EXPECT_EQ(FrequencyReadout(2.0, true), "2.000msec(0.500kHz)");
    // The lowest row of a scale from 0 has no period.
    EXPECT_EQ(FrequencyReadout(0.0, false), "0.000kHz(===.=msec)");
    EXPECT_EQ(FrequencyReadout(0.0, true), "0.000msec(===.=kHz)");
}

TEST(Readouts, LevelsLeaveABlankForTheSignAndFollowTheKindsUnit) {
    EXPECT_EQ(LevelReadout(-45.678, FftAnalysis), "-45.6dB");
    EXPECT_EQ(LevelReadout(3.5, FftAnalysis), " 3.50dB");
    EXPECT_EQ(LevelReadout(0.0, MemAnalysis), " 0.00dB");
    EXPECT_EQ(LevelReadout(-0.004, LifteringAnalysis), "-0.00dB");
    EXPECT_EQ(LevelReadout(123.456, FftAnalysis), " 123.dB");
    EXPECT_EQ(LevelReadout(-120.5, FftAnalysis), "-120.dB");
    EXPECT_EQ(LevelReadout(7.25, AutoCorrelationAnalysis), " 7.25%");
    EXPECT_EQ(LevelReadout(-1.5, CepstrumAnalysis), "-1.50%");
    EXPECT_EQ(LevelReadout(1.0, PitchAnalysis), " 1.00dB");
}

}  // namespace
}  // namespace tonalyx
