#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "cli/CommandView.h"
#include "cli/Commands.h"
#include "document/ByteSource.h"
#include "document/WaveFormatDecode.h"
#include "document/WaveReader.h"

namespace tonalyx::cli {

namespace {

const char* FormatTagName(std::uint16_t tag) {
    switch (tag) {
        case kWaveFormatPcm:
            return "PCM";
        case kWaveFormatIeeeFloat:
            return "IEEE float";
        case kWaveFormatExtensible:
            return "extensible";
        default:
            return "other";
    }
}

// The file's own format and the frames its data chunk holds, before the reader turned it into
// one 16-bit channel. False when the chunks cannot be found again.
bool ReadFileFormat(const std::string& path, WaveFormat& format, std::int64_t& frames) {
    FileByteSource file(path);
    SoundData probe;
    if (!file.IsOpen() || !ScanChunks(probe, file) || probe.fmtChunk.offset == 0) return false;
    std::array<std::uint8_t, kFormatChunkMinSize> body{};
    if (!file.Seek(probe.fmtChunk.offset) || file.Read(body.data(), body.size()) < body.size()) {
        return false;
    }
    format = ParseWaveFormat(body.data());
    const std::int64_t frameBytes = std::int64_t{std::max<int>(format.channels, 1)} *
                                    ((std::max<int>(format.bitsPerSample, 8) + 7) / 8);
    const std::int64_t inFile = std::max<std::int64_t>(file.Size() - probe.dataChunk.offset, 0);
    frames = std::min<std::int64_t>(probe.dataChunk.size, inFile) / frameBytes;
    return true;
}

std::string Seconds(double seconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f s", seconds);
    return text;
}

}  // namespace

std::optional<std::string> RunInfo(const std::string& path, CommandContext& context) {
    std::ostream& out = context.out;
    out << "file: " << path << '\n';
    SoundData sound;
    if (auto refused = LoadSound(path, context.records.file, sound)) {
        out << "refused: " << *refused << "\n\n";
        return refused;
    }
    WaveFormat format;
    std::int64_t frames = 0;
    if (!ReadFileFormat(path, format, frames)) return "the file changed while it was read";

    char tag[16];
    std::snprintf(tag, sizeof tag, "0x%04X", static_cast<unsigned>(format.formatTag));
    const double rate = sound.format.sampleRate;
    out << "format tag: " << tag << " (" << FormatTagName(format.formatTag) << ")\n"
        << "channels: " << format.channels << '\n'
        << "sample rate: " << format.sampleRate << " Hz\n"
        << "bits per sample: " << format.bitsPerSample << '\n'
        << "length: " << frames << " samples, " << Seconds(frames / rate) << '\n'
        << "channel read: " << sound.channelIndex << '\n'
        << "loaded: " << sound.sampleCount << " samples, " << Seconds(sound.sampleCount / rate);
    if (sound.sampleCount < frames) {
        out << " (maxSoundLength " << context.records.file.maxSoundLength << " s)";
    }
    out << "\n\n";
    return std::nullopt;
}

}  // namespace tonalyx::cli
