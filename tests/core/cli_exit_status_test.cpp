#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "requests/OutputFiles.h"
#include "requests/OutputNames.h"
#include "requests/StandardOutput.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
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
              "tonalyx-cli: --channel must be a whole number from 0 to 63, not "
              "'64'; see tonalyx-cli --help\n");
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
    // Found before any work, for all inputs at once.
    EXPECT_EQ(unwritable.err, "tonalyx-cli: cannot write '" +
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
    EXPECT_EQ(OutputPath("o/{path}.png", "/abs/../x/y.z.wav", "/"), "o/x/y.z.png");
    EXPECT_EQ(OutputPath("o/{name}-{name}.png", "../up/a.wav", "/any"), "o/a-a.png");
    // {path} is relative to the deepest folder of all inputs: it never climbs out of OUT's.
    EXPECT_EQ(CommonFolder({"/c/pa/x.wav", "/c/pb/q/y.wav"}), "/c");
    EXPECT_EQ(CommonFolder({"/c/pa/x.wav"}), "/c/pa");
    EXPECT_EQ(OutputPath("{path}.csv", "/c/pb/q/y.wav", "/c"), "pb/q/y.csv");
    std::filesystem::current_path(folder / "other");
    const CliRun up = RunCommandLine({"pitch", "../demo.wav", "-o", "{path}.csv"});
    std::filesystem::current_path(here);
    EXPECT_EQ(up.status, 0) << up.err;
    EXPECT_TRUE(std::filesystem::exists(folder / "other" / "demo.csv"));
}

TEST(CliExitStatus, AnOutputThatIsAnInputUnderAnySpellingIsRefused) {
    const auto folder = TestFolder();
    std::filesystem::create_directories(folder / "dir");
    const std::string sound = WriteWave(folder / "x.wav", Sine(8000, 8000, 200, 4000), 8000);
    std::filesystem::create_symlink("x.wav", folder / "link.wav");
    std::filesystem::create_symlink(folder, folder / "dir" / "up");
    const std::vector<uint8_t> original = ReadBytes(sound);
    const std::string absolute = folder.string();
    const struct {
        std::string input;
        std::string output;
    } spellings[] = {
        {sound, absolute + "/x.wav"},       {sound, absolute + "/dir/../x.wav"},
        {sound, "/" + absolute + "/x.wav"}, {sound, absolute + "/./dir/up/x.wav"},
        {absolute + "/link.wav", sound},    {sound, absolute + "/link.wav"},
        {sound, absolute + "/{name}.wav"},
    };
    for (const auto& spelling : spellings) {
        for (const char* command : {"pitch", "levels"}) {
            std::vector<std::string> arguments{command, spelling.input, "-o", spelling.output};
            if (command == std::string("levels"))
                arguments.insert(arguments.end(), {"--format", "pgm"});
            const CliRun run = RunCommandLine(arguments);
            EXPECT_EQ(run.status, 2) << spelling.output;
            EXPECT_NE(run.err.find("would replace the input"), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(ReadBytes(sound), original);

    // Two outputs that are one file, and an input given twice.
    const CliRun shared = RunCommandLine(
        {"levels", sound, absolute + "/dir/x.wav", "-o", absolute + "/{name}.png", "--fit"});
    EXPECT_EQ(shared.status, 2);
    const CliRun twice = RunCommandLine(
        {"pitch", sound, absolute + "/dir/up/x.wav", "-o", absolute + "/out/{name}.csv"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.err, "tonalyx-cli: '" + sound + "' and '" + absolute +
                             "/dir/up/x.wav' are one file, given twice\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "out"));
}

TEST(CliExitStatus, DevicesPipesAndLinksAreWrittenNotReplaced) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "a.wav", Sine(8000, 8000, 200, 4000), 8000);
    const std::string table = RunCommandLine({"pitch", sound}).out;

    // A character device: the null device made in the test's folder, where the system allows.
    const auto device = folder / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(RunCommandLine({"pitch", sound, "-o", device.string()}).status, 0);
        struct stat status {};
        ASSERT_EQ(::stat(device.c_str(), &status), 0);
        EXPECT_TRUE(S_ISCHR(status.st_mode));
    }

    // A FIFO with a reader gets every byte; the FIFO stays a FIFO.
    const auto fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = Text(fifo); });
    EXPECT_EQ(RunCommandLine({"pitch", sound, "-o", fifo.string()}).status, 0);
    reader.join();
    EXPECT_EQ(received, table);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    // /dev/fd/N writes the descriptor the process holds.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::thread drain([&] {
        std::string bytes;
        char chunk[4096];
        for (ssize_t got; (got = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, static_cast<std::size_t>(got));
        received = bytes;
    });
    const CliRun described =
        RunCommandLine({"pitch", sound, "-o", "/dev/fd/" + std::to_string(pipeEnds[1])});
    ::close(pipeEnds[1]);
    drain.join();
    ::close(pipeEnds[0]);
    EXPECT_EQ(described.status, 0) << described.err;
    EXPECT_EQ(received, table);

    // A link is kept and its target written; a file keeps its permissions.
    for (const mode_t mode : {0600, 0444, 0640}) {
        const auto target = folder / "target.csv";
        std::filesystem::remove(target);
        std::ofstream(target) << "old";
        ::chmod(target.c_str(), mode);
        std::filesystem::remove(folder / "link.csv");
        std::filesystem::create_symlink("target.csv", folder / "link.csv");
        EXPECT_EQ(RunCommandLine({"pitch", sound, "-o", (folder / "link.csv").string()}).status, 0);
        EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.csv"));
        EXPECT_EQ(Text(target), table);
        struct stat status {};
        ASSERT_EQ(::stat(target.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode);
    }

    // The longest name the folder takes: the temporary name is shorter.
    const auto longest = folder / (std::string(251, 'n') + ".csv");
    EXPECT_EQ(RunCommandLine({"pitch", sound, "-o", longest.string()}).status, 0);
    EXPECT_EQ(Text(longest), table);
    // No output is written into a folder.
    const CliRun intoFolder = RunCommandLine({"pitch", sound, "-o", folder.string()});
    EXPECT_EQ(intoFolder.status, 1);
    EXPECT_NE(intoFolder.err.find("Is a directory"), std::string::npos) << intoFolder.err;
}

