#pragma once

#include <array>
#include <cstdint>

namespace tonalyx {

// A palette entry packed as 0x00BBGGRR: red in the lowest byte, then green, then blue, and a
// zero flags byte on top.
using PaletteEntry = std::uint32_t;

constexpr PaletteEntry PackPaletteEntry(int red, int green, int blue) {
    return static_cast<PaletteEntry>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr int PaletteRed(PaletteEntry entry) {
    return static_cast<int>(entry & 0xFF);
}
constexpr int PaletteGreen(PaletteEntry entry) {
    return static_cast<int>(entry >> 8 & 0xFF);
}
constexpr int PaletteBlue(PaletteEntry entry) {
    return static_cast<int>(entry >> 16 & 0xFF);
}

inline constexpr int kPaletteLevels = 256;
using LevelPaletteTable = std::array<PaletteEntry, kPaletteLevels>;
using PaletteEntryFunction = PaletteEntry (*)(int level);

// Level 0 (the "Min threshold (White)" end) is white, level 255 black: 255 - level in each
// component. Levels outside 0 .. 255 are clamped.
PaletteEntry GreyPaletteEntry(int level);

// Four segments of 64 levels: blue, cyan, green, yellow, running towards red; level 255 is
// (255, 3, 0). Levels 256 .. 383 continue through magenta back to blue; other levels are
// clamped to 0 .. 383.
PaletteEntry BlueToRedPaletteEntry(int level);

// Entry i is the colour of level i, asked for in ascending order.
LevelPaletteTable BuildLevelPalette(PaletteEntryFunction entry);

// The blue-to-red palette when blueToRed is set, else the grey one.
LevelPaletteTable LevelPalette(bool blueToRed);

}  // namespace tonalyx
