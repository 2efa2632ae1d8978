#include "requests/ImageFiles.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tonalyx::requests {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kGreyColourType = 0;
constexpr int kFilterTypes = 5;  // None, Sub, Up, Average, Paeth

void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
                 std::span<const std::uint8_t> data) {
    AppendBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    AppendBe32(out, PngCrc({out.data() + typeStart, out.size() - typeStart}));
}

std::uint8_t Paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<std::uint8_t>(left);
    if (toUp <= toUpLeft) return static_cast<std::uint8_t>(up);
    return static_cast<std::uint8_t>(upLeft);
}

// The line filtered by one PNG filter type (one byte per pixel); previous is the line above,
// all zeros for the first line.
void FilterLine(int type, const std::uint8_t* line, const std::uint8_t* previous, int width,
                std::uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        const int left = x > 0 ? line[x - 1] : 0;
        const int up = previous[x];
        const int upLeft = x > 0 ? previous[x - 1] : 0;
        int predicted = 0;
        switch (type) {
            case 1:
                predicted = left;
                break;
            case 2:
                predicted = up;
                break;
            case 3:
                predicted = (left + up) / 2;
                break;
            case 4:
                predicted = Paeth(left, up, upLeft);
                break;
            default:
                break;
        }
        out[x] = static_cast<std::uint8_t>(line[x] - predicted);
    }
}

// The usual choice: the filter whose output, read as signed bytes, has the smallest sum of
// magnitudes compresses best.
long FilteredCost(const std::uint8_t* filtered, int width) {
    long cost = 0;
    for (int x = 0; x < width; ++x)
        cost += std::abs(static_cast<int>(static_cast<std::int8_t>(filtered[x])));
    return cost;
}

std::vector<std::uint8_t> FilteredLines(const GreyImage& image) {
    const auto width = static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> out((width + 1) * static_cast<std::size_t>(image.height));
    const std::vector<std::uint8_t> zeros(width);
    std::vector<std::uint8_t> candidate(width);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* line = image.pixels.data() + y * width;
        const std::uint8_t* previous = y > 0 ? line - width : zeros.data();
        std::uint8_t* row = out.data() + y * (width + 1);
        long best = -1;
        for (int type = 0; type < kFilterTypes; ++type) {
            FilterLine(type, line, previous, image.width, candidate.data());
            const long cost = FilteredCost(candidate.data(), image.width);
            if (best < 0 || cost < best) {
                best = cost;
                row[0] = static_cast<std::uint8_t>(type);
                std::copy(candidate.begin(), candidate.end(), row + 1);
            }
        }
    }
    return out;
}

void CheckShape(const GreyImage& image) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() <
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        throw std::invalid_argument("an image needs at least one pixel and all its pixels");
    }
}

}  // namespace

bool ImageFileTypeOf(std::string_view path, ImageFileType& type) {
    if (path.size() < 4) return false;
    std::string extension(path.substr(path.size() - 4));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") {
        type = ImageFileType::Png;
    } else if (extension == ".pgm") {
        type = ImageFileType::Pgm;
    } else {
        return false;
    }
    return true;
}

std::uint32_t PngCrc(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
}

std::vector<std::uint8_t> EncodePng(const GreyImage& image) {
    CheckShape(image);
    std::vector<std::uint8_t> header;
    AppendBe32(header, static_cast<std::uint32_t>(image.width));
    AppendBe32(header, static_cast<std::uint32_t>(image.height));
    header.push_back(8);  // bits per sample
    header.push_back(kGreyColourType);
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering
    header.push_back(0);  // not interlaced

    const std::vector<std::uint8_t> lines = FilteredLines(image);
    uLongf packedSize = compressBound(static_cast<uLong>(lines.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, lines.data(), static_cast<uLong>(lines.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        throw std::runtime_error("the image could not be compressed");
    }
    packed.resize(packedSize);

    std::vector<std::uint8_t> out(kPngSignature.begin(), kPngSignature.end());
    AppendChunk(out, "IHDR", header);
    AppendChunk(out, "IDAT", packed);
    AppendChunk(out, "IEND", {});
    return out;
}

std::vector<std::uint8_t> EncodePgm(const GreyImage& image) {
    CheckShape(image);
    const std::string header =
        "P5\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    const std::size_t count =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    out.insert(out.end(), image.pixels.begin(), image.pixels.begin() + count);
    return out;
}

std::vector<std::uint8_t> EncodeLevelImage(const GreyImage& levels, ImageFileType type) {
    if (type == ImageFileType::Pgm) return EncodePgm(levels);
    GreyImage grey = levels;
    for (std::uint8_t& pixel : grey.pixels)
        pixel = static_cast<std::uint8_t>(255 - pixel);
    return EncodePng(grey);
}

}  // namespace tonalyx::requests
