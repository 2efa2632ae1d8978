#include "display/Palette.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

namespace tonalyx {
namespace {

std::tuple<int, int, int> Rgb(PaletteEntry entry) {
    return {PaletteRed(entry), PaletteGreen(entry), PaletteBlue(entry)};
}

using Colour = std::tuple<int, int, int>;

TEST(Palette, PackedRedGreenBlueFlags) {
    EXPECT_EQ(PackPaletteEntry(0x11, 0x22, 0x33), 0x00332211u);
    EXPECT_EQ(Rgb(0x00332211u), Colour(0x11, 0x22, 0x33));
}

TEST(Palette, GreyRunsFromWhiteToBlack) {
    EXPECT_EQ(Rgb(GreyPaletteEntry(0)), Colour(255, 255, 255));
    EXPECT_EQ(Rgb(GreyPaletteEntry(128)), Colour(127, 127, 127));
    EXPECT_EQ(Rgb(GreyPaletteEntry(255)), Colour(0, 0, 0));
    for (int level = 0; level < 256; ++level) {
        EXPECT_EQ(GreyPaletteEntry(level), 0xFFFFFFu - level * 0x010101u);
    }
    EXPECT_EQ(GreyPaletteEntry(-4), GreyPaletteEntry(0));
    EXPECT_EQ(GreyPaletteEntry(300), GreyPaletteEntry(255));
}

TEST(Palette, BlueToRedCheckValues) {
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(0)), Colour(0, 0, 255));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(32)), Colour(0, 127, 255));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(63)), Colour(0, 251, 255));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(64)), Colour(0, 255, 255));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(127)), Colour(0, 255, 3));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(128)), Colour(0, 255, 0));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(192)), Colour(255, 255, 0));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(224)), Colour(255, 127, 0));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(255)), Colour(255, 3, 0));
    // The two segments beyond the palette: red to magenta, magenta back to blue.
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(256)), Colour(255, 0, 0));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(288)), Colour(255, 0, 127));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(320)), Colour(255, 0, 255));
    EXPECT_EQ(Rgb(BlueToRedPaletteEntry(383)), Colour(3, 0, 255));
    EXPECT_EQ(BlueToRedPaletteEntry(-1), BlueToRedPaletteEntry(0));
    EXPECT_EQ(BlueToRedPaletteEntry(1000), BlueToRedPaletteEntry(383));
}

TEST(Palette, BlueToRedChangesOneComponentAtATime) {
    // Neighbouring levels differ in one component by at most 4 (255 / 64), the flags stay 0.
    for (int level = 1; level < 384; ++level) {
        const PaletteEntry a = BlueToRedPaletteEntry(level - 1);
        const PaletteEntry b = BlueToRedPaletteEntry(level);
        EXPECT_EQ(b >> 24, 0u);
        const int dr = std::abs(PaletteRed(a) - PaletteRed(b));
        const int dg = std::abs(PaletteGreen(a) - PaletteGreen(b));
        const int db = std::abs(PaletteBlue(a) - PaletteBlue(b));
        EXPECT_LE(dr + dg + db, 4) << level;
        EXPECT_LE((dr > 0) + (dg > 0) + (db > 0), 1) << level;
    }
}

TEST(Palette, LevelPaletteTakesEntriesInLevelOrder) {
    const LevelPaletteTable grey = LevelPalette(false);
    const LevelPaletteTable colour = LevelPalette(true);
    for (int level = 0; level < kPaletteLevels; ++level) {
        EXPECT_EQ(grey[level], GreyPaletteEntry(level));
        EXPECT_EQ(colour[level], BlueToRedPaletteEntry(level));
    }
}

}  // namespace
}  // namespace tonalyx
