#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "requests/ImageFiles.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

using testing::DecodePng;

GreyImage TestImage(int width, int height, unsigned seed) {
    GreyImage image{width, height, {}};
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Smooth ramps, stripes and noise, so that every filter wins somewhere.
            const int value = y < height / 3       ? x * 3 + y
                              : y < 2 * height / 3 ? (x / 4 % 2) * 200
                                                   : static_cast<int>(random() % 256);
            image.pixels.push_back(static_cast<std::uint8_t>(value));
        }
    }
    return image;
}

TEST(CliImageFiles, PngDecodesBackToTheSamePixels) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{300, 90}}) {
        const GreyImage image = TestImage(width, height, 7);
        const GreyImage decoded = DecodePng(EncodePng(image));
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, height);
        EXPECT_EQ(decoded.pixels, image.pixels) << width << "x" << height;
    }
}

TEST(CliImageFiles, PngUsesTheFiltersAndCompresses) {
    const GreyImage image = TestImage(400, 300, 3);
    const std::vector<std::uint8_t> png = EncodePng(image);
    std::vector<std::uint8_t> lines(401 * 300);
    uLongf size = lines.size();
    // The IDAT body starts after signature (8), IHDR (25) and the IDAT length and type (8).
    ASSERT_EQ(uncompress(lines.data(), &size, &png[41], png.size() - 41 - 12), Z_OK);
    std::set<int> filters;
    for (int y = 0; y < 300; ++y)
        filters.insert(lines[y * 401]);
    EXPECT_GE(filters.size(), 2u);
    EXPECT_LT(png.size(), image.pixels.size());
}

TEST(CliImageFiles, PgmIsAP5HeaderThenTheRawBytes) {
    const GreyImage image = TestImage(5, 2, 1);
    const std::vector<std::uint8_t> pgm = EncodePgm(image);
    const std::string header = "P5\n5 2\n255\n";
    ASSERT_EQ(pgm.size(), header.size() + 10);
    EXPECT_EQ(std::string(pgm.begin(), pgm.begin() + static_cast<long>(header.size())), header);
    EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), pgm.begin() + 11));
}

TEST(CliImageFiles, RefusesEmptyImagesAndNamesTheTypeByExtension) {
    EXPECT_THROW(EncodePng(GreyImage{0, 5, {}}), std::invalid_argument);
    EXPECT_THROW(EncodePgm(GreyImage{3, 3, std::vector<std::uint8_t>(8)}), std::invalid_argument);
    ImageFileType type = ImageFileType::Pgm;
    EXPECT_TRUE(ImageFileTypeOf("dir.x/a.PNG", type));
    EXPECT_EQ(type, ImageFileType::Png);
    EXPECT_TRUE(ImageFileTypeOf("a.pgm", type));
    EXPECT_EQ(type, ImageFileType::Pgm);
    EXPECT_FALSE(ImageFileTypeOf("a.png.jpg", type));
    EXPECT_FALSE(ImageFileTypeOf("png", type));
    // The CRC of "IEND" is fixed by the format.
    const std::uint8_t iend[4] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(PngCrc(iend), 0xAE426082u);
}

}  // namespace
}  // namespace tonalyx::cli
