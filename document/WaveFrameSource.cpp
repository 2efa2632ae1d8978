#include "document/WaveFrameSource.h"

#include <algorithm>

namespace tonalyx {
namespace {

// Frames converted per read from the file: large enough for few calls, small enough to
// stay in the cache.
constexpr int64_t kBlockBytes = 1 << 16;

int BitsOf(SampleCoding coding) {
    return 8 * BytesPerSample(coding);
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

std::unique_ptr<WaveFrameSource> WaveFrameSource::Open(std::unique_ptr<ByteSource> bytes,
                                                       int channel, WaveReadError* error) {
    SoundData probe;
    WaveDataLayout layout;
    const WaveReadError reason = LocateWaveData(probe, *bytes, channel, layout);
    if (error) *error = reason;
    if (reason != WaveReadError::None) return nullptr;
    return std::unique_ptr<WaveFrameSource>(
        new WaveFrameSource(std::move(bytes), layout, probe.format));
}

WaveFrameSource::WaveFrameSource(std::unique_ptr<ByteSource> bytes, const WaveDataLayout& layout,
                                 const WaveFormat& format)
    : bytes_(std::move(bytes)), layout_(layout) {
    info_.reader = SoundReader::Wave;
    info_.container = "WAV";
    info_.codec = WaveCodecName(layout.coding);
    info_.formatTag = format.formatTag;
    info_.sampleRate = format.sampleRate;
    info_.channels = format.channels;
    info_.bitsPerSample = BitsOf(layout.coding);
    info_.frames = layout.frames;
    channel_ = layout.channel;
}

std::size_t WaveFrameSource::ReadFrames(int64_t first, std::span<int16_t> out) {
    if (first < 0 || first >= layout_.frames) return 0;
    const int64_t wanted =
        std::min<int64_t>(static_cast<int64_t>(out.size()), layout_.frames - first);
    const int64_t framesPerBlock = std::max<int64_t>(1, kBlockBytes / layout_.frameBytes);
    buffer_.resize(static_cast<std::size_t>(framesPerBlock * layout_.frameBytes));
    if (!bytes_->Seek(layout_.dataOffset + first * layout_.frameBytes)) return 0;

    int64_t done = 0;
    while (done < wanted) {
        const int64_t count = std::min(framesPerBlock, wanted - done);
        const std::size_t got =
            bytes_->Read(buffer_.data(), static_cast<std::size_t>(count * layout_.frameBytes));
        const int64_t whole = static_cast<int64_t>(got) / layout_.frameBytes;
        ConvertChannel(
            {buffer_.data(), got}, static_cast<std::size_t>(layout_.frameBytes),
            static_cast<std::size_t>(layout_.sampleOffset), layout_.coding,
            out.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(whole)));
        done += whole;
        if (whole < count) break;
    }
    return static_cast<std::size_t>(done);
}

}  // namespace tonalyx
