#include "display/AxisLayout.h"

namespace tonalyx {

namespace {

constexpr int kHorizontalLabelTop = 4;
constexpr int kVerticalLabelGap = 5;     // from the label's right end to the right edge
constexpr int kVerticalLabelMargin = 3;  // labels need this distance from either end

}  // namespace

AxisLayout LayOutHorizontalAxis(const AxisScale& axis, int xOffset,
                                const TextWidthFunction& textWidth) {
    AxisLayout layout;
    for (int n = TickCount(axis) - 1; n >= 0; --n) {
        const int x = TickPixel(axis, n) + xOffset;
        int tickLength = kShortTickLength;
        if (IsLabelledTick(axis, n)) {
            std::string text = TickLabel(axis, n);
            const int left = x - textWidth(text) / 2;
            layout.labels.push_back({std::move(text), left, kHorizontalLabelTop});
            tickLength = kLabelledTickLength;
        }
        layout.ticks.push_back({x, 0, x, tickLength});
    }
    return layout;
}

AxisLayout LayOutVerticalAxis(const AxisScale& axis, int width, int height,
                              const TextWidthFunction& textWidth, int textHeight) {
    AxisLayout layout;
    const int bottom = height - 1;
    for (int n = TickCount(axis) - 1; n >= 0; --n) {
        const int b = TickPixel(axis, n);
        const int y = bottom - b;
        int tickLength = kShortTickLength;
        if (IsLabelledTick(axis, n)) {
            tickLength = kLabelledTickLength;
            if (b >= kVerticalLabelMargin && bottom - b >= kVerticalLabelMargin) {
                std::string text = TickLabel(axis, n);
                const int left = width - kVerticalLabelGap - textWidth(text);
                layout.labels.push_back({std::move(text), left, y - textHeight / 2});
            }
        }
        layout.ticks.push_back({width - tickLength, y, width, y});
    }
    return layout;
}

}  // namespace tonalyx
