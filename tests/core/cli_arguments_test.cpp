#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliArguments.h"
#include "requests/RequestCheck.h"
#include "requests/SettingsTable.h"
#include "requests/Suggestions.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
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
    EXPECT_FALSE(pitch->step || pitch->maxSeconds || pitch->whole);
    const auto stepped = Parse({"pitch", "a.wav", "--step=+0.01", "--whole"});
    ASSERT_TRUE(stepped);
    EXPECT_EQ(stepped->step, 0.01);
    EXPECT_TRUE(stepped->whole);
    EXPECT_EQ(Parse({"levels", "a.wav", "-o", "a.png", "--max-seconds", "7200"}).value().maxSeconds,
              7200);

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

    EXPECT_EQ(Parse({"settings", "--set", "imageHeight=64"}).value().command, Command::Settings);
    EXPECT_EQ(Parse({"pitch", "--help", "--bogus"}).value().command, Command::Help);
    EXPECT_EQ(Parse({"help"}).value().command, Command::Help);
    // After "--" a "--help" is a file name.
    EXPECT_EQ(Parse({"info", "--", "--help"}).value().command, Command::Info);
    // An option's value is never taken for --help or --version.
    EXPECT_EQ(Parse({"pitch", "a.wav", "-o", "-h"}).value().output, "-h");
    EXPECT_EQ(Parse({"pitch", "a.wav", "--output", "--version"}).value().command, Command::Pitch);
    EXPECT_EQ(Parse({"help", "help"}).value().helpTopic, Command::Help);
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
        EXPECT_EQ(
            Refusal({"levels", "a.wav", "-o", "a.png", "--samples-per-column", zoom}),
            std::string("--samples-per-column must be a power of two from 1 to 65536, not '") +
                zoom + "'");
    }
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "-1"}),
              "--column must be a whole number from 0 to 2147483647, not '-1'");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--format", "json"}),
              "--format must be csv or tsv, not 'json'");
    // --channel states the one range of channelIndex, whichever end is passed.
    for (const char* channel : {"left", "-1", "64"}) {
        EXPECT_EQ(
            Refusal({"pitch", "a.wav", "--channel", channel}),
            std::string("--channel must be a whole number from 0 to 63, not '") + channel + "'");
    }
    EXPECT_EQ(Parse({"pitch", "a.wav", "--channel", "63"}).value().channel, 63);
    // Beyond 2^31 s the frames of a 32-bit rate overflow 64 bits; below 2^-32 s no rate has a
    // sample period.
    for (const char* seconds : {"0", "-1", "+-1", "1e3", "inf", "x", "", "1e15", "2147483649"}) {
        EXPECT_EQ(Refusal({"pitch", "a.wav", "--max-seconds", seconds}),
                  std::string("--max-seconds must be a number of seconds above 0 and at most "
                              "2147483648, not '") +
                      seconds + "'");
    }
    EXPECT_EQ(Parse({"pitch", "a.wav", "--max-seconds", "2147483648"}).value().maxSeconds,
              2147483648.0);
    // A value that reads as a number is stated in its shortest form.
    for (const auto& [typed, stated] : {std::pair{"0", "0"}, std::pair{"-1", "-1"},
                                        std::pair{"x", "x"}, std::pair{"0.0000000001", "1e-10"}}) {
        EXPECT_EQ(Refusal({"pitch", "a.wav", "--step", typed}),
                  std::string("--step must be a number of seconds of at least one sample "
                              "period, not '") +
                      stated + "'");
    }
    EXPECT_EQ(Refusal({"pitch", "a.wav", "-o", ""}),
              "-o needs a file name, or - for standard output");
    EXPECT_EQ(Refusal({"help", "nosuch"}), "unknown command 'nosuch'");
    EXPECT_EQ(Refusal({"help", "pitch", "x"}), "help takes one command, but got 'x'");
    EXPECT_EQ(Refusal({"info", "a.wav", "--step", "1"}), "--step does not apply to info");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--whole=1"}), "--whole takes no value");
}

