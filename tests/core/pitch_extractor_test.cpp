#include "pitch/PitchExtractor.h"

#include <atomic>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pitch/FilterBank.h"
#include "pitch/NoiseRatio.h"
#include "pitch/PitchCandidates.h"
#include "pitch/PitchKernels.h"
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

TEST(PitchBlocks, ProductionPathMatchesTheReferenceOnSeveralVoices) {
    // Pulses and harmonics, clean and noisy, at three rates, each several blocks long: the
    // production path against the whole-matrix reference computation.
    struct Voice {
        double rate;
        VoiceSource source;
        double snrDb;
    };
    for (const Voice& v :
         {Voice{8000, VoiceSource::Pulses, 30}, Voice{8000, VoiceSource::Harmonics, 15},
          Voice{16000, VoiceSource::Pulses, INFINITY}, Voice{44100, VoiceSource::Harmonics, 20}}) {
        SCOPED_TRACE(v.rate);
        VoiceRecipe recipe = Speech(v.rate, v.rate == 44100 ? 10.0 : 6.0, v.snrDb, 11);
        recipe.source = v.source;
        const std::vector<double> sound = SynthesizeVoice(recipe);
        int hop = 0, referenceHop = 0;
        const PitchTrack track = Extract(sound, v.rate, hop);
        const PitchTrack reference = Extract(sound, v.rate, referenceHop, kChannels, 10, true);
        EXPECT_EQ(hop, referenceHop);
        ASSERT_EQ(track.count, reference.count);
        const PitchFilterBank bank = DesignPitchFilterBank(v.rate, 80, kChannels, 12, 1.1);
        const int blockLength = DefaultPitchBlocking(bank, track.count).blockLength;
        ASSERT_GE((track.count + blockLength - 1) / blockLength, 3);
        int differences = 0;
        for (int i = 0; i < track.count; ++i) {
            if ((track.values[i] > 0) != (reference.values[i] > 0)) {
                ++differences;
            } else if (track.values[i] > 0) {
                ASSERT_NEAR(track.values[i] / reference.values[i], 1.0, 1e-9) << i;
            }
        }
        EXPECT_EQ(differences, 0);
        EXPECT_GT(VoicedCount(track), track.count / 3);
    }
}

// --- The sound read piece by piece. ---

// 16-bit samples of a voice, and a reader over them that insists on being read in order.
struct SampleStream {
    std::vector<std::int16_t> samples;
    std::int64_t next = 0;
    int reads = 0;

    PitchSampleReader Reader() {
        return [this](std::int64_t from, std::span<std::int16_t> out) {
            ASSERT_EQ(from, next);
            ASSERT_LE(out.size(), static_cast<std::size_t>(kPitchReadFrames));
            ASSERT_LE(from + static_cast<std::int64_t>(out.size()),
                      static_cast<std::int64_t>(samples.size()));
            std::copy_n(samples.begin() + from, out.size(), out.begin());
            next += static_cast<std::int64_t>(out.size());
            ++reads;
        };
    }
};

std::vector<std::int16_t> Samples16(const std::vector<double>& sound) {
    return std::vector<std::int16_t>(sound.begin(), sound.end());
}

void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(double)), 0) << i << ": " << a[i] << " " << b[i];
}

