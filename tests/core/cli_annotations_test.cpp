#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "requests/IntervalMeasure.h"
#include "requests/TrackStatistics.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

using namespace testing;

// A TextGrid of one interval tier "v" from its boundaries and labels, and a point tier "p".
std::string WriteGrid(const std::filesystem::path& path, const std::vector<double>& bounds,
                      const std::vector<std::string>& labels) {
    std::ostringstream text;
    text << std::setprecision(17)
         << "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n"
         << bounds.back() << "\n<exists>\n2\n\"IntervalTier\"\n\"v\"\n0\n"
         << bounds.back() << "\n"
         << labels.size();
    for (std::size_t i = 0; i < labels.size(); ++i)
        text << "\n" << bounds[i] << "\n" << bounds[i + 1] << "\n\"" << labels[i] << "\"";
    text << "\n\"TextTier\"\n\"p\"\n0\n" << bounds.back() << "\n1\n0.5\n\"x,\ty\"\n";
    std::ofstream(path) << text.str();
    return path.string();
}

TEST(CliAnnotations, IntervalsListsEveryTierAndRefusesABrokenFileByLine) {
    const auto folder = TestFolder();
    const std::string good = WriteGrid(folder / "a.TextGrid", {0, 0.25, 4.0 / 3}, {"x", "o\"\"k"});
    const std::string bad = WriteGrid(folder / "b.TextGrid", {0, 0.25, 0.2}, {"x", "y"});
    const CliRun run = RunCommandLine({"intervals", good, bad});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("b.TextGrid' line 16: tier 1 (\"v\"): interval 2 ends at 0.2 s"),
              std::string::npos)
        << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "file,tier,kind,index,start_s,end_s,label");
    EXPECT_EQ(lines[2], good + ",v,interval,2,0.25,1.3333333333333333,\"o\"\"k\"");
    EXPECT_EQ(lines[3], good + ",p,point,1,0.5,0.5,\"x,\ty\"");
    const CliRun tsv = RunCommandLine({"intervals", good, "--format", "tsv"});
    EXPECT_EQ(Lines(tsv.out)[3], good + "\tp\tpoint\t1\t0.5\t0.5\tx,\\ty");
    EXPECT_EQ(RunCommandLine({"intervals"}).err.find("no TextGrid file given") == std::string::npos,
              false);
}

TEST(CliAnnotations, MeasureAgreesWithTheWholeSoundsAnalysesAndDefinesEveryEdge) {
    const auto folder = TestFolder();
    const int rate = 16000;
    std::vector<int16_t> samples(static_cast<std::size_t>(2 * rate));
    const std::vector<int16_t> tone = Sine(rate, rate, 200, 8000);
    std::copy(tone.begin(), tone.end(), samples.begin() + rate / 2);
    const std::string sound = WriteWave(folder / "s.wav", samples, rate);
    WriteGrid(folder / "s.TextGrid", {0, 0.02, 0.5, 1.0, 1.004, 1.5, 2.5, 3},
              {"start", "", "s1", "short", "s2", "past", "beyond"});
    const CliRun run = RunCommandLine(
        {"measure", sound, "--tier", "v", "--points", "0.25,0.5", "--missing-as", "empty"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("interval 7: the interval lies beyond the sound's end"),
              std::string::npos)
        << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].substr(lines[0].find("f3_hz_mean")),
              "f3_hz_mean,f1_hz_at_25,f2_hz_at_25,f3_hz_at_25,f1_hz_at_50,f2_hz_at_50,f3_hz_at_50");
    // Silence at the very start: no F0, no intensity, no formant frame before 0.025 s.
    EXPECT_EQ(lines[1], sound + ",v,1,start,0,0.02,0.02,,,,,0" + std::string(10, ','));
    // The whole sound's tracks over the interval, computed apart.
    const std::vector<std::string> s1 = Fields(lines[2]);
    double energy = 0, f0 = 0;
    int frames = 0, voiced = 0;
    for (const std::string& line : Lines(RunCommandLine({"intensity", sound}).out)) {
        const std::vector<std::string> f = Fields(line);
        if (f[1] == "time_s" || std::stod(f[1]) < 0.5 || std::stod(f[1]) > 1.0) continue;
        energy += std::pow(10.0, std::stod(f[2]) / 10), ++frames;
    }
    for (const std::string& line : Lines(RunCommandLine({"pitch", sound, "--step", "0.001"}).out)) {
        const std::vector<std::string> f = Fields(line);
        if (f[2] == "time_s" || std::stod(f[2]) < 0.51 || std::stod(f[2]) > 0.99) continue;
        if (std::stod(f[3]) > 0) f0 += std::stod(f[3]), ++voiced;
    }
    EXPECT_NEAR(std::stod(s1[12]), 10 * std::log10(energy / frames), 0.03);
    EXPECT_NEAR(std::stod(s1[12]), 10 * std::log10(std::pow(8000 / 32768.0, 2) / 2 / 4e-10), 0.05);
    EXPECT_NEAR(std::stod(s1[7]), f0 / voiced, 0.5);
    EXPECT_GT(std::stod(s1[11]), 0.9);  // voiced share
    // A 4 ms interval, shorter than every window, takes the values at its middle.
    const std::vector<std::string> brief = Fields(lines[3]);
    EXPECT_NEAR(std::stod(brief[7]), 200, 2);
    EXPECT_NEAR(std::stod(brief[12]), std::stod(s1[12]), 0.05);
    EXPECT_FALSE(brief[13].empty());
    // An interval running past the sound's end measures what there is; one beyond it nothing.
    EXPECT_EQ(lines[5].substr(lines[5].find(",past,")).substr(0, 22), ",past,1.5,2.5,1,,,,,0,");
    EXPECT_EQ(lines[6].substr(lines[6].find(",beyond,")),
              ",beyond,2.5,3,0.5" + std::string(15, ','));
    // Labels by expression, the default style, the TextGrid named by a pattern.
    std::filesystem::create_directories(folder / "tg");
    std::filesystem::copy(folder / "s.TextGrid", folder / "tg" / "s.TextGrid");
    const CliRun chosen = RunCommandLine({"measure", sound, "--tier", "v", "--labels", "s[0-9]",
                                          "--textgrid", "tg/{name}.TextGrid"});
    ASSERT_EQ(Lines(chosen.out).size(), 3u);
    EXPECT_EQ(Fields(Lines(chosen.out)[2])[3], "s2");
}

