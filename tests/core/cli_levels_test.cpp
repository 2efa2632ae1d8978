#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "document/SoundFileWriter.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

using namespace testing;

constexpr int kRate = 16000;

// A P5 file's size and pixels.
GreyImage ParsePgm(const std::vector<uint8_t>& file) {
    std::string header(file.begin(), file.begin() + std::min<std::size_t>(file.size(), 32));
    GreyImage image;
    int maximum = 0;
    int consumed = 0;
    EXPECT_EQ(std::sscanf(header.c_str(), "P5 %d %d %d%n", &image.width, &image.height, &maximum,
                          &consumed),
              3);
    EXPECT_EQ(maximum, 255);
    image.pixels.assign(file.begin() + consumed + 1, file.end());
    EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height);
    return image;
}

// A 500 Hz tone of 3.5 s: the window opens it at 64 samples per column, 875 columns.
std::string Tone(const std::filesystem::path& folder, const char* name = "tone.wav") {
    return WriteWave(folder / name, Sine(56000, kRate, 500.0, 16000), kRate);
}

TEST(CliLevels, WritesOneColumnPerAnalysisColumnAndPngIsTheInvertedPgm) {
    const auto folder = TestFolder();
    const std::string tone = Tone(folder);
    ASSERT_EQ(RunCommandLine({"levels", tone, "-o", (folder / "a.pgm").string()}).status, 0);
    ASSERT_EQ(RunCommandLine({"levels", tone, "-o", (folder / "a.png").string()}).status, 0);
    const GreyImage levels = ParsePgm(ReadBytes(folder / "a.pgm"));
    const GreyImage grey = DecodePng(ReadBytes(folder / "a.png"));
    EXPECT_EQ(levels.width, 875);
    EXPECT_EQ(levels.height, 256);
    ASSERT_EQ(grey.pixels.size(), levels.pixels.size());
    for (std::size_t i = 0; i < levels.pixels.size(); ++i)
        ASSERT_EQ(grey.pixels[i], 255 - levels.pixels[i]) << i;

    // The tone lies halfway up the default 0 .. 1000 Hz: row 128, line 255 - 128.
    const int x = 437;
    int darkest = 0;
    for (int y = 1; y < levels.height; ++y) {
        if (levels.pixels[y * levels.width + x] > levels.pixels[darkest * levels.width + x]) {
            darkest = y;
        }
    }
    EXPECT_NEAR(darkest, 127, 1);
    EXPECT_EQ(levels.pixels[darkest * levels.width + x], 255);
}

TEST(CliLevels, FollowsTheViewAndDisplayOptionsAndNamesSeveralOutputs) {
    const auto folder = TestFolder();
    const std::string a = Tone(folder, "a.wav");
    const std::string b = Tone(folder, "b.wav");
    const CliRun run =
        RunCommandLine({"levels", a, b, "--fit", "--columns", "200", "--set", "imageHeight=100",
                        "-o", (folder / "out-{name}.pgm").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"out-a.pgm", "out-b.pgm"}) {
        const GreyImage image = ParsePgm(ReadBytes(folder / name));
        EXPECT_EQ(image.width, 200) << name;
        EXPECT_EQ(image.height, 100) << name;
    }
    // The pitch kind of a steady tone marks one row per column and leaves the rest white.
    ASSERT_EQ(RunCommandLine({"levels", a, "--kind", "pitch", "--set", "maxFreq=1000", "-o",
                              (folder / "pitch.pgm").string()})
                  .status,
              0);
    const GreyImage pitch = ParsePgm(ReadBytes(folder / "pitch.pgm"));
    const long marks = std::count(pitch.pixels.begin(), pitch.pixels.end(), 255);
    EXPECT_EQ(marks + std::count(pitch.pixels.begin(), pitch.pixels.end(), 0),
              static_cast<long>(pitch.pixels.size()));
    EXPECT_GT(marks, pitch.width / 2);
    EXPECT_LE(marks, pitch.width);
}

