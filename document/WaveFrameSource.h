#pragma once

#include <memory>
#include <vector>

#include "document/ByteSource.h"
#include "document/FrameSource.h"
#include "document/WaveDataLayout.h"
#include "document/WaveReader.h"

namespace tonalyx {

// Frames of a PCM or float wave, read straight from the data chunk where they lie.
class WaveFrameSource final : public FrameSource {
public:
    // Null, with the reason in *error, when the wave reader would refuse the bytes (the file
    // name is not checked here).
    static std::unique_ptr<WaveFrameSource> Open(std::unique_ptr<ByteSource> bytes, int channel,
                                                 WaveReadError* error = nullptr);

private:
    std::size_t Decode(int64_t first, std::span<int16_t> out, SampleRepairs* repairs) override;

    WaveFrameSource(std::unique_ptr<ByteSource> bytes, const WaveDataLayout& layout,
                    const WaveFormat& format);

    std::unique_ptr<ByteSource> bytes_;
    WaveDataLayout layout_;
    std::vector<uint8_t> buffer_;
};

}  // namespace tonalyx
