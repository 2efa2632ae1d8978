// Formants by linear prediction: known resonators recovered, silence and clipping, the ceiling
// against the sample rate, streamed frames equal to the whole sound's, the tracks and the
// automatic ceiling.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "document/SoundFile.h"
#include "document/WaveWriter.h"
#include "formants/FormantFrame.h"
#include "formants/FormantTracker.h"
#include "formants/Formants.h"
#include "tests/core/document_wave_test_files.h"

namespace tonalyx {
namespace {

struct Resonance {
    double frequency, bandwidth;
};

// A pulse train at f0 through two-pole resonators in cascade, scaled to a peak of `peak`.
std::vector<int16_t> Vowel(int rate, double seconds, double f0,
                           const std::vector<Resonance>& resonances, double peak = 12000) {
    std::vector<double> x(static_cast<std::size_t>(seconds * rate));
    double phase = 0.0;
    for (double& v : x) {
        phase += f0 / rate;
        if (phase >= 1.0) phase -= 1.0, v = 1.0;
    }
    for (const Resonance& r : resonances) {
        const double radius = std::exp(-std::numbers::pi * r.bandwidth / rate);
        const double a1 = 2 * radius * std::cos(2 * std::numbers::pi * r.frequency / rate);
        const double a2 = -radius * radius;
        double y1 = 0, y2 = 0;
        for (double& v : x) {
            const double y = v + a1 * y1 + a2 * y2;
            y2 = y1, y1 = y, v = y;
        }
    }
    double top = 0;
    for (double v : x)
        top = std::max(top, std::abs(v));
    std::vector<int16_t> samples;
    for (double v : x)
        samples.push_back(static_cast<int16_t>(std::lround(v / top * peak)));
    return samples;
}

// The median of column c over the frames that have it.
double MedianColumn(const std::vector<double>& values, int count, int c) {
    std::vector<double> column;
    for (std::size_t k = static_cast<std::size_t>(c); k < values.size(); k += count)
        if (!std::isnan(values[k])) column.push_back(values[k]);
    if (column.empty()) return NAN;
    std::nth_element(column.begin(), column.begin() + column.size() / 2, column.end());
    return column[column.size() / 2];
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(PolynomialFormants, AngleAndRadiusGiveFrequencyAndBandwidthExactly) {
    const double rate = 11000, f = 730, b = 90;
    const double r = std::exp(-std::numbers::pi * b / rate);
    const double a[] = {0, 2 * r * std::cos(2 * std::numbers::pi * f / rate), -r * r};
    double frequencies[3], bandwidths[3];
    EXPECT_EQ(PolynomialFormants(a, 2, rate, 5500, 3, frequencies, bandwidths), 1);
    EXPECT_NEAR(frequencies[0], f, 1e-9);
    EXPECT_NEAR(bandwidths[0], b, 1e-9);
    EXPECT_TRUE(std::isnan(frequencies[1]) && std::isnan(bandwidths[2]));
    // A root outside the unit circle counts at its mirror image; 30 Hz and 5480 Hz are out.
    const double outside = 1.0 / r;
    const double mirrored[] = {0, 2 * outside * std::cos(2 * std::numbers::pi * f / rate),
                               -outside * outside};
    PolynomialFormants(mirrored, 2, rate, 5500, 1, frequencies, bandwidths);
    EXPECT_NEAR(bandwidths[0], b, 1e-9);
    for (double edge : {30.0, 5480.0}) {
        const double e[] = {0, 2 * r * std::cos(2 * std::numbers::pi * edge / rate), -r * r};
        EXPECT_EQ(PolynomialFormants(e, 2, rate, 5500, 1, frequencies, bandwidths), 0) << edge;
    }
}

TEST(Formants, RecoverTheResonancesOfPulseDrivenFilters) {
    // One two-pole filter: a fit of order 2 finds its pole, frequency and bandwidth.
    FormantSettings one;
    one.count = 1;
    one.preEmphasisHz = 0;  // the pulses' spectrum is flat already
    for (Resonance r : {Resonance{1000, 100}, Resonance{2400, 200}}) {
        const FormantTable t = MeasureFormants(Vowel(11000, 0.5, 100, {r}), 11000, one);
        EXPECT_NEAR(MedianColumn(t.frequencies, 1, 0), r.frequency, 0.01 * r.frequency);
        EXPECT_NEAR(MedianColumn(t.bandwidths, 1, 0), r.bandwidth, 0.25 * r.bandwidth);
    }
    // Four in cascade, at three rates (resampled to 9000 Hz but one). The resonances sit on
    // harmonics of F0, away from the bias that a harmonic beside a formant gives every
    // short-window estimate (the accuracy report measures that one).
    const std::vector<Resonance> vowel{{700, 60}, {1200, 70}, {2600, 110}, {3500, 150}};
    for (int rate : {9000, 22050, 44100}) {
        FormantSettings s;
        s.count = 4;
        s.ceilingHz = 4500;
        s.preEmphasisHz = 0;
        const FormantTable t = MeasureFormants(Vowel(rate, 0.5, 100, vowel), rate, s);
        ASSERT_GT(t.summary.frames, 50) << rate;
        EXPECT_EQ(t.summary.ceilingHz, 4500);
        for (int i = 0; i < 3; ++i) {
            const double f = vowel[static_cast<std::size_t>(i)].frequency;
            EXPECT_NEAR(MedianColumn(t.frequencies, 4, i), f, 0.02 * f) << rate << " F" << i + 1;
        }
        // Frames 6.25 ms apart, centred in the sound.
        EXPECT_NEAR(t.times[1] - t.times[0], 0.00625, 1e-12);
        EXPECT_NEAR(t.times.front() + t.times.back(), 0.5, 1e-9);
    }
}

TEST(Formants, SilenceHasNoneClippingStaysFiniteShortSoundsHaveNoFrames) {
    const FormantSettings s;
    std::vector<int16_t> silence(8000, 0);
    const FormantTable quiet = MeasureFormants(silence, 16000, s);
    ASSERT_GT(quiet.summary.frames, 0);
    for (double v : quiet.frequencies)
        EXPECT_TRUE(std::isnan(v));
    std::vector<int16_t> clipped(16000);
    for (std::size_t i = 0; i < clipped.size(); ++i)
        clipped[i] = (i / 40) % 2 ? 32767 : -32768;
    const FormantTable loud = MeasureFormants(clipped, 16000, s);
    int found = 0;
    for (std::size_t k = 0; k < loud.frequencies.size(); ++k) {
        if (std::isnan(loud.frequencies[k])) continue;
        ++found;
        EXPECT_GE(loud.frequencies[k], 50);
        EXPECT_LE(loud.frequencies[k], 5450);
        EXPECT_TRUE(std::isfinite(loud.bandwidths[k]));
    }
    EXPECT_GT(found, 0);
    const FormantTable brief = MeasureFormants(std::vector<int16_t>(700, 5), 16000, s);
    EXPECT_EQ(brief.summary.frames, 0);
    EXPECT_NE(brief.summary.note.find("shorter than the analysis window"), std::string::npos);
}

TEST(Formants, ACeilingAboveHalfTheRateIsLoweredAndSaid) {
    FormantSettings s;
    s.ceilingHz = 6000;
    const FormantTable t =
        MeasureFormants(Vowel(8000, 0.3, 110, {{600, 80}, {1500, 100}}), 8000, s);
    EXPECT_EQ(t.summary.ceilingHz, 4000);
    EXPECT_NE(t.summary.note.find("above half the sample rate"), std::string::npos);
    for (double f : t.frequencies)
        if (!std::isnan(f)) {
            EXPECT_LE(f, 3950);
        }
}

TEST(Formants, BadSettingsAreRefusedWithTheirReason) {
    const std::vector<int16_t> sound(16000, 1);
    const auto refused = [&](auto change) {
        FormantSettings s;
        change(s);
        EXPECT_THROW(MeasureFormants(sound, 16000, s), std::invalid_argument);
    };
    refused([](FormantSettings& s) { s.count = 0; });
    refused([](FormantSettings& s) { s.count = 11; });
    refused([](FormantSettings& s) { s.windowSeconds = 0; });
    refused([](FormantSettings& s) { s.stepSeconds = -1; });
    refused([](FormantSettings& s) { s.ceilingHz = NAN; });
    refused([](FormantSettings& s) { s.preEmphasisHz = -5; });
    refused([](FormantSettings& s) { s.track = true, s.count = 2; });
    refused([](FormantSettings& s) { s.autoCeiling = true, s.autoHighHz = 4000; });
    EXPECT_THROW(MeasureFormants(sound, 0, FormantSettings{}), std::invalid_argument);
}

TEST(Formants, StreamedFromAFileEqualsTheWholeSoundBitForBit) {
    const testing::TempDir dir;
    std::vector<int16_t> sound = Vowel(22050, 1.3, 140, {{500, 60}, {1500, 90}, {2500, 120}});
    const std::vector<int16_t> other = Vowel(22050, 1.0, 210, {{800, 80}, {1200, 90}, {2900, 150}});
    sound.insert(sound.end(), other.begin(), other.end());
    const std::string path = dir.File("vowels.wav");
    ASSERT_TRUE(WriteWaveFile(path, testing::Pcm(16, 1, 22050), sound));
    for (int mode = 0; mode < 3; ++mode) {
        FormantSettings s;
        s.track = mode == 1;
        s.autoCeiling = mode == 2;
        const FormantTable whole = MeasureFormants(sound, 22050, s, {1, 1 << 20, {}});
        auto source = OpenFrameSource(path, 0);
        ASSERT_TRUE(source);
        FormantTable streamed;
        int64_t expected = 0, progress = 0;
        streamed.summary = StreamFormants(
            *source, s,
            [&](const FormantBlock& b) {
                EXPECT_EQ(b.firstFrame, expected);
                expected += static_cast<int64_t>(b.times.size());
                streamed.times.insert(streamed.times.end(), b.times.begin(), b.times.end());
                streamed.frequencies.insert(streamed.frequencies.end(), b.frequencies.begin(),
                                            b.frequencies.end());
                streamed.bandwidths.insert(streamed.bandwidths.end(), b.bandwidths.begin(),
                                           b.bandwidths.end());
            },
            {2, 7, [&](int64_t done, int64_t) { progress = done; }});
        EXPECT_EQ(expected, whole.summary.frames) << mode;
        EXPECT_GT(progress, 0);
        EXPECT_TRUE(SameBits(streamed.times, whole.times)) << mode;
        EXPECT_TRUE(SameBits(streamed.frequencies, whole.frequencies)) << mode;
        EXPECT_TRUE(SameBits(streamed.bandwidths, whole.bandwidths)) << mode;
        EXPECT_EQ(streamed.summary.note, whole.summary.note);
    }
}

TEST(Formants, AReadThatStopsShortIsAnError) {
    const std::vector<int16_t> sound = Vowel(16000, 1.0, 120, {{600, 80}});
    const SampleReader shortRead = [&](int64_t first, std::span<int16_t> out) {
        const std::size_t n = first >= 8000 ? 0 : std::min<std::size_t>(out.size(), 8000 - first);
        std::copy_n(sound.begin() + first, n, out.begin());
        return n;
    };
    EXPECT_THROW(StreamFormants(shortRead, 16000, 16000, {}, [](const FormantBlock&) {}),
                 std::runtime_error);
}

TEST(FormantTracker, KeepsTracksThroughSpuriousCandidatesAndGaps) {
    std::vector<FormantTracker::Settled> out;
    FormantTracker tracker(5500, [&](const FormantTracker::Settled& s) { out.push_back(s); });
    const int frames = 200;
    for (int k = 0; k < frames; ++k) {
        const double f1 = 600 + k, f2 = 1700 - k, f3 = 2600;
        std::vector<double> f{f1, f2, f3, 3700}, b{80, 90, 120, 200};
        if (k % 10 == 3) f = {f1, 1000, f2, f3}, b = {80, 600, 90, 120};   // a spurious broad one
        if (k % 25 == 7) f = {f1, f3, NAN, NAN}, b = {80, 120, NAN, NAN};  // F2 lost
        tracker.Push(f.data(), b.data(), 4);
        // Frames leave while the input goes on, not all at the end.
        if (k == frames - 1) {
            EXPECT_GT(out.size(), 100u);
        }
    }
    tracker.Finish();
    ASSERT_EQ(out.size(), static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        const auto& s = out[static_cast<std::size_t>(k)];
        EXPECT_EQ(s.frame, k);
        EXPECT_EQ(s.frequencies[0], 600 + k);
        EXPECT_EQ(s.frequencies[2], 2600);
        if (k % 25 == 7) {
            EXPECT_TRUE(std::isnan(s.frequencies[1])) << k;
        } else {
            EXPECT_EQ(s.frequencies[1], 1700 - k) << k;
        }
    }
}

TEST(FormantTracker, AutomaticCeilingFollowsTheTractLength) {
    // Two voices, one with the formant spacing of a long tract (ceiling about 5000 Hz) and one
    // of a short tract (about 6000 Hz): each gets a ceiling that keeps its F1-F3 where they
    // are, the shorter tract the higher one, and the frames are those of a fixed run at the
    // chosen ceiling.
    const auto choose = [](double scale) {
        const std::vector<int16_t> sound = Vowel(22050, 1.0, 100 * scale,
                                                 {{500 * scale, 60},
                                                  {1500 * scale, 80},
                                                  {2500 * scale, 100},
                                                  {3500 * scale, 150},
                                                  {4500 * scale, 200}});
        FormantSettings s;
        s.autoCeiling = true;
        s.preEmphasisHz = 0;
        const FormantTable chosen = MeasureFormants(sound, 22050, s);
        EXPECT_NE(chosen.summary.note.find("ceiling chosen"), std::string::npos);
        s.autoCeiling = false;
        s.ceilingHz = chosen.summary.ceilingHz;
        EXPECT_TRUE(SameBits(chosen.frequencies, MeasureFormants(sound, 22050, s).frequencies));
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(MedianColumn(chosen.frequencies, 5, i), (500 + 1000 * i) * scale,
                        0.03 * (500 + 1000 * i) * scale)
                << "F" << i + 1 << " at scale " << scale;
        return chosen.summary.ceilingHz;
    };
    const double longTract = choose(1.0), shortTract = choose(1.2);
    EXPECT_LT(longTract, shortTract);
    EXPECT_LE(longTract, 5500);
    EXPECT_GE(shortTract, 5750);
}

}  // namespace
}  // namespace tonalyx
