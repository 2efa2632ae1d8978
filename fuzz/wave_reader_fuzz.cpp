// Feeds arbitrary bytes to the wave reader through the same code path a file takes (after the
// file name check), twice into one sound as successive opens do. Aborts when an accepted
// sound is inconsistent or a refusal changed the loaded samples.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "document/WaveReader.h"

namespace {

using namespace tonalyx;

void RequireConsistent(const SoundData& sound) {
    const WaveFormat& f = sound.format;
    const bool consistent =
        sound.sampleCount > 0 && sound.sampleCount == static_cast<int32_t>(sound.samples.size()) &&
        f.channels == 1 && f.bitsPerSample == 16 && f.blockAlign == 2 &&
        f.bytesPerSecond == 2 * f.sampleRate && sound.dataChunk.size == 2 * sound.sampleCount &&
        sound.channelIndex >= 0;
    if (!consistent) std::abort();
}

void ReadInto(SoundData& sound, const uint8_t* data, std::size_t size, int channel) {
    const std::vector<int16_t> before = sound.samples;
    MemoryByteSource source({data, size});
    if (ReadWaveData(sound, source, channel)) {
        RequireConsistent(sound);
    } else if (sound.samples != before) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    SoundData sound;
    ReadInto(sound, data, size, 1);
    sound.maxSoundLength = 1;
    ReadInto(sound, data, size, 70);
    return 0;
}
