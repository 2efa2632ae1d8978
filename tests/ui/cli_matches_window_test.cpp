#include <QAction>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScrollBar>

#include <set>

#include <gtest/gtest.h>

#include "CliComparisonSupport.h"
#include "WindowTestSupport.h"

namespace tonalyx {
namespace {

using testing::SettingsArguments;
using testing::StartedProgram;
using testing::WriteGlidingVoice;

// The tonalyx-cli program must produce, pixel for pixel, the palette bitmap that the window
// holds after the same Calculate command on the same view, with the same settings.

struct Levels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // row-major, line 0 at the top
};

// Runs tonalyx-cli levels on the file into a PGM or PNG file and reads the levels back.
Levels RunCli(StartedProgram& program, const QString& sound, const QStringList& options,
              const QString& output) {
    QStringList arguments{"levels",    sound,
                          "-o",        output,
                          "--columns", QString::number(program.main.Geometry().viewWidth)};
    arguments << options << SettingsArguments(program.options.Settings());
    QProcess process;
    process.start(TONALYX_CLI_PATH, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    Levels levels;
    if (output.endsWith(".png")) {
        // Qt's own PNG reader; the file holds grey 255 - level.
        const QImage image(output);
        EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
        levels.width = image.width();
        levels.height = image.height();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                levels.pixels.push_back(static_cast<uint8_t>(255 - image.constScanLine(y)[x]));
        }
        return levels;
    }
    QFile file(output);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    int maximum = 0;
    int consumed = 0;
    EXPECT_EQ(std::sscanf(bytes.constData(), "P5 %d %d %d%n", &levels.width, &levels.height,
                          &maximum, &consumed),
              3);
    levels.pixels.assign(bytes.begin() + consumed + 1, bytes.end());
    return levels;
}

// The window's palette bitmap as levels: its top-left columns x rows.
Levels WindowLevels(const TMainForm& form) {
    const QImage& image = form.SpectrogramBitmap().Image();
    Levels levels{form.Engine().ColumnCount(), form.Engine().ImageHeight(), {}};
    for (int y = 0; y < levels.height; ++y) {
        for (int x = 0; x < levels.width; ++x)
            levels.pixels.push_back(static_cast<uint8_t>(image.pixelIndex(x, y)));
    }
    return levels;
}

void ExpectSameLevels(const Levels& window, const Levels& cli, const char* what,
                      bool blank = false) {
    ASSERT_EQ(cli.width, window.width) << what;
    ASSERT_EQ(cli.height, window.height) << what;
    ASSERT_EQ(cli.pixels.size(), window.pixels.size()) << what;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < cli.pixels.size(); ++i)
        differing += cli.pixels[i] != window.pixels[i];
    EXPECT_EQ(differing, 0u) << what;
    // An image of one level would prove little, unless that is all the kind draws.
    const std::size_t distinct =
        std::set<uint8_t>(window.pixels.begin(), window.pixels.end()).size();
    if (blank) {
        EXPECT_EQ(distinct, 1u) << what;
    } else {
        EXPECT_GT(distinct, 1u) << what;
    }
}

TEST(CliMatchesWindow, EveryKindAfterFitToWindowIsSwitchedOff) {
    QTemporaryDir dir;
    const QString sound = WriteGlidingVoice(dir, 3.0);
    StartedProgram program(sound);
    TMainForm& form = program.main;
    ASSERT_TRUE(form.IsFileOpen());
    form.Action("AViewFitToWindow")->trigger();
    ASSERT_FALSE(form.Geometry().fitToWindow);

    const struct {
        int kind;
        const char* name;
    } kinds[] = {{1, "fft"}, {2, "ac"}, {3, "cep"}, {4, "lif"}, {5, "mem"}, {6, "pitch"}};
    for (const auto& [kind, name] : kinds) {
        form.RunAnalysis(kind);
        const Levels cli = RunCli(program, sound, {"--kind", name}, dir.filePath("k.pgm"));
        // The liftered values (a few log10 units) lie far below the default dB thresholds.
        ExpectSameLevels(WindowLevels(form), cli, name, kind == 4);
    }

    // The PNG holds the same image as grey.
    form.RunAnalysis(1);
    ExpectSameLevels(WindowLevels(form), RunCli(program, sound, {}, dir.filePath("k.png")), "png");
}

