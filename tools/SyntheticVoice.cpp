#include "tools/SyntheticVoice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace tonalyx {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHighestHarmonic = 5000;  // Hz
constexpr double kRampSeconds = 0.01;      // onset and offset of every voiced stretch
constexpr std::array<double, 4> kFormants = {730, 1090, 2440, 3400};
constexpr std::array<double, 4> kBandwidths = {90, 110, 170, 250};

double StretchF0(const VoicedStretch& s, double t) {
    const double x = (t - s.start) / (s.end - s.start);
    double f = s.startF0 * std::pow(s.endF0 / s.startF0, x);
    if (s.vibratoDepth != 0)
        f *= 1 + s.vibratoDepth * std::sin(2 * kPi * s.vibratoRate * (t - s.start));
    return f;
}

// Raised-cosine fade in and out over kRampSeconds, so that stretches start without a click.
double Ramp(const VoicedStretch& s, double t) {
    const double edge = std::min(t - s.start, s.end - t) / kRampSeconds;
    return edge >= 1 ? 1 : 0.5 - 0.5 * std::cos(kPi * std::max(edge, 0.0));
}

// A two-pole resonator with unit gain at 0 Hz.
class Resonator {
public:
    Resonator(double frequency, double bandwidth, double rate) {
        c_ = -std::exp(-2 * kPi * bandwidth / rate);
        b_ = 2 * std::exp(-kPi * bandwidth / rate) * std::cos(2 * kPi * frequency / rate);
        a_ = 1 - b_ - c_;
    }
    double Step(double input) {
        const double out = a_ * input + b_ * y1_ + c_ * y2_;
        y2_ = y1_;
        y1_ = out;
        return out;
    }

private:
    double a_ = 0, b_ = 0, c_ = 0, y1_ = 0, y2_ = 0;
};

void AddHarmonics(const VoiceRecipe& r, const VoicedStretch& s, std::mt19937& random,
                  std::vector<double>& out, std::size_t from, std::size_t to) {
    const double highest = std::min(kHighestHarmonic, 0.45 * r.sampleRate);
    const double topF0 = std::max(s.startF0, s.endF0) * (1 + std::abs(s.vibratoDepth));
    const int harmonics = std::max(1, static_cast<int>(highest / topF0));
    std::uniform_real_distribution<double> angle(0, 2 * kPi);
    std::vector<double> offsets(static_cast<std::size_t>(harmonics));
    for (double& o : offsets)
        o = angle(random);
    double phase = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double t = static_cast<double>(i) / r.sampleRate;
        double v = 0;
        for (int h = 1; h <= harmonics; ++h)
            v += std::sin(2 * kPi * h * phase + offsets[h - 1]) / h;
        out[i] += Ramp(s, t) * v;
        phase += StretchF0(s, t) / r.sampleRate;
        phase -= std::floor(phase);
    }
}

void AddPulses(const VoiceRecipe& r, const VoicedStretch& s, std::mt19937& random,
               std::vector<double>& out, std::size_t from, std::size_t to) {
    std::vector<Resonator> tract;
    for (std::size_t f = 0; f < kFormants.size(); ++f) {
        if (kFormants[f] < 0.45 * r.sampleRate)
            tract.emplace_back(kFormants[f], kBandwidths[f], r.sampleRate);
    }
    std::normal_distribution<double> normal(0, 1);
    double phase = 0, periodScale = 1, previousFlow = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double t = static_cast<double>(i) / r.sampleRate;
        const double flow = GlottalFlow(phase);
        double v = flow - previousFlow;  // radiation at the lips differentiates the flow
        previousFlow = flow;
        for (Resonator& formant : tract)
            v = formant.Step(v);
        out[i] += Ramp(s, t) * v;
        phase += StretchF0(s, t) / r.sampleRate * periodScale;
        if (phase >= 1) {
            phase -= 1;
            periodScale = 1 / std::max(0.5, 1 + r.jitter * normal(random));
        }
    }
}

std::size_t SampleAt(const VoiceRecipe& r, double seconds, std::size_t n) {
    return std::min(n, static_cast<std::size_t>(std::max(0.0, std::ceil(seconds * r.sampleRate))));
}

}  // namespace

// Glottal flow over one period (Rosenberg): a slow opening, a faster closing, then closed.
double GlottalFlow(double phase) {
    if (phase < 0.4) return 0.5 - 0.5 * std::cos(kPi * phase / 0.4);
    if (phase < 0.6) return std::cos(0.5 * kPi * (phase - 0.4) / 0.2);
    return 0;
}

double TrueF0(const VoiceRecipe& recipe, double seconds) {
    for (const VoicedStretch& s : recipe.voiced) {
        if (seconds >= s.start && seconds < s.end) return StretchF0(s, seconds);
    }
    return 0;
}

std::vector<double> SynthesizeVoice(const VoiceRecipe& recipe) {
    const std::size_t n = static_cast<std::size_t>(recipe.duration * recipe.sampleRate);
    std::vector<double> out(n, 0.0);
    std::mt19937 random(recipe.seed);
    for (const VoicedStretch& s : recipe.voiced) {
        const std::size_t from = SampleAt(recipe, s.start, n), to = SampleAt(recipe, s.end, n);
        if (recipe.source == VoiceSource::Harmonics) {
            AddHarmonics(recipe, s, random, out, from, to);
        } else {
            AddPulses(recipe, s, random, out, from, to);
        }
    }

    double peak = 0, power = 0;
    std::size_t voicedCount = 0;
    for (double v : out)
        peak = std::max(peak, std::abs(v));
    for (const VoicedStretch& s : recipe.voiced) {
        const std::size_t from = SampleAt(recipe, s.start, n), to = SampleAt(recipe, s.end, n);
        for (std::size_t i = from; i < to; ++i)
            power += out[i] * out[i];
        voicedCount += to - std::min(from, to);
    }
    const double gain = peak > 0 ? recipe.peak / peak : 0;
    for (double& v : out)
        v *= gain;
    const double rms = voicedCount > 0 ? gain * std::sqrt(power / voicedCount) : recipe.peak;

    std::normal_distribution<double> normal(0, 1);
    if (std::isfinite(recipe.snrDb)) {
        const double level = rms / std::pow(10.0, recipe.snrDb / 20);
        for (double& v : out)
            v += level * normal(random);
    }
    for (const NoiseBurst& b : recipe.bursts) {
        for (std::size_t i = SampleAt(recipe, b.start, n); i < SampleAt(recipe, b.end, n); ++i)
            out[i] += b.level * rms * normal(random);
    }
    for (double& v : out)
        v = std::clamp(std::round(v), -32768.0, 32767.0);
    return out;
}

}  // namespace tonalyx
