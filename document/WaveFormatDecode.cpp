#include "document/WaveFormatDecode.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "document/LittleEndian.h"

namespace tonalyx {
namespace {

bool IsPcmDepth(int bits) {
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}
bool IsFloatDepth(int bits) {
    return bits == 32 || bits == 64;
}

SampleCoding PcmCoding(int bits) {
    switch (bits) {
        case 8:
            return SampleCoding::Unsigned8;
        case 16:
            return SampleCoding::Signed16;
        case 24:
            return SampleCoding::Signed24;
        default:
            return SampleCoding::Signed32;
    }
}

// Integer samples wider than 16 bits keep their top 16 bits: the last two bytes of the sample.
int16_t TopSixteenBits(const uint8_t* lastTwoBytes) {
    return static_cast<int16_t>(LoadLe16(lastTwoBytes));
}

template <typename Decode>
void ConvertEach(const uint8_t* first, std::size_t stride, std::span<int16_t> out, Decode decode) {
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = decode(first + i * stride);
}

}  // namespace

const char* WaveCodecName(SampleCoding coding) {
    switch (coding) {
        case SampleCoding::Unsigned8:
            return "PCM 8-bit";
        case SampleCoding::Signed16:
            return "PCM 16-bit";
        case SampleCoding::Signed24:
            return "PCM 24-bit";
        case SampleCoding::Signed32:
            return "PCM 32-bit";
        case SampleCoding::Float32:
            return "float 32-bit";
        case SampleCoding::Float64:
            return "float 64-bit";
    }
    return "unknown";
}

// Full scale is ±1.0; values beyond it clip, and NaN (which has no level) becomes silence.
// The conversion truncates toward zero like every other real-to-integer step of the program.
int16_t FloatToSample(double value, SampleRepairs& repairs) {
    if (!(value == value)) {
        ++repairs.nan;
        return 0;
    }
    if (value > 1.0 || value < -1.0) ++(std::isinf(value) ? repairs.infinite : repairs.clipped);
    const double scaled = value * 32768.0;
    if (scaled >= 32767.0) return 32767;
    if (scaled <= -32768.0) return -32768;
    return static_cast<int16_t>(scaled);
}

int BytesPerSample(SampleCoding coding) {
    switch (coding) {
        case SampleCoding::Unsigned8:
            return 1;
        case SampleCoding::Signed16:
            return 2;
        case SampleCoding::Signed24:
            return 3;
        case SampleCoding::Signed32:
            return 4;
        case SampleCoding::Float32:
            return 4;
        case SampleCoding::Float64:
            return 8;
    }
    return 0;
}

WaveFormat ParseWaveFormat(const uint8_t* body) {
    WaveFormat format;
    format.formatTag = LoadLe16(body);
    format.channels = static_cast<int16_t>(LoadLe16(body + 2));
    format.sampleRate = LoadLe32(body + 4);
    format.bytesPerSecond = LoadLe32(body + 8);
    format.blockAlign = LoadLe16(body + 12);
    format.bitsPerSample = static_cast<int16_t>(LoadLe16(body + 14));
    return format;
}

WaveReadError ChooseSampleCoding(std::span<const uint8_t> formatBody, SampleCoding& coding) {
    if (formatBody.size() < kFormatChunkMinSize) return WaveReadError::ShortFormatChunk;
    const WaveFormat format = ParseWaveFormat(formatBody.data());
    uint16_t tag = format.formatTag;
    if (tag == kWaveFormatExtensible) {
        // The real coding is named by the sub-format GUID at bytes 24 to 39.
        if (formatBody.size() < kExtensibleFormatSize) return WaveReadError::ShortFormatChunk;
        const uint8_t* guid = formatBody.data() + 24;
        if (!std::equal(kSubFormatGuidTail.begin(), kSubFormatGuidTail.end(), guid + 2)) {
            return WaveReadError::UnsupportedSubFormat;
        }
        tag = LoadLe16(guid);
        if (tag != kWaveFormatPcm && tag != kWaveFormatIeeeFloat) {
            return WaveReadError::UnsupportedSubFormat;
        }
    }
    const int bits = format.bitsPerSample;
    if (tag == kWaveFormatPcm) {
        if (!IsPcmDepth(bits)) return WaveReadError::UnsupportedBitDepth;
        coding = PcmCoding(bits);
        return WaveReadError::None;
    }
    if (tag == kWaveFormatIeeeFloat) {
        if (!IsFloatDepth(bits)) return WaveReadError::UnsupportedBitDepth;
        coding = bits == 32 ? SampleCoding::Float32 : SampleCoding::Float64;
        return WaveReadError::None;
    }
    return WaveReadError::UnsupportedFormat;
}

void ConvertChannel(std::span<const uint8_t> frames, std::size_t frameBytes,
                    std::size_t sampleOffset, SampleCoding coding, std::span<int16_t> out,
                    SampleRepairs* repairs) {
    SampleRepairs uncounted;
    SampleRepairs& counts = repairs ? *repairs : uncounted;
    const std::size_t sampleBytes = static_cast<std::size_t>(BytesPerSample(coding));
    if (frameBytes == 0 || sampleOffset + sampleBytes > frameBytes) return;
    out = out.first(std::min(out.size(), frames.size() / frameBytes));
    const uint8_t* first = frames.data() + sampleOffset;
    switch (coding) {
        case SampleCoding::Unsigned8:
            ConvertEach(first, frameBytes, out,
                        [](const uint8_t* p) { return static_cast<int16_t>((*p - 128) * 256); });
            break;
        case SampleCoding::Signed16:
            ConvertEach(first, frameBytes, out, TopSixteenBits);
            break;
        case SampleCoding::Signed24:
            ConvertEach(first, frameBytes, out,
                        [](const uint8_t* p) { return TopSixteenBits(p + 1); });
            break;
        case SampleCoding::Signed32:
            ConvertEach(first, frameBytes, out,
                        [](const uint8_t* p) { return TopSixteenBits(p + 2); });
            break;
        case SampleCoding::Float32:
            ConvertEach(first, frameBytes, out, [&counts](const uint8_t* p) {
                return FloatToSample(std::bit_cast<float>(LoadLe32(p)), counts);
            });
            break;
        case SampleCoding::Float64:
            ConvertEach(first, frameBytes, out, [&counts](const uint8_t* p) {
                return FloatToSample(std::bit_cast<double>(LoadLe64(p)), counts);
            });
            break;
    }
}

}  // namespace tonalyx