TEST(CliAnnotations, MeasureReadsOnlyTheIntervalAndItsWindowsMargins) {
    const int rate = 16000;
    const std::vector<int16_t> hour = Sine(600 * rate, rate, 150, 8000);  // ten minutes
    std::int64_t lowest = hour.size(), highest = 0, read = 0;
    const SampleReader reader = [&](std::int64_t first, std::span<int16_t> out) {
        lowest = std::min(lowest, first);
        highest = std::max<std::int64_t>(highest, first + out.size());
        read += static_cast<std::int64_t>(out.size());
        std::copy_n(hour.begin() + first, out.size(), out.begin());
        return out.size();
    };
    AnalysisRequest request;
    const IntervalMeasureSettings settings = IntervalMeasureSettingsOf(request, RecordSet{});
    const IntervalMeasurement m = MeasureInterval(reader, hour.size(), rate, 300, 300.1, settings);
    EXPECT_NEAR(m.f0Mean, 150, 1);
    // The widest margin is the intensity window, 6.4 / 100 Hz: 0.064 s on either side.
    EXPECT_NEAR(lowest, (300 - 0.064) * rate, 1);
    EXPECT_NEAR(highest, (300.1 + 0.064) * rate, 1);
    EXPECT_LE(read, 3 * (highest - lowest));  // pitch, formants, intensity: one pass each
}

