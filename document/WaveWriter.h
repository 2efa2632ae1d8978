#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "document/SoundData.h"

namespace tonalyx {

enum class WaveSampleFormat { Pcm, IeeeFloat };

// How a wave file stores its samples.
struct WaveEncoding {
    WaveSampleFormat sampleFormat = WaveSampleFormat::Pcm;
    int bitsPerSample = 16;  // PCM: 8, 16, 24 or 32; IEEE float: 32 or 64
    int channels = 1;
    uint32_t sampleRate = 44100;
    bool extensible = false;  // write WAVE_FORMAT_EXTENSIBLE with a sub-format GUID
};

// One chunk of a RIFF file; its body is written with a pad byte when its length is odd.
struct RiffChunk {
    ChunkId id{};
    std::vector<uint8_t> body;
};

// True when the writer can produce the encoding.
bool IsWritableEncoding(const WaveEncoding& encoding);

// Samples are interleaved frames. Real samples have full scale ±1.0: they are rounded to the
// nearest integer code and clipped (8-bit PCM is offset by 128 as the format wants). Integer
// samples are 16-bit values: wider PCM codes get them in their top bits, 8-bit PCM keeps
// their top byte, float writes value / 32768. Empty when the encoding cannot be written.
std::vector<uint8_t> EncodeSampleData(const WaveEncoding& encoding,
                                      std::span<const double> samples);
std::vector<uint8_t> EncodeSampleData(const WaveEncoding& encoding,
                                      std::span<const int16_t> samples);

// The body of the "fmt " chunk: 16 bytes for PCM, 18 for float, 40 for the extensible form.
std::vector<uint8_t> EncodeFormatChunk(const WaveEncoding& encoding);

// A RIFF/WAVE file made of the given chunks in order.
std::vector<uint8_t> AssembleRiffWave(std::span<const RiffChunk> chunks);

// A complete wave file: "fmt ", a "fact" chunk for float data, then "data". Empty when the
// encoding cannot be written or the samples are not whole frames.
std::vector<uint8_t> EncodeWave(const WaveEncoding& encoding, std::span<const double> samples);
std::vector<uint8_t> EncodeWave(const WaveEncoding& encoding, std::span<const int16_t> samples);

// Writes bytes to a file, whole or not at all (a temporary file beside it, then a rename);
// false when it cannot be created or written completely.
bool WriteBytesToFile(const std::string& path, std::span<const uint8_t> bytes);

// EncodeWave written to a file.
bool WriteWaveFile(const std::string& path, const WaveEncoding& encoding,
                   std::span<const double> samples);
bool WriteWaveFile(const std::string& path, const WaveEncoding& encoding,
                   std::span<const int16_t> samples);

}  // namespace tonalyx
