#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tonalyx {

// Sound files of the formats the program reads, written through libsndfile: fixtures for the
// tests, seed files for the fuzzer, long files for the benchmarks.

enum class SoundContainer { Wav, Aiff, Au, Caf, W64, Rf64, Nist, Flac, Ogg, Mpeg };

enum class SoundCoding {
    Pcm8,
    Pcm16,
    Pcm24,
    Pcm32,
    Float32,
    Ulaw,
    Alaw,
    ImaAdpcm,
    MsAdpcm,
    Gsm610,
    Vorbis,
    Opus,
    Mp3,
};

struct SoundFileLayout {
    SoundContainer container = SoundContainer::Wav;
    SoundCoding coding = SoundCoding::Pcm16;
    int channels = 1;
    int sampleRate = 44100;
};

// True when libsndfile can write the layout.
bool IsWritableLayout(const SoundFileLayout& layout);

// Writes interleaved frames to a file, whole or not at all (a temporary file in the same
// folder, renamed when complete). Samples are 32-bit integers of full scale ±2^31, so that a
// 24-bit code x is written exactly as x << 8; 16-bit samples are widened the same way. False,
// with the reason in *error, when the layout cannot be written or a write fails.
bool WriteSoundFile(const std::string& path, const SoundFileLayout& layout,
                    std::span<const int32_t> samples, std::string* error = nullptr);
bool WriteSoundFile(const std::string& path, const SoundFileLayout& layout,
                    std::span<const int16_t> samples, std::string* error = nullptr);

}  // namespace tonalyx