TEST(CliExitStatus, ATableKeepsOnlyTheInputsReadWhole) {
    const auto folder = TestFolder();
    const std::string good = WriteWave(folder / "a.wav", Sine(8000, 8000, 200, 4000), 8000);
    const std::string other = WriteWave(folder / "b.wav", Sine(8000, 8000, 300, 4000), 8000);
    std::ofstream(folder / "damaged.flac") << "fLaC and nothing a decoder takes";
    const std::string damaged = (folder / "damaged.flac").string();
    const auto output = folder / "t.csv";
    std::ofstream(output) << "OLD\n";
    const CliRun lone = RunCommandLine({"pitch", damaged, "-o", output.string()});
    EXPECT_EQ(lone.status, 1);
    EXPECT_NE(lone.err.find("nothing written to '" + output.string() + "'"), std::string::npos);
    EXPECT_EQ(Text(output), "OLD\n");
    EXPECT_EQ(FolderNames(folder),
              (std::vector<std::string>{"a.wav", "b.wav", "damaged.flac", "t.csv"}));

    // With several inputs the whole ones are committed, under one header.
    const CliRun mixed = RunCommandLine(
        {"pitch", damaged, good, damaged, other, "-o", output.string(), "--step", "0.25"});
    EXPECT_EQ(mixed.status, 1);
    const std::vector<std::string> lines = Lines(Text(output));
    ASSERT_EQ(lines.size(), 1u + 4 + 4);
    EXPECT_EQ(lines[0], "file,index,time_s,f0_hz");
    EXPECT_EQ(lines[1].rfind(good + ",0,", 0), 0u);
    EXPECT_EQ(lines[5].rfind(other + ",0,", 0), 0u);

    // Rows written before a failure are taken back; a stream cannot take them back.
    WholeFileStream file(output.string());
    ASSERT_EQ(file.Open(), std::nullopt);
    std::ostream stream(&file);
    stream << "header\nwhole\n" << std::flush;
    const std::uint64_t whole = file.Size();
    stream << std::string(100000, 'x') << std::flush;
    EXPECT_TRUE(file.TruncateTo(whole));
    stream << "next\n" << std::flush;
    EXPECT_EQ(file.Commit(), std::nullopt);
    EXPECT_EQ(Text(output), "header\nwhole\nnext\n");
    WholeFileStream device("/dev/null");
    ASSERT_EQ(device.Open(), std::nullopt);
    EXPECT_FALSE(device.TruncateTo(0));
    EXPECT_EQ(device.Commit(), std::nullopt);
}

