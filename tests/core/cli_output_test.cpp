#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/ProgressBar.h"
#include "cli_test_support.h"
#include "document/SoundFileInfo.h"
#include "document/SoundFileWriter.h"
#include "document/WaveReader.h"
#include "requests/NumberText.h"
#include "requests/TableWriter.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

using namespace testing;

TEST(CliOutput, TablesQuoteFileNamesAndFormatNumbersAlike) {
    std::ostringstream csv;
    {
        TableWriter table(csv, TableFormat::Csv, "dir/a,\"b\".wav");
        table.Header({"n", "x"});
        table.Integer(-3).Fixed(0.1234567, 6).EndLine();
        table.Text("").General(123456.7, 6).EndLine();
    }
    EXPECT_EQ(csv.str(),
              "file,n,x\n\"dir/a,\"\"b\"\".wav\",-3,0.123457\n\"dir/a,\"\"b\"\".wav\",,123457\n");

    std::ostringstream tsv;
    {
        TableWriter table(tsv, TableFormat::Tsv, "");
        table.Header({"a", "b"});
        table.General(0.0, 6).General(1.0 / 3, 6).EndLine();
        table.General(2e-7, 6).General(-1500, 6).EndLine();
    }
    EXPECT_EQ(tsv.str(), "a\tb\n0\t0.333333\n2e-07\t-1500\n");

    // A comma alone is enough to quote a CSV name; TSV escapes what would split its rows.
    const struct {
        const char* name;
        TableFormat format;
        const char* field;
    } names[] = {{"a,b.wav", TableFormat::Csv, "\"a,b.wav\""},
                 {"a\tb.wav", TableFormat::Csv, "a\tb.wav"},
                 {"a\tb\nc\rd\\e.wav", TableFormat::Tsv, "a\\tb\\nc\\rd\\\\e.wav"},
                 {"a,\"b\".wav", TableFormat::Tsv, "a,\"b\".wav"}};
    for (const auto& name : names) {
        std::ostringstream out;
        {
            TableWriter table(out, name.format, name.name);
            table.Integer(1).EndLine();
        }
        const char separator = name.format == TableFormat::Csv ? ',' : '\t';
        EXPECT_EQ(out.str(), std::string(name.field) + separator + "1\n") << name.name;
    }
}

// Compares the table's number formatting with the C library's printf, value by value, and
// keeps the first few differences to show.
class PrintfComparison {
public:
    void Check(double value, char conversion, int precision) {
        ++checked_;
        char format[] = {'%', '.', '*', conversion, '\0'};
        char expected[512];
        std::snprintf(expected, sizeof expected, format, precision, value);
        std::string written;
        if (conversion == 'f') {
            AppendFixed(written, value, precision);
        } else {
            AppendGeneral(written, value, precision);
        }
        if (written == expected) return;
        if (++differences_ <= 10) {
            char exact[64];
            std::snprintf(exact, sizeof exact, "%a", value);
            shown_ += std::string(format).replace(2, 1, std::to_string(precision)) + " of " +
                      exact + ": " + written + " instead of " + expected + "\n";
        }
    }
    void CheckBoth(double value) {
        Check(value, 'f', 6);
        Check(value, 'g', 6);
    }

    long long checked_ = 0;
    long long differences_ = 0;
    std::string shown_;
};

