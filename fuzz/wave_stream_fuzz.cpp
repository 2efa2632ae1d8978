// Feeds arbitrary bytes through a pipe to the stream reader, as a process substitution hands
// them over, then reads what it kept as the wave reader does. Aborts when a refusal gives no
// reason, when more is kept than came, or when the sound read from it is longer than the limit.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "document/WaveReader.h"
#include "document/WaveStream.h"

namespace {

using namespace tonalyx;

// Within a pipe's buffer, so that the whole input is written before the reader starts.
constexpr std::size_t kMaxStreamBytes = 60000;
constexpr int64_t kMaxFrames = 4000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    size = std::min(size, kMaxStreamBytes);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) std::abort();
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = ::write(ends[1], data + done, size - done);
        if (wrote <= 0) std::abort();
        done += static_cast<std::size_t>(wrote);
    }
    ::close(ends[1]);
    // A stream comes to the reader without blocking, as the input is opened.
    if (::fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0) std::abort();

    std::string refusal;
    const auto bytes = ReadWaveStream(ends[0], {0.5, kMaxFrames}, refusal);
    if (!bytes) {
        if (refusal.empty()) std::abort();
        return 0;
    }
    if (bytes->Size() > static_cast<int64_t>(size)) std::abort();
    SoundData sound;
    sound.maxSoundLength = 0;
    if (ReadWaveData(sound, *bytes, 1) &&
        (sound.sampleCount > kMaxFrames ||
         sound.sampleCount != static_cast<int32_t>(sound.samples.size()))) {
        std::abort();
    }
    return 0;
}