// Inputs run at once are written as one input after another writes them: one header, a failed
// input's rows kept on standard output and taken back from a table, the notes in input order.
// --max-seconds runs them one at a time, with the same results for sounds shorter than it.
TEST(CliExitStatus, InputsRunAtOnceGiveTheBytesOfOneAfterAnother) {
    const auto folder = TestFolder();
    const std::string low = WriteWave(folder / "low.wav", Sine(8000, 8000, 150, 6000), 8000);
    const std::string high = WriteWave(folder / "high.wav", Sine(32000, 16000, 260, 6000), 16000);
    std::ofstream(folder / "text.wav") << "not a sound";
    std::vector<char> cut(30000);
    std::ifstream(high, std::ios::binary)
        .read(cut.data(), static_cast<std::streamsize>(cut.size()));
    std::ofstream(folder / "cut.wav", std::ios::binary).write(cut.data(), 30000);
    std::filesystem::copy_file(low, folder / "again.wav");
    const std::vector<std::string> inputs{
        (folder / "text.wav").string(), low,
        (folder / "cut.wav").string(),  high,
        (folder / "none.wav").string(), (folder / "again.wav").string()};
    const std::vector<std::vector<std::string>> commands{{"pitch", "--step", "0.05"},
                                                         {"formants"},
                                                         {"intensity"},
                                                         {"spectrum", "--time", "0.5"},
                                                         {"pitch", "--format", "tsv"}};
    for (const auto& command : commands) {
        for (const std::string output : {"-", "table.csv", "{name}.out"}) {
            const auto run = [&](bool oneAtATime) {
                std::filesystem::remove_all(folder / "out");
                std::filesystem::create_directory(folder / "out");
                std::vector<std::string> arguments = command;
                arguments.insert(arguments.begin() + 1, inputs.begin(), inputs.end());
                arguments.insert(
                    arguments.end(),
                    {"-o", output == "-" ? output : (folder / "out" / output).string()});
                if (oneAtATime) arguments.insert(arguments.end(), {"--max-seconds", "100"});
                CliRun result = RunCommandLine(arguments);
                for (const std::string& name : FolderNames(folder / "out"))
                    result.out += "\n<" + name + ">\n" + Text(folder / "out" / name);
                return result;
            };
            const CliRun atOnce = run(false);
            const CliRun oneAtATime = run(true);
            const std::string what = command[0] + " " + command.back() + " -o " + output;
            EXPECT_EQ(atOnce.status, 1) << what;
            EXPECT_EQ(atOnce.status, oneAtATime.status) << what;
            EXPECT_EQ(atOnce.err, oneAtATime.err) << what;
            EXPECT_EQ(atOnce.out, oneAtATime.out) << what;
            EXPECT_NE(atOnce.err.find("cut.wav: the data chunk holds"), std::string::npos) << what;
        }
    }
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
    // A descriptor closed at the start fails only when something is written to it.
    {
        DescriptorOutput output(STDOUT_FILENO, true);
        std::ostream out(&output);
        EXPECT_TRUE(out.flush());
        out << "lost\n";
        EXPECT_FALSE(out.flush());
        EXPECT_EQ(output.Close(), std::optional<std::string>("Bad file descriptor"));
    }
    EXPECT_EQ(DescriptorOutput(STDOUT_FILENO, true).Close(), std::nullopt);
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