TEST(PitchStreaming, StreamedBlocksGiveTheBlockTrackBitForBit) {
    // 4 s at 8000 Hz (hop 1), in blocks shorter than their margins and in blocks that end one
    // sample before the sound, read by one and by three threads at a time.
    const PitchFilterBank bank = DesignPitchFilterBank(8000, 80, kChannels, 12, 1.1);
    const std::vector<double> signal = SynthesizeVoice(Speech(8000, 4.0, 25, 5));
    const int n = static_cast<int>(signal.size());
    const double threshold = PitchNoiseThreshold(10);
    for (const PitchBlocking blocking : {PitchBlocking{601, 1}, PitchBlocking{601, 3},
                                         PitchBlocking{n - 1, 2}, PitchBlocking{5000, 2}}) {
        SCOPED_TRACE(blocking.blockLength);
        std::vector<double> blocks(signal.size());
        TrackPitchInBlocks(bank, signal, threshold, blocking, blocks);
        std::vector<double> streamed;
        int read = 0;
        // The reader runs ahead of the sink by at most two blocks per thread and their margin.
        std::atomic<int> delivered{0};
        const int ahead = 2 * blocking.threads * blocking.blockLength + PitchBlockMargin(bank);
        const auto caller = std::this_thread::get_id();
        TrackPitchStreaming(
            bank, n,
            [&](std::span<double> out) {
                ASSERT_LE(read + static_cast<int>(out.size()), n);
                EXPECT_LE(read + static_cast<int>(out.size()), delivered + ahead);
                std::copy_n(signal.begin() + read, out.size(), out.begin());
                read += static_cast<int>(out.size());
            },
            threshold, blocking,
            [&](int first, std::span<const double> values) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                ASSERT_EQ(first, static_cast<int>(streamed.size()));
                streamed.insert(streamed.end(), values.begin(), values.end());
                delivered = static_cast<int>(streamed.size());
            });
        EXPECT_EQ(read, n);
        ExpectSameBits(streamed, blocks);
        EXPECT_GT(VoicedCount({streamed, n}), n / 3);
    }
}

TEST(PitchStreaming, ReadSoundGivesTheWholeVectorTrackBitForBit) {
    // 12 s at 44100 Hz and a few samples that do not fill a hop, in several default blocks;
    // and the track of a sound too short to have one.
    std::vector<std::int16_t> sound = Samples16(SynthesizeVoice(Speech(44100, 12.0, 25, 13)));
    sound.resize(sound.size() + 7, 1234);
    for (const std::size_t frames : {sound.size(), std::size_t{19}}) {
        SCOPED_TRACE(frames);
        std::vector<double> samples(sound.begin(), sound.begin() + frames);
        int hop = 0;
        const PitchTrack whole = ExtractPitch(samples.data(), static_cast<int>(frames), 44100, 80,
                                              kChannels, 12, 1.1, 10, hop);
        SampleStream stream{std::vector<std::int16_t>(sound.begin(), sound.begin() + frames)};
        std::vector<double> streamed;
        int streamedHop = 0;
        const std::int64_t count = ExtractPitchStreaming(
            stream.Reader(), static_cast<std::int64_t>(frames), 44100, 80, kChannels, 12, 1.1, 10,
            streamedHop, [&](std::int64_t first, std::span<const double> values) {
                ASSERT_EQ(first, static_cast<std::int64_t>(streamed.size()));
                streamed.insert(streamed.end(), values.begin(), values.end());
            });
        EXPECT_EQ(streamedHop, hop);
        EXPECT_EQ(count, whole.count);
        ExpectSameBits(streamed, whole.values);
        if (frames > 19) {
            const PitchFilterBank bank = DesignPitchFilterBank(44100, 80, kChannels, 12, 1.1);
            EXPECT_GT((whole.count + 0.0) / DefaultPitchBlocking(bank, whole.count).blockLength, 3);
            // Whole hops are read, the last 7 frames are not needed.
            EXPECT_EQ(stream.next, whole.count * hop);
            EXPECT_GT(stream.reads, 1);
        }
    }
}

