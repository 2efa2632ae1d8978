#include "pitch/PitchExtractor.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pitch/FilterBank.h"
#include "pitch/PitchTracking.h"
#include "pitch_test_support.h"
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

        // Chosen values alone (every 37th and its neighbour, none at all in [1000, 3000)) are
        // the track's values; the others are NaN.
        const auto chosen = [](std::int64_t i) { return i % 37 < 2 && (i < 1000 || i >= 3000); };
        std::vector<double> sparse;
        TrackPitchStreaming(
            bank, n,
            [&, at = 0](std::span<double> out) mutable {
                std::copy_n(signal.begin() + at, out.size(), out.begin());
                at += static_cast<int>(out.size());
            },
            threshold, blocking,
            [&](int, std::span<const double> values) {
                sparse.insert(sparse.end(), values.begin(), values.end());
            },
            [&](std::int64_t first, std::int64_t last, std::vector<int>& offsets) {
                for (std::int64_t i = first; i < last; ++i) {
                    if (chosen(i)) offsets.push_back(static_cast<int>(i - first));
                }
            });
        ASSERT_EQ(sparse.size(), blocks.size());
        for (int i = 0; i < n; ++i) {
            if (chosen(i))
                ASSERT_EQ(sparse[i], blocks[i]) << i;
            else
                ASSERT_TRUE(std::isnan(sparse[i])) << i;
        }
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
    // A chooser whose offsets leave the block or repeat one would write past its values.
    const PitchSampleReader zeros = [](std::int64_t, std::span<std::int16_t> out) {
        std::fill(out.begin(), out.end(), std::int16_t{0});
    };
    for (const std::vector<int>& bad : {std::vector<int>{-1}, std::vector<int>{3, 3},
                                        std::vector<int>{5, 2}, std::vector<int>{1 << 30}}) {
        int hop = 0;
        EXPECT_THROW(ExtractPitchStreaming(
                         zeros, 44100, 44100, 80, kChannels, 12, 1.1, 10, hop, keep,
                         [&](std::int64_t, std::int64_t, std::vector<int>& out) { out = bad; }),
                     std::invalid_argument);
    }
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

}  // namespace
}  // namespace tonalyx
