#include "display/WaveStrokes.h"

#include <algorithm>

namespace tonalyx {

SampleExtent ScanSampleExtent(const std::int16_t* samples, int start, int end) {
    // A plain min/max reduction: the compiler turns it into packed 16-bit min/max instructions.
    std::int16_t low = 0;
    std::int16_t high = 0;
    for (int i = start; i < end; ++i) {
        low = std::min(low, samples[i]);
        high = std::max(high, samples[i]);
    }
    return {low, high};
}

void ComputeWaveStrokes(const WaveStrokeInput& input, std::vector<WaveStroke>& strokes) {
    strokes.clear();
    const int height = input.height;
    if (height <= 0 || !input.samples || !input.geometry) return;
    const ViewGeometry& geometry = *input.geometry;
    // One row covers k sample units; the zero line lies at row mid (63 for 128 rows).
    const int k = std::max(65536 / height, 1);
    const int mid = (height - 1) - height / 2;
    const bool selected = input.selectionStart != input.selectionEnd;
    const ColumnSpan visible = geometry.VisibleColumns();
    strokes.reserve(static_cast<size_t>(std::max(visible.count, 0)));
    for (int i = 0; i < visible.count; ++i) {
        const SampleSpan span = geometry.VisibleSampleRange(visible.first + i);
        const SampleExtent extent = ScanSampleExtent(input.samples, span.start, span.end);
        const int top = std::min(geometry.amplitudeScale * extent.maximum / k, mid);
        const int bottom =
            std::max(geometry.amplitudeScale * extent.minimum / k, mid - (height - 1));
        WaveStroke stroke;
        stroke.firstRow = mid - top;
        stroke.endRow = mid - bottom + 1;
        stroke.inverted =
            selected && span.start < input.selectionEnd && input.selectionStart < span.end;
        strokes.push_back(stroke);
    }
}

}  // namespace tonalyx