TEST(CliOutput, NumbersAreWrittenExactlyAsPrintfWritesThem) {
    PrintfComparison compare;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double value : {0.0,          -0.0,          1.0,           -1.0,
                         0.5,          1e-7,          -1e-7,         5e-7,
                         4.9999999e-7, 1e-300,        -1e-300,       DBL_MIN,
                         DBL_TRUE_MIN, -DBL_TRUE_MIN, DBL_MIN / 3,   DBL_MAX,
                         -DBL_MAX,     9.9999995,     9.99999949999, 99999.95,
                         999999.5,     999999.4999,   0.00999999,    0.000099999951,
                         0.0001,       1e6,           1e9,           1e12,
                         1e15,         2e18,          1e22,          9.2233720368547758e18,
                         0.0078125,    0.0234375,     1234.125,      100000.5,
                         3.0000005,    inf,           -inf,          nan,
                         -nan}) {
        compare.CheckBoth(value);
        for (int precision = 0; precision <= 12; ++precision) {
            compare.Check(value, 'f', precision);
            compare.Check(value, 'g', precision);
        }
    }

    // Around every value where the rounding goes up a digit or a decade, ulp by ulp: the
    // boundaries of six significant digits and of six decimals, in every decade.
    std::mt19937_64 random(20261207);
    for (int decade = -320; decade <= 308; ++decade) {
        for (const char* digits : {"9.999995e%d", "1.000005e%d", "1.234565e%d", "1e%d"}) {
            char text[32];
            std::snprintf(text, sizeof text, digits, decade);
            double value = std::strtod(text, nullptr);
            for (int step = 0; step < 8; ++step)
                value = std::nextafter(value, 0.0);
            for (int step = 0; step < 16; ++step) {
                compare.CheckBoth(value);
                compare.CheckBoth(-value);
                value = std::nextafter(value, inf);
            }
        }
    }
    std::uniform_int_distribution<long long> micros(0, 50'000'000'000LL);
    for (int i = 0; i < 20000; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%lld.%06lld5", micros(random) / 1'000'000,
                      micros(random) % 1'000'000);
        double value = std::strtod(text, nullptr);
        for (int step = 0; step < 2; ++step)
            value = std::nextafter(value, 0.0);
        for (int step = 0; step < 5; ++step) {
            compare.CheckBoth(value);
            value = std::nextafter(value, inf);
        }
    }

    // Exact ties, which go to the even digit: multiples of small powers of two.
    for (int bits = 0; bits <= 24; ++bits) {
        std::uniform_int_distribution<long long> count(0, 20000LL << bits);
        for (int i = 0; i < 4000; ++i)
            compare.CheckBoth(std::ldexp(static_cast<double>(count(random)), -bits));
    }

    // The values a table holds: times as the pitch track computes them and at random up to
    // 50,000 s, frequencies up to 20 kHz, then any magnitude and any bit pattern.
    const int rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000};
    std::uniform_int_distribution<long long> index(0, 2'000'000'000LL);
    std::uniform_int_distribution<int> pick(0, 7);
    std::uniform_int_distribution<int> hop(1, 12);
    std::uniform_real_distribution<double> time(0, 50000), frequency(0, 20000), exponent(-9, 13);
    std::uniform_int_distribution<std::uint64_t> anyBits;
    for (int i = 0; i < 1'000'000; ++i) {
        const double rate = rates[pick(random)];
        compare.Check(static_cast<double>(index(random) % static_cast<long long>(50000 * rate)) *
                          hop(random) / rate,
                      'f', 6);
        compare.Check(time(random), 'f', 6);
        compare.Check(frequency(random), 'g', 6);
        compare.Check(std::pow(10.0, exponent(random)), 'g', 6);
    }
    for (int i = 0; i < 200'000; ++i) {
        const double value = std::pow(10.0, exponent(random)) * (pick(random) < 4 ? 1 : -1);
        compare.Check(value, 'f', 6);
        compare.CheckBoth(std::bit_cast<double>(anyBits(random)));
        compare.Check(value, 'f', pick(random) + 1);
        compare.Check(value, 'g', pick(random) + 1);
    }
    EXPECT_EQ(compare.differences_, 0) << "of " << compare.checked_ << "\n" << compare.shown_;
}

TEST(CliOutput, ProgressLinesShowTheShareDoneOrTheTimeSpent) {
    EXPECT_EQ(ProgressLine("a.wav: columns", 0.5, 2),
              "a.wav: columns [###############...............]  50%");
    EXPECT_EQ(ProgressLine("x", 1.5, 0), "x [##############################] 100%");
    EXPECT_EQ(ProgressLine("a.wav: pitch track", -1, 12.34), "a.wav: pitch track ... 12.3 s");
    // A disabled bar writes nothing at all.
    std::ostringstream terminal;
    {
        ProgressBar bar(terminal, false, std::chrono::milliseconds(0));
        bar.Start("x");
        bar.Update(0.5);
        bar.Finish();
    }
    EXPECT_TRUE(terminal.str().empty());
}