struct SpectrumRow {
    double start = 0;  // the time span of the columns, in seconds
    double end = 0;
    double position = 0;
    double level = 0;
};

std::vector<SpectrumRow> Spectrum(const std::vector<std::string>& arguments,
                                  std::string* header = nullptr) {
    const CliRun run = RunCommandLine(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    std::vector<SpectrumRow> rows;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Fields(lines[i]);
        EXPECT_EQ(fields.size(), 6u);
        EXPECT_EQ(std::stoi(fields[3]), static_cast<int>(i - 1));
        rows.push_back({std::stod(fields[1]), std::stod(fields[2]), std::stod(fields[4]),
                        std::stod(fields[5])});
    }
    if (header && !lines.empty()) *header = lines.front();
    return rows;
}

TEST(CliSpectrum, AgreesWithTheImageAndFindsTheTone) {
    const auto folder = TestFolder();
    const std::string tone = Tone(folder);
    std::string header;
    const std::vector<SpectrumRow> rows = Spectrum({"spectrum", tone, "--column", "400"}, &header);
    EXPECT_EQ(header, "file,start_s,end_s,row,frequency_hz,level_db");
    ASSERT_EQ(rows.size(), 256u);
    ASSERT_EQ(RunCommandLine({"levels", tone, "-o", (folder / "a.pgm").string()}).status, 0);
    const GreyImage image = ParsePgm(ReadBytes(folder / "a.pgm"));

    std::size_t peak = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_NEAR(rows[r].position, r * 1000.0 / 256, 1e-3);
        if (rows[r].level > rows[peak].level) peak = r;
        // The image maps the same dB between -90 and -20 onto 256 levels, clamped.
        const double level = (rows[r].level + 90) * 256 * 0.9999999999 / 70;
        const int expected = static_cast<int>(std::clamp(level, 0.0, 255.9999999));
        EXPECT_NEAR(image.pixels[(255 - r) * image.width + 400], expected, 1) << r;
    }
    EXPECT_NEAR(rows[peak].position, 500, 1000.0 / 256);
}

TEST(CliSpectrum, TheMeanOfColumnsLiesBetweenTheColumns) {
    const auto folder = TestFolder();
    std::vector<int16_t> samples = Sine(56000, kRate, 300.0, 8000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(samples[i] + (i * 7919 % 2001) - 1000);
    const std::string sound = WriteWave(folder / "noisy.wav", samples, kRate);
    // Rows read bins directly: the mean of powers lies between the columns' powers.
    const std::vector<std::string> common = {"spectrum", sound, "--set", "interpolate=off"};
    std::vector<std::vector<SpectrumRow>> singles;
    for (const char* column : {"300", "301", "302"}) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), {"--column", column});
        singles.push_back(Spectrum(arguments));
    }
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), {"--column", "300", "--to-column", "302"});
    const std::vector<SpectrumRow> mean = Spectrum(arguments);
    ASSERT_EQ(mean.size(), 256u);
    for (std::size_t r = 0; r < mean.size(); ++r) {
        const auto [low, high] =
            std::minmax({singles[0][r].level, singles[1][r].level, singles[2][r].level});
        EXPECT_GE(mean[r].level, low - 1e-3) << r;
        EXPECT_LE(mean[r].level, high + 1e-3) << r;
    }
}

TEST(CliSpectrum, LagKindsReadPercentAndLagsInMilliseconds) {
    const auto folder = TestFolder();
    const std::string tone = Tone(folder);
    std::string header;
    Spectrum({"spectrum", tone, "--column", "10", "--kind", "ac", "--format", "csv"}, &header);
    EXPECT_EQ(header, "file,start_s,end_s,row,frequency_hz,level_percent");
    const std::vector<SpectrumRow> lags =
        Spectrum({"spectrum", tone, "--column", "10", "--kind", "cep", "--set",
                  "showAsFrequency=off", "--set", "imageHeight=64"},
                 &header);
    EXPECT_EQ(header, "file,start_s,end_s,row,lag_ms,level_percent");
    ASSERT_EQ(lags.size(), 64u);
    for (std::size_t r = 0; r < lags.size(); ++r)
        EXPECT_NEAR(lags[r].position, r * 20.0 / 64, 1e-4);

    const CliRun beyond =
        RunCommandLine({"spectrum", tone, "--column", "870", "--to-column", "875"});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_EQ(beyond.err,
              "tonalyx-cli: " + tone + ": column 875 lies beyond the 875 columns of this view\n");
}

