#include "interaction/PlaybackFrames.h"

#include <algorithm>
#include <cstring>

namespace tonalyx {

PlayStretch ClampPlayStretch(std::int32_t from, std::int32_t to, std::int32_t sampleCount) {
    const std::int32_t count = std::max(sampleCount, 0);
    const std::int32_t start = std::clamp(from, 0, count);
    return {start, std::clamp(to, start, count)};
}

std::int32_t PlayingSample(const PlayStretch& stretch, std::uint32_t sampleRate,
                           std::int64_t elapsedMicroseconds) {
    if (stretch.Count() <= 0) return stretch.from;
    const std::int64_t elapsed =
        std::max<std::int64_t>(elapsedMicroseconds, 0) * sampleRate / 1'000'000;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(stretch.from + elapsed, stretch.to - 1));
}

int OutputLayout::BytesPerSample() const {
    switch (kind) {
        case OutputSampleKind::UInt8:
            return 1;
        case OutputSampleKind::Int16:
            return 2;
        case OutputSampleKind::Int32:
        case OutputSampleKind::Float:
            return 4;
    }
    return 2;
}

std::int64_t OutputFrameCount(std::int64_t sampleCount, std::uint32_t sourceRate,
                              std::uint32_t outputRate) {
    if (sampleCount <= 0 || sourceRate == 0) return 0;
    return (sampleCount * outputRate + sourceRate - 1) / sourceRate;
}

namespace {

// One frame's value as a 16-bit sample scaled to the coding (full scale stays full scale).
void WriteSample(double value, OutputSampleKind kind, unsigned char* out) {
    switch (kind) {
        case OutputSampleKind::UInt8: {
            const auto v = static_cast<std::uint8_t>(std::clamp(value / 256.0 + 128.0, 0.0, 255.0));
            std::memcpy(out, &v, sizeof v);
            return;
        }
        case OutputSampleKind::Int16: {
            const auto v = static_cast<std::int16_t>(value);
            std::memcpy(out, &v, sizeof v);
            return;
        }
        case OutputSampleKind::Int32: {
            const auto v = static_cast<std::int32_t>(value * 65536.0);
            std::memcpy(out, &v, sizeof v);
            return;
        }
        case OutputSampleKind::Float: {
            const auto v = static_cast<float>(value / 32768.0);
            std::memcpy(out, &v, sizeof v);
            return;
        }
    }
}

}  // namespace

void RenderFrames(std::span<const std::int16_t> stretch, std::uint32_t sourceRate,
                  const OutputLayout& layout, std::int64_t firstFrame, std::int64_t frameCount,
                  unsigned char* out) {
    const std::int64_t last = static_cast<std::int64_t>(stretch.size()) - 1;
    const int sampleBytes = layout.BytesPerSample();
    const std::int64_t rate = std::max<std::uint32_t>(layout.sampleRate, 1);
    for (std::int64_t k = firstFrame; k < firstFrame + frameCount; ++k) {
        double value = 0;
        if (last >= 0) {
            // The source position k * sourceRate / rate as a whole index and an exact remainder.
            const std::int64_t scaled = k * sourceRate;
            const std::int64_t index = std::min(scaled / rate, last);
            const std::int64_t next = std::min(index + 1, last);
            const double fraction = static_cast<double>(scaled % rate) / static_cast<double>(rate);
            const auto at = [&](std::int64_t i) {
                return static_cast<double>(stretch[static_cast<size_t>(i)]);
            };
            value = at(index) + fraction * (at(next) - at(index));
        }
        for (int c = 0; c < layout.channels; ++c) {
            WriteSample(value, layout.kind, out);
            out += sampleBytes;
        }
    }
}

}  // namespace tonalyx
