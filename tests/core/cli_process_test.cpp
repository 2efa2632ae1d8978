#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_test_support.h"

namespace tonalyx::cli {
namespace {

using namespace testing;

std::string Text(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// tonalyx-cli run as its own process, with standard output and error in files or closed.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

ProgramRun RunProgram(const std::vector<std::string>& arguments,
                      const std::filesystem::path& folder, bool closeOut, bool closeErr,
                      pid_t* started = nullptr) {
    std::vector<std::string> words{TONALYX_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string outPath = (folder / "stdout.txt").string();
    const std::string errPath = (folder / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (closeOut) {
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    if (closeErr) {
        posix_spawn_file_actions_addclose(&actions, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    pid_t process = 0;
    ProgramRun run;
    const int spawned = posix_spawn(&process, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return run;
    }
    if (started) {
        *started = process;
        return run;
    }
    int status = 0;
    ::waitpid(process, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (!closeOut) run.out = Text(outPath);
    if (!closeErr) run.err = Text(errPath);
    return run;
}

TEST(CliExitStatus, ClosedStandardDescriptorsLoseNoFileOutput) {
    const auto folder = TestFolder();
    const auto runs = folder / "runs";
    std::filesystem::create_directories(runs);
    const std::string a = WriteWave(folder / "a.wav", Sine(8000, 8000, 200, 4000), 8000);
    const std::string b = WriteWave(folder / "b.wav", Sine(8000, 8000, 300, 4000), 8000);
    const std::string table = RunCommandLine({"pitch", a}).out;

    const auto ok = folder / "ok.csv";
    EXPECT_EQ(RunProgram({"pitch", a, "-o", ok.string()}, runs, true, false).status, 0);
    EXPECT_EQ(Text(ok), table);
    const std::string each = (folder / "ok_{name}.csv").string();
    EXPECT_EQ(RunProgram({"pitch", a, b, "-o", each}, runs, true, false).status, 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "ok_a.csv"));
    EXPECT_TRUE(std::filesystem::exists(folder / "ok_b.csv"));
    EXPECT_EQ(
        RunProgram({"levels", a, "-o", (folder / "ok.png").string()}, runs, true, false).status, 0);
    // Results meant for a closed standard output are a failure.
    const ProgramRun lost = RunProgram({"pitch", a}, runs, true, false);
    EXPECT_EQ(lost.status, 1);
    EXPECT_EQ(lost.err, "tonalyx-cli: cannot write standard output: Bad file descriptor\n");

    // A closed standard error: the note goes nowhere, never into an output.
    const auto noted = folder / "noted.csv";
    EXPECT_EQ(
        RunProgram({"pitch", a, "--channel", "5", "-o", noted.string()}, runs, false, true).status,
        0);
    EXPECT_EQ(Text(noted), table);
    const auto image = folder / "noted.png";
    EXPECT_EQ(
        RunProgram({"levels", a, "--channel", "5", "-o", image.string()}, runs, false, true).status,
        0);
    EXPECT_NO_THROW(DecodePng(ReadBytes(image)));
}

TEST(CliExitStatus, ASignalOrAKillLeavesNoTemporaryFileBehind) {
    const auto folder = TestFolder();
    const auto runs = folder / "runs";
    const auto out = folder / "out";
    std::filesystem::create_directories(runs);
    std::filesystem::create_directories(out);
    // Ten minutes of sound: its track takes long enough to be interrupted.
    const std::string sound =
        WriteWave(folder / "long.wav", Sine(600 * 16000, 16000, 150, 8000), 16000);
    const auto temporaries = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(out))
            count += entry.path().filename().string().rfind(".tonalyx-", 0) == 0;
        return count;
    };
    const auto interrupted = [&](int signalNumber) {
        pid_t process = 0;
        RunProgram({"pitch", sound, "--whole", "-o", (out / "t.csv").string()}, runs, false, false,
                   &process);
        for (int wait = 0; wait < 5000 && temporaries() == 0; ++wait)
            ::usleep(1000);
        // The folder's probe file lives for a moment before the table's temporary comes.
        ::usleep(50000);
        const bool seen = temporaries() == 1;
        ::kill(process, signalNumber);
        int status = 0;
        ::waitpid(process, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber);
        return seen;
    };
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_TRUE(interrupted(signalNumber)) << signalNumber;
        EXPECT_EQ(temporaries(), 0) << signalNumber;
    }
    // A kill cannot be caught: the next run into the folder removes what it left, and says so.
    EXPECT_TRUE(interrupted(SIGKILL));
    EXPECT_EQ(temporaries(), 1);
    const std::string brief = WriteWave(folder / "brief.wav", Sine(800, 8000, 200, 4000), 8000);
    const ProgramRun next =
        RunProgram({"pitch", brief, "-o", (out / "brief.csv").string()}, runs, false, false);
    EXPECT_EQ(next.status, 0);
    EXPECT_EQ(next.err, "tonalyx-cli: removed 1 temporary file left by an interrupted run in '" +
                            out.string() + "'\n");
    EXPECT_EQ(temporaries(), 0);
    EXPECT_FALSE(std::filesystem::exists(out / "t.csv"));
}

}  // namespace
}  // namespace tonalyx::cli
