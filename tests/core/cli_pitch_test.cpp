#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/PitchSteps.h"
#include "cli_test_support.h"
#include "formants/Formants.h"
#include "pitch/SoundPitchTrack.h"
#include "tools/SyntheticVoice.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

using namespace testing;

constexpr int kRate = 16000;

// Silence, then a harmonic voice at 150 Hz from 0.3 s to 1.1 s, then silence.
std::vector<int16_t> Voice() {
    VoiceRecipe recipe;
    recipe.sampleRate = kRate;
    recipe.duration = 1.2;
    recipe.source = VoiceSource::Harmonics;
    recipe.voiced = {{0.3, 1.1, 150, 150, 0, 0}};
    const std::vector<double> samples = SynthesizeVoice(recipe);
    return {samples.begin(), samples.end()};
}

TEST(CliPitch, PrintsTheTrackOfAKnownVoice) {
    const auto folder = TestFolder();
    const std::string path = WriteWave(folder / "voice.wav", Voice(), kRate);
    const CliRun run = RunCommandLine({"pitch", path});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "file,index,time_s,f0_hz");

    // 80 .. 640 Hz at 16 kHz: hop trunc(16000 / (6.3 x 640)) = 3 samples.
    const int hop = 3;
    ASSERT_EQ(lines.size(), 1u + 19200 / hop);
    int middle = 0, voicedNear = 0, silentVoiced = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> fields = Fields(lines[i]);
        ASSERT_EQ(fields.size(), 4u);
        ASSERT_EQ(fields.front(), path);
        fields.erase(fields.begin());
        const int index = std::stoi(fields[0]);
        ASSERT_EQ(index, static_cast<int>(i - 1));
        const double time = std::stod(fields[1]);
        EXPECT_NEAR(time, index * hop / double(kRate), 5.001e-7);  // six decimals
        EXPECT_EQ(fields[1].size() - fields[1].find('.'), 7u) << fields[1];
        const double f0 = std::stod(fields[2]);
        if (time > 0.45 && time < 0.95) {
            ++middle;
            voicedNear += std::abs(f0 / 150 - 1) < 0.02;
        }
        if (time < 0.25) silentVoiced += f0 != 0;
    }
    EXPECT_GT(voicedNear, middle * 95 / 100);
    EXPECT_EQ(silentVoiced, 0);
}

TEST(CliPitch, PrintsTheSharedTrackToSixDigitsAndTabsOnRequest) {
    const auto folder = TestFolder();
    const std::string path = WriteWave(folder / "voice.wav", Voice(), kRate);
    SoundData sound;
    sound.format.sampleRate = kRate;
    sound.samples = Voice();
    sound.sampleCount = static_cast<int32_t>(sound.samples.size());
    int hop = 0;
    const std::vector<double> track = ComputeSoundPitchTrack(sound, AnalysisSettings{}, hop);

    const CliRun run = RunCommandLine({"pitch", path, "--format", "tsv"});
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), track.size() + 1);
    EXPECT_EQ(lines.front(), "file\tindex\ttime_s\tf0_hz");
    // Every row exactly as printf writes the track's values.
    for (std::size_t i = 0; i < track.size(); ++i) {
        char time[32], f0[32];
        std::snprintf(time, sizeof time, "%.6f", static_cast<double>(i) * hop / kRate);
        std::snprintf(f0, sizeof f0, "%.6g", track[i]);
        ASSERT_EQ(lines[i + 1], path + "\t" + std::to_string(i) + "\t" + time + "\t" + f0);
    }
}

TEST(CliPitch, TheSharedTrackRaisesTheTopAndKeepsToTheSamples) {
    SoundData sound;
    sound.format.sampleRate = kRate;
    sound.samples = Voice();
    sound.sampleCount = static_cast<int32_t>(sound.samples.size());
    AnalysisSettings settings;
    settings.pitchMinFreq = 200;
    settings.pitchMaxFreq = 100;  // below the bottom: raised to 201 Hz
    int hop = 0;
    const std::vector<double> raised = ComputeSoundPitchTrack(sound, settings, hop);
    settings.pitchMaxFreq = 201;
    int explicitHop = 0;
    EXPECT_EQ(ComputeSoundPitchTrack(sound, settings, explicitHop), raised);
    EXPECT_EQ(hop, explicitHop);

    // A count that claims more samples than there are reads only the samples.
    const std::size_t held = sound.samples.size();
    sound.sampleCount = static_cast<int32_t>(held * 2);
    settings = AnalysisSettings{};
    const std::vector<double> track = ComputeSoundPitchTrack(sound, settings, hop);
    EXPECT_EQ(track.size(), held / hop);
}

}  // namespace
}  // namespace tonalyx::cli