TEST(CliOutput, InfoDescribesTheFileAndWhatWasLoaded) {
    const auto folder = TestFolder();
    std::vector<int16_t> stereo(2 * 32000);
    WaveEncoding encoding;
    encoding.bitsPerSample = 8;
    encoding.channels = 2;
    encoding.sampleRate = 16000;
    const std::string path = (folder / "stereo.wav").string();
    ASSERT_TRUE(WriteWaveFile(path, encoding, stereo));

    const CliRun run =
        RunCommandLine({"info", path, "--channel", "1", "--set", "maxSoundLength=1"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "file: " + path +
                  "\nreader: wave (Tonalyx wave reader)\ncontainer: WAV\ncodec: PCM 8-bit\n"
                  "format tag: 0x0001 (PCM)\nchannels: 2\nsample rate: 16000 Hz\n"
                  "bits per sample: 8\nlength: 32000 samples, 2.000000 s\n"
                  "channel read: 1\n"
                  "loaded: 16000 samples, 1.000000 s (maxSoundLength 1 s)\n\n");

    encoding = WaveEncoding{};
    encoding.sampleFormat = WaveSampleFormat::IeeeFloat;
    encoding.bitsPerSample = 32;
    ASSERT_TRUE(WriteWaveFile((folder / "float.wav").string(), encoding, std::vector<double>(441)));
    const CliRun floats = RunCommandLine({"info", (folder / "float.wav").string()});
    EXPECT_NE(floats.out.find("format tag: 0x0003 (IEEE float)\n"), std::string::npos);
    EXPECT_NE(floats.out.find("bits per sample: 32\n"), std::string::npos);

    const CliRun refused = RunCommandLine({"info", (folder / "none.wav").string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("refused: cannot open: No such file or directory"),
              std::string::npos);

    // A wave without an extension is known by its content and taken by the general reader.
    const std::string bare = (folder / "stereo").string();
    std::filesystem::copy_file(path, bare);
    const CliRun byContent = RunCommandLine({"info", bare, "--channel", "1"});
    EXPECT_EQ(byContent.status, 0) << byContent.err;
    EXPECT_EQ(byContent.out.substr(0, byContent.out.find("format tag")),
              "file: " + bare + "\nreader: libsndfile (" + SoundReaderName(SoundReader::Sndfile) +
                  ")\ncontainer: WAV\ncodec: PCM 8-bit\n");
    EXPECT_NE(byContent.out.find("length: 32000 samples, 2.000000 s\n"), std::string::npos);

    // A wave of an unknown coding: the wave reader's reason, then libsndfile's own text.
    std::vector<uint8_t> bytes = ReadBytes(path);
    bytes[20] = 0x99;  // the format tag
    const std::string odd = (folder / "odd.wav").string();
    std::ofstream(odd, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const CliRun corrupt = RunCommandLine({"info", odd});
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_EQ(Lines(corrupt.out)[1].rfind(
                  "refused: cannot open: " +
                      std::string(DescribeWaveReadError(WaveReadError::UnsupportedFormat)) +
                      " (libsndfile: ",
                  0),
              0u)
        << corrupt.out;
}

TEST(CliOutput, SettingsListsEveryFieldWithItsCurrentValue) {
    const CliRun run =
        RunCommandLine({"settings", "--set", "imageHeight=64", "--set", "logScale=on"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines.front(), "name\trecord\tvalues\tvalue\tmeaning\tcommand_line");
    EXPECT_EQ(lines[27],
              "imageHeight\tDisplaySettings\ta whole number from 16 to 1024\t64\tpixels\tused");
    // Every field has a meaning, and the window's own fields are marked.
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Fields(lines[i], '\t');
        ASSERT_EQ(fields.size(), 6u) << lines[i];
        EXPECT_FALSE(fields[4].empty()) << lines[i];
        const bool windowOnly = fields[0].rfind("copy", 0) == 0 || fields[0] == "disableAudio" ||
                                fields[0] == "blueToRed";
        EXPECT_EQ(fields[5] == "no effect", windowOnly) << lines[i];
    }
    EXPECT_EQ(Fields(lines[42], '\t')[5], "used; --channel overrides it");
    EXPECT_EQ(Fields(lines[28], '\t')[3], "true");
    EXPECT_EQ(Fields(lines[2], '\t')[3], "11");  // fftSizeLog2 at its factory default
}

}  // namespace
}  // namespace tonalyx::cli

namespace tonalyx::cli {
namespace {

using namespace testing;

TEST(CliOutput, EveryChangeToTheInputIsSaidOnStandardError) {
    const auto folder = TestFolder();
    // 130 s at 8 kHz: longer than the 120 s read by default.
    const std::string longSound =
        WriteWave(folder / "long.wav", std::vector<int16_t>(130 * 8000, 100), 8000);
    const CliRun cut = RunCommandLine({"info", longSound});
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.err, "tonalyx-cli: " + longSound +
                           ": read the first 120.000 s of 130.000 s (maxSoundLength 120 s); "
                           "--whole reads it all\n");
    const CliRun whole = RunCommandLine({"info", longSound, "--set", "maxSoundLength=130"});
    EXPECT_TRUE(whole.err.empty()) << whole.err;
    // The command line reads past the window's limit, up to a length or all of it.
    const CliRun upTo = RunCommandLine({"info", longSound, "--max-seconds", "60.5"});
    EXPECT_EQ(upTo.err, "tonalyx-cli: " + longSound +
                            ": read the first 60.500 s of 130.000 s (--max-seconds 60.5); "
                            "--whole reads it all\n");
    EXPECT_NE(upTo.out.find("loaded: 484000 samples, 60.500000 s (--max-seconds 60.5)\n"),
              std::string::npos);
    const CliRun all = RunCommandLine({"info", longSound, "--whole"});
    EXPECT_EQ(all.err, "");
    EXPECT_NE(all.out.find("loaded: 1040000 samples, 130.000000 s\n"), std::string::npos);
    EXPECT_EQ(RunCommandLine({"info", longSound, "--max-seconds", "200"}).err, "");
    const CliRun none = RunCommandLine({"info", longSound, "--max-seconds", "0.0001"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("refused: cannot open: --max-seconds reads no whole sample"),
              std::string::npos);

    const std::string mono = WriteWave(folder / "mono.wav", Sine(8000, 8000, 200, 1000), 8000);
    const CliRun channel = RunCommandLine({"pitch", mono, "--channel", "5"});
    EXPECT_EQ(channel.status, 0);
    EXPECT_EQ(channel.err, "tonalyx-cli: " + mono +
                               ": channel 5 does not exist in 1 channel; read channel 0, the last "
                               "one\n");
    const std::string stereo =
        WriteWave(folder / "stereo.wav", std::vector<int16_t>(16000), 8000, 2);
    EXPECT_EQ(RunCommandLine({"info", stereo, "--channel", "1"}).err, "");
    EXPECT_NE(RunCommandLine({"info", stereo, "--channel", "2"})
                  .err.find("in 2 channels; read "
                            "channel 1"),
              std::string::npos);

    // A data chunk cut short: the header claims 8000 samples, the file holds 5000.
    const std::string shortened =
        WriteWave(folder / "short.wav", Sine(8000, 8000, 200, 1000), 8000);
    std::filesystem::resize_file(shortened, std::filesystem::file_size(shortened) - 6000);
    const CliRun chunk = RunCommandLine({"info", shortened});
    EXPECT_EQ(chunk.status, 0);
    EXPECT_EQ(chunk.err, "tonalyx-cli: " + shortened +
                             ": the data chunk holds 5000 of the 8000 samples its header "
                             "claims; read what it holds\n");
    EXPECT_NE(chunk.out.find("loaded: 5000 samples"), std::string::npos);

    // The same notes for a file the general reader takes: a FLAC of two channels, 3 s long.
    const std::string flac = (folder / "stereo.flac").string();
    ASSERT_TRUE(WriteSoundFile(flac, {SoundContainer::Flac, SoundCoding::Pcm16, 2, 8000},
                               std::span<const int16_t>(std::vector<int16_t>(2 * 24000, 7))));
    const CliRun notes = RunCommandLine({"info", flac, "--channel", "3", "--max-seconds", "2.5"});
    EXPECT_EQ(notes.status, 0);
    EXPECT_EQ(notes.err, "tonalyx-cli: " + flac +
                             ": channel 3 does not exist in 2 channels; read channel 1, the last "
                             "one\ntonalyx-cli: " +
                             flac +
                             ": read the first 2.500 s of 3.000 s (--max-seconds 2.5); --whole "
                             "reads it all\n");
    EXPECT_NE(notes.out.find("loaded: 20000 samples, 2.500000 s (--max-seconds 2.5)\n"),
              std::string::npos);

    // --fit on a sound with fewer samples than the view has columns.
    const std::string brief = WriteWave(folder / "brief.wav", Sine(800, 8000, 200, 1000), 8000);
    const CliRun fit = RunCommandLine(
        {"levels", brief, "--fit", "--columns", "1000", "-o", (folder / "b.pgm").string()});
    EXPECT_EQ(fit.status, 0);
    EXPECT_EQ(fit.err, "tonalyx-cli: " + brief +
                           ": --fit has no effect: the sound's 800 samples are no more than the "
                           "1000 columns of the view\n");
    EXPECT_EQ(RunCommandLine(
                  {"levels", brief, "--fit", "--columns", "100", "-o", (folder / "b.pgm").string()})
                  .err,
              "");
}

TEST(CliOutput, ContradictorySettingsAreUsageErrorsNamingBoth) {
    const struct {
        std::vector<std::string> sets;
        std::string message;
    } cases[] = {
        {{"pitchMaxFreq=60"}, "pitchMinFreq (80) must lie below pitchMaxFreq (60)"},
        {{"pitchMinFreq=640"}, "pitchMinFreq (640) must lie below pitchMaxFreq (640)"},
        {{"minFreq=2000"}, "minFreq (2000) must lie below maxFreq (1000)"},
        {{"maxFreq=-100"}, "minFreq (0) must lie below maxFreq (-100)"},
        {{"minFreq=-5", "maxFreq=-1"}, "minFreq (-5) must not be negative"},
        {{"minTime=0.02"}, "minTime (0.02) must lie below maxTime (0.02)"},
        {{"minDb=-20"}, "minDb (-20) must lie below maxDb (-20)"},
        {{"minPercent=0.5"}, "minPercent (0.5) must lie below maxPercent (0.1)"},
    };
    for (const auto& entry : cases) {
        std::vector<std::string> arguments = {"pitch", "a.wav"};
        for (const std::string& set : entry.sets)
            arguments.insert(arguments.end(), {"--set", set});
        const CliRun run = RunCommandLine(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "tonalyx-cli: " + entry.message + "\n");
    }
    // Set in the other order, the two agree.
    EXPECT_EQ(RunCommandLine({"settings", "--set", "maxFreq=3000", "--set", "minFreq=2000"}).status,
              0);
}

TEST(CliOutput, TablesHaveOneShapeForOneFileAndForMany) {
    const auto folder = TestFolder();
    const std::string a = WriteWave(folder / "a.wav", Sine(8000, 8000, 200, 8000), 8000);
    const std::string b = WriteWave(folder / "b.wav", Sine(8000, 8000, 300, 8000), 8000);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"pitch"}, {"spectrum", "--column", "2"}}) {
        std::vector<std::string> one = command;
        one.push_back(a);
        std::vector<std::string> two = one;
        two.push_back(b);
        const std::vector<std::string> single = Lines(RunCommandLine(one).out);
        const std::vector<std::string> both = Lines(RunCommandLine(two).out);
        ASSERT_GT(single.size(), 1u);
        EXPECT_EQ(single.front(), both.front());
        EXPECT_EQ(single.front().rfind("file,", 0), 0u);
        // The first file's lines are the same whether alone or not; then b's follow.
        ASSERT_EQ(both.size(), 2 * single.size() - 1);
        EXPECT_TRUE(std::equal(single.begin(), single.end(), both.begin()));
        EXPECT_EQ(both[single.size()].rfind(b + ",", 0), 0u);
        EXPECT_EQ(Fields(both.back()).size(), Fields(single.back()).size());

        // The same table written to a file, and one file per input.
        std::vector<std::string> toFile = two;
        toFile.insert(toFile.end(), {"-o", (folder / "all.csv").string()});
        ASSERT_EQ(RunCommandLine(toFile).status, 0);
        const std::vector<uint8_t> written = ReadBytes(folder / "all.csv");
        EXPECT_EQ(Lines({written.begin(), written.end()}), both);
        toFile.back() = (folder / "{name}.csv").string();
        ASSERT_EQ(RunCommandLine(toFile).status, 0);
        const std::vector<uint8_t> first = ReadBytes(folder / "a.csv");
        EXPECT_EQ(Lines({first.begin(), first.end()}), single);
    }
}