TEST(CliArguments, TheRequestsCheckGivesEveryRefusalInTheFrontEndsNames) {
    AnalysisRequest request;
    request.view.columns = 0;
    request.view.fit = true;
    request.view.samplesPerColumn = 3;
    request.channel = 64;
    request.maxSeconds = 1e15;
    request.whole = true;
    request.column = 5;
    request.toColumn = 4;
    const auto keyword = [](RequestField field) {
        return field == RequestField::Columns ? std::string("columns") : CommandLineName(field);
    };
    EXPECT_EQ(CheckRequest(request, keyword),
              (std::vector<std::string>{
                  "columns must be a whole number from 1 to 32768, not '0'",
                  "--samples-per-column must be a power of two from 1 to 65536, not '3'",
                  "--channel must be a whole number from 0 to 63, not '64'",
                  "--max-seconds must be a number of seconds above 0 and at most 2147483648, not "
                  "'1e+15'",
                  "--whole reads all of each file: it takes no --max-seconds",
                  "--fit spreads the sound over the columns: it takes neither "
                  "--samples-per-column nor --first-column",
                  "--to-column must not lie before --column"}));
    EXPECT_TRUE(CheckRequest(AnalysisRequest{}).empty());
    // The settings are applied in order, the channel last, then checked together.
    AnalysisRequest contradictory;
    contradictory.settings = {"pitchMinFreq=400", "pitchMaxFreq=100"};
    RecordSet records;
    EXPECT_EQ(BuildRecords(contradictory, records),
              std::optional<std::string>("pitchMinFreq (400) must lie below pitchMaxFreq (100)"));
}

TEST(CliArguments, RefusesOptionsThatDoNotGoTogether) {
    EXPECT_EQ(Refusal({"pitch"}), "no sound file given");
    EXPECT_EQ(Refusal({"settings", "a.wav"}), "settings takes no file, but got 'a.wav'");
    EXPECT_EQ(Refusal({"levels", "a.wav"}),
              "levels needs an output: -o OUT.png, -o OUT.pgm or -o - with --format");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.jpg"}),
              "the output file must end in .png or .pgm, or --format must name the type, not "
              "'a.jpg'");
    // A device or a pipe has no extension: --format names the type.
    EXPECT_EQ(Parse({"levels", "a.wav", "-o", "/dev/null", "--format", "pgm"}).value().output,
              "/dev/null");
    EXPECT_TRUE(Refusal({"levels", "a.wav", "-o", "a.png", "--format", "pgm"}).find("match") !=
                std::string::npos);
    EXPECT_EQ(Refusal({"levels", "a.wav", "b.wav", "-o", "a.png"}),
              "with several files the output name needs {name} or {path}, e.g. -o out/{name}.png");
    const std::string fitted =
        Refusal({"levels", "a.wav", "-o", "a.png", "--fit", "--samples-per-column", "4"});
    EXPECT_NE(fitted.find("--fit"), std::string::npos);
    EXPECT_FALSE(Parse({"spectrum", "a.wav", "--fit", "--first-column", "4", "--column", "1"}));
    EXPECT_EQ(Refusal({"spectrum", "a.wav"}), "spectrum needs --column C or --time T");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--whole", "--max-seconds", "10"}),
              "--whole reads all of each file: it takes no --max-seconds");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "5", "--to-column", "4"}),
              "--to-column must not lie before --column");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--column", "5", "--kind", "pitch"}),
              "spectrum has no levels for --kind pitch");
}

}  // namespace
}  // namespace tonalyx::cli

