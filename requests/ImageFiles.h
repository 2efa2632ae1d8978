#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tonalyx::requests {

// An 8-bit grey image, row-major, line 0 at the top.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width x height
};

enum class ImageFileType { Png, Pgm };

// The type named by a file's extension (.png or .pgm in any letter case); none for others.
bool ImageFileTypeOf(std::string_view path, ImageFileType& type);

// A PNG file of the image: 8-bit greyscale, each line with the filter that suits it best,
// deflated by zlib.
std::vector<std::uint8_t> EncodePng(const GreyImage& image);

// A binary PGM (P5) file of the image, maximum value 255.
std::vector<std::uint8_t> EncodePgm(const GreyImage& image);

// The file of a level image (levels 0 .. 255, line 0 at the top) as the levels command writes
// it: PNG of grey 255 - level, dark where the level is high as on screen, or PGM of the levels.
std::vector<std::uint8_t> EncodeLevelImage(const GreyImage& levels, ImageFileType type);

// The CRC-32 of PNG chunks (ISO 3309), over the bytes given.
std::uint32_t PngCrc(std::span<const std::uint8_t> bytes);

}  // namespace tonalyx::requests
