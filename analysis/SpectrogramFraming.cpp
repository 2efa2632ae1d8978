#include "analysis/SpectrogramFraming.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tonalyx {

long long CentredFrameStart(int s0, int s1, int frameLength) {
    // C++ integer division truncates toward zero, as the centring wants.
    return (static_cast<long long>(s0) + s1 - frameLength) / 2;
}

void FillFrame(const SoundData& sound, long long start, int length, double* frame) {
    // Trust neither count alone: a sound whose count exceeds its samples reads zeros there.
    const long long available = std::min<long long>(std::max(sound.sampleCount, 0),
                                                    static_cast<long long>(sound.samples.size()));
    const long long first = std::clamp<long long>(-start, 0, length);
    const long long last = std::clamp<long long>(available - start, first, length);
    std::fill(frame, frame + first, 0.0);
    if (last > first) {
        const std::int16_t* source = sound.samples.data() + (start + first);
        for (long long k = first; k < last; ++k)
            frame[k] = source[k - first];
    }
    std::fill(frame + last, frame + length, 0.0);
}

void ComputeSpectrogramColumns(SpectrogramEngine& engine, const SoundData& sound,
                               const ViewGeometry& geometry, int kind,
                               const AnalysisSettings& settings, const ProgressCallback& progress) {
    const ColumnSpan columns = geometry.VisibleColumns();
    engine.SetSource(columns.count, static_cast<double>(sound.format.sampleRate));
    engine.SetupKind(kind, settings);
    if (!engine.KindComputesColumns(kind)) return;

    const int length = engine.FrameLength();
    double* frame = engine.FrameBuffer();
    const int count = engine.ColumnCount();
    for (int i = 0; i < count; ++i) {
        const SampleSpan span = geometry.VisibleSampleRange(columns.first + i);
        FillFrame(sound, CentredFrameStart(span.start, span.end, length), length, frame);
        engine.ComputeColumn(frame, i);
        if (progress) progress(static_cast<double>(i) / count);
    }
}

}  // namespace tonalyx
