#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "cli_test_support.h"

namespace tonalyx::cli {
namespace {

using namespace testing;

TEST(CliExitStatus, UsageErrorsGiveTwoAndOneLineOnStandardError) {
    const CliRun none = RunCommandLine({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("Usage: tonalyx-cli"), std::string::npos);

    const CliRun help = RunCommandLine({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: tonalyx-cli"), std::string::npos);

    const CliRun option = RunCommandLine({"pitch", "a.wav", "--colour", "red"});
    EXPECT_EQ(option.status, 2);
    EXPECT_EQ(option.err, "tonalyx-cli: unknown option '--colour'; see tonalyx-cli --help\n");
    EXPECT_TRUE(option.out.empty());

    const CliRun command = RunCommandLine({"spectrogram", "a.wav"});
    EXPECT_EQ(command.status, 2);
    EXPECT_EQ(command.err, "tonalyx-cli: unknown command 'spectrogram'; see tonalyx-cli --help\n");

    const CliRun setting = RunCommandLine({"pitch", "a.wav", "--set", "pitchMinFreq=ten"});
    EXPECT_EQ(setting.status, 2);
    EXPECT_EQ(setting.err, "tonalyx-cli: pitchMinFreq must be a decimal number, not 'ten'\n");

    const CliRun channel = RunCommandLine({"info", "a.wav", "--channel", "64"});
    EXPECT_EQ(channel.status, 2);
    EXPECT_EQ(channel.err, "tonalyx-cli: --channel must be a whole number from 0 to 63, not '64'\n");
}

TEST(CliExitStatus, ABadSettingStopsBeforeAnyFileIsTouched) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "a.wav", Sine(16000, 16000, 440, 1000), 16000);
    const auto output = folder / "a.png";
    const CliRun run =
        RunCommandLine({"levels", sound, "-o", output.string(), "--set", "imageHeight=2000"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "tonalyx-cli: imageHeight must be a whole number from 16 to 1024, not '2000'\n");
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(CliExitStatus, RefusedFilesGiveOneAndTheOthersStillRun) {
    const auto folder = TestFolder();
    const std::string good = WriteWave(folder / "good.wav", Sine(16000, 16000, 200, 8000), 16000);
    const std::string text = (folder / "text.wav").string();
    std::ofstream(text) << "not a wave file at all";
    const std::string named = (folder / "good.txt").string();
    std::filesystem::copy_file(good, named);
    const std::string missing = (folder / "missing.wav").string();

    const CliRun run = RunCommandLine({"pitch", text, good, named, missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "tonalyx-cli: " + text + ": cannot open: not a RIFF/WAVE file\n" +
                  "tonalyx-cli: " + named + ": cannot open: the file name does not end in .wav\n" +
                  "tonalyx-cli: " + missing + ": cannot open: No such file or directory\n");
    // Only the good file's track, each line led by its name.
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "file,index,time_s,f0_hz");
    for (std::size_t i = 1; i < lines.size(); ++i)
        ASSERT_EQ(lines[i].rfind(good + ",", 0), 0u) << lines[i];

    const CliRun unwritable =
        RunCommandLine({"levels", good, "-o", (folder / "no" / "such" / "dir.png").string()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "tonalyx-cli: " + good + ": cannot write '" +
                                  (folder / "no" / "such" / "dir.png").string() +
                                  "': No such file or directory\n");
}

}  // namespace
}  // namespace tonalyx::cli