// Noise, so that every column has a spectrum of its own.
std::string Noise(const std::filesystem::path& folder) {
    std::vector<int16_t> samples(56000);
    std::uint32_t state = 12345;
    for (int16_t& sample : samples) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<int16_t>(static_cast<int>(state >> 20) - 2048);
    }
    return WriteWave(folder / "noise.wav", samples, kRate);
}

TEST(CliSpectrum, TimeReadsTheColumnThatHoldsIt) {
    const auto folder = TestFolder();
    const std::string noise = Noise(folder);
    const auto table = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"spectrum", noise});
        const CliRun run = RunCommandLine(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    };
    const struct {
        std::vector<std::string> view;
        double samplesPerColumn;
        int scrolled;
    } views[] = {
        // Opened in 1024 columns: 64 samples a column, 875 columns.
        {{}, 64, 0},
        {{"--fit"}, 56000.0 / 1024, 0},
        {{"--samples-per-column", "16", "--first-column", "100"}, 16, 100},
    };
    for (const auto& view : views) {
        // 54 / kRate starts the second column of the fitted view, whose zoom is fractional.
        for (const double time :
             {0.0, 0.004, 0.5, 1.2345, 64 * 700 / double(kRate), 54.0 / kRate, 109.0 / kRate}) {
            // The column whose samples [trunc(c r), trunc((c + 1) r)) hold the time's sample.
            const double sample = std::floor(time * kRate + 1e-6);
            int column = 0;
            while (std::trunc((column + 1) * view.samplesPerColumn) <= sample)
                ++column;
            column -= view.scrolled;
            if (column < 0 || column >= 1024) continue;
            std::vector<std::string> byTime = view.view;
            char text[32];
            std::snprintf(text, sizeof text, "%.9f", time);
            byTime.insert(byTime.end(), {"--time", text});
            std::vector<std::string> byColumn = view.view;
            byColumn.insert(byColumn.end(), {"--column", std::to_string(column)});
            const std::string timed = table(byTime);
            EXPECT_EQ(timed, table(byColumn)) << time;
            // The span printed holds the time.
            const std::vector<std::string> fields = Fields(Lines(timed)[1]);
            EXPECT_LE(std::stod(fields[1]), time + 1e-6);
            EXPECT_GT(std::stod(fields[2]), time);
        }
    }
    // A range of one column is that column; a leading '+' reads as the number; the last
    // column of the view can be read.
    EXPECT_EQ(table({"--column", "5", "--to-column", "5"}), table({"--column", "5"}));
    EXPECT_EQ(table({"--column", "+5", "--to-column", "+6"}),
              table({"--column", "5", "--to-column", "6"}));
    EXPECT_NE(table({"--column", "5", "--to-column", "6"}), table({"--column", "5"}));
    EXPECT_EQ(Lines(table({"--column", "874"})).size(), 257u);
    EXPECT_EQ(table({"--time", "0.02", "--to-time", "0.02"}), table({"--column", "5"}));
    // A range of times is the range of columns that hold them.
    EXPECT_EQ(table({"--time", "0.5", "--to-time", "0.6"}),
              table({"--column", "125", "--to-column", "150"}));
    const std::vector<std::string> range =
        Fields(Lines(table({"--column", "125", "--to-column", "150"}))[1]);
    EXPECT_EQ(range[1], "0.500000");
    EXPECT_EQ(range[2], "0.604000");

    const CliRun outside = RunCommandLine(
        {"spectrum", noise, "--samples-per-column", "1", "--first-column", "0", "--time", "2"});
    EXPECT_EQ(outside.status, 1);
    EXPECT_EQ(outside.err, "tonalyx-cli: " + noise +
                               ": time 2.000000 s lies outside the view, which shows 0.000000 "
                               "to 0.064000 s; --fit or --first-column shows other times\n");
}