TEST(CliOutput, MissingValuesPrintAsTheWindowComputesThemOrAsAskedFor) {
    const auto folder = TestFolder();
    std::vector<int16_t> samples(16000);  // silence, then a voice-like tone
    const std::vector<int16_t> tone = Sine(16000, 16000, 150, 8000);
    samples.insert(samples.end(), tone.begin(), tone.end());
    const std::string path = WriteWave(folder / "s.wav", samples, 16000);
    const auto column = [&](const std::vector<std::string>& extra, std::size_t field) {
        std::vector<std::string> arguments = {"pitch", path};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliRun run = RunCommandLine(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        std::vector<std::string> values;
        for (const std::string& line : Lines(run.out))
            values.push_back(Fields(line + ",")[field]);
        return values;
    };
    const std::vector<std::string> zeros = column({}, 3);
    const std::vector<std::string> empty = column({"--missing-as", "empty"}, 3);
    const std::vector<std::string> nan = column({"--missing-as", "nan"}, 3);
    ASSERT_EQ(zeros.size(), nan.size());
    std::size_t missing = 0;
    for (std::size_t i = 1; i < zeros.size(); ++i) {
        if (zeros[i] == "0") {
            ++missing;
            EXPECT_EQ(empty[i], "");
            EXPECT_EQ(nan[i], "NaN");
        } else {
            EXPECT_EQ(empty[i], zeros[i]);
            EXPECT_EQ(nan[i], zeros[i]);
        }
    }
    EXPECT_GT(missing, 100u);
    EXPECT_LT(missing, zeros.size() - 100);

    // The spectrum of pure silence: the dB floor, or missing.
    const CliRun floor = RunCommandLine({"spectrum", path, "--time", "0.2"});
    const CliRun blank = RunCommandLine({"spectrum", path, "--time", "0.2", "--missing-as", "nan"});
    const std::vector<std::string> floorLines = Lines(floor.out);
    const std::vector<std::string> blankLines = Lines(blank.out);
    ASSERT_EQ(floorLines.size(), 257u);
    ASSERT_EQ(blankLines.size(), 257u);
    EXPECT_LT(std::stod(Fields(floorLines[10])[5]), -3000);
    EXPECT_EQ(Fields(blankLines[10])[5], "NaN");
}

TEST(CliOutput, ProgressNamesTheFileAmongSeveral) {
    std::ostringstream terminal;
    ProgressBar bar(terminal, false);
    bar.SetFile(3, 120);
    bar.Start("a.wav: columns");
    EXPECT_EQ(bar.Label(), "file 3 of 120: a.wav: columns");
    bar.SetFile(1, 1);
    bar.Start("a.wav: columns");
    EXPECT_EQ(bar.Label(), "a.wav: columns");
}

}  // namespace
}  // namespace tonalyx::cli