namespace tonalyx::cli {
namespace {

std::vector<std::string_view> SettingNamesForTest() {
    std::vector<std::string_view> names;
    for (const SettingField& field : SettingFields())
        names.push_back(field.name);
    return names;
}

TEST(CliArguments, RangeBoundariesAndALeadingPlus) {
    // A range of one column: --to-column equal to --column.
    const auto same = Parse({"spectrum", "a.wav", "--column", "5", "--to-column", "5"});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->column, 5);
    EXPECT_EQ(same->toColumn, 5);
    // A leading '+' is read as strtol reads it, on every whole number and on times.
    const auto plus = Parse({"spectrum", "a.wav", "--column=+7", "--to-column", "+8", "--columns",
                             "+32768", "--samples-per-column", "+2", "--first-column", "+0"});
    ASSERT_TRUE(plus);
    EXPECT_EQ(plus->column, 7);
    EXPECT_EQ(plus->toColumn, 8);
    EXPECT_EQ(plus->view.columns, 32768);
    EXPECT_EQ(plus->view.samplesPerColumn, 2);
    EXPECT_EQ(plus->view.firstColumn, 0);
    EXPECT_EQ(Parse({"spectrum", "a.wav", "--time", "+0.25"}).value().time, 0.25);
    for (const char* bad : {"+", "+-1", "++1", "+ 1", "1+"}) {
        EXPECT_EQ(
            Refusal({"spectrum", "a.wav", "--column", bad}),
            std::string("--column must be a whole number from 0 to 2147483647, not '") + bad + "'");
    }
    EXPECT_EQ(Parse({"levels", "a.wav", "-o", "a.png", "--columns", "1"}).value().view.columns, 1);
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--columns", "32769"}),
              "--columns must be a whole number from 1 to 32768, not '32769'");
    EXPECT_EQ(Parse({"levels", "a.wav", "-o", "a.png", "--samples-per-column", "65536"})
                  ->view.samplesPerColumn,
              65536);
}

TEST(CliArguments, SpectrumByTimeAndItsRefusals) {
    const auto time = Parse({"spectrum", "a.wav", "--time", "1.5", "--to-time=2"});
    ASSERT_TRUE(time);
    EXPECT_EQ(time->time, 1.5);
    EXPECT_EQ(time->toTime, 2.0);
    EXPECT_EQ(Parse({"spectrum", "a.wav", "--time", "0", "--to-time", "0"}).value().toTime, 0.0);
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--time", "1", "--column", "3"}),
              "spectrum takes --column or --time, not both");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--to-time", "1"}), "--to-time needs --time");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--to-column", "1"}), "--to-column needs --column");
    EXPECT_EQ(Refusal({"spectrum", "a.wav", "--time", "2", "--to-time", "1.999"}),
              "--to-time must not lie before --time");
    for (const char* bad : {"-1", "x", "1e400", "nan", "inf", "1,5", ""}) {
        EXPECT_EQ(Refusal({"spectrum", "a.wav", "--time", bad}),
                  std::string("--time must be a number of seconds from 0, not '") + bad + "'");
    }
}

TEST(CliArguments, OutputsOfEveryCommand) {
    const auto pitch = Parse({"pitch", "a.wav", "b.wav", "-o", "all.csv", "--missing-as", "nan"});
    ASSERT_TRUE(pitch);
    EXPECT_EQ(pitch->output, "all.csv");
    EXPECT_EQ(pitch->missing, MissingValues::NaN);
    EXPECT_EQ(Parse({"spectrum", "a.wav", "--column", "1", "-o", "out/{path}.tsv", "--missing-as",
                     "empty"})
                  ->missing,
              MissingValues::Empty);
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--missing-as", "zero"}),
              "--missing-as must be empty or nan, not 'zero'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--missing-as", "nan"}),
              "--missing-as does not apply to levels");

    const auto image = Parse({"levels", "a.wav", "-o", "-", "--format", "pgm"});
    ASSERT_TRUE(image);
    EXPECT_EQ(LevelsImageType(*image), ImageFileType::Pgm);
    EXPECT_EQ(LevelsImageType(*Parse({"levels", "a.wav", "-o", "-"})), ImageFileType::Png);
    EXPECT_EQ(LevelsImageType(*Parse({"levels", "a.wav", "-o", "x.PGM"})), ImageFileType::Pgm);
    EXPECT_EQ(Refusal({"levels", "a.wav", "b.wav", "-o", "-"}),
              "-o - writes one image: give one file, or -o out/{name}.png");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--format", "pgm"}),
              "--format pgm does not match the output name 'a.png'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "-", "--format", "csv"}),
              "--format must be png or pgm, not 'csv'");
    EXPECT_TRUE(Parse({"levels", "a.wav", "b.wav", "-o", "o/{path}.png"}));
}

