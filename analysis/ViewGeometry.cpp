#include "analysis/ViewGeometry.h"

#include <algorithm>
#include <cstdint>

namespace tonalyx {

namespace {

// Divisions by the view width never see 0: an unlaid-out view counts as one pixel wide.
int SafeWidth(int width) {
    return std::max(width, 1);
}

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

int ViewGeometry::SoundColumns() const {
    const std::int64_t s = samplesPerPixel;
    return ClampToInt((static_cast<std::int64_t>(sampleCount) + s - 1) / s);
}

bool ViewGeometry::IsScrolled() const {
    return !fitToWindow && viewWidth < SoundColumns();
}

int ViewGeometry::ScrollPosition() const {
    return IsScrolled() ? scroll.position : 0;
}

double ViewGeometry::SamplesPerColumn() const {
    if (fitToWindow) return static_cast<double>(sampleCount) / SafeWidth(viewWidth);
    return samplesPerPixel;
}

ColumnSpan ViewGeometry::VisibleColumns() const {
    if (fitToWindow) return {0, std::max(viewWidth, 0)};
    const int columns = SoundColumns();
    if (viewWidth < columns) return {scroll.position, viewWidth};
    return {0, columns};
}

SampleSpan ViewGeometry::VisibleSampleRange(int column) const {
    const double r = SamplesPerColumn();
    const auto truncated = [](double v) {
        return static_cast<std::int64_t>(std::clamp(v, -2147483647.0, 2147483647.0));
    };
    const std::int64_t lastSample = std::max(sampleCount - 1, 0);
    const std::int64_t start = std::clamp<std::int64_t>(truncated(column * r), 0, lastSample);
    const std::int64_t end =
        std::clamp<std::int64_t>(truncated((column + 1.0) * r), 0, std::max(sampleCount, 0));
    return {static_cast<int>(start), static_cast<int>(end)};
}

SampleSpan ViewGeometry::WindowSampleRange() const {
    if (!IsScrolled()) return {0, sampleCount};
    const std::int64_t s = samplesPerPixel;
    const std::int64_t p = scroll.position;
    const std::int64_t end = std::min<std::int64_t>((viewWidth + p) * s, sampleCount);
    return {ClampToInt(p * s), ClampToInt(end)};
}

int ViewGeometry::SampleToPixel(int sample) const {
    const SampleSpan window = WindowSampleRange();
    if (sample < window.start || sample >= window.end) return -1;
    const double r = SamplesPerColumn();
    if (r <= 0) return -1;
    return static_cast<int>(sample / r) - ScrollPosition();
}

int ViewGeometry::ZoomReadout() const {
    return fitToWindow ? sampleCount / SafeWidth(viewWidth) : samplesPerPixel;
}

int ViewGeometry::ClampScrollPosition(int position) const {
    const int highest = std::max(scroll.maximum - scroll.pageSize, 0);
    return std::clamp(position, 0, highest);
}

GeometryUpdate ViewGeometry::Update(GeometryChange change, int selectionStart, int selectionEnd) {
    GeometryUpdate result;
    const bool timeStep =
        change == GeometryChange::NarrowTime || change == GeometryChange::WidenTime;
    if (fitToWindow && timeStep) {
        fitToWindow = false;
        result.fitChanged = true;
    }

    int s = samplesPerPixel;
    int a = amplitudeScale;
    switch (change) {
        case GeometryChange::NarrowTime:
            s = std::max(s / 2, 1);
            break;
        case GeometryChange::ShrinkAmplitude:
            a = std::max(a / 2, 1);
            break;
        case GeometryChange::WidenTime:
            s = std::min(s * 2, kMaxSamplesPerPixel);
            break;
        case GeometryChange::EnlargeAmplitude:
            a = std::min(a * 2, kMaxAmplitudeScale);
            break;
        case GeometryChange::Refresh:
        case GeometryChange::Resize:
            break;
    }
    const bool forced = static_cast<int>(change) < 0;

    if (s != samplesPerPixel || forced) {
        const bool wasEnabled = scroll.enabled;
        const int n = sampleCount;
        const int w = viewWidth;
        const int columns = ClampToInt((static_cast<std::int64_t>(n) + s - 1) / s);
        int pos = wasEnabled ? scroll.position : 0;
        scroll.enabled = false;

        if (fitToWindow && w >= n && n != 0) {
            fitToWindow = false;
            result.fitChanged = true;
        }
        if (!fitToWindow && w < columns) {
            if (change != GeometryChange::Resize) {
                std::int64_t centre;
                if (selectionStart != selectionEnd) {
                    centre = static_cast<std::int64_t>(
                        (static_cast<double>(selectionStart) + selectionEnd) * 0.5);
                } else if (wasEnabled) {
                    centre = static_cast<std::int64_t>((pos + w * 0.5 + 0.5) * samplesPerPixel);
                } else {
                    centre = n / 2;
                }
                pos = ClampToInt(centre / s - w / 2);
            }
            scroll.maximum = columns - 1;
            scroll.position = std::clamp(pos, 0, columns - w - 1);
            scroll.pageSize = w;
            scroll.largeChange = (7 * w) / 8;
            scroll.enabled = true;
        }
        samplesPerPixel = s;
        result.zoomReadout = fitToWindow ? n / SafeWidth(w) : s;
    }
    if (a != amplitudeScale || forced) {
        amplitudeScale = a;
        result.amplitudeReadout = a;
    }
    return result;
}

void ViewGeometry::Reset() {
    samplesPerPixel = 1;
    amplitudeScale = 1;
    fitToWindow = true;
    scroll.enabled = false;
}

int InitialSamplesPerPixel(int sampleCount, int viewWidth) {
    const unsigned q = static_cast<unsigned>(std::max(sampleCount, 0)) /
                       static_cast<unsigned>(SafeWidth(viewWidth));
    int k = 0;
    for (unsigned v = q; v > 1; v >>= 1)
        ++k;
    return static_cast<int>(
        std::min<std::int64_t>(std::int64_t{1} << (k + 1), kMaxSamplesPerPixel));
}

}  // namespace tonalyx
