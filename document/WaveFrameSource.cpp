#include "document/WaveFrameSource.h"

#include <algorithm>

namespace tonalyx {
namespace {

// Frames converted per read from the file: large enough for few calls, small enough to
// stay in the cache.
constexpr int64_t kBlockBytes = 1 << 16;

}  // namespace

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
    info_ = WaveFileInfo(format, layout);
    info_.streamCut = bytes_->Truncated();
    channel_ = layout.channel;
}

std::size_t WaveFrameSource::Decode(int64_t first, std::span<int16_t> out, SampleRepairs* repairs) {
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
        ConvertChannel({buffer_.data(), got}, static_cast<std::size_t>(layout_.frameBytes),
                       static_cast<std::size_t>(layout_.sampleOffset), layout_.coding,
                       out.subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(whole)),
                       repairs);
        done += whole;
        if (whole < count) break;
    }
    return static_cast<std::size_t>(done);
}

}  // namespace tonalyx
