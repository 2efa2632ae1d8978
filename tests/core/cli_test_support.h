#pragma once

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliMain.h"
#include "document/WaveWriter.h"
#include "requests/ImageFiles.h"

namespace tonalyx::cli {
// The request library's names, as the command line itself uses them.
using namespace tonalyx::requests;
}  // namespace tonalyx::cli

namespace tonalyx::cli::testing {

// A folder of its own for one test, emptied first.
inline std::filesystem::path TestFolder() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) /
                                         ("tonalyx_cli_" + std::to_string(getpid()) + "_" +
                                          test->test_suite_name() + "_" + test->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// A 16-bit PCM file of interleaved samples.
inline std::string WriteWave(const std::filesystem::path& path, const std::vector<int16_t>& samples,
                             int rate, int channels = 1) {
    WaveEncoding encoding;
    encoding.sampleRate = static_cast<uint32_t>(rate);
    encoding.channels = channels;
    EXPECT_TRUE(WriteWaveFile(path.string(), encoding, samples));
    return path.string();
}

inline std::vector<int16_t> Sine(int count, int rate, double frequency, double amplitude) {
    std::vector<int16_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        samples[static_cast<std::size_t>(i)] = static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate)));
    }
    return samples;
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun RunCommandLine(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.status = RunCli(arguments, out, err, false);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

inline std::vector<std::string> Fields(const std::string& line, char separator = ',') {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream stream(line);
    while (std::getline(stream, field, separator))
        fields.push_back(field);
    return fields;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// A PNG reader for 8-bit greyscale files written from the format's description: checks the
// signature, every chunk's CRC and the order IHDR .. IDAT .. IEND, inflates the data and undoes
// the five line filters.
inline GreyImage DecodePng(const std::vector<std::uint8_t>& file) {
    const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin())) {
        throw std::runtime_error("no PNG signature");
    }
    GreyImage image;
    std::vector<std::uint8_t> packed;
    std::vector<std::string> order;
    for (std::size_t at = 8; at < file.size();) {
        const std::uint32_t length = Be32(&file[at]);
        const std::string type(file.begin() + static_cast<long>(at) + 4,
                               file.begin() + static_cast<long>(at) + 8);
        const std::uint8_t* data = &file[at + 8];
        const std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, &file[at + 4], static_cast<uInt>(length + 4)));
        if (crc != Be32(data + length)) throw std::runtime_error("bad CRC in " + type);
        order.push_back(type);
        if (type == "IHDR") {
            image.width = static_cast<int>(Be32(data));
            image.height = static_cast<int>(Be32(data + 4));
            if (data[8] != 8 || data[9] != 0 || data[12] != 0) {
                throw std::runtime_error("not 8-bit grey, not interlaced");
            }
        } else if (type == "IDAT") {
            packed.insert(packed.end(), data, data + length);
        }
        at += 12 + length;
    }
    if (order.front() != "IHDR" || order.back() != "IEND") throw std::runtime_error("chunk order");

    const auto width = static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> lines((width + 1) * image.height);
    uLongf size = lines.size();
    if (uncompress(lines.data(), &size, packed.data(), packed.size()) != Z_OK ||
        size != lines.size()) {
        throw std::runtime_error("bad image data");
    }
    image.pixels.resize(width * image.height);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = &lines[y * (width + 1)];
        std::uint8_t* out = &image.pixels[y * width];
        const std::uint8_t* above = y > 0 ? out - width : nullptr;
        for (std::size_t x = 0; x < width; ++x) {
            const int a = x > 0 ? out[x - 1] : 0;
            const int b = above ? above[x] : 0;
            const int c = above && x > 0 ? above[x - 1] : 0;
            int predicted = 0;
            switch (in[0]) {
                case 0:
                    break;
                case 1:
                    predicted = a;
                    break;
                case 2:
                    predicted = b;
                    break;
                case 3:
                    predicted = (a + b) / 2;
                    break;
                case 4: {
                    const int p = a + b - c;
                    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                    predicted = pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
                    break;
                }
                default:
                    throw std::runtime_error("unknown filter");
            }
            out[x] = static_cast<std::uint8_t>(in[1 + x] + predicted);
        }
    }
    return image;
}

}  // namespace tonalyx::cli::testing