TEST(CliLevels, WritesTheImageToStandardOutput) {
    const auto folder = TestFolder();
    const std::string tone = Tone(folder);
    ASSERT_EQ(RunCommandLine({"levels", tone, "-o", (folder / "a.pgm").string()}).status, 0);
    const std::vector<uint8_t> file = ReadBytes(folder / "a.pgm");
    const CliRun pgm = RunCommandLine({"levels", tone, "-o", "-", "--format", "pgm"});
    EXPECT_EQ(pgm.status, 0);
    EXPECT_EQ(std::vector<uint8_t>(pgm.out.begin(), pgm.out.end()), file);
    const CliRun png = RunCommandLine({"levels", tone, "-o", "-"});
    const GreyImage grey = DecodePng({png.out.begin(), png.out.end()});
    const GreyImage levels = ParsePgm(file);
    ASSERT_EQ(grey.pixels.size(), levels.pixels.size());
    for (std::size_t i = 0; i < grey.pixels.size(); ++i)
        ASSERT_EQ(grey.pixels[i], 255 - levels.pixels[i]);
}

// The table's rows without their file column.
std::vector<std::string> RowsWithoutFile(const std::string& table) {
    std::vector<std::string> rows = Lines(table);
    for (std::string& row : rows)
        row = row.substr(row.find(','));
    return rows;
}

TEST(CliLevels, LosslessFilesOfEveryFormatGiveTheWavesImageAndTrack) {
    const auto folder = TestFolder();
    // Three seconds of two channels, a tone with a glide in the second.
    std::vector<int32_t> frames(2 * 3 * kRate);
    for (int i = 0; i < 3 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        frames[2 * i] = static_cast<int32_t>(std::lround(3e8 * std::sin(2 * M_PI * 300 * t)));
        frames[2 * i + 1] = static_cast<int32_t>(
            std::lround(9e8 * std::sin(2 * M_PI * (120 * t + 20 * t * t))) & ~0xFF);
    }
    const auto write = [&](const char* name, SoundContainer container, SoundCoding coding) {
        const std::string path = (folder / name).string();
        std::string error;
        EXPECT_TRUE(WriteSoundFile(path, {container, coding, 2, kRate}, frames, &error)) << error;
        return path;
    };
    for (SoundCoding coding : {SoundCoding::Pcm16, SoundCoding::Pcm24}) {
        const std::string wave = write("a.wav", SoundContainer::Wav, coding);
        const std::vector<std::string> others = {
            write("a.flac", SoundContainer::Flac, coding),
            write("a.aiff", SoundContainer::Aiff, coding),
            write("a.w64", SoundContainer::W64, coding),
        };
        const auto levels = [&](const std::string& path) {
            const std::string out = (folder / "out.pgm").string();
            const CliRun run = RunCommandLine({"levels", path, "--channel", "1", "--fit",
                                               "--columns", "300", "--overlay-pitch", "-o", out});
            EXPECT_EQ(run.status, 0) << run.err;
            return ReadBytes(out);
        };
        const auto pitch = [&](const std::string& path) {
            return RowsWithoutFile(RunCommandLine({"pitch", path, "--channel", "1"}).out);
        };
        const std::vector<uint8_t> image = levels(wave);
        const std::vector<std::string> track = pitch(wave);
        ASSERT_GT(track.size(), 100u);
        for (const std::string& other : others) {
            EXPECT_EQ(levels(other), image) << other;
            EXPECT_EQ(pitch(other), track) << other;
        }
    }
}

}  // namespace
}  // namespace tonalyx::cli