TEST(CliAnnotations, MeasureRefusesWhatItCannotMeasureAndNamesIt) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "s.wav", Sine(8000, 16000, 200, 8000), 16000);
    const auto refusal = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"measure", sound});
        const CliRun run = RunCommandLine(arguments);
        return std::to_string(run.status) + " " + run.err;
    };
    EXPECT_NE(refusal({"--tier", "v"})
                  .find("1 tonalyx-cli: " + sound + ": cannot read '" +
                        (folder / "s.TextGrid").string() + "': No such file"),
              std::string::npos);
    WriteGrid(folder / "s.TextGrid", {0, 0.5}, {"a"});
    EXPECT_NE(refusal({"--tier", "w"})
                  .find("1 tonalyx-cli: " + sound + ": '" + (folder / "s.TextGrid").string() +
                        "': no tier \"w\" (the tiers are \"v\", \"p\")"),
              std::string::npos);
    EXPECT_NE(refusal({"--tier", "p"}).find("tier \"p\" holds points, not intervals"),
              std::string::npos);
    EXPECT_NE(refusal({}).find("2 tonalyx-cli: measure needs --tier NAME"), std::string::npos);
    EXPECT_NE(refusal({"--tier", "v", "--points", "0.5,1.5"}).find("2 tonalyx-cli: --points must"),
              std::string::npos);
    EXPECT_NE(refusal({"--tier", "v", "--points", "0.5,0.5"}).find("not '0.5'"), std::string::npos);
    EXPECT_NE(refusal({"--tier", "v", "--labels", "("}).find("2 tonalyx-cli: --labels must be"),
              std::string::npos);
    EXPECT_NE(refusal({"--tier", "v", "--labels", "[\xff]"}).find("(not UTF-8)"),
              std::string::npos);
    EXPECT_NE(
        refusal({"--tier", "v", "-o", (folder / "s.TextGrid").string()}).find("2 tonalyx-cli: "),
        std::string::npos);
    EXPECT_NE(refusal({"--tier", "v", "--track"}).find("--track does not apply to measure"),
              std::string::npos);
}

}  // namespace
}  // namespace tonalyx::cli

namespace tonalyx::requests {
namespace {

// The statistics behind the measure table and the corpus summary, against values worked out
// by hand: percentiles between ranks, the n - 1 deviation, and what is absent.
TEST(TrackStatistics, EdgesAndInterpolatedPercentiles) {
    const PitchStatistics none = PitchStatisticsOf({}, 3);
    EXPECT_EQ(none.voicedShare, 0);
    EXPECT_FALSE(none.voiced);
    const PitchStatistics unvoiced = PitchStatisticsOf(std::vector<double>{0, 0}, 3);
    EXPECT_EQ(unvoiced.voicedShare, 0);
    EXPECT_FALSE(unvoiced.voiced);

    const PitchStatistics one = PitchStatisticsOf(std::vector<double>{0, 200, 0, 0}, 2);
    EXPECT_EQ(one.voicedShare, 0.25);
    EXPECT_EQ(one.voicedSeconds, 0.5);
    ASSERT_TRUE(one.voiced);
    EXPECT_EQ(one.voiced->sd, 0);
    EXPECT_EQ(one.voiced->rangeSemitones, 0);
    EXPECT_EQ(one.voiced->p5, 200);

    const PitchStatistics four = PitchStatisticsOf(std::vector<double>{400, 0, 100, 300, 200}, 1);
    ASSERT_TRUE(four.voiced);
    EXPECT_EQ(four.voiced->mean, 250);
    EXPECT_DOUBLE_EQ(four.voiced->sd, std::sqrt(50000.0 / 3));
    EXPECT_EQ(four.voiced->median, 250);
    EXPECT_DOUBLE_EQ(four.voiced->p5, 115);   // rank 0.15 between 100 and 200
    EXPECT_DOUBLE_EQ(four.voiced->p95, 385);  // rank 2.85 between 300 and 400
    EXPECT_DOUBLE_EQ(four.voiced->rangeSemitones, 24);

    const double nan = std::nan("");
    const std::vector<double> medians =
        ColumnMedians(std::vector<double>{1, nan, 5, nan, 3, nan}, 2);
    EXPECT_EQ(medians[0], 3);
    EXPECT_TRUE(std::isnan(medians[1]));
    EXPECT_TRUE(std::isnan(Average({})));
    EXPECT_DOUBLE_EQ(EnergyMeanDb(std::vector<double>{60, 70}), 10 * std::log10(5500000.0));
}

// A class or a dot takes one letter, whatever its script: IPA labels are matched by character.
TEST(LabelSelection, ClassesAndDotsTakeWholeLetters) {
    AnnotationTier tier;
    for (const char* label : {"ə", "ɪ", "a", "ab", "", "əɪ"})
        tier.intervals.push_back({0, 1, label});
    using Chosen = std::vector<std::size_t>;
    EXPECT_EQ(SelectIntervals(tier, "[əɪ]"), (Chosen{0, 1}));
    EXPECT_EQ(SelectIntervals(tier, "."), (Chosen{0, 1, 2}));
    EXPECT_EQ(SelectIntervals(tier, ".{2}"), (Chosen{3, 5}));
    EXPECT_EQ(SelectIntervals(tier, std::nullopt), (Chosen{0, 1, 2, 3, 5}));
}

}  // namespace
}  // namespace tonalyx::requests