TEST(PitchStreaming, ReaderFailuresAndBadArgumentsEndTheTrack) {
    const auto keep = [](std::int64_t, std::span<const double>) {};
    // Nothing is read after the reader fails, whichever thread it failed on.
    std::atomic<int> readsAfterFailure{0};
    std::atomic<bool> failed{false};
    const auto failing = [&](std::int64_t from, std::span<std::int16_t> out) {
        if (failed) ++readsAfterFailure;
        if (from > 100000) {
            failed = true;
            throw std::runtime_error("disk gone");
        }
        std::fill(out.begin(), out.end(), std::int16_t{100});
    };
    int hop = 0;
    for (int run = 0; run < 20; ++run) {
        failed = false;
        EXPECT_THROW(ExtractPitchStreaming(failing, 44100 * 20, 44100, 80, kChannels, 12, 1.1, 10,
                                           hop, keep),
                     std::runtime_error);
    }
    EXPECT_EQ(readsAfterFailure, 0);
    // A sink that fails ends the track with its failure.
    const auto steady = [](std::int64_t, std::span<std::int16_t> out) {
        std::fill(out.begin(), out.end(), std::int16_t{100});
    };
    int calls = 0;
    EXPECT_THROW(ExtractPitchStreaming(steady, 44100 * 20, 44100, 80, kChannels, 12, 1.1, 10, hop,
                                       [&](std::int64_t, std::span<const double>) {
                                           if (++calls == 2) throw std::runtime_error("disk full");
                                       }),
                 std::runtime_error);
    EXPECT_EQ(calls, 2);
    EXPECT_THROW(ExtractPitchStreaming(failing, -1, 44100, 80, kChannels, 12, 1.1, 10, hop, keep),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitchStreaming({}, 100, 44100, 80, kChannels, 12, 1.1, 10, hop, keep),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitchStreaming(failing, 100, 44100, 80, kChannels, 12, 1.1, NAN, hop, keep),
                 std::invalid_argument);
    EXPECT_THROW(ExtractPitchStreaming(failing, std::int64_t{1} << 40, 44100, 80, kChannels, 12,
                                       1.1, 10, hop, keep),
                 std::length_error);
}

// --- Candidates and the kernels of the per-sample loops. ---

TEST(PitchCandidates, RatioIsInterpolatedAtTheFixedPoint) {
    // IF 110 Hz in the 100 Hz channel and 100 Hz in the 120 Hz channel: the IF crosses the
    // centre frequencies at 106 2/3 Hz, a third of the way from the lower centre to the upper,
    // where the ratio is a third of the way from the lower channel's to the upper one's.
    PitchCandidate c;
    ASSERT_TRUE(FixedPoint(110, 100, 100, 120, 0.1, 0.4, c));
    EXPECT_NEAR(c.f0, 320.0 / 3, 1e-12);
    EXPECT_NEAR(c.ratio, 0.2, 1e-15);
    ASSERT_TRUE(FixedPoint(110, 100, 100, 120, 0.4, 0.1, c));
    EXPECT_NEAR(c.ratio, 0.3, 1e-15);
    // Any crossing: the ratio is linear in the F0 between the two centres.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> above(0.1, 30), ratio(0, 1);
    for (int i = 0; i < 1000; ++i) {
        const double centreLow = 150, centreHigh = 160;
        const double r0 = ratio(random), r1 = ratio(random);
        ASSERT_TRUE(FixedPoint(centreLow + above(random), centreHigh - above(random), centreLow,
                               centreHigh, r0, r1, c));
        ASSERT_GT(c.f0, centreLow);
        ASSERT_LE(c.f0, centreHigh);
        ASSERT_NEAR(c.ratio, r0 + (r1 - r0) * (c.f0 - centreLow) / (centreHigh - centreLow), 1e-12);
    }
    EXPECT_FALSE(FixedPoint(99, 100, 100, 120, 0.1, 0.4, c));   // below the lower centre
    EXPECT_FALSE(FixedPoint(110, 120, 100, 120, 0.1, 0.4, c));  // at the upper centre
}

// Runs a kernel call under each build the processor has; the results must be the same bits.
template <class Call>
void ForEachBuild(const Call& call) {
    for (const PitchInstructionSet set :
         {PitchInstructionSet::Sse2, PitchInstructionSet::Avx2, PitchInstructionSet::Avx512}) {
        if (!UsePitchInstructionSet(set)) continue;
        SCOPED_TRACE(set == PitchInstructionSet::Avx512 ? "AVX-512"
                     : set == PitchInstructionSet::Avx2 ? "AVX2"
                                                        : "SSE2");
        call();
    }
    UsePitchInstructionSet(BestPitchInstructionSet());
}

std::vector<std::complex<double>> FilterLikeValues(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> part(-1, 1), exponent(-30, 30);
    std::vector<std::complex<double>> z(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double scale = std::pow(2.0, exponent(random));
        z[i] = {scale * part(random), scale * part(random)};
        // Axes, diagonals, zeros and signed zeros, where the quadrant logic turns.
        switch (i % 16) {
            case 3:
                z[i] = {0.0, 0.0};
                break;
            case 5:
                z[i] = {z[i].real(), 0.0};
                break;
            case 6:
                z[i] = {0.0, z[i].imag()};
                break;
            case 7:
                z[i] = {z[i].real(), z[i].real()};
                break;
            case 8:
                z[i] = {z[i].real(), -z[i].real()};
                break;
            case 9:
                z[i] = {-1.0, -0.0};
                break;
            case 10:
                z[i] = {z[i].real(), z[i].real() * 0.41421356237309503};
                break;
        }
    }
    return z;
}

