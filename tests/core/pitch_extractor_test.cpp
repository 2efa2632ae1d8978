#include "pitch/PitchExtractor.h"

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "pitch/FilterBank.h"
#include "pitch/PitchTrackSampling.h"
#include "pitch/PitchTracking.h"
#include "tools/SyntheticVoice.h"

namespace tonalyx {
namespace {

// The program's defaults: 80 to 640 Hz (37 channels at 12 per octave), 10 dB.
constexpr int kChannels = 37;

PitchTrack Extract(std::vector<double> samples, double rate, int& hop, int channels = kChannels,
                   double thresholdDb = 10, bool reference = false) {
    const auto extract = reference ? ExtractPitchReference : ExtractPitch;
    return extract(samples.data(), static_cast<int>(samples.size()), rate, 80, channels, 12, 1.1,
                   thresholdDb, hop);
}

VoiceRecipe Speech(double rate, double duration, double snrDb, unsigned seed) {
    VoiceRecipe r;
    r.sampleRate = rate;
    r.duration = duration;
    r.source = VoiceSource::Pulses;
    r.jitter = 0.01;
    r.snrDb = snrDb;
    r.seed = seed;
    // Voiced stretches of varying F0 with short pauses between them.
    for (double start = 0.1; start + 0.5 < duration; start += 0.8) {
        const double f0 = 110 + 37 * std::fmod(start * 3.1, 5.0);
        r.voiced.push_back({start, start + 0.6, f0, f0 * 1.3, 0.02, 5});
    }
    return r;
}

int VoicedCount(const PitchTrack& track) {
    int voiced = 0;
    for (double v : track.values)
        voiced += v > 0;
    return voiced;
}

TEST(PitchExtractor, SilenceGivesZerosOnBothComputations) {
    for (bool reference : {false, true}) {
        int hop = 0;
        const PitchTrack track =
            Extract(std::vector<double>(44100, 0.0), 44100, hop, kChannels, 10, reference);
        EXPECT_EQ(hop, 10);
        ASSERT_EQ(track.count, 4410);
        ASSERT_EQ(track.values.size(), 4410u);
        for (double v : track.values)
            ASSERT_EQ(v, 0.0);
    }
}

TEST(PitchExtractor, OneChannelNeverFindsAPitch) {
    VoiceRecipe r = Speech(8000, 1.0, INFINITY, 1);
    int hop = 0;
    const PitchTrack track = Extract(SynthesizeVoice(r), 8000, hop, 1);
    EXPECT_EQ(hop, 15);  // the top channel is the lowest: trunc(8000 / (6.3 * 80))
    EXPECT_EQ(track.count, 533);
    EXPECT_EQ(VoicedCount(track), 0);
}

TEST(PitchExtractor, SoundsShorterThanTwoHopsGiveZeros) {
    for (int n : {0, 5, 10, 19}) {
        std::vector<double> samples(static_cast<std::size_t>(n), 1000.0);
        int hop = 0;
        const PitchTrack track = Extract(samples, 44100, hop);
        EXPECT_EQ(hop, 10);
        EXPECT_EQ(track.count, n / 10);
        EXPECT_EQ(track.values, std::vector<double>(static_cast<std::size_t>(n / 10), 0.0));
    }
    // Two decimated samples are enough to run every step.
    std::vector<double> two = {0, 3000,  0, -3000, 0, 3000,  0, -3000, 0, 3000,
                               0, -3000, 0, 3000,  0, -3000, 0, 3000,  0, -3000};
    int hop = 0;
    const PitchTrack track = Extract(two, 44100, hop);
    ASSERT_EQ(track.count, 2);
    for (double v : track.values)
        EXPECT_TRUE(std::isfinite(v));
}

TEST(PitchExtractor, SoundIsDecimatedInPlace) {
    std::vector<double> samples(100);
    for (int i = 0; i < 100; ++i)
        samples[i] = i;
    int hop = 0;
    const PitchTrack track =
        ExtractPitch(samples.data(), 100, 44100, 80, kChannels, 12, 1.1, 10, hop);
    ASSERT_EQ(hop, 10);
    EXPECT_EQ(track.count, 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_DOUBLE_EQ(samples[i], 10 * i + 4.5);
}

TEST(PitchExtractor, LeftOutTopChannelsChangeNothing) {
    // 1000 to 32000 Hz at one channel per octave at 8000 Hz: the 16000 and 32000 Hz channels
    // have no filter, and the track is the one of the four usable channels.
    VoiceRecipe r;
    r.sampleRate = 8000;
    r.duration = 0.5;
    r.source = VoiceSource::Harmonics;
    r.voiced = {{0.05, 0.45, 1300, 1500}};
    const std::vector<double> sound = SynthesizeVoice(r);
    std::vector<double> a = sound, b = sound;
    int hopA = 0, hopB = 0;
    const PitchTrack six = ExtractPitch(a.data(), 4000, 8000, 1000, 6, 1, 1.1, 10, hopA);
    const PitchTrack four = ExtractPitch(b.data(), 4000, 8000, 1000, 4, 1, 1.1, 10, hopB);
    EXPECT_EQ(hopA, hopB);
    EXPECT_EQ(six.values, four.values);
    for (double v : six.values)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(PitchExtractor, HigherThresholdAcceptsFewerSamples) {
    const std::vector<double> sound = SynthesizeVoice(Speech(16000, 2.5, 5, 3));
    int hop = 0;
    const int all = VoicedCount(Extract(sound, 16000, hop, kChannels, -3000));
    const int at0 = VoicedCount(Extract(sound, 16000, hop, kChannels, 0));
    const int at10 = VoicedCount(Extract(sound, 16000, hop, kChannels, 10));
    const int at20 = VoicedCount(Extract(sound, 16000, hop, kChannels, 20));
    EXPECT_GT(all, at0);
    EXPECT_GT(at0, at10);
    EXPECT_GT(at10, at20);
    EXPECT_GT(at10, 0);
}

TEST(PitchExtractor, BadArgumentsAreRefused) {
    std::vector<double> samples(100, 0.0);
    int hop = 0;
    EXPECT_THROW(ExtractPitch(samples.data(), -1, 44100, 80, 37, 12, 1.1, 10, hop),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitch(nullptr, 100, 44100, 80, 37, 12, 1.1, 10, hop),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitch(samples.data(), 100, 44100, 80, 0, 12, 1.1, 10, hop),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitch(samples.data(), 100, 44100, 80, 37, 12, 1.1, NAN, hop),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitch(samples.data(), 100, -1, 80, 37, 12, 1.1, 10, hop),
                 std::invalid_argument);
}

// The whole-signal track with the noise ratio of every chosen candidate.
struct WholeTrack {
    std::vector<double> f0, ratio;
};

WholeTrack TrackWhole(const std::vector<double>& signal, const PitchFilterBank& bank,
                      double threshold) {
    WholeTrack whole{std::vector<double>(signal.size()), std::vector<double>(signal.size())};
    TrackPitchWhole(bank, signal, threshold, whole.f0, whole.ratio);
    return whole;
}

// The block computation against the whole one: the same samples have candidates, the chosen
// noise ratios agree to rounding, voicing decisions agree wherever the ratio is not within
// rounding of the threshold, and F0 to 1e-6 relative where both are voiced.
void ExpectBlocksMatch(const std::vector<double>& signal, const PitchFilterBank& bank,
                       double threshold, const WholeTrack& whole, PitchBlocking blocking) {
    const std::size_t n = signal.size();
    std::vector<double> f0(n), ratio(n);
    TrackPitchInBlocks(bank, signal, threshold, blocking, f0, ratio);
    int compared = 0, voiced = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(std::isinf(whole.ratio[i]), std::isinf(ratio[i])) << "sample " << i;
        if (!std::isinf(whole.ratio[i])) {
            ASSERT_NEAR(ratio[i], whole.ratio[i], 1e-10) << "sample " << i;
        }
        if (std::abs(whole.ratio[i] - threshold) <= 1e-6) continue;
        ++compared;
        ASSERT_EQ(whole.f0[i] > 0, f0[i] > 0) << "sample " << i;
        if (f0[i] > 0) {
            ++voiced;
            ASSERT_NEAR(f0[i] / whole.f0[i], 1.0, 1e-6) << "sample " << i;
        }
    }
    EXPECT_GT(compared, static_cast<int>(n) * 99 / 100);
    EXPECT_GT(voiced, static_cast<int>(n) / 3);
}

TEST(PitchBlocks, BlocksGiveTheWholeSoundTrack) {
    // 4 s at 8000 Hz in blocks of 3000 and of 601 decimated samples (11 and 54 blocks), on two
    // threads and on one; the margins each side are longer than the shorter blocks.
    const PitchFilterBank bank = DesignPitchFilterBank(8000, 80, kChannels, 12, 1.1);
    ASSERT_GT(PitchBlockMargin(bank), 601);
    const std::vector<double> signal = SynthesizeVoice(Speech(8000, 4.0, 25, 7));
    const double threshold = PitchNoiseThreshold(10);
    const WholeTrack whole = TrackWhole(signal, bank, threshold);
    ExpectBlocksMatch(signal, bank, threshold, whole, {3000, 2});
    ExpectBlocksMatch(signal, bank, threshold, whole, {601, 1});
}

TEST(PitchBlocks, DigitalSilenceIsUnvoicedInBoth) {
    const PitchFilterBank bank = DesignPitchFilterBank(8000, 80, kChannels, 12, 1.1);
    std::vector<double> signal = SynthesizeVoice(Speech(8000, 4.0, 25, 9));
    // Two seconds of digital silence in the middle, longer than any filter.
    std::fill(signal.begin() + 12000, signal.begin() + 28000, 0.0);
    const double threshold = PitchNoiseThreshold(-3000);  // every candidate would be taken
    std::vector<double> whole(signal.size()), blocks(signal.size());
    TrackPitchWhole(bank, signal, threshold, whole);
    TrackPitchInBlocks(bank, signal, threshold, {2500, 2}, blocks);
    EXPECT_GT(VoicedCount({whole, 32000}), 10000);
    const int reach = PitchBlockMargin(bank);
    for (int i = 12000 + reach; i < 28000 - reach; ++i) {
        ASSERT_EQ(whole[i], 0.0) << i;
        ASSERT_EQ(blocks[i], 0.0) << i;
    }
}

TEST(PitchBlocks, ProductionPathMatchesTheReferenceOnSeveralBlocks) {
    const std::vector<double> sound = SynthesizeVoice(Speech(8000, 6.0, 30, 11));
    const PitchFilterBank bank = DesignPitchFilterBank(8000, 80, kChannels, 12, 1.1);
    ASSERT_LE(DefaultPitchBlocking(bank, 48000).blockLength, 48000 / 3);
    int hop = 0, referenceHop = 0;
    const PitchTrack track = Extract(sound, 8000, hop);
    const PitchTrack reference = Extract(sound, 8000, referenceHop, kChannels, 10, true);
    EXPECT_EQ(hop, referenceHop);
    ASSERT_EQ(track.count, reference.count);
    int differences = 0;
    for (int i = 0; i < track.count; ++i) {
        if ((track.values[i] > 0) != (reference.values[i] > 0)) {
            ++differences;
        } else if (track.values[i] > 0) {
            ASSERT_NEAR(track.values[i] / reference.values[i], 1.0, 1e-6) << i;
        }
    }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(VoicedCount(track), track.count / 3);
}

// A track of values m + 1 (m the index), so that every read names the entry it took.
std::vector<double> CountingTrack(int count) {
    std::vector<double> track(static_cast<std::size_t>(count));
    for (int m = 0; m < count; ++m)
        track[static_cast<std::size_t>(m)] = m + 1;
    return track;
}

TEST(PitchTrackSampling, TakesTheBlockOfTheNearestSampleAtEveryStep) {
    // 1 s at 16 kHz, hop 3: the time 0.5 s is sample 8000, in block 2666.
    const SteppedPitchTrack stepped = SamplePitchTrack(CountingTrack(5334), 3, 16000, 16000, 0.01);
    ASSERT_EQ(stepped.times.size(), 100u);
    ASSERT_EQ(stepped.values.size(), 100u);
    EXPECT_EQ(stepped.times[50], 50 * 0.01);
    EXPECT_EQ(stepped.values[50], 2666 + 1);
    EXPECT_EQ(stepped.values[0], 1);
    // 0.99 s is sample 15840, block 5280.
    EXPECT_EQ(stepped.values[99], 5280 + 1);

    // At 8 Hz a step of 3/16 s falls halfway between samples every other time (1.5 -> 2,
    // 4.5 -> 5); the sample 10.5 -> 11, and later 9.6 -> 10, lie past the sound's end.
    const SteppedPitchTrack halves = SamplePitchTrack(CountingTrack(10), 1, 8, 10, 0.1875);
    EXPECT_EQ(halves.values, (std::vector<double>{1, 3, 4, 6, 7, 9, 10}));
    const SteppedPitchTrack last = SamplePitchTrack(CountingTrack(10), 1, 8, 10, 1.2);
    EXPECT_EQ(last.values, (std::vector<double>{1}));
}

TEST(PitchTrackSampling, ReadsZeroPastTheTrackAndDoesNotDrift) {
    // The extractor's track may end before the sound: reads past it are unvoiced.
    const SteppedPitchTrack beyond = SamplePitchTrack({100, 200}, 4, 8, 16, 0.5);
    EXPECT_EQ(beyond.values, (std::vector<double>{100, 200, 0, 0}));

    // A million steps of 1 ms: each time is k x step, not a running sum.
    const int rate = 1000;
    const int count = 1000000;
    const SteppedPitchTrack stepped = SamplePitchTrack(CountingTrack(count), 1, rate, count, 0.001);
    ASSERT_EQ(stepped.times.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(stepped.times.back(), (count - 1) * 0.001);
    EXPECT_EQ(stepped.values.back(), count);
}

TEST(PitchTrackSampling, RefusesStepsShorterThanASampleAndBadTracks) {
    const std::vector<double> track = CountingTrack(10);
    EXPECT_THROW(SamplePitchTrack(track, 1, 100, 10, 0.0), std::invalid_argument);
    EXPECT_THROW(SamplePitchTrack(track, 1, 100, 10, -0.1), std::invalid_argument);
    EXPECT_THROW(SamplePitchTrack(track, 1, 100, 10, 0.009), std::invalid_argument);
    EXPECT_THROW(SamplePitchTrack(track, 1, 100, 10, std::nan("")), std::invalid_argument);
    EXPECT_THROW(SamplePitchTrack(track, 0, 100, 10, 0.01), std::invalid_argument);
    EXPECT_THROW(SamplePitchTrack(track, 1, 0, 10, 0.01), std::invalid_argument);
    EXPECT_EQ(SamplePitchTrack(track, 1, 100, 10, 0.01).values.size(), 10u);
    EXPECT_TRUE(SamplePitchTrack(track, 1, 100, 0, 0.01).values.empty());
}

}  // namespace
}  // namespace tonalyx
