#pragma once

#include <memory>
#include <string>

#include "document/ByteSource.h"
#include "document/FrameSource.h"

namespace tonalyx {

// Frames of any file libsndfile decodes, recognised by its content. Integer codings keep the
// top 16 bits of each sample, as the wave reader does for wide PCM; real-valued codings
// (float data and the lossy codecs, which decode to reals) go through FloatToSample, the
// wave reader's float conversion.
class SndfileFrameSource final : public FrameSource {
public:
    // Null, with libsndfile's reason in *error, when libsndfile cannot open the bytes or they
    // hold no sample frame.
    static std::unique_ptr<SndfileFrameSource> Open(std::unique_ptr<ByteSource> bytes, int channel,
                                                    std::string* error = nullptr);
    ~SndfileFrameSource() override;

    std::size_t ReadFrames(int64_t first, std::span<int16_t> out) override;
    bool CanReadFrame(int64_t frame) override;

private:
    struct Handle;
    explicit SndfileFrameSource(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> handle_;
};

}  // namespace tonalyx