TEST(PitchKernels, PhaseStepsFollowTheExactAngles) {
    const int count = 4099;  // not a multiple of the vector width or of the chunks
    const std::vector<std::complex<double>> z = FilterLikeValues(count + 1, 1);
    const double rate = 4410;
    ForEachBuild([&] {
        std::vector<double> steps(count);
        ActivePitchKernels().phaseSteps(z.data(), count, rate, steps.data());
        const auto phase = [](std::complex<double> v) -> long double {
            if (v == 0.0) return 0;
            return atan2l(v.imag(), v.real()) / (2 * 3.14159265358979323846264338327950288L);
        };
        for (int j = 0; j < count; ++j) {
            const long double d = phase(z[j + 1]) - phase(z[j]);
            const long double wrapped = d + 0.5L - std::floor(d + 0.5L) - 0.5L;
            // A step of exactly half a cycle may wrap either way within rounding.
            if (std::abs(std::abs(wrapped) - 0.5L) < 1e-15L) continue;
            ASSERT_NEAR(steps[j], static_cast<double>(wrapped * rate), 2e-12) << j;
            ASSERT_GE(steps[j], -0.5 * rate);
            ASSERT_LT(steps[j], 0.5 * rate);
        }
    });
}

TEST(PitchKernels, AnglesAreWithinThreeUnitsInTheLastPlace) {
    const std::vector<std::complex<double>> z = FilterLikeValues(200000, 2);
    ForEachBuild([&] {
        const auto cycles = [](double y, double x) {
            return ActivePitchKernels().phaseCycles(y, x);
        };
        double worst = 0;
        for (const std::complex<double>& v : z) {
            if (v == 0.0) continue;
            const long double exact =
                atan2l(v.imag(), v.real()) / (2 * 3.14159265358979323846264338327950288L);
            const double rounded = static_cast<double>(exact);
            const double ulp = std::nextafter(std::abs(rounded), INFINITY) - std::abs(rounded);
            const double angle = cycles(v.imag(), v.real());
            worst = std::max(worst, static_cast<double>(std::abs(angle - exact) / ulp));
            ASSERT_EQ(std::signbit(angle), std::signbit(v.imag())) << v;
        }
        EXPECT_LE(worst, 3.0);
        EXPECT_EQ(cycles(1.0, 0.0), 0.25);
        EXPECT_EQ(cycles(-2.0, 0.0), -0.25);
        EXPECT_EQ(cycles(0.0, -1.0), 0.5);
        EXPECT_EQ(cycles(-0.0, -1.0), -0.5);
        EXPECT_EQ(cycles(3.0, 3.0), 0.125);
        EXPECT_EQ(cycles(-3.0, -3.0), -0.375);
    });
}