namespace tonalyx::cli {
namespace {

using namespace testing;

TEST(CliMeasurements, FormantAndIntensityTablesStreamTheEnginesFramesAsTheyCome) {
    const auto folder = TestFolder();
    const std::vector<int16_t> voice = Voice();
    const std::string path = WriteWave(folder / "voice.wav", voice, kRate);

    // Every row is the whole-sound measurement's frame, to the printed digits.
    const FormantTable whole = MeasureFormants(voice, kRate, FormantSettings{});
    const CliRun formants = RunCommandLine({"formants", path, "--missing-as", "nan"});
    ASSERT_EQ(formants.status, 0) << formants.err;
    const std::vector<std::string> rows = Lines(formants.out);
    ASSERT_EQ(rows.size(), 1u + whole.times.size());
    EXPECT_EQ(rows[0], "file,time_s,f1_hz,b1_hz,f2_hz,b2_hz,f3_hz,b3_hz,f4_hz,b4_hz,f5_hz,b5_hz");
    for (std::size_t frame = 0; frame < whole.times.size(); frame += 7) {
        const std::vector<std::string> fields = Fields(rows[frame + 1]);
        ASSERT_EQ(fields.size(), 12u);
        EXPECT_NEAR(std::stod(fields[1]), whole.times[frame], 5e-7);
        for (std::size_t i = 0; i < 5; ++i) {
            const double expected = whole.frequencies[frame * 5 + i];
            if (std::isnan(expected)) {
                EXPECT_EQ(fields[2 + 2 * i], "NaN");
            } else {
                EXPECT_NEAR(std::stod(fields[2 + 2 * i]), expected, expected * 1e-5);
            }
        }
    }
    // Tracks have three formants; bad settings are usage errors before any work.
    EXPECT_EQ(Fields(Lines(RunCommandLine({"formants", path, "--track"}).out)[0]).size(), 8u);
    EXPECT_EQ(RunCommandLine({"formants", path, "--track", "--count", "2"}).status, 2);
    EXPECT_EQ(RunCommandLine({"formants", path, "--count", "11"}).status, 2);
    EXPECT_EQ(RunCommandLine({"intensity", path, "--min-pitch", "0"}).status, 2);
    EXPECT_EQ(RunCommandLine({"intensity", path, "--ceiling", "5000"}).status, 2);

    // A sine of amplitude A reads 10 log10((A / 32768)^2 / 2 / (2e-5)^2) dB; silence reads
    // the floor, or a missing cell.
    const std::string sine = WriteWave(folder / "sine.wav", Sine(kRate, kRate, 440, 8000), kRate);
    const std::vector<std::string> levels = Lines(RunCommandLine({"intensity", sine}).out);
    ASSERT_GT(levels.size(), 10u);
    const double expected = 10 * std::log10(std::pow(8000.0 / 32768, 2) / 2 / 4e-10);
    EXPECT_NEAR(std::stod(Fields(levels[levels.size() / 2])[2]), expected, 0.01);
    const std::string quiet =
        WriteWave(folder / "quiet.wav", std::vector<int16_t>(kRate, 0), kRate);
    EXPECT_EQ(Fields(Lines(RunCommandLine({"intensity", quiet}).out)[1])[2], "-300");
    const std::string empty =
        Lines(RunCommandLine({"intensity", quiet, "--missing-as", "empty"}).out)[1];
    EXPECT_EQ(Fields(empty).size(), 2u);
    EXPECT_EQ(empty.back(), ',');
}

TEST(CliPitchSteps, InterpolatesVoicedNeighboursAndHoldsTheEnds) {
    // Values stand at the middles of their blocks: hop 4 puts value i at sample 4 i + 1.5.
    const std::vector<double> track = {100, 110, 120, 0, 140, 150};
    const double rate = 1000;
    // Steps of 2 ms over 24 samples: 12 steps at samples 0, 2, 4, ...
    const std::vector<double> steps = SamplePitchTrack(track, 4, rate, 0.002, 24);
    ASSERT_EQ(steps.size(), 12u);
    const std::vector<double> expected = {
        100,     // sample 0, before the first middle: held
        101.25,  // sample 2: an eighth of the way from 100 to 110
        106.25,  // sample 4
        111.25,  // sample 6
        116.25,  // sample 8
        0,       // sample 10: between 120 and an unvoiced value
        0,       // sample 12
        0,       // sample 14: between an unvoiced value and 140
        0,       // sample 16
        141.25,  // sample 18
        146.25,  // sample 20
        150,     // sample 22, past the last middle: held
    };
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_DOUBLE_EQ(steps[k], expected[k]) << k;

    // Exactly on a voiced value next to an unvoiced one: that value.
    EXPECT_EQ(SamplePitchTrack(track, 1, 1, 1, 6), track);

    // Fed in pieces of any size, the steps are the same.
    std::vector<double> long_track(1000);
    for (std::size_t i = 0; i < long_track.size(); ++i)
        long_track[i] = i % 97 < 10 ? 0 : 80 + std::sin(0.01 * i) * 30;
    const std::vector<double> whole = SamplePitchTrack(long_track, 3, 8000, 0.0007, 3002);
    // Fed in pieces of any size, the steps are the same; and they read no value of a piece
    // but those ValuesRead names (the others are NaN here, as a track computed for the steps
    // alone leaves them).
    for (std::size_t piece : {1u, 2u, 7u, 500u}) {
        for (const bool onlyRead : {false, true}) {
            PitchStepSampler sampler(3, 8000, 0.0007, 3002);
            std::vector<double> got;
            const auto keep = [&](std::int64_t k, double seconds, double value) {
                EXPECT_EQ(k, static_cast<std::int64_t>(got.size()));
                EXPECT_DOUBLE_EQ(seconds, 0.0007 * k);
                got.push_back(value);
            };
            for (std::size_t at = 0; at < long_track.size(); at += piece) {
                const std::size_t end = std::min(at + piece, long_track.size());
                std::vector<double> values(long_track.begin() + at, long_track.begin() + end);
                if (onlyRead) {
                    std::vector<int> offsets;
                    sampler.ValuesRead(at, end, offsets);
                    ASSERT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
                    std::vector<double> kept(values.size(), NAN);
                    for (const int offset : offsets)
                        kept.at(offset) = values.at(offset);
                    values = kept;
                }
                sampler.Add(values, keep);
            }
            sampler.Finish(keep);
            EXPECT_EQ(got, whole) << piece;
        }
    }
    // Steps of 44.1 values read two values each: steps 101 to 199 both of theirs within
    // [4410, 8820), steps 100 and 200 one each.
    std::vector<int> offsets;
    PitchStepSampler(10, 44100, 0.01, 441000).ValuesRead(4410, 8820, offsets);
    EXPECT_EQ(offsets.size(), 200u);
    EXPECT_EQ(offsets.front(), 0);
    EXPECT_EQ(offsets.back(), 8819 - 4410);
}

TEST(CliPitchSteps, CountsTheStepsWithinTheSoundAndRefusesBadArguments) {
    // 1 s at 0.01 s: 0 .. 0.99, not 1.00; a step longer than the sound: only 0.
    EXPECT_EQ(PitchStepSampler(10, 44100, 0.01, 44100).StepCount(), 100);
    EXPECT_EQ(PitchStepSampler(10, 44100, 0.01, 44101).StepCount(), 101);
    EXPECT_EQ(PitchStepSampler(10, 44100, 0.1, 44099).StepCount(), 10);
    EXPECT_EQ(PitchStepSampler(10, 44100, 5, 44100).StepCount(), 1);
    EXPECT_EQ(PitchStepSampler(10, 44100, 5, 0).StepCount(), 0);
    // No track at all: unvoiced throughout.
    EXPECT_EQ(SamplePitchTrack({}, 10, 44100, 0.01, 5), std::vector<double>{0});
    EXPECT_THROW(PitchStepSampler(0, 44100, 0.01, 1), std::invalid_argument);
    EXPECT_THROW(PitchStepSampler(1, 0, 0.01, 1), std::invalid_argument);
    EXPECT_THROW(PitchStepSampler(1, 44100, NAN, 1), std::invalid_argument);
    EXPECT_THROW(PitchStepSampler(1, 44100, -1, 1), std::invalid_argument);
}

}  // namespace
}  // namespace tonalyx::cli
