#include "document/WaveReader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "document/LittleEndian.h"
#include "document/WaveDataLayout.h"
#include "document/WaveFormatDecode.h"

namespace tonalyx {
namespace {

// The rewritten data chunk size, 2 × sampleCount, must fit its signed 32-bit field.
constexpr int64_t kMaxSampleCount = std::numeric_limits<int32_t>::max() / 2;

bool Fail(WaveReadError* error, WaveReadError reason) {
    if (error) *error = reason;
    return false;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

ChunkId LoadChunkId(const uint8_t* p) {
    return {static_cast<char>(p[0]), static_cast<char>(p[1]), static_cast<char>(p[2]),
            static_cast<char>(p[3])};
}

// The frames worth reading: the whole frames the file holds, cut to maxSoundLength seconds and
// to the longest sound the program keeps.
int64_t FramesToRead(const SoundData& sound, int64_t framesInFile) {
    int64_t frames = framesInFile;
    if (sound.maxSoundLength >= 1) {
        frames = std::min(frames, int64_t{sound.maxSoundLength} * sound.format.sampleRate);
    }
    return std::min(frames, kMaxSampleCount);
}

// Reads the "fmt " chunk into sound.format and works out the sample coding.
WaveReadError ReadFormatChunk(SoundData& sound, ByteSource& source, SampleCoding& coding) {
    const ChunkLocation& chunk = sound.fmtChunk;
    if (chunk.offset == 0) return WaveReadError::MissingFormatChunk;
    if (chunk.size < static_cast<int32_t>(kFormatChunkMinSize)) {
        return WaveReadError::ShortFormatChunk;
    }
    std::array<uint8_t, kExtensibleFormatSize> body{};
    const std::size_t wanted = std::min<std::size_t>(body.size(), chunk.size);
    const std::size_t got = source.Seek(chunk.offset) ? source.Read(body.data(), wanted) : 0;
    if (got < kFormatChunkMinSize) return WaveReadError::ShortFormatChunk;

    sound.format = ParseWaveFormat(body.data());
    const WaveReadError reason = ChooseSampleCoding({body.data(), got}, coding);
    if (reason != WaveReadError::None) return reason;
    if (sound.format.channels <= 0) return WaveReadError::NoChannels;
    if (sound.format.sampleRate == 0) return WaveReadError::ZeroSampleRate;
    return WaveReadError::None;
}

}  // namespace

const char* DescribeWaveReadError(WaveReadError error) {
    switch (error) {
        case WaveReadError::None:
            return "no error";
        case WaveReadError::CannotOpen:
            return "the file cannot be opened";
        case WaveReadError::NotWavExtension:
            return "the file name does not end in .wav";
        case WaveReadError::NotRiffWave:
            return "not a RIFF/WAVE file";
        case WaveReadError::MissingFormatChunk:
            return "no \"fmt \" chunk";
        case WaveReadError::ShortFormatChunk:
            return "the \"fmt \" chunk is too short";
        case WaveReadError::UnsupportedFormat:
            return "compressed or unknown format is not supported";
        case WaveReadError::UnsupportedSubFormat:
            return "extensible format whose sub-format is not PCM or IEEE float";
        case WaveReadError::NoChannels:
            return "the channel count is 0 or negative";
        case WaveReadError::UnsupportedBitDepth:
            return "the bits per sample are not supported";
        case WaveReadError::ZeroSampleRate:
            return "the sample rate is 0";
        case WaveReadError::NoData:
            return "no data chunk, or an empty one";
        case WaveReadError::NoWholeFrame:
            return "the data holds no whole sample frame";
        case WaveReadError::OutOfMemory:
            return "not enough memory for the sound";
    }
    return "unknown error";
}

std::string DescribeWaveReadError(WaveReadError error, const WaveFormat& format) {
    char text[96];
    switch (error) {
        case WaveReadError::UnsupportedFormat:
            std::snprintf(text, sizeof text,
                          "compressed or unknown format (tag 0x%04X) is not supported",
                          static_cast<unsigned>(format.formatTag));
            return text;
        case WaveReadError::UnsupportedBitDepth:
            std::snprintf(text, sizeof text, "%d bits per sample are not supported (tag 0x%04X)",
                          static_cast<int>(format.bitsPerSample),
                          static_cast<unsigned>(format.formatTag));
            return text;
        default:
            return DescribeWaveReadError(error);
    }
}

bool ChunkIdsMatch(const ChunkId& a, const ChunkId& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool HasWavExtension(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(), LowerAscii);
    return extension == ".wav";
}

bool ReadRiffHeader(SoundData& sound, ByteSource& source) {
    uint8_t header[12];
    if (source.Read(header, sizeof header) < sizeof header) return false;
    if (!ChunkIdsMatch(LoadChunkId(header), sound.riffId) ||
        !ChunkIdsMatch(LoadChunkId(header + 8), sound.waveId)) {
        return false;
    }
    sound.riffSize = static_cast<int32_t>(LoadLe32(header + 4));
    return true;
}

bool ScanChunks(SoundData& sound, ByteSource& source) {
    // Locations left from an earlier file must not stand in for chunks this one lacks.
    ChunkLocation* const wanted[] = {&sound.dataChunk, &sound.fmtChunk};
    for (ChunkLocation* chunk : wanted) {
        chunk->size = 0;
        chunk->offset = 0;
    }
    if (!ReadRiffHeader(sound, source)) return false;

    uint8_t header[8];
    while (source.Read(header, sizeof header) == sizeof header) {
        const ChunkId id = LoadChunkId(header);
        const int64_t size = LoadLe32(header + 4);
        const int64_t position = source.Position();
        for (ChunkLocation* chunk : wanted) {
            if (ChunkIdsMatch(id, chunk->id)) {
                chunk->size = size;
                chunk->offset = position;
                break;
            }
        }
        // Chunk data is padded to an even length; a chunk that runs past the end of the file
        // (a data chunk cut short, or one whose size was never set) ends the walk.
        if (!source.Seek(position + ((size + 1) & ~int64_t{1}))) break;
    }
    return true;
}

WaveReadError LocateWaveData(SoundData& sound, ByteSource& source, int channel,
                             WaveDataLayout& layout) {
    if (!source.Seek(0) || !ScanChunks(sound, source)) return WaveReadError::NotRiffWave;
    SampleCoding coding = SampleCoding::Signed16;
    const WaveReadError formatError = ReadFormatChunk(sound, source, coding);
    if (formatError != WaveReadError::None) return formatError;
    if (sound.dataChunk.size == 0) return WaveReadError::NoData;

    const int channels = sound.format.channels;
    const int sampleBytes = BytesPerSample(coding);
    layout.coding = coding;
    layout.frameBytes = int64_t{sampleBytes} * channels;
    layout.channel = std::clamp(channel, 0, channels - 1);
    layout.sampleOffset = int64_t{layout.channel} * sampleBytes;
    layout.dataOffset = sound.dataChunk.offset;
    // The data chunk as far as the file really holds it; an unset size reaches its end.
    const int64_t bytesInFile = std::max<int64_t>(0, source.Size() - layout.dataOffset);
    const bool unset = sound.dataChunk.size == kUnsetChunkSize;
    layout.claimedFrames = unset ? -1 : sound.dataChunk.size / layout.frameBytes;
    layout.frames =
        (unset ? bytesInFile : std::min(sound.dataChunk.size, bytesInFile)) / layout.frameBytes;
    return layout.frames == 0 ? WaveReadError::NoWholeFrame : WaveReadError::None;
}

bool ReadWaveData(SoundData& sound, ByteSource& source, int channel, WaveReadError* error) {
    WaveDataLayout layout;
    const WaveReadError reason = LocateWaveData(sound, source, channel, layout);
    if (reason != WaveReadError::None) return Fail(error, reason);
    const int64_t frameBytes = layout.frameBytes;
    const int taken = layout.channel;
    const int64_t frames = FramesToRead(sound, layout.frames);
    const SoundFileInfo origin = WaveFileInfo(sound.format, layout);

    SampleRepairs repairs;
    std::vector<int16_t> samples;
    try {
        // One read of the needed bytes into one buffer, then one conversion pass.
        const auto byteCount = static_cast<std::size_t>(frames * frameBytes);
        const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(byteCount);
        const std::size_t got =
            source.Seek(sound.dataChunk.offset) ? source.Read(buffer.get(), byteCount) : 0;
        const std::size_t count = got / static_cast<std::size_t>(frameBytes);
        if (count == 0) return Fail(error, WaveReadError::NoWholeFrame);
        samples.resize(count);
        ConvertChannel({buffer.get(), got}, static_cast<std::size_t>(frameBytes),
                       static_cast<std::size_t>(layout.sampleOffset), layout.coding, samples,
                       &repairs);
    } catch (const std::bad_alloc&) {
        return Fail(error, WaveReadError::OutOfMemory);
    }

    sound.samples = std::move(samples);
    sound.sampleCount = static_cast<int32_t>(sound.samples.size());
    sound.format.channels = 1;
    sound.format.bitsPerSample = 16;
    sound.format.blockAlign = 2;
    sound.format.bytesPerSecond = 2 * sound.format.sampleRate;
    sound.dataChunk.size = 2 * sound.sampleCount;
    sound.channelIndex = taken;
    sound.origin = origin;
    sound.origin.streamCut = source.Truncated();
    sound.origin.repairs = repairs;
    if (error) *error = WaveReadError::None;
    return true;
}

SoundFileInfo WaveFileInfo(const WaveFormat& format, const WaveDataLayout& layout) {
    SoundFileInfo info;
    info.reader = SoundReader::Wave;
    info.container = "WAV";
    info.codec = WaveCodecName(layout.coding);
    info.formatTag = format.formatTag;
    info.sampleRate = format.sampleRate;
    info.channels = format.channels;
    info.bitsPerSample = 8 * BytesPerSample(layout.coding);
    info.frames = layout.frames;
    info.claimedFrames = layout.claimedFrames;
    info.sizeUnset = layout.claimedFrames < 0;
    return info;
}

bool ReadWaveFile(SoundData& sound, const std::string& path, int channel, WaveReadError* error) {
    FileByteSource file(path);
    if (!file.IsOpen()) return Fail(error, WaveReadError::CannotOpen);
    if (!HasWavExtension(path)) return Fail(error, WaveReadError::NotWavExtension);
    return ReadWaveData(sound, file, channel, error);
}

}  // namespace tonalyx
