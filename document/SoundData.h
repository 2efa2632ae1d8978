#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "document/SoundFileInfo.h"

namespace tonalyx {

// A RIFF chunk id: four bytes, not NUL-terminated.
using ChunkId = std::array<char, 4>;

// Format codes of the "fmt " chunk that the reader knows how to convert.
constexpr uint16_t kWaveFormatPcm = 0x0001;
constexpr uint16_t kWaveFormatIeeeFloat = 0x0003;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// An extensible format names its real coding by a GUID whose first two bytes are the plain
// format code; the other fourteen bytes are the same for every standard audio coding.
constexpr std::array<uint8_t, 14> kSubFormatGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The first 16 bytes of the "fmt " chunk, in file order. After a successful read it describes
// the converted sound: mono, 16 bits, at the file's sampling rate.
struct WaveFormat {
    uint16_t formatTag = kWaveFormatPcm;
    int16_t channels = 1;
    uint32_t sampleRate = 44100;
    uint32_t bytesPerSecond = 88200;
    uint16_t blockAlign = 2;
    int16_t bitsPerSample = 16;
};

// The data chunk size that means "not known when the header was written": the data go on to
// the end of the file.
constexpr int64_t kUnsetChunkSize = 0xFFFFFFFF;

// Where the chunk walk found one wanted chunk.
struct ChunkLocation {
    ChunkId id{};
    // The size field of the chunk header, read as the unsigned 32-bit number it is.
    int64_t size = 0;
    int64_t offset = 0;  // file offset of the first data byte; 0 when the chunk was not seen
};

// The loaded sound: one channel of the file as signed 16-bit samples. The main window keeps
// one for the whole run; every open refills it and every close empties it.
struct SoundData {
    ChunkId riffId{'R', 'I', 'F', 'F'};
    int32_t riffSize = 0;
    ChunkId waveId{'W', 'A', 'V', 'E'};
    ChunkLocation fmtChunk{{'f', 'm', 't', ' '}};
    ChunkLocation dataChunk{{'d', 'a', 't', 'a'}};
    std::vector<int16_t> samples;
    WaveFormat format;
    int32_t sampleCount = 0;
    int32_t channelIndex = 0;
    // Longest stretch loaded, in seconds; below 1 means no limit.
    int maxSoundLength = 120;
    // The file the samples came from: its reader, container, codec and own layout.
    SoundFileInfo origin;

    // Empties the sound as closing a file does.
    void Clear() {
        samples = {};
        sampleCount = 0;
        dataChunk.size = 0;
        origin = {};
    }
};

}  // namespace tonalyx
