// Measures the pitch extractor on a corpus of synthetic voices whose F0 is known, at 8, 16 and
// 44.1 kHz and at several background noise levels, and prints one table row per rate and
// noise level:
//   VDE    voicing decision error: frames whose voiced/unvoiced decision is wrong, of all frames
//   miss   voiced frames taken as unvoiced, of the voiced frames
//   false  unvoiced frames (pauses, voiceless bursts) taken as voiced, of the unvoiced frames
//   GPE    gross pitch error: frames voiced in both whose F0 is more than 20 % off, of those
//   cents  fine error |1200 log2(F0 / true F0)| of the other voiced-in-both frames: mean and
//          95th percentile, apart for the sounds without jitter and for those with 1 % and 2 %
//          period jitter (whose true F0 is the smooth contour the jittered periods scatter
//          around, so that the jitter itself counts as error)
// Frames within 40 ms of the start or end of a voiced stretch are not scored: the filters of
// the lowest channels are about that long, so decisions there depend on where the edge falls.
// The extractor runs with the program's defaults: 80 to 640 Hz, 12 channels per octave,
// length factor 1.1, threshold 10 dB.
//
// Usage: pitch_accuracy_report

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "pitch/PitchExtractor.h"
#include "tools/SyntheticVoice.h"

namespace {

using namespace tonalyx;

constexpr double kMinFreq = 80;
constexpr double kMaxFreq = 640;
constexpr int kChannelsPerOctave = 12;
constexpr double kLengthFactor = 1.1;
constexpr double kThresholdDb = 10;
constexpr double kEdgeGuard = 0.04;  // seconds
constexpr double kGrossError = 0.2;  // relative

struct Tally {
    long frames = 0, voiced = 0, unvoiced = 0;
    long missed = 0, falseVoiced = 0, bothVoiced = 0, gross = 0;
    std::vector<double> cents, jitteredCents;
};

// Pause, voiced stretch, voiceless burst, voiced stretch, pause: 3 s.
VoiceRecipe Sentence(double rate, VoiceSource source, VoicedStretch first, VoicedStretch second,
                     double jitter, double snrDb, unsigned seed) {
    VoiceRecipe r;
    r.sampleRate = rate;
    r.duration = 3.0;
    r.source = source;
    first.start = 0.3, first.end = 1.3;
    second.start = 1.8, second.end = 2.8;
    r.voiced = {first, second};
    r.bursts = {{1.4, 1.7, 0.3}};
    r.jitter = jitter;
    r.snrDb = snrDb;
    r.seed = seed;
    return r;
}

std::vector<VoiceRecipe> Corpus(double rate, double snrDb) {
    const VoicedStretch steady120{0, 0, 120, 120}, steady220{0, 0, 220, 220};
    const VoicedStretch steady330{0, 0, 330, 330}, glideUp{0, 0, 100, 250};
    const VoicedStretch glideDown{0, 0, 380, 160}, vibrato{0, 0, 200, 200, 0.04, 5.5};
    const VoicedStretch lowVibrato{0, 0, 110, 130, 0.03, 6.0};
    return {
        Sentence(rate, VoiceSource::Harmonics, steady120, steady330, 0, snrDb, 1),
        Sentence(rate, VoiceSource::Harmonics, glideUp, vibrato, 0, snrDb, 2),
        Sentence(rate, VoiceSource::Pulses, steady220, glideDown, 0, snrDb, 3),
        Sentence(rate, VoiceSource::Pulses, vibrato, lowVibrato, 0.01, snrDb, 4),
        Sentence(rate, VoiceSource::Pulses, glideUp, steady120, 0.02, snrDb, 5),
    };
}

bool NearVoicingEdge(const VoiceRecipe& r, double t) {
    for (const VoicedStretch& s : r.voiced) {
        if (std::abs(t - s.start) < kEdgeGuard || std::abs(t - s.end) < kEdgeGuard) return true;
    }
    return false;
}

void Score(const VoiceRecipe& recipe, Tally& tally) {
    std::vector<double> samples = SynthesizeVoice(recipe);
    const int channels = PitchChannelCount(kMinFreq, kMaxFreq, kChannelsPerOctave);
    int hop = 0;
    const PitchTrack track =
        ExtractPitch(samples.data(), static_cast<int>(samples.size()), recipe.sampleRate, kMinFreq,
                     channels, kChannelsPerOctave, kLengthFactor, kThresholdDb, hop);
    for (int i = 0; i < track.count; ++i) {
        const double t = (i * static_cast<double>(hop) + 0.5 * hop) / recipe.sampleRate;
        if (NearVoicingEdge(recipe, t)) continue;
        const double truth = TrueF0(recipe, t);
        const double f0 = track.values[i];
        ++tally.frames;
        if (truth > 0) {
            ++tally.voiced;
            if (f0 <= 0) {
                ++tally.missed;
                continue;
            }
            ++tally.bothVoiced;
            if (std::abs(f0 / truth - 1) > kGrossError) {
                ++tally.gross;
            } else {
                const double cents = std::abs(1200 * std::log2(f0 / truth));
                (recipe.jitter > 0 ? tally.jitteredCents : tally.cents).push_back(cents);
            }
        } else {
            ++tally.unvoiced;
            if (f0 > 0) ++tally.falseVoiced;
        }
    }
}

double Percent(long part, long whole) {
    return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const std::size_t index = static_cast<std::size_t>(std::ceil(p * values.size())) - 1;
    return values[std::min(index, values.size() - 1)];
}

double Mean(const std::vector<double>& values) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    for (double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

}  // namespace

int main() {
    const double rates[] = {8000, 16000, 44100};
    const std::pair<const char*, double> noises[] = {
        {"clean", std::numeric_limits<double>::infinity()},
        {"20 dB", 20},
        {"10 dB", 10},
        {"5 dB", 5}};
    std::printf("%-8s %-6s %7s %7s %7s %7s %7s %8s %8s %8s %8s\n", "rate", "noise", "frames",
                "VDE%", "miss%", "false%", "GPE%", "cents", "c95", "jit.c", "jit.c95");
    for (double rate : rates) {
        for (const auto& [name, snr] : noises) {
            Tally tally;
            for (const VoiceRecipe& recipe : Corpus(rate, snr))
                Score(recipe, tally);
            std::printf("%-8.0f %-6s %7ld %7.2f %7.2f %7.2f %7.2f %8.2f %8.2f %8.2f %8.2f\n", rate,
                        name, tally.frames, Percent(tally.missed + tally.falseVoiced, tally.frames),
                        Percent(tally.missed, tally.voiced),
                        Percent(tally.falseVoiced, tally.unvoiced),
                        Percent(tally.gross, tally.bothVoiced), Mean(tally.cents),
                        Percentile(tally.cents, 0.95), Mean(tally.jitteredCents),
                        Percentile(tally.jitteredCents, 0.95));
        }
    }
    return 0;
}
