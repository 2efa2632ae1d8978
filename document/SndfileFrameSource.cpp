#include "document/SndfileFrameSource.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "document/SndfileNames.h"
#include "document/WaveFormatDecode.h"

namespace tonalyx {
namespace {

// Frames decoded per libsndfile call: large enough for few calls, small enough for the cache
// whatever the channel count.
constexpr int64_t kBlockSamples = 1 << 15;

// libsndfile reads through these from the ByteSource given as user data, so a file on disk
// and bytes in memory take the same path.
sf_count_t VirtualLength(void* user) {
    return static_cast<ByteSource*>(user)->Size();
}

sf_count_t VirtualSeek(sf_count_t offset, int whence, void* user) {
    auto* bytes = static_cast<ByteSource*>(user);
    int64_t target = offset;
    if (whence == SEEK_CUR) target += bytes->Position();
    if (whence == SEEK_END) target += bytes->Size();
    return bytes->Seek(target) ? bytes->Position() : -1;
}

sf_count_t VirtualRead(void* destination, sf_count_t count, void* user) {
    if (count <= 0) return 0;
    return static_cast<sf_count_t>(
        static_cast<ByteSource*>(user)->Read(destination, static_cast<std::size_t>(count)));
}

sf_count_t VirtualWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t VirtualTell(void* user) {
    return static_cast<ByteSource*>(user)->Position();
}

// libsndfile calls AIFF and AIFF-C files alike; the form type in the header tells them apart.
bool IsAifc(ByteSource& bytes) {
    uint8_t header[12];
    return bytes.Seek(0) && bytes.Read(header, sizeof header) == sizeof header &&
           std::memcmp(header + 8, "AIFC", 4) == 0;
}

}  // namespace

struct SndfileFrameSource::Handle {
    std::unique_ptr<ByteSource> bytes;
    SNDFILE* file = nullptr;
    SF_INFO info{};
    bool reals = false;
    int64_t position = 0;  // the decoder's frame position; -1 after a failed read or seek
    std::vector<int> integers;
    std::vector<double> doubles;

    ~Handle() {
        if (file) sf_close(file);
    }
};

std::unique_ptr<SndfileFrameSource> SndfileFrameSource::Open(std::unique_ptr<ByteSource> bytes,
                                                             int channel, std::string* error) {
    auto handle = std::make_unique<Handle>();
    handle->bytes = std::move(bytes);
    const bool aifc = IsAifc(*handle->bytes);
    if (!handle->bytes->Seek(0)) {
        if (error) *error = "the file cannot be read";
        return nullptr;
    }
    SF_VIRTUAL_IO io{VirtualLength, VirtualSeek, VirtualRead, VirtualWrite, VirtualTell};
    handle->file = sf_open_virtual(&io, SFM_READ, &handle->info, handle->bytes.get());
    if (!handle->file) {
        if (error) *error = sf_strerror(nullptr);
        return nullptr;
    }
    const SF_INFO& info = handle->info;
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0) {
        if (error) *error = "the file holds no sample frames";
        return nullptr;
    }
    handle->reals = SndfileDecodesToReals(info.format);

    std::unique_ptr<SndfileFrameSource> source(new SndfileFrameSource(std::move(handle)));
    SoundFileInfo& described = source->info_;
    described.reader = SoundReader::Sndfile;
    described.container = SndfileContainerName(info.format);
    if (described.container == "AIFF" && aifc) described.container = "AIFF-C";
    described.codec = SndfileCodecName(info.format);
    described.formatTag = SndfileFormatTag(info.format);
    described.sampleRate = static_cast<uint32_t>(info.samplerate);
    described.channels = info.channels;
    described.bitsPerSample = SndfileBitsPerSample(info.format);
    described.frames = info.frames;
    source->channel_ = std::clamp(channel, 0, info.channels - 1);
    return source;
}

SndfileFrameSource::SndfileFrameSource(std::unique_ptr<Handle> handle)
    : handle_(std::move(handle)) {}

SndfileFrameSource::~SndfileFrameSource() = default;

std::size_t SndfileFrameSource::ReadFrames(int64_t first, std::span<int16_t> out) {
    Handle& h = *handle_;
    if (first < 0 || first >= info_.frames) return 0;
    const int64_t wanted =
        std::min<int64_t>(static_cast<int64_t>(out.size()), info_.frames - first);
    if (first != h.position) {
        // A decoder that cannot seek there leaves the position unknown.
        if (sf_seek(h.file, first, SEEK_SET) != first) {
            h.position = -1;
            return 0;
        }
        h.position = first;
    }

    const int channels = h.info.channels;
    const int64_t framesPerBlock = std::max<int64_t>(1, kBlockSamples / channels);
    const auto blockSamples = static_cast<std::size_t>(framesPerBlock * channels);
    int64_t done = 0;
    while (done < wanted) {
        const int64_t count = std::min(framesPerBlock, wanted - done);
        int16_t* target = out.data() + done;
        sf_count_t got = 0;
        if (h.reals) {
            h.doubles.resize(blockSamples);
            got = sf_readf_double(h.file, h.doubles.data(), count);
            for (sf_count_t i = 0; i < got; ++i)
                target[i] = FloatToSample(h.doubles[i * channels + channel_]);
        } else {
            // Integers come left-justified in 32 bits: the top 16 are the sample's top bits.
            h.integers.resize(blockSamples);
            got = sf_readf_int(h.file, h.integers.data(), count);
            for (sf_count_t i = 0; i < got; ++i)
                target[i] = static_cast<int16_t>(h.integers[i * channels + channel_] >> 16);
        }
        got = std::max<sf_count_t>(got, 0);
        done += got;
        h.position += got;
        if (got < count) {
            h.position = -1;
            break;
        }
    }
    return static_cast<std::size_t>(done);
}

}  // namespace tonalyx
