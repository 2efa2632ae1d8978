#pragma once

#include <limits>
#include <vector>

namespace tonalyx {

// Synthetic sounds whose F0 is known at every instant, for checking and measuring the pitch
// extractor: voiced stretches with steady, gliding or vibrato F0, made either of a harmonic
// complex or of a glottal pulse train shaped by vowel formants, with pauses, voiceless noise
// bursts and background noise at a chosen S/N ratio. The same recipe gives the same samples.

// Glottal flow over one period (Rosenberg) at phase 0..1: a slow opening, a faster closing,
// then closed.
double GlottalFlow(double phase);

enum class VoiceSource {
    Harmonics,  // harmonics up to 5 kHz, amplitudes falling as 1/h, fixed random phases
    Pulses,     // glottal pulses (Rosenberg) through four formant resonators of an /a/
};

// F0 glides exponentially from startF0 to endF0; vibrato multiplies it by
// 1 + vibratoDepth sin(2 pi vibratoRate (t - start)).
struct VoicedStretch {
    double start = 0, end = 0;  // seconds
    double startF0 = 0, endF0 = 0;
    double vibratoDepth = 0;
    double vibratoRate = 0;
};

// White noise between start and end, at level times the voiced parts' RMS.
struct NoiseBurst {
    double start = 0, end = 0;
    double level = 0;
};

struct VoiceRecipe {
    double sampleRate = 44100;
    double duration = 1;  // seconds
    VoiceSource source = VoiceSource::Pulses;
    std::vector<VoicedStretch> voiced;
    std::vector<NoiseBurst> bursts;
    double jitter = 0;  // relative standard deviation of each pulse period (Pulses only)
    // Background white noise over the whole sound, against the voiced parts' power; infinite
    // for none (the pauses are then digital silence).
    double snrDb = std::numeric_limits<double>::infinity();
    double peak = 8000;  // largest voiced amplitude, in 16-bit sample units
    unsigned seed = 1;
};

// The true F0 at a time in seconds, 0 outside the voiced stretches.
double TrueF0(const VoiceRecipe& recipe, double seconds);

// The samples, rounded to whole 16-bit values and clipped like a recording.
std::vector<double> SynthesizeVoice(const VoiceRecipe& recipe);

}  // namespace tonalyx
