#include "document/WaveStream.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <new>
#include <system_error>
#include <vector>

#include "document/WaveDataLayout.h"

namespace tonalyx {
namespace {

// How long a FIFO may stay without a writer before it is refused: long enough for a writer
// started beside the program to open it.
constexpr int kWriterWaitMilliseconds = 1000;
// The chunks before the data are looked for in a first read of this size, doubled as needed
// up to the largest header a stream may have.
constexpr std::size_t kFirstRead = 1 << 12;
constexpr std::size_t kMaxHeaderBytes = std::size_t{16} << 20;
constexpr std::size_t kReadStep = std::size_t{1} << 20;

const char* const kNotAWave =
    "a stream (a pipe or a device) is read only as a WAV file of PCM or float samples";

std::string SystemText(int error) {
    return std::system_category().message(error);
}

class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~OwnedDescriptor() { ::close(descriptor_); }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int Get() const { return descriptor_; }

private:
    int descriptor_;
};

// Waits up to a moment for the first byte. Empty when a byte came (it is appended) or a
// writer is there whose data are still to come; otherwise why the stream cannot be read.
std::string WaitForWriter(int descriptor, std::vector<uint8_t>& bytes) {
    pollfd ready{descriptor, POLLIN, 0};
    int events = 0;
    do {
        events = ::poll(&ready, 1, kWriterWaitMilliseconds);
    } while (events < 0 && errno == EINTR);
    uint8_t byte = 0;
    ssize_t got = 0;
    do {
        got = ::read(descriptor, &byte, 1);
    } while (got < 0 && errno == EINTR);
    if (got == 1) {
        bytes.push_back(byte);
        return {};
    }
    if (got < 0) return errno == EAGAIN ? std::string() : SystemText(errno);
    // An end of file at once: a FIFO that no process opened for writing stays silent until
    // the wait ends; a writer that came and went, or a device, answers at once.
    return events == 0 ? "no process writes to the pipe" : "the stream ended before any data came";
}

// Reads the stream in order, blocking, to a given length or its end.
class StreamReader {
public:
    explicit StreamReader(int descriptor) : descriptor_(descriptor) {}

    // Reads until bytes holds `length` bytes or the stream ends; false on a read error.
    bool FillTo(std::vector<uint8_t>& bytes, std::size_t length) {
        while (!ended_ && bytes.size() < length) {
            const std::size_t held = bytes.size();
            bytes.resize(held + std::min(kReadStep, length - held));
            const ssize_t got = ::read(descriptor_, bytes.data() + held, bytes.size() - held);
            bytes.resize(held + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
            if (got < 0 && errno != EINTR) {
                error_ = errno;
                return false;
            }
            ended_ = got == 0;
        }
        return true;
    }
    bool Ended() const { return ended_; }
    int Error() const { return error_; }

private:
    int descriptor_;
    bool ended_ = false;
    int error_ = 0;
};

// Reasons that more of the stream may remove: the header, the "fmt " chunk or the data
// chunk's header has not come yet.
bool MayComeLater(WaveReadError reason, std::size_t held, const SoundData& probe) {
    switch (reason) {
        case WaveReadError::NotRiffWave:
            return held < 12;
        case WaveReadError::MissingFormatChunk:
        case WaveReadError::ShortFormatChunk:
            return true;
        case WaveReadError::NoData:
            return probe.dataChunk.offset == 0;
        default:
            return false;
    }
}

bool SetBlocking(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags >= 0 && ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

std::unique_ptr<ByteSource> Refuse(std::string& refusal, std::string reason) {
    refusal = std::move(reason);
    return nullptr;
}

}  // namespace

int64_t FramesWithin(double seconds, uint32_t rate) {
    const double frames = std::floor(seconds * rate + 1e-6);
    if (!(frames > 0)) return 0;
    return frames >= 0x1p62 ? int64_t{1} << 62 : static_cast<int64_t>(frames);
}

std::unique_ptr<ByteSource> ReadWaveStream(int descriptor, const StreamLimit& limit,
                                           std::string& refusal) {
    const OwnedDescriptor owned(descriptor);
    std::vector<uint8_t> bytes;
    std::string reason = WaitForWriter(descriptor, bytes);
    if (!reason.empty()) return Refuse(refusal, reason);
    if (!SetBlocking(descriptor)) return Refuse(refusal, SystemText(errno));
    StreamReader stream(descriptor);
    try {
        // The chunks up to the data's first bytes.
        SoundData probe;
        WaveDataLayout layout;
        WaveReadError located = WaveReadError::NotRiffWave;
        for (std::size_t length = kFirstRead;; length *= 2) {
            if (!stream.FillTo(bytes, length)) return Refuse(refusal, SystemText(stream.Error()));
            MemoryByteSource held(bytes);
            located = LocateWaveData(probe, held, 0, layout);
            if (located == WaveReadError::None || located == WaveReadError::NoWholeFrame) break;
            if (!MayComeLater(located, bytes.size(), probe) || stream.Ended()) {
                if (bytes.empty()) return Refuse(refusal, "the stream ended before any data came");
                if (located == WaveReadError::NotRiffWave) {
                    return Refuse(refusal, std::string(kNotAWave) + "; this stream is not one");
                }
                return Refuse(refusal, std::string(kNotAWave) + ": " +
                                           DescribeWaveReadError(located, probe.format));
            }
            if (length >= kMaxHeaderBytes) {
                return Refuse(refusal, "the stream's chunks before its data exceed 16 MiB");
            }
        }

        // The data, up to the limit.
        const bool unset = probe.dataChunk.size == kUnsetChunkSize;
        const int64_t claimed = unset ? std::numeric_limits<int64_t>::max() : probe.dataChunk.size;
        int64_t frames = std::max<int64_t>(limit.frames, 0);
        if (limit.seconds > 0) {
            frames = std::min(frames, FramesWithin(limit.seconds, probe.format.sampleRate));
        }
        const int64_t kept = std::min(claimed, frames * layout.frameBytes);
        const auto end = static_cast<std::size_t>(layout.dataOffset + kept);
        // One byte more tells a stream that goes on from one that ends at the limit.
        if (!stream.FillTo(bytes, kept < claimed ? end + 1 : end)) {
            return Refuse(refusal, SystemText(stream.Error()));
        }
        const bool cut = kept < claimed && bytes.size() > end;
        bytes.resize(std::min(bytes.size(), end));
        if (cut) {
            const auto size = static_cast<uint32_t>(std::min(kept, kUnsetChunkSize));
            for (int i = 0; i < 4; ++i) {
                bytes[static_cast<std::size_t>(layout.dataOffset) - 4 + i] =
                    static_cast<uint8_t>(size >> (8 * i));
            }
        }
        return std::make_unique<BufferByteSource>(std::move(bytes), cut);
    } catch (const std::bad_alloc&) {
        return Refuse(refusal, "not enough memory for the stream");
    }
}

}  // namespace tonalyx