TEST(PitchKernels, BuildsGiveTheSameBitsAsTheScalarFormulas) {
    // Fixed points against FixedPoint and PitchChoice of the headers bit for bit, noise ratios
    // against NoiseRatio and ChannelSlopeAt to rounding; every result of
    // the two builds bit for bit against each other.
    const int count = 1031;
    const double rate = 4410;
    std::mt19937 random(4);
    std::uniform_real_distribution<double> frequency(90, 140), ratio(0, 1);
    // IF rows one sample longer than the ratios: the time derivative reads the next sample.
    std::vector<double> rows[3], ratios[2];
    for (std::vector<double>& row : rows)
        row.resize(count + 1);
    for (std::vector<double>& row : ratios)
        row.resize(count);
    for (int i = 0; i <= count; ++i) {
        for (std::vector<double>& row : rows)
            row[i] = frequency(random);
    }
    for (int i = 0; i < count; ++i) {
        ratios[0][i] = ratio(random);
        ratios[1][i] = ratio(random);
    }
    // The time derivative of row r from sample d to d + 1.
    const auto derivative = [&](int r, int d) { return (rows[r][d + 1] - rows[r][d]) * rate; };
    const double r = std::pow(2.0, 1.0 / 12), centre = 112, centreHigh = centre * r;
    const NoiseShape& shape = NoiseShapeConstants();
    const std::vector<std::complex<double>> z = FilterLikeValues(count + 1, 5);
    std::vector<double> firstResults;
    ForEachBuild([&] {
        std::vector<double> sigma(count), sigmaAtEnd(count);
        NoiseRatioRows noiseRows = {{rows[0].data(), rows[1].data(), rows[2].data()}, rate, false};
        ActivePitchKernels().noiseRatios(noiseRows, count, r, centre, shape.c1, shape.c2,
                                         sigma.data());
        // Ratios that end at the signal's last sample, whose derivative copies the one before.
        noiseRows.lastCopiesPrevious = true;
        ActivePitchKernels().noiseRatios(noiseRows, count, r, centre, shape.c1, shape.c2,
                                         sigmaAtEnd.data());
        // Two offers per sample (the second pair of channels reuses the rows) against the
        // candidates chosen one by one.
        std::vector<double> bestF0(count, 0.0),
            bestRatio(count, std::numeric_limits<double>::infinity());
        const FixedPointRows low = {rows[0].data(), rows[1].data(), ratios[0].data(),
                                    ratios[1].data()};
        const FixedPointRows high = {rows[1].data(), rows[2].data(), ratios[1].data(),
                                     ratios[0].data()};
        ActivePitchKernels().offerFixedPoints(low, count, centre, centreHigh, bestF0.data(),
                                              bestRatio.data());
        ActivePitchKernels().offerFixedPoints(high, count, centre, centreHigh, bestF0.data(),
                                              bestRatio.data());
        int offered = 0;
        for (int i = 0; i < count; ++i) {
            const double a = ChannelSlopeAt(rows[0][i], rows[1][i], rows[2][i], r) / centre;
            const double c =
                ChannelSlopeAt(derivative(0, i), derivative(1, i), derivative(2, i), r) / centre;
            ASSERT_NEAR(sigma[i], NoiseRatio(a, c, centre, shape), 1e-12 * sigma[i]) << i;
            if (i + 1 < count) {
                ASSERT_EQ(sigmaAtEnd[i], sigma[i]) << i;
            } else {
                const int d = i - 1;
                const double copied =
                    ChannelSlopeAt(derivative(0, d), derivative(1, d), derivative(2, d), r) /
                    centre;
                ASSERT_NEAR(sigmaAtEnd[i], NoiseRatio(a, copied, centre, shape),
                            1e-12 * sigmaAtEnd[i]);
                ASSERT_NE(sigmaAtEnd[i], sigma[i]);
            }

            PitchChoice choice;
            PitchCandidate candidate;
            if (FixedPoint(rows[0][i], rows[1][i], centre, centreHigh, ratios[0][i], ratios[1][i],
                           candidate))
                choice.Offer(candidate);
            if (FixedPoint(rows[1][i], rows[2][i], centre, centreHigh, ratios[1][i], ratios[0][i],
                           candidate))
                choice.Offer(candidate);
            offered += choice.Ratio() < INFINITY;
            ASSERT_EQ(bestRatio[i], choice.Ratio()) << i;
            ASSERT_EQ(bestF0[i] * (bestRatio[i] < INFINITY), choice.F0(2.0)) << i;
        }
        EXPECT_GT(offered, count / 10);

        std::vector<double> steps(count);
        ActivePitchKernels().phaseSteps(z.data(), count, 8000, steps.data());
        std::vector<double> results = steps;
        results.insert(results.end(), sigma.begin(), sigma.end());
        results.insert(results.end(), sigmaAtEnd.begin(), sigmaAtEnd.end());
        results.insert(results.end(), bestF0.begin(), bestF0.end());
        if (firstResults.empty()) {
            firstResults = results;
        } else {
            ExpectSameBits(results, firstResults);
        }
    });
}

}  // namespace
}  // namespace tonalyx
