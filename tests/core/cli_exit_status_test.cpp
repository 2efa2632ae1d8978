#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/OutputFiles.h"
#include "cli/OutputNames.h"
#include "cli/StandardOutput.h"
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
    EXPECT_EQ(channel.err,
              "tonalyx-cli: --channel must be a whole number from 0 to 63, not '64'\n");
}

TEST(CliExitStatus, ABadSettingStopsBeforeAnyFileIsTouched) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "a.wav", Sine(16000, 16000, 440, 1000), 16000);
    const auto output = folder / "a.png";
    const CliRun run =
        RunCommandLine({"levels", sound, "-o", output.string(), "--set", "imageHeight=2000"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "tonalyx-cli: imageHeight must be a whole number from 16 to 1024, not '2000'\n");
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
    const std::string folderNamedWave = (folder / "folder.wav").string();
    std::filesystem::create_directory(folderNamedWave);

    const CliRun run = RunCommandLine({"pitch", text, good, named, missing, folderNamedWave});
    EXPECT_EQ(run.status, 1);
    // A file is known by its content: the wave named .txt opens; a text named .wav gets the
    // general reader's own reason.
    EXPECT_EQ(run.err, "tonalyx-cli: " + text + ": cannot open: Format not recognised.\n" +
                           "tonalyx-cli: " + missing +
                           ": cannot open: No such file or directory\n" +
                           "tonalyx-cli: " + folderNamedWave + ": cannot open: Is a directory\n");
    // The two good files' tracks, each line led by its name, the same values under each name.
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GT(lines.size(), 2u);
    ASSERT_EQ(lines.size() % 2, 1u);
    EXPECT_EQ(lines.front(), "file,index,time_s,f0_hz");
    const std::size_t half = lines.size() / 2;
    for (std::size_t i = 1; i <= half; ++i) {
        ASSERT_EQ(lines[i].rfind(good + ",", 0), 0u) << lines[i];
        ASSERT_EQ(lines[half + i], named + lines[i].substr(good.size()));
    }

    const CliRun unwritable =
        RunCommandLine({"levels", good, "-o", (folder / "no" / "such" / "dir.png").string()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "tonalyx-cli: " + good + ": cannot write '" +
                                  (folder / "no" / "such" / "dir.png").string() +
                                  "': No such file or directory\n");
}

}  // namespace
}  // namespace tonalyx::cli

namespace tonalyx::cli {
namespace {

using namespace testing;

std::string Text(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// The names in a folder, so that a temporary file left behind shows.
std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CliExitStatus, AFailedWriteLeavesTheOldFileAndNoPartialFile) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "a.wav", Sine(16000, 16000, 440, 1000), 16000);
    const struct {
        std::vector<std::string> arguments;
        std::string output;
    } runs[] = {
        {{"levels", sound, "--columns", "512"}, "keep.pgm"},
        {{"levels", sound}, "keep.png"},
        {{"pitch", sound}, "keep.csv"},
        {{"spectrum", sound, "--column", "3"}, "keep.tsv"},
    };
    for (const auto& run : runs) {
        const auto output = folder / run.output;
        std::ofstream(output) << "old results";
        const auto names = FolderNames(folder);
        std::vector<std::string> arguments = run.arguments;
        arguments.insert(arguments.end(), {"-o", output.string()});
        // A disk that fills after 100 bytes, and one full from the start.
        for (const std::size_t room : {std::size_t{100}, std::size_t{0}}) {
            ScopedWriteFault full(ENOSPC, room);
            const CliRun failed = RunCommandLine(arguments);
            EXPECT_EQ(failed.status, 1) << run.output;
            // An image belongs to its input; one table may hold several inputs.
            const std::string input = arguments.front() == "levels" ? sound + ": " : "";
            EXPECT_EQ(failed.err, "tonalyx-cli: " + input + "cannot write '" + output.string() +
                                      "': No space left on device\n");
            EXPECT_EQ(Text(output), "old results");
            EXPECT_EQ(FolderNames(folder), names);
        }
        const CliRun done = RunCommandLine(arguments);
        EXPECT_EQ(done.status, 0) << done.err;
        EXPECT_NE(Text(output), "old results");
        EXPECT_EQ(FolderNames(folder), names);
    }
}

