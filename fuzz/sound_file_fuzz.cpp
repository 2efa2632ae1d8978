// Feeds arbitrary bytes to libsndfile's side of the sound-file entry point, through the same
// code a file takes: a frame source on the bytes, the whole read into one sound (twice, as
// successive opens do), then stretches read at places taken from the input. Aborts when an
// accepted sound is inconsistent, a refusal changed the loaded samples, or a stretch is
// longer than asked.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "document/SndfileFrameSource.h"
#include "document/SoundFile.h"

namespace {

using namespace tonalyx;

// Rates beyond this would let one second of a hostile header ask for more frames than a
// fuzzing run can hold; real files stay far below.
constexpr uint32_t kMaxFuzzedRate = 384000;

void RequireConsistent(const SoundData& sound, const FrameSource& source) {
    const WaveFormat& f = sound.format;
    const bool consistent =
        sound.sampleCount > 0 && sound.sampleCount == static_cast<int32_t>(sound.samples.size()) &&
        sound.sampleCount <= source.Info().frames && f.channels == 1 && f.bitsPerSample == 16 &&
        f.blockAlign == 2 && f.bytesPerSecond == 2 * f.sampleRate &&
        f.sampleRate == source.Info().sampleRate && sound.dataChunk.size == 2 * sound.sampleCount &&
        sound.channelIndex >= 0 && sound.channelIndex < source.Info().channels;
    if (!consistent) std::abort();
}

void ReadInto(SoundData& sound, const uint8_t* data, std::size_t size, int channel) {
    auto source = SndfileFrameSource::Open(
        std::make_unique<MemoryByteSource>(std::span{data, size}), channel);
    if (!source || source->Info().sampleRate > kMaxFuzzedRate) return;
    const std::vector<int16_t> before = sound.samples;
    if (LoadSoundFrames(sound, *source)) {
        RequireConsistent(sound, *source);
    } else if (sound.samples != before) {
        std::abort();
    }
    // Stretches here and there, backwards too, as a fitted view asks for them.
    std::vector<int16_t> stretch(777);
    const int64_t frames = source->Info().frames;
    for (std::size_t i = 0; i < 4 && i < size; ++i) {
        const int64_t first = frames / 256 * data[size - 1 - i];
        if (source->ReadFrames(first, stretch) > stretch.size()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    SoundData sound;
    sound.maxSoundLength = 1;
    ReadInto(sound, data, size, 1);
    ReadInto(sound, data, size, 70);
    return 0;
}
