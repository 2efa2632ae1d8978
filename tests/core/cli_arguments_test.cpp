#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliArguments.h"

namespace tonalyx::cli {
namespace {

std::optional<CliOptions> Parse(std::vector<std::string> arguments, std::string* error = nullptr) {
    std::string message;
    std::optional<CliOptions> options = ParseArguments(arguments, message);
    if (error) *error = message;
    EXPECT_EQ(options.has_value(), message.empty()) << message;
    return options;
}

// The message for arguments that must be refused.
std::string Refusal(std::vector<std::string> arguments) {
    std::string error;
    EXPECT_FALSE(Parse(std::move(arguments), &error).has_value());
    return error;
}

TEST(CliArguments, ReadsEveryOptionOfLevelsInBothSpellings) {
    const auto options =
        Parse({"levels", "a.wav", "-o", "out/{name}.png", "--kind=mem", "--overlay-pitch",
               "--columns", "640", "--samples-per-column=256", "--first-column", "12",
               "--channel=1", "--set", "maxFreq=5000", "b.wav", "--set=logScale=on"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->command, Command::Levels);
    EXPECT_EQ(options->files, (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(options->output, "out/{name}.png");
    EXPECT_EQ(options->kind, 5);
    EXPECT_TRUE(options->overlayPitch);
    EXPECT_EQ(options->view.columns, 640);
    EXPECT_FALSE(options->view.fit);
    EXPECT_EQ(options->view.samplesPerColumn, 256);
    EXPECT_EQ(options->view.firstColumn, 12);
    EXPECT_EQ(options->channel, 1);
    EXPECT_EQ(options->settings, (std::vector<std::string>{"maxFreq=5000", "logScale=on"}));
}

TEST(CliArguments, DefaultsAndTheOtherCommands) {
    const auto levels = Parse({"levels", "a.wav", "-o", "a.PGM"});
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->kind, 1);
    EXPECT_EQ(levels->view.columns, 1024);
    EXPECT_FALSE(levels->view.samplesPerColumn || levels->view.firstColumn || levels->channel);

    const auto pitch = Parse({"pitch", "a.wav", "--format", "tsv"});
    ASSERT_TRUE(pitch);
    EXPECT_EQ(pitch->command, Command::Pitch);
    EXPECT_EQ(pitch->format, TableFormat::Tsv);

    const auto spectrum =
        Parse({"spectrum", "--column", "7", "--to-column=9", "--kind", "ac", "--fit", "a.wav"});
    ASSERT_TRUE(spectrum);
    EXPECT_EQ(spectrum->column, 7);
    EXPECT_EQ(spectrum->toColumn, 9);
    EXPECT_EQ(spectrum->kind, 2);
    EXPECT_TRUE(spectrum->view.fit);

    const auto info = Parse({"info", "--", "--odd name.wav"});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->files, std::vector<std::string>{"--odd name.wav"});

    EXPECT_EQ(Parse({"settings", "--set", "imageHeight=64"})->command, Command::Settings);
    EXPECT_EQ(Parse({"pitch", "--help", "--bogus"})->command, Command::Help);
    EXPECT_EQ(Parse({"help"})->command, Command::Help);
    // After "--" a "--help" is a file name.
    EXPECT_EQ(Parse({"info", "--", "--help"})->command, Command::Info);
}

TEST(CliArguments, RefusesUnknownWordsAndOptionsOfOtherCommands) {
    EXPECT_EQ(Refusal({}), "no command given");
    EXPECT_EQ(Refusal({"lvels", "a.wav"}), "unknown command 'lvels' (did you mean 'levels'?)");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--bogus=1"}), "unknown option '--bogus'");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--kind", "fft"}), "--kind does not apply to pitch");
    EXPECT_EQ(Refusal({"info", "a.wav", "--format", "csv"}), "--format does not apply to info");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "1", "--overlay-pitch"}),
              "--overlay-pitch does not apply to spectrum");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--fit=yes"}), "--fit takes no value");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--set"}), "--set needs a value");
}

TEST(CliArguments, RefusesBadValues) {
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--kind", "FFT"}),
              "--kind must be fft, ac, cep, lif, mem or pitch, not 'FFT'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--columns", "0"}),
              "--columns must be a whole number from 1 to 32768, not '0'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--columns", "12.5"}),
              "--columns must be a whole number from 1 to 32768, not '12.5'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--columns", "99999999999"}),
              "--columns must be a whole number from 1 to 32768, not '99999999999'");
    for (const char* zoom : {"0", "3", "131072", "-4", "x"}) {
        EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--samples-per-column", zoom}),
                  std::string("--samples-per-column must be a power of two from 1 to 65536, not '") +
                      zoom + "'");
    }
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "-1"}),
              "--column must be a whole number from 0 to 2147483647, not '-1'");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--format", "json"}),
              "--format must be csv or tsv, not 'json'");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--channel", "left"}),
              "--channel must be a whole number from 0 to 2147483647, not 'left'");
}

TEST(CliArguments, RefusesOptionsThatDoNotGoTogether) {
    EXPECT_EQ(Refusal({"pitch"}), "no sound file given");
    EXPECT_EQ(Refusal({"settings", "a.wav"}), "settings takes no file, but got 'a.wav'");
    EXPECT_EQ(Refusal({"levels", "a.wav"}),
              "levels needs an output: -o OUT.png, -o OUT.pgm or -o - with --format");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.jpg"}),
              "the output file must end in .png or .pgm, not 'a.jpg'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "b.wav", "-o", "a.png"}),
              "with several files the output name needs {name} or {path}, e.g. -o out/{name}.png");
    const std::string fitted =
        Refusal({"levels", "a.wav", "-o", "a.png", "--fit", "--samples-per-column", "4"});
    EXPECT_NE(fitted.find("--fit"), std::string::npos);
    EXPECT_FALSE(Parse({"spectrum", "a.wav", "--fit", "--first-column", "4", "--column", "1"}));
    EXPECT_EQ(Refusal({"spectrum", "a.wav"}), "spectrum needs --column C or --time T");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "5", "--to-column", "4"}),
              "--to-column must not lie before --column");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "5", "--kind", "pitch"}),
              "spectrum has no levels for --kind pitch");
}

}  // namespace
}  // namespace tonalyx::cli
