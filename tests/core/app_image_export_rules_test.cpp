#include "app/ImageExportRules.h"

#include <gtest/gtest.h>

namespace tonalyx {
namespace {

TEST(DerivedImageName, WaveExtensionInAnyCaseIsReplaced) {
    EXPECT_EQ(DerivedImageName("/s/a.wav"), "/s/a.bmp");
    EXPECT_EQ(DerivedImageName("/rec/voice.WAV"), "/rec/voice.bmp");
    EXPECT_EQ(DerivedImageName("C:\\rec\\voice.Wav"), "C:\\rec\\voice.bmp");
    EXPECT_EQ(DerivedImageName("a.wav.wav"), "a.wav.bmp");
}

TEST(DerivedImageName, EverySoundExtensionIsReplaced) {
    EXPECT_EQ(DerivedImageName("/rec/voice.flac"), "/rec/voice.bmp");
    EXPECT_EQ(DerivedImageName("/rec/voice.MP3"), "/rec/voice.bmp");
    EXPECT_EQ(DerivedImageName("/rec/voice.aiff"), "/rec/voice.bmp");
    EXPECT_EQ(DerivedImageName("/rec/voice.wave"), "/rec/voice.bmp");
    EXPECT_EQ(DerivedImageName("/rec/take.2.opus"), "/rec/take.2.bmp");
}

TEST(DerivedImageName, OtherNamesKeepTheirExtension) {
    EXPECT_EQ(DerivedImageName("/rec/take.1"), "/rec/take.1.bmp");
    EXPECT_EQ(DerivedImageName("/rec/voice.txt"), "/rec/voice.txt.bmp");
    EXPECT_EQ(DerivedImageName("/rec/voice"), "/rec/voice.bmp");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(DerivedImageName("/rec.wav/voice"), "/rec.wav/voice.bmp");
    EXPECT_EQ(DerivedImageName("C:\\a.wav\\voice"), "C:\\a.wav\\voice.bmp");
}

TEST(PrintedImageSize, ScalesFromNinetySixPixelsPerInch) {
    EXPECT_EQ(PrintedImageSize(600, 400, 600, 600), (PrintedSize{3750, 2500}));
    EXPECT_EQ(PrintedImageSize(600, 400, 96, 96), (PrintedSize{600, 400}));
    EXPECT_EQ(PrintedImageSize(600, 400, 600, 300), (PrintedSize{3750, 1250}));
    // Multiplication first: 50 * 150 / 96 = 78, where 150 / 96 first would give 50.
    EXPECT_EQ(PrintedImageSize(50, 50, 150, 150), (PrintedSize{78, 78}));
    // Truncated toward zero: 1 * 300 / 96 = 3.125.
    EXPECT_EQ(PrintedImageSize(1, 1, 300, 300), (PrintedSize{3, 3}));
}

TEST(PrintedImageSize, LargeProductsDoNotOverflow) {
    // 1,000,000 * 4800 exceeds 32 bits; the result fits.
    EXPECT_EQ(PrintedImageSize(1000000, 10, 4800, 4800), (PrintedSize{50000000, 500}));
}

}  // namespace
}  // namespace tonalyx
