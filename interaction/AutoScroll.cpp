#include "interaction/AutoScroll.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tonalyx {

namespace {

constexpr int kScrollBand = 32;     // pixels beyond the edge per step of speed
constexpr int kSmallestScroll = 8;  // pixels per tick just beyond the edge

}  // namespace

int DragOvershoot(int dragX, int viewWidth) {
    if (dragX - viewWidth > 0) return dragX - viewWidth;
    if (dragX < 0) return dragX;
    return 0;
}

std::optional<int> AutoScrollPosition(const ViewGeometry& geometry, int dragX) {
    if (!geometry.scroll.enabled) return std::nullopt;
    const int over = DragOvershoot(dragX, geometry.viewWidth);
    if (over == 0) return std::nullopt;
    const long long distance = std::llabs(static_cast<long long>(over));
    const long long step = distance / kScrollBand * kScrollBand + kSmallestScroll;
    const long long target = geometry.scroll.position + (over > 0 ? step : -step);
    const long long bounded = std::clamp<long long>(target, INT32_MIN, INT32_MAX);
    return geometry.ClampScrollPosition(static_cast<int>(bounded));
}

}  // namespace tonalyx
