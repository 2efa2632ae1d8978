#pragma once

#include <memory>
#include <string>

#include "document/ByteSource.h"
#include "document/FrameSource.h"

namespace tonalyx {

// Frames of any file libsndfile decodes, recognised by its content. Integer codings keep the
// top 16 bits of each sample, as the wave reader does for wide PCM; real-valued codings
// (float data and the lossy codecs, which decode to reals) go through FloatToSample, the
// wave reader's float conversion, which counts the samples it clips or replaces. The length
// the container's header claims is read from the header itself (libsndfile gives the frames
// the file holds).
class SndfileFrameSource final : public FrameSource {
public:
    // Null, with libsndfile's reason in *error, when libsndfile cannot open the bytes or they
    // hold no sample frame.
    static std::unique_ptr<SndfileFrameSource> Open(std::unique_ptr<ByteSource> bytes, int channel,
                                                    std::string* error = nullptr);
    ~SndfileFrameSource() override;

    bool CanReadFrame(int64_t frame) override;

private:
    std::size_t Decode(int64_t first, std::span<int16_t> out, SampleRepairs* repairs) override;

    struct Handle;
    explicit SndfileFrameSource(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> handle_;
};

}  // namespace tonalyx
