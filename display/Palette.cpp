#include "display/Palette.h"

#include <algorithm>

namespace tonalyx {

namespace {

constexpr int kSegmentLevels = 64;
constexpr int kLastBlueToRedLevel = 6 * kSegmentLevels - 1;

// A colour component of full scale times a fraction, truncated.
int Component(double fraction) {
    return static_cast<int>(255.0 * fraction);
}

}  // namespace

PaletteEntry GreyPaletteEntry(int level) {
    const int grey = 255 - std::clamp(level, 0, kPaletteLevels - 1);
    return PackPaletteEntry(grey, grey, grey);
}

PaletteEntry BlueToRedPaletteEntry(int level) {
    level = std::clamp(level, 0, kLastBlueToRedLevel);
    const double rising = (level % kSegmentLevels) * 0.015625;  // 1 / 64
    const double falling = 1.0 - rising;
    switch (level / kSegmentLevels) {
        case 0:  // blue .. nearly cyan
            return PackPaletteEntry(0, Component(rising), 255);
        case 1:  // cyan .. nearly green
            return PackPaletteEntry(0, 255, Component(falling));
        case 2:  // green .. nearly yellow
            return PackPaletteEntry(Component(rising), 255, 0);
        case 3:  // yellow .. nearly red
            return PackPaletteEntry(255, Component(falling), 0);
        case 4:  // red .. nearly magenta
            return PackPaletteEntry(255, 0, Component(rising));
        default:  // magenta .. nearly blue
            return PackPaletteEntry(Component(falling), 0, 255);
    }
}

LevelPaletteTable BuildLevelPalette(PaletteEntryFunction entry) {
    LevelPaletteTable table{};
    for (int level = 0; level < kPaletteLevels; ++level)
        table[level] = entry(level);
    return table;
}

LevelPaletteTable LevelPalette(bool blueToRed) {
    return BuildLevelPalette(blueToRed ? BlueToRedPaletteEntry : GreyPaletteEntry);
}

}  // namespace tonalyx
