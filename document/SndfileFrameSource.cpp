#include "document/SndfileFrameSource.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "document/HeaderClaims.h"
#include "document/SndfileNames.h"
#include "document/SndfileOpenLock.h"
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
    bool exactSeek = false;
    int channel = 0;
    int64_t position = 0;  // the decoder's frame position; -1 after a failed read or seek
    std::vector<int> integers;
    std::vector<double> doubles;

    ~Handle() { Close(); }

    void Close() {
        if (file) sf_close(file);
        file = nullptr;
    }

    // Opens the decoder on the bytes from their start; false with libsndfile's reason.
    bool Open(std::string* error) {
        Close();
        position = -1;
        if (!bytes->Seek(0)) {
            if (error) *error = "the file cannot be read";
            return false;
        }
        SF_VIRTUAL_IO io{VirtualLength, VirtualSeek, VirtualRead, VirtualWrite, VirtualTell};
        info = {};
        const std::lock_guard lock(SndfileOpenMutex());
        file = sf_open_virtual(&io, SFM_READ, &info, bytes.get());
        if (!file) {
            if (error) *error = sf_strerror(nullptr);
            return false;
        }
        position = 0;
        return true;
    }

    // Decodes up to count frames from the current position into out (the chosen channel),
    // or discards them when out is null, counting what the conversion changed in *repairs
    // unless it is null. Returns the frames decoded.
    int64_t Decode(int64_t count, int16_t* out, SampleRepairs* repairs = nullptr) {
        SampleRepairs uncounted;
        SampleRepairs& counts = repairs ? *repairs : uncounted;
        const int channels = info.channels;
        const int64_t framesPerBlock = std::max<int64_t>(1, kBlockSamples / channels);
        const auto blockSamples = static_cast<std::size_t>(framesPerBlock * channels);
        int64_t done = 0;
        while (done < count) {
            const int64_t wanted = std::min(framesPerBlock, count - done);
            sf_count_t got = 0;
            if (reals) {
                doubles.resize(blockSamples);
                got = sf_readf_double(file, doubles.data(), wanted);
                for (sf_count_t i = 0; out && i < got; ++i)
                    out[done + i] = FloatToSample(doubles[i * channels + channel], counts);
            } else {
                // Integers come left-justified in 32 bits: the top 16 are the sample's top bits.
                integers.resize(blockSamples);
                got = sf_readf_int(file, integers.data(), wanted);
                for (sf_count_t i = 0; out && i < got; ++i)
                    out[done + i] = static_cast<int16_t>(integers[i * channels + channel] >> 16);
            }
            got = std::max<sf_count_t>(got, 0);
            done += got;
            position += got;
            if (got < wanted) {
                position = -1;
                break;
            }
        }
        return done;
    }

    // Puts the decoder at a frame: by libsndfile's seek where that is exact, otherwise by
    // decoding forward, from the start again when the frame lies behind.
    bool MoveTo(int64_t first) {
        if (first == position) return true;
        if (exactSeek) {
            position = sf_seek(file, first, SEEK_SET) == first ? first : -1;
            return position == first;
        }
        if ((position < 0 || first < position) && !Open(nullptr)) return false;
        Decode(first - position, nullptr);
        return position == first;
    }

    // Whether libsndfile's seek reaches the frame and one frame decodes there. For a codec that
    // does not seek exactly the decoder's state after the seek is not the one a decode from
    // the start reaches, so the next read starts afresh.
    bool SeekReaches(int64_t frame) {
        bool reached = sf_seek(file, frame, SEEK_SET) == frame;
        if (reached) {
            doubles.resize(std::max<std::size_t>(doubles.size(), info.channels));
            reached = sf_readf_double(file, doubles.data(), 1) == 1;
        }
        position = -1;
        return reached;
    }
};

std::unique_ptr<SndfileFrameSource> SndfileFrameSource::Open(std::unique_ptr<ByteSource> bytes,
                                                             int channel, std::string* error) {
    const bool aifc = IsAifc(*bytes);
    const LengthClaim claim = ReadLengthClaim(*bytes);
    auto handle = std::make_unique<Handle>();
    handle->bytes = ReadableAsHeld(std::move(bytes), claim);
    if (!handle->Open(error)) return nullptr;
    const SF_INFO& info = handle->info;
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames <= 0) {
        if (error) *error = "the file holds no sample frames";
        return nullptr;
    }
    handle->reals = SndfileDecodesToReals(info.format);
    handle->exactSeek = SndfileSeeksExactly(info.format);
    handle->channel = std::clamp(channel, 0, info.channels - 1);
    int64_t frames = info.frames;
    if (frames == SF_COUNT_MAX) {
        // A stream that does not say how long it is (an MP3 without a usable header) is
        // decoded once to count its frames: every user of a source needs the length.
        frames = handle->Decode(SF_COUNT_MAX, nullptr);
        if (frames <= 0 || !handle->Open(error)) {
            if (error && frames <= 0) *error = "the file holds no sample frames";
            return nullptr;
        }
    }

    std::unique_ptr<SndfileFrameSource> source(new SndfileFrameSource(std::move(handle)));
    const SF_INFO& opened = source->handle_->info;
    SoundFileInfo& described = source->info_;
    described.reader = SoundReader::Sndfile;
    described.container = SndfileContainerName(opened.format);
    if (described.container == "AIFF" && aifc) described.container = "AIFF-C";
    described.codec = SndfileCodecName(opened.format);
    described.formatTag = SndfileFormatTag(opened.format);
    described.sampleRate = static_cast<uint32_t>(opened.samplerate);
    described.channels = opened.channels;
    described.bitsPerSample = SndfileBitsPerSample(opened.format);
    described.frames = frames;
    described.claimedFrames = claim.frames;
    described.sizeUnset = claim.sizeUnset;
    source->channel_ = source->handle_->channel;
    return source;
}

SndfileFrameSource::SndfileFrameSource(std::unique_ptr<Handle> handle)
    : handle_(std::move(handle)) {}

SndfileFrameSource::~SndfileFrameSource() = default;

std::size_t SndfileFrameSource::Decode(int64_t first, std::span<int16_t> out,
                                       SampleRepairs* repairs) {
    if (first < 0 || first >= info_.frames) return 0;
    const int64_t wanted =
        std::min<int64_t>(static_cast<int64_t>(out.size()), info_.frames - first);
    if (!handle_->MoveTo(first)) return 0;
    return static_cast<std::size_t>(handle_->Decode(wanted, out.data(), repairs));
}

bool SndfileFrameSource::CanReadFrame(int64_t frame) {
    if (frame < 0 || frame >= info_.frames) return false;
    if (handle_->exactSeek) return FrameSource::CanReadFrame(frame);
    return handle_->SeekReaches(frame);
}

}  // namespace tonalyx