TEST(CliArguments, SuggestionsHelpAndVersion) {
    EXPECT_EQ(Refusal({"spectum", "a.wav"}),
              "unknown command 'spectum' (did you mean 'spectrum'?)");
    EXPECT_EQ(Refusal({"Pitch", "a.wav"}), "unknown command 'Pitch' (did you mean 'pitch'?)");
    EXPECT_EQ(Refusal({"xyz", "a.wav"}), "unknown command 'xyz'");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--colums", "3"}),
              "unknown option '--colums' (did you mean '--columns' or '--column'?)");
    EXPECT_EQ(Refusal({"levels", "a.wav", "-o", "a.png", "--colmns", "3"}),
              "unknown option '--colmns' (did you mean '--columns'?)");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--chanel", "1"}),
              "unknown option '--chanel' (did you mean '--channel'?)");
    EXPECT_EQ(Refusal({"pitch", "a.wav", "--frobnicate"}), "unknown option '--frobnicate'");
    EXPECT_EQ(NearestWord("pitchMaxFrq", SettingNamesForTest()), "pitchMaxFreq");
    // Two words equally near: no guess.
    const std::string_view words[] = {"cat", "bat"};
    EXPECT_EQ(NearestWord("hat", words), std::nullopt);
    EXPECT_EQ(DidYouMean("hat", words), " (did you mean 'cat' or 'bat'?)");
    // A third of the word's length in edits at most: three edits are too many for seven letters.
    const std::string_view sizes[] = {"memSize"};
    EXPECT_TRUE(NearestWords("fftSize", sizes).empty());
    EXPECT_EQ(NearestWords("fftSiz", sizes).size(), 0u);
    EXPECT_EQ(NearestWords("mmeSize", sizes).size(), 1u);  // a swap is one edit

    const auto pitchHelp = Parse({"pitch", "--help"});
    ASSERT_TRUE(pitchHelp);
    EXPECT_EQ(pitchHelp->command, Command::Help);
    EXPECT_EQ(pitchHelp->helpTopic, Command::Pitch);
    EXPECT_EQ(Parse({"help", "spectrum"}).value().helpTopic, Command::Spectrum);
    const std::string text = UsageText(Command::Pitch);
    EXPECT_EQ(text.rfind("Usage: tonalyx-cli pitch ", 0), 0u);
    for (const char* taken : {"--missing-as", "--format csv|tsv", "--channel", "--set", "-o OUT"})
        EXPECT_NE(text.find(taken), std::string::npos) << taken;
    for (const char* other : {"--kind", "--columns", "--overlay-pitch", "--time", "png|pgm"})
        EXPECT_EQ(text.find(other), std::string::npos) << other;
    const std::string all = UsageText();
    for (const char* every : {"--kind", "--time", "--missing-as", "{path}", "levels", "settings"})
        EXPECT_NE(all.find(every), std::string::npos) << every;

    EXPECT_EQ(Parse({"--version"}).value().command, Command::Version);
    EXPECT_EQ(Parse({"pitch", "a.wav", "--version"}).value().command, Command::Version);
    const std::string version = VersionText();
    EXPECT_EQ(version.rfind("tonalyx-cli ", 0), 0u);
    EXPECT_EQ(std::count(version.begin(), version.end(), '\n'), 1);
    EXPECT_NE(version.find_first_of("0123456789"), std::string::npos);
}

}  // namespace
}  // namespace tonalyx::cli
