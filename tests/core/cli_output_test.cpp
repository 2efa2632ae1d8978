#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/ProgressBar.h"
#include "cli/TableWriter.h"
#include "cli_test_support.h"

namespace tonalyx::cli {
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
    EXPECT_EQ(run.out, "file: " + path +
                           "\nreader: wave\nformat tag: 0x0001 (PCM)\nchannels: 2\nsample rate: 16000 Hz\n"
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