// A real full disk: a 64 KiB tmpfs, where the system allows mounting one (as root).
class SmallDisk {
public:
    explicit SmallDisk(const std::filesystem::path& folder) : folder_(folder) {
        std::filesystem::create_directories(folder);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount(folder_.c_str());
    }
    bool Mounted() const { return mounted_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

TEST(CliExitStatus, AFullDiskKeepsTheOldFilesAndLeavesNoPartialFile) {
    const auto folder = TestFolder();
    // 20 s of sound: its image and its track are larger than the disk.
    const std::string sound =
        WriteWave(folder / "a.wav", Sine(20 * 16000, 16000, 200, 8000), 16000);
    const SmallDisk disk(folder / "disk");
    if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    const auto image = folder / "disk" / "keep.pgm";
    const auto table = folder / "disk" / "f0.csv";
    std::ofstream(image) << "old image";
    std::ofstream(table) << "old table";
    const CliRun levels = RunCommandLine(
        {"levels", sound, "--columns", "8192", "--samples-per-column", "16", "-o", image.string()});
    EXPECT_EQ(levels.status, 1);
    EXPECT_EQ(levels.err, "tonalyx-cli: " + sound + ": cannot write '" + image.string() +
                              "': No space left on device\n");
    const CliRun pitch = RunCommandLine({"pitch", sound, "-o", table.string()});
    EXPECT_EQ(pitch.status, 1);
    EXPECT_EQ(pitch.err,
              "tonalyx-cli: cannot write '" + table.string() + "': No space left on device\n");
    EXPECT_EQ(Text(image), "old image");
    EXPECT_EQ(Text(table), "old table");
    EXPECT_EQ(FolderNames(folder / "disk"), (std::vector<std::string>{"f0.csv", "keep.pgm"}));
}

TEST(CliExitStatus, AnUnwritableFolderIsFoundBeforeTheAnalysis) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "a.wav", Sine(16000, 16000, 440, 1000), 16000);
    // A folder that is a file: refused for root too.
    std::ofstream(folder / "file") << "x";
    const std::string output = (folder / "file" / "a.csv").string();
    const CliRun run =
        RunCommandLine({"pitch", sound, "--set", "maxSoundLength=0.5", "-o", output});
    ASSERT_EQ(run.status, 2);  // maxSoundLength takes whole seconds
    const CliRun table = RunCommandLine({"pitch", sound, "-o", output});
    EXPECT_EQ(table.status, 1);
    EXPECT_EQ(table.err, "tonalyx-cli: cannot write '" + output + "': Not a directory\n");
    EXPECT_TRUE(table.out.empty());
}

TEST(CliExitStatus, InputsThatWouldShareAnOutputAreRefusedBeforeAnyWork) {
    const auto folder = TestFolder();
    std::filesystem::create_directories(folder / "other");
    const std::string first = WriteWave(folder / "demo.wav", Sine(8000, 8000, 200, 4000), 8000);
    const std::string second =
        WriteWave(folder / "other" / "demo.wav", Sine(8000, 8000, 300, 4000), 8000);
    const std::string pattern = (folder / "out" / "{name}.png").string();
    const CliRun clash = RunCommandLine({"levels", first, second, "-o", pattern});
    EXPECT_EQ(clash.status, 2);
    EXPECT_EQ(clash.err, "tonalyx-cli: '" + first + "' and '" + second + "' would both write '" +
                             (folder / "out" / "demo.png").string() +
                             "'; {path} keeps their folders apart\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "out"));

    const CliRun replace = RunCommandLine({"pitch", first, "-o", (folder / "{name}.wav").string()});
    EXPECT_EQ(replace.status, 2);
    EXPECT_EQ(replace.err,
              "tonalyx-cli: the output '" + first + "' would replace the input '" + first + "'\n");

    // {path} keeps the folders apart and creates them.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const CliRun kept =
        RunCommandLine({"pitch", "demo.wav", "other/demo.wav", "-o", "t/{path}.csv"});
    std::filesystem::current_path(here);
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(Lines(Text(folder / "t" / "demo.csv"))[1].rfind("demo.wav,0,", 0), 0u);
    EXPECT_EQ(Lines(Text(folder / "t" / "other" / "demo.csv"))[1].rfind("other/demo.wav,0,", 0),
              0u);
    EXPECT_EQ(OutputPath("o/{path}.png", "/abs/../x/y.z.wav"), "o/x/y.z.png");
    EXPECT_EQ(OutputPath("o/{name}-{name}.png", "../up/a.wav"), "o/a-a.png");
}

TEST(CliExitStatus, StandardOutputFailuresAreReportedWithTheSystemsReason) {
    const struct {
        const char* path;
        int flags;
        const char* reason;
    } targets[] = {{"/dev/full", O_WRONLY, "No space left on device"}};
    for (const auto& target : targets) {
        const int descriptor = ::open(target.path, target.flags);
        ASSERT_GE(descriptor, 0);
        DescriptorOutput output(descriptor);
        std::ostream out(&output);
        out << std::string(100000, 'x');
        EXPECT_FALSE(out.flush());
        EXPECT_EQ(output.Close(), std::optional<std::string>(target.reason));
    }
    // A descriptor closed before the start: reported, and its number kept from later files.
    const int descriptor = ::open("/dev/null", O_WRONLY);
    ASSERT_GE(descriptor, 0);
    ::close(descriptor);
    {
        DescriptorOutput output(descriptor);
        EXPECT_EQ(::fcntl(descriptor, F_GETFD) != -1, true);
        std::ostream out(&output);
        out << "lost\n";
        EXPECT_EQ(output.Close(), std::optional<std::string>("Bad file descriptor"));
    }
    // A working one says nothing.
    char name[] = "/tmp/tonalyx_cli_stdout_XXXXXX";
    const int file = ::mkstemp(name);
    ASSERT_GE(file, 0);
    {
        DescriptorOutput output(file);
        std::ostream out(&output);
        out << "index\n" << std::string(70000, 'y');
        EXPECT_EQ(output.Close(), std::nullopt);
    }
    EXPECT_EQ(std::filesystem::file_size(name), 6u + 70000u);
    std::filesystem::remove(name);

    // The command stops at a failed standard output and says failure.
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "a.wav", Sine(16000, 16000, 440, 1000), 16000);
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    DescriptorOutput output(full);
    std::ostream out(&output);
    std::ostringstream err;
    EXPECT_EQ(RunCli({"pitch", sound, sound}, out, err, false), 1);
    EXPECT_EQ(output.Close(), std::optional<std::string>("No space left on device"));
}

}  // namespace
}  // namespace tonalyx::cli
