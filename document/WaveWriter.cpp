#include "document/WaveWriter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "document/LittleEndian.h"

namespace tonalyx {
namespace {

int BytesPerSample(const WaveEncoding& encoding) {
    return encoding.bitsPerSample / 8;
}

bool IsFloat(const WaveEncoding& encoding) {
    return encoding.sampleFormat == WaveSampleFormat::IeeeFloat;
}

void AppendChunkId(std::vector<uint8_t>& out, const ChunkId& id) {
    for (const char c : id) {
        out.push_back(static_cast<uint8_t>(c));
    }
}

// 8-bit PCM is unsigned with its zero at 128; wider PCM is signed.
void AppendPcmCode(std::vector<uint8_t>& out, int bits, int64_t code) {
    if (bits == 8) code += 128;
    AppendLe(out, static_cast<uint64_t>(code), bits / 8);
}

void AppendReal(std::vector<uint8_t>& out, const WaveEncoding& encoding, double value) {
    const int bits = encoding.bitsPerSample;
    if (IsFloat(encoding)) {
        if (bits == 32) {
            AppendLe(out, std::bit_cast<uint32_t>(static_cast<float>(value)), 4);
        } else {
            AppendLe(out, std::bit_cast<uint64_t>(value), 8);
        }
        return;
    }
    const double scale = std::ldexp(1.0, bits - 1);
    const double code =
        std::isnan(value) ? 0.0 : std::clamp(std::round(value * scale), -scale, scale - 1.0);
    AppendPcmCode(out, bits, static_cast<int64_t>(code));
}

void AppendInt16(std::vector<uint8_t>& out, const WaveEncoding& encoding, int16_t value) {
    const int bits = encoding.bitsPerSample;
    if (IsFloat(encoding)) {
        AppendReal(out, encoding, value / 32768.0);
    } else if (bits == 8) {
        AppendPcmCode(out, bits, value >> 8);
    } else {
        AppendPcmCode(out, bits, int64_t{value} * (int64_t{1} << (bits - 16)));
    }
}

template <typename Sample>
std::vector<uint8_t> EncodeSamples(const WaveEncoding& encoding, std::span<const Sample> samples) {
    std::vector<uint8_t> out;
    if (!IsWritableEncoding(encoding)) return out;
    out.reserve(samples.size() * static_cast<std::size_t>(BytesPerSample(encoding)));
    for (const Sample sample : samples) {
        if constexpr (std::is_same_v<Sample, double>) {
            AppendReal(out, encoding, sample);
        } else {
            AppendInt16(out, encoding, sample);
        }
    }
    return out;
}

template <typename Sample>
std::vector<uint8_t> EncodeWaveOf(const WaveEncoding& encoding, std::span<const Sample> samples) {
    if (!IsWritableEncoding(encoding) || samples.size() % encoding.channels != 0) return {};
    std::vector<RiffChunk> chunks;
    chunks.push_back({{'f', 'm', 't', ' '}, EncodeFormatChunk(encoding)});
    if (IsFloat(encoding)) {
        // Files of any coding but plain PCM carry their frame count in a "fact" chunk.
        RiffChunk fact{{'f', 'a', 'c', 't'}, {}};
        AppendLe(fact.body, samples.size() / encoding.channels, 4);
        chunks.push_back(std::move(fact));
    }
    chunks.push_back({{'d', 'a', 't', 'a'}, EncodeSamples(encoding, samples)});
    return AssembleRiffWave(chunks);
}

template <typename Sample>
bool WriteWaveFileOf(const std::string& path, const WaveEncoding& encoding,
                     std::span<const Sample> samples) {
    const std::vector<uint8_t> bytes = EncodeWaveOf(encoding, samples);
    return !bytes.empty() && WriteBytesToFile(path, bytes);
}

}  // namespace

bool IsWritableEncoding(const WaveEncoding& encoding) {
    const int bits = encoding.bitsPerSample;
    const bool depthOk = IsFloat(encoding) ? bits == 32 || bits == 64
                                           : bits == 8 || bits == 16 || bits == 24 || bits == 32;
    // blockAlign is a 16-bit field.
    return depthOk && encoding.channels >= 1 &&
           encoding.channels <= 0xFFFF / BytesPerSample(encoding);
}

std::vector<uint8_t> EncodeSampleData(const WaveEncoding& encoding,
                                      std::span<const double> samples) {
    return EncodeSamples(encoding, samples);
}

std::vector<uint8_t> EncodeSampleData(const WaveEncoding& encoding,
                                      std::span<const int16_t> samples) {
    return EncodeSamples(encoding, samples);
}

std::vector<uint8_t> EncodeFormatChunk(const WaveEncoding& encoding) {
    const uint16_t plainTag = IsFloat(encoding) ? kWaveFormatIeeeFloat : kWaveFormatPcm;
    const uint64_t blockAlign =
        static_cast<uint64_t>(encoding.channels) * static_cast<uint64_t>(BytesPerSample(encoding));
    std::vector<uint8_t> body;
    AppendLe(body, encoding.extensible ? kWaveFormatExtensible : plainTag, 2);
    AppendLe(body, static_cast<uint64_t>(encoding.channels), 2);
    AppendLe(body, encoding.sampleRate, 4);
    AppendLe(body, uint64_t{encoding.sampleRate} * blockAlign, 4);
    AppendLe(body, blockAlign, 2);
    AppendLe(body, static_cast<uint64_t>(encoding.bitsPerSample), 2);
    if (encoding.extensible) {
        AppendLe(body, 22, 2);                                             // extension size
        AppendLe(body, static_cast<uint64_t>(encoding.bitsPerSample), 2);  // valid bits
        AppendLe(body, 0, 4);  // channel mask: no speaker positions assigned
        AppendLe(body, plainTag, 2);
        body.insert(body.end(), kSubFormatGuidTail.begin(), kSubFormatGuidTail.end());
    } else if (IsFloat(encoding)) {
        AppendLe(body, 0, 2);  // no extension
    }
    return body;
}

std::vector<uint8_t> AssembleRiffWave(std::span<const RiffChunk> chunks) {
    uint64_t riffSize = 4;  // the form type
    for (const RiffChunk& chunk : chunks)
        riffSize += 8 + (chunk.body.size() + 1) / 2 * 2;
    std::vector<uint8_t> out;
    out.reserve(8 + riffSize);
    AppendChunkId(out, {'R', 'I', 'F', 'F'});
    AppendLe(out, riffSize, 4);
    AppendChunkId(out, {'W', 'A', 'V', 'E'});
    for (const RiffChunk& chunk : chunks) {
        AppendChunkId(out, chunk.id);
        AppendLe(out, chunk.body.size(), 4);
        out.insert(out.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.body.size() % 2 != 0) out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> EncodeWave(const WaveEncoding& encoding, std::span<const double> samples) {
    return EncodeWaveOf(encoding, samples);
}

std::vector<uint8_t> EncodeWave(const WaveEncoding& encoding, std::span<const int16_t> samples) {
    return EncodeWaveOf(encoding, samples);
}

bool WriteBytesToFile(const std::string& path, std::span<const uint8_t> bytes) {
    // Whole or not at all: a temporary file beside the target, renamed once complete. An
    // empty span has no data pointer to hand to fwrite.
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return false;
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed && std::rename(partial.c_str(), path.c_str()) == 0) return true;
    std::remove(partial.c_str());
    return false;
}

bool WriteWaveFile(const std::string& path, const WaveEncoding& encoding,
                   std::span<const double> samples) {
    return WriteWaveFileOf(path, encoding, samples);
}

bool WriteWaveFile(const std::string& path, const WaveEncoding& encoding,
                   std::span<const int16_t> samples) {
    return WriteWaveFileOf(path, encoding, samples);
}

}  // namespace tonalyx
