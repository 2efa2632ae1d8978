#pragma once

#include <string>

#include "document/ByteSource.h"
#include "document/SoundData.h"

namespace tonalyx {

// Why a wave file was refused.
enum class WaveReadError {
    None,
    CannotOpen,
    NotWavExtension,
    NotRiffWave,
    MissingFormatChunk,
    ShortFormatChunk,
    UnsupportedFormat,
    UnsupportedSubFormat,
    NoChannels,
    UnsupportedBitDepth,
    ZeroSampleRate,
    NoData,
    NoWholeFrame,
    OutOfMemory,
};

// A short English text for the reason, without the file's particulars.
const char* DescribeWaveReadError(WaveReadError error);
// The same text with the format tag or bit depth filled in where the reason concerns them;
// format is the sound's format as the failed read left it.
std::string DescribeWaveReadError(WaveReadError error, const WaveFormat& format);

// Fills sound with one channel of a RIFF/WAVE file, converted to signed 16 bits. channel is
// clamped to the file's channels; at most sound.maxSoundLength seconds are loaded; sound.origin
// describes the file and what the conversion changed. Chunk sizes are unsigned: a data chunk
// that runs past the end of the file, or whose size is 0xFFFFFFFF (never set by a streaming
// writer), is read to the end of the file. On false the samples and sampleCount are those of
// before the call, and *error (when given) says why.
bool ReadWaveFile(SoundData& sound, const std::string& path, int channel,
                  WaveReadError* error = nullptr);

// ReadWaveFile without the file name check, on bytes from anywhere.
bool ReadWaveData(SoundData& sound, ByteSource& source, int channel,
                  WaveReadError* error = nullptr);

// True when the name's extension (from the last dot of the file-name part) is ".wav" in any
// letter case.
bool HasWavExtension(const std::string& path);

// Reads the 12-byte RIFF header and checks its id and form type; keeps riffSize.
bool ReadRiffHeader(SoundData& sound, ByteSource& source);

// Checks the RIFF header, then walks every chunk to the end of the file and records where the
// "fmt " and "data" chunks are (the later one wins when an id repeats). A chunk not seen is
// left with size 0 and offset 0. False only when the header is wrong.
bool ScanChunks(SoundData& sound, ByteSource& source);

// Two chunk ids match when their bytes are equal, or equal after ASCII lower-casing.
bool ChunkIdsMatch(const ChunkId& a, const ChunkId& b);

}  // namespace tonalyx
