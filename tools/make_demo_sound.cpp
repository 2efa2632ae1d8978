// Writes the demo recording: about 3.5 seconds of synthetic speech-like sound, 16-bit mono at
// 16 kHz. Two voiced syllables separated by a short pause: a glottal-pulse source whose pitch
// glides 110 -> 220 Hz and then 220 -> 150 Hz, shaped by four formant resonators moving from
// one vowel to another, with a little breath noise. The output is the same on every run.
//
// Usage: make_demo_sound OUT.wav

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

#include "document/WaveWriter.h"
#include "tools/SyntheticVoice.h"

namespace {

using namespace tonalyx;

constexpr double kRate = 16000;
constexpr double kTotalSeconds = 3.5;
constexpr double kPi = std::numbers::pi;

// Formant frequencies and bandwidths in Hz.
struct Vowel {
    std::array<double, 4> frequency;
    std::array<double, 4> bandwidth;
};
constexpr Vowel kA{{730, 1090, 2440, 3400}, {90, 110, 170, 250}};
constexpr Vowel kI{{270, 2290, 3010, 3700}, {60, 100, 170, 250}};
constexpr Vowel kU{{300, 870, 2240, 3400}, {70, 100, 170, 250}};

struct Syllable {
    double start, end;  // seconds
    double startPitch, endPitch;
    Vowel startVowel, endVowel;
};
constexpr Syllable kSyllables[] = {{0.10, 1.55, 110, 220, kA, kI}, {1.95, 3.40, 220, 150, kU, kA}};

// 0 -> 1 with zero slope at both ends.
double Ease(double x) {
    return 0.5 - 0.5 * std::cos(kPi * std::clamp(x, 0.0, 1.0));
}

// A two-pole resonator with unit gain at 0 Hz; its coefficients may change every sample.
class Resonator {
public:
    double Step(double input, double frequency, double bandwidth) {
        const double c = -std::exp(-2 * kPi * bandwidth / kRate);
        const double b =
            2 * std::exp(-kPi * bandwidth / kRate) * std::cos(2 * kPi * frequency / kRate);
        const double output = (1 - b - c) * input + b * y1_ + c * y2_;
        y2_ = y1_;
        y1_ = output;
        return output;
    }

private:
    double y1_ = 0, y2_ = 0;
};

const Syllable* SyllableAt(double t) {
    for (const Syllable& s : kSyllables) {
        if (t >= s.start && t < s.end) return &s;
    }
    return nullptr;
}

std::vector<double> Synthesize() {
    std::vector<double> out(static_cast<std::size_t>(kTotalSeconds * kRate));
    std::mt19937 random(20240611);  // fully specified generator: the same noise everywhere
    std::array<Resonator, 4> formants;
    Vowel vowel = kA;  // kept through the pause so the resonators ring out smoothly
    double phase = 0, previousFlow = 0;
    for (std::size_t n = 0; n < out.size(); ++n) {
        const double t = n / kRate;
        double excitation = 0;
        if (const Syllable* s = SyllableAt(t)) {
            const double progress = (t - s->start) / (s->end - s->start);
            const double w = Ease(progress);
            for (int k = 0; k < 4; ++k) {
                vowel.frequency[k] =
                    (1 - w) * s->startVowel.frequency[k] + w * s->endVowel.frequency[k];
                vowel.bandwidth[k] =
                    (1 - w) * s->startVowel.bandwidth[k] + w * s->endVowel.bandwidth[k];
            }
            const double pitch = s->startPitch + (s->endPitch - s->startPitch) * progress;
            phase = std::fmod(phase + pitch / kRate, 1.0);
            const double flow = GlottalFlow(phase);
            // The flow's derivative is what radiates from the lips; breath noise rides on the
            // open phase.
            const double noise = random() / 2147483648.0 - 1.0;
            excitation = (flow - previousFlow) + 0.006 * (0.2 + flow) * noise;
            previousFlow = flow;
            const double edge = 0.08;  // seconds of gentle onset and offset
            excitation *= Ease((t - s->start) / edge) * Ease((s->end - t) / edge);
        }
        double y = excitation;
        for (int k = 0; k < 4; ++k)
            y = formants[k].Step(y, vowel.frequency[k], vowel.bandwidth[k]);
        out[n] = y;
    }
    double peak = 0;
    for (const double x : out)
        peak = std::max(peak, std::abs(x));
    for (double& x : out)
        x *= 0.7 / peak;
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.wav\n", argv[0]);
        return 2;
    }
    const WaveEncoding encoding{WaveSampleFormat::Pcm, 16, 1, static_cast<uint32_t>(kRate), false};
    if (!WriteWaveFile(argv[1], encoding, Synthesize())) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
