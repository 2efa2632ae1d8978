#pragma once

// The recording the spectrogram benchmarks analyse: two minutes at 44.1 kHz fitted into a view
// of 1920 columns.

#include <cmath>
#include <cstdint>

#include "analysis/ViewGeometry.h"
#include "document/SoundData.h"

namespace tonalyx::bench {

constexpr int kColumns = 1920;
constexpr int kRate = 44100;
constexpr int kSampleCount = 120 * kRate;

// Harmonics of a slowly gliding fundamental (90..250 Hz) under two moving formant peaks, with a
// little noise and pauses: a spectrum with the structure of voiced speech.
inline SoundData MakeVoiceLikeSound() {
    SoundData sound;
    sound.samples.resize(kSampleCount);
    sound.sampleCount = kSampleCount;
    sound.format.sampleRate = kRate;
    double phase = 0.0;
    std::uint32_t noise = 1;
    for (int i = 0; i < kSampleCount; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f0 = 170.0 + 80.0 * std::sin(2 * M_PI * 0.3 * t);
        phase += 2 * M_PI * f0 / kRate;
        const double formant1 = 500.0 + 200.0 * std::sin(2 * M_PI * 0.7 * t);
        const double formant2 = 1500.0 + 500.0 * std::sin(2 * M_PI * 0.45 * t);
        double v = 0.0;
        for (int h = 1; h <= 12; ++h) {
            const double f = h * f0;
            const double gain = 1.0 / (1.0 + std::pow((f - formant1) / 150.0, 2)) +
                                0.5 / (1.0 + std::pow((f - formant2) / 250.0, 2));
            v += gain * std::sin(h * phase) / h;
        }
        noise = noise * 1664525u + 1013904223u;
        const double hiss = ((noise >> 9) & 0x3FFF) / 16384.0 - 0.5;
        const bool voiced = std::fmod(t, 2.0) < 1.6;
        sound.samples[i] =
            static_cast<std::int16_t>(std::lround((voiced ? 9000.0 * v : 0.0) + 300.0 * hiss));
    }
    return sound;
}

inline const SoundData& VoiceLikeSound() {
    static const SoundData sound = MakeVoiceLikeSound();
    return sound;
}

inline ViewGeometry FittedView() {
    ViewGeometry geometry;
    geometry.sampleCount = kSampleCount;
    geometry.viewWidth = kColumns;
    return geometry;
}

}  // namespace tonalyx::bench
