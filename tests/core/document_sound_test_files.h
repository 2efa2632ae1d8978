#pragma once

// Helpers shared by the tests of the sound-file entry point and the frame sources: fixtures
// written through libsndfile from our own synthetic voices, and a direct G.711 decoder.

#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/document_wave_test_files.h"
#include "document/SoundFileWriter.h"
#include "tools/SyntheticVoice.h"

namespace tonalyx::testing {

// Two different voices as interleaved 16-bit stereo frames: a glide on the left, a vibrato
// with noise bursts on the right.
inline std::vector<int16_t> TwoVoices(double seconds, double sampleRate) {
    VoiceRecipe left;
    left.sampleRate = sampleRate;
    left.duration = seconds;
    left.voiced = {{0.0, seconds, 110, 180, 0, 0}};
    left.peak = 12000;
    VoiceRecipe right = left;
    right.source = VoiceSource::Harmonics;
    right.voiced = {{0.05, seconds - 0.05, 220, 220, 0.05, 5}};
    right.bursts = {{0, 0.05, 0.3}};
    right.peak = 9000;
    right.seed = 7;
    const std::vector<double> a = SynthesizeVoice(left);
    const std::vector<double> b = SynthesizeVoice(right);
    std::vector<int16_t> frames;
    for (std::size_t i = 0; i < a.size(); ++i) {
        frames.push_back(static_cast<int16_t>(a[i]));
        frames.push_back(static_cast<int16_t>(b[i]));
    }
    return frames;
}

// Interleaved 24-bit codes spread over the whole range, low bits included.
inline std::vector<int32_t> Random24BitCodes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> code(-(1 << 23), (1 << 23) - 1);
    std::vector<int32_t> codes(count);
    for (int32_t& c : codes)
        c = code(random);
    return codes;
}

inline std::string WriteSound(const TempDir& dir, const std::string& name,
                              const SoundFileLayout& layout, const auto& samples) {
    const std::string path = dir.File(name);
    std::string error;
    if (!WriteSoundFile(path, layout, samples, &error)) {
        throw std::runtime_error("cannot write " + path + ": " + error);
    }
    return path;
}

// G.711 expansion as the standard gives it: mu-law to a 14-bit and A-law to a 13-bit linear
// value, scaled to 16 bits.
inline int16_t DecodeMuLaw(uint8_t code) {
    const int u = ~code & 0xFF;
    const int magnitude = ((((u & 0x0F) << 3) + 0x84) << ((u >> 4) & 0x07)) - 0x84;
    return static_cast<int16_t>((u & 0x80) ? -magnitude : magnitude);
}

inline int16_t DecodeALaw(uint8_t code) {
    const int a = code ^ 0x55;
    const int segment = (a >> 4) & 0x07;
    int magnitude = (a & 0x0F) << 4;
    if (segment == 0) {
        magnitude += 8;
    } else {
        magnitude = (magnitude + 0x108) << (segment - 1);
    }
    return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

}  // namespace tonalyx::testing
