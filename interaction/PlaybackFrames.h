#pragma once

#include <cstdint>
#include <span>

namespace tonalyx {

// The samples a play covers, [from, to), inside a sound of sampleCount samples.
struct PlayStretch {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t Count() const { return to - from; }
};

// Clamps both ends to the sound; an end before the start gives an empty stretch at the start.
PlayStretch ClampPlayStretch(std::int32_t from, std::int32_t to, std::int32_t sampleCount);

// The sample playing after elapsedMicroseconds of a play of stretch at sampleRate: it stays
// inside the stretch, at its last sample once the time is over (at from for an empty one).
std::int32_t PlayingSample(const PlayStretch& stretch, std::uint32_t sampleRate,
                           std::int64_t elapsedMicroseconds);

// The sample coding an audio output may ask for.
enum class OutputSampleKind : std::uint8_t { UInt8, Int16, Int32, Float };

// How an audio output wants its frames: rate, channels (every channel gets the same sample),
// sample coding, all in the machine's byte order.
struct OutputLayout {
    std::uint32_t sampleRate = 44100;
    int channels = 1;
    OutputSampleKind kind = OutputSampleKind::Int16;
    int BytesPerSample() const;
    int BytesPerFrame() const { return channels * BytesPerSample(); }
};

// Output frames for sampleCount samples at sourceRate: enough to cover the last sample.
std::int64_t OutputFrameCount(std::int64_t sampleCount, std::uint32_t sourceRate,
                              std::uint32_t outputRate);

// Writes output frames [firstFrame, firstFrame + frameCount) of the stretch to out (frameCount
// * BytesPerFrame() bytes). Output frame k sounds at source position k * sourceRate /
// outputRate, interpolated linearly between its two neighbours; at equal rates every frame is
// a source sample unchanged.
void RenderFrames(std::span<const std::int16_t> stretch, std::uint32_t sourceRate,
                  const OutputLayout& layout, std::int64_t firstFrame, std::int64_t frameCount,
                  unsigned char* out);

}  // namespace tonalyx