TEST(CliMatchesWindow, PitchOverlayOverTwoKinds) {
    QTemporaryDir dir;
    const QString sound = WriteGlidingVoice(dir, 3.0);
    StartedProgram program(sound);
    TMainForm& form = program.main;
    form.Action("AViewFitToWindow")->trigger();
    form.RunAnalysis(1);
    form.Action("AViewShowPitchOverlay")->trigger();
    ASSERT_FALSE(form.PitchTrackValues().empty());
    ExpectSameLevels(WindowLevels(form),
                     RunCli(program, sound, {"--overlay-pitch"}, dir.filePath("o.pgm")),
                     "fft with pitch");
    form.RunAnalysis(5);
    ExpectSameLevels(
        WindowLevels(form),
        RunCli(program, sound, {"--kind", "mem", "--overlay-pitch"}, dir.filePath("o.pgm")),
        "mem with pitch");
}

TEST(CliMatchesWindow, FittedAndScrolledViews) {
    QTemporaryDir dir;
    const QString sound = WriteGlidingVoice(dir, 3.0);
    StartedProgram program(sound);
    TMainForm& form = program.main;
    ASSERT_TRUE(form.Geometry().fitToWindow);
    form.RunAnalysis(1);
    ExpectSameLevels(WindowLevels(form), RunCli(program, sound, {"--fit"}, dir.filePath("f.pgm")),
                     "fitted");

    // Fitting off, one Narrow Time Window, then the scroll bar moved by the user.
    form.Action("AViewFitToWindow")->trigger();
    form.Action("AViewExtended")->trigger();
    ASSERT_TRUE(form.Geometry().IsScrolled());
    auto* scrollBar = form.findChild<QScrollBar*>("HorzScrollBar");
    scrollBar->setValue(scrollBar->maximum() / 3);
    const int first = form.Geometry().ScrollPosition();
    ASSERT_GT(first, 0);
    form.RunAnalysis(3);
    ExpectSameLevels(WindowLevels(form),
                     RunCli(program, sound,
                            {"--kind", "cep", "--samples-per-column",
                             QString::number(form.Geometry().samplesPerPixel), "--first-column",
                             QString::number(first)},
                            dir.filePath("s.pgm")),
                     "scrolled");
}

// The program itself, not only its library: a standard output that cannot take the results
// is a failure with the system's reason, for every command that prints.
TEST(CliProgram, FailedStandardOutputExitsOneWithTheReason) {
    QTemporaryDir dir;
    const QString sound = WriteGlidingVoice(dir, 3.0);
    const QStringList commands[] = {
        {"pitch", sound}, {"spectrum", sound, "--column", "3"}, {"info", sound},
        {"settings"},     {"levels", sound, "-o", "-"},         {"--version"}};
    for (const QStringList& arguments : commands) {
        QProcess full;
        full.setStandardOutputFile("/dev/full");
        full.start(TONALYX_CLI_PATH, arguments);
        ASSERT_TRUE(full.waitForFinished(60000));
        EXPECT_EQ(full.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(full.readAllStandardError().toStdString(),
                  "tonalyx-cli: cannot write standard output: No space left on device\n");

        // The shell closes standard output before the program starts.
        QProcess closed;
        closed.start(
            "/bin/sh",
            QStringList{"-c", "exec >&-; exec \"$0\" \"$@\"", TONALYX_CLI_PATH} + arguments);
        ASSERT_TRUE(closed.waitForFinished(60000));
        EXPECT_EQ(closed.exitCode(), 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(closed.readAllStandardError().toStdString(),
                  "tonalyx-cli: cannot write standard output: Bad file descriptor\n");
    }
    // A working output: exit 0, nothing on the error output.
    QProcess good;
    good.start(TONALYX_CLI_PATH, QStringList{"--version"});
    ASSERT_TRUE(good.waitForFinished(60000));
    EXPECT_EQ(good.exitCode(), 0);
    EXPECT_TRUE(good.readAllStandardError().isEmpty());
    EXPECT_TRUE(good.readAllStandardOutput().startsWith("tonalyx-cli "));
}

}  // namespace
}  // namespace tonalyx
