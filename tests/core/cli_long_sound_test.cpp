#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/LevelImage.h"
#include "analysis/PitchSteps.h"
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli_test_support.h"
#include "core/document_wave_test_files.h"
#include "document/SoundFileWriter.h"
#include "pitch/SoundPitchTrack.h"
#include "requests/SpectrumRows.h"
#include "requests/StreamedView.h"
#include "requests/TableWriter.h"
#include "requests/ViewAnalysis.h"
#include "tools/SyntheticVoice.h"

namespace tonalyx::cli {
using namespace tonalyx::requests;
namespace {

using namespace testing;
using tonalyx::testing::kDataSizeField;
using tonalyx::testing::kRiffSizeField;
using tonalyx::testing::PipeWriter;
using tonalyx::testing::PutLe;

// A voice of seconds at rate: every piece seconds long holds one voiced stretch with a glide
// and vibrato, framed by a second of digital silence, so that pieces cut at the silences are
// sounds of their own.
std::vector<int16_t> LongVoice(int seconds, int rate, int piece = 10) {
    VoiceRecipe recipe;
    recipe.sampleRate = rate;
    recipe.duration = seconds;
    recipe.source = VoiceSource::Pulses;
    for (int start = 0; start + piece <= seconds; start += piece) {
        const double f0 = 100 + 7 * (start / piece % 9);
        recipe.voiced.push_back({start + 1.0, start + piece - 1.0, f0, 1.6 * f0, 0.02, 5});
    }
    const std::vector<double> samples = SynthesizeVoice(recipe);
    return {samples.begin(), samples.end()};
}

// The options and records of a command line, and a context to run the library's loaded path
// on them.
struct ParsedCommand {
    CliOptions options;
    RecordSet records;
    std::ostringstream out;
    std::ostringstream messages;
    ProgressBar progress{messages, false};

    CommandContext Context() { return {options, records, out, messages, progress}; }
};

std::unique_ptr<ParsedCommand> Parse(const std::vector<std::string>& arguments) {
    auto parsed = std::make_unique<ParsedCommand>();
    std::string error;
    std::optional<CliOptions> options = ParseArguments(arguments, error);
    EXPECT_TRUE(options) << error;
    if (options) parsed->options = *options;
    for (const std::string& assignment : parsed->options.settings)
        EXPECT_FALSE(ApplySetting(parsed->records, assignment));
    return parsed;
}

// The levels file the window's loaded path gives: the whole sound loaded, every column framed
// from it, the whole pitch track laid over the image by the renderer.
std::vector<uint8_t> LoadedLevels(const std::vector<std::string>& arguments) {
    auto parsed = Parse(arguments);
    const CliOptions& options = parsed->options;
    ViewAnalysis analysis;
    EXPECT_FALSE(LoadSound(options.files.front(), parsed->records.file, analysis.sound));
    AnalyseLoadedSound(options, parsed->records, analysis, [](const std::string&) {});
    LevelImage image;
    std::vector<double> column;
    const std::optional<PitchOverlay> pitch = PitchToDraw(analysis);
    RenderLevelImage(analysis.engine, options.kind, parsed->records.display, analysis.geometry,
                     pitch ? &*pitch : nullptr, image, column);
    return LevelsImageBytes(image, analysis.engine.ColumnCount(), analysis.engine.ImageHeight(),
                            options);
}

// The pitch table of the loaded path: the whole sound's track, row by row.
std::string LoadedPitchTable(const std::string& path, const std::string& maxSoundLength) {
    auto parsed = Parse({"pitch", path, "--set", "maxSoundLength=" + maxSoundLength});
    SoundData sound;
    EXPECT_FALSE(LoadSound(path, parsed->records.file, sound));
    int hop = 1;
    const std::vector<double> track = ComputeSoundPitchTrack(sound, parsed->records.analysis, hop);
    std::ostringstream out;
    {
        TableWriter table(out, TableFormat::Csv, path);
        table.Header({"index", "time_s", "f0_hz"});
        for (std::size_t i = 0; i < track.size(); ++i) {
            table.Integer(static_cast<long long>(i))
                .Fixed(static_cast<double>(i) * hop / sound.format.sampleRate, 6)
                .General(track[i], 6)
                .EndLine();
        }
    }
    return out.str();
}

TEST(CliLongSound, StreamedCommandsEqualTheLoadedSoundByteForByte) {
    const auto folder = TestFolder();
    // Two and a half minutes, within the window's limit, read by both paths.
    const std::string sound = WriteWave(folder / "voice.wav", LongVoice(150, 16000), 16000);
    const std::string image = (folder / "levels.pgm").string();
    const std::vector<std::vector<std::string>> views = {
        {"--fit", "--columns", "1920", "--overlay-pitch"},
        {"--fit", "--columns", "700", "--kind", "mem"},
        {"--fit", "--columns", "1000", "--kind", "pitch"},
        {"--kind", "ac", "--samples-per-column", "4096", "--first-column", "300"},
        {"--kind", "lif", "--columns", "500"},
        {"--kind", "cep", "--samples-per-column", "1", "--first-column", "1100000"},
    };
    for (const std::vector<std::string>& view : views) {
        std::vector<std::string> arguments = {
            "levels",         sound, "-o", image, "--set", "maxSoundLength=300", "--set",
            "imageHeight=200"};
        arguments.insert(arguments.end(), view.begin(), view.end());
        const CliRun run = RunCommandLine(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadBytes(image), LoadedLevels(arguments)) << view[0] << " " << view[1];
    }

    const CliRun pitch = RunCommandLine({"pitch", sound, "--set", "maxSoundLength=300"});
    ASSERT_EQ(pitch.status, 0);
    EXPECT_EQ(pitch.out, LoadedPitchTable(sound, "300"));
}

TEST(CliLongSound, SpectrumComputesOnlyItsColumnsAndGivesTheLoadedLevels) {
    const auto folder = TestFolder();
    const std::string sound = WriteWave(folder / "voice.wav", LongVoice(150, 16000), 16000);
    const struct {
        std::vector<std::string> view;
        int first, last;
    } cases[] = {
        {{"--fit", "--columns", "1920"}, 100, 140},
        {{"--fit", "--columns", "1920", "--kind", "mem"}, 1919, 1919},
        {{"--kind", "cep", "--columns", "800"}, 0, 585},  // 586 columns at 4096 samples each
        {{"--kind", "ac", "--samples-per-column", "8", "--first-column", "290000"}, 10, 10},
        // Means over more columns than are computed at a time.
        {{"--fit", "--columns", "6000"}, 3, 5999},
        {{"--fit", "--columns", "6000", "--kind", "mem"}, 0, 4500},
        {{"--fit", "--columns", "6000", "--kind", "lif"}, 2047, 4096},
    };
    for (const auto& entry : cases) {
        std::vector<std::string> arguments = {"spectrum",    sound,
                                              "--set",       "maxSoundLength=300",
                                              "--column",    std::to_string(entry.first),
                                              "--to-column", std::to_string(entry.last)};
        arguments.insert(arguments.end(), entry.view.begin(), entry.view.end());
        auto parsed = Parse(arguments);
        const CliOptions& options = parsed->options;
        CommandContext context = parsed->Context();

        ViewAnalysis loaded;
        ASSERT_FALSE(LoadSound(sound, parsed->records.file, loaded.sound));
        AnalyseLoadedSound(options, parsed->records, loaded, [](const std::string&) {});
        loaded.engine.SetupDisplay(options.kind, parsed->records.display);
        std::vector<double> expected(loaded.engine.ImageHeight());
        loaded.engine.RenderLevelColumn(expected.data(), entry.first, entry.last + 1,
                                        expected.size(), true);

        StreamedView streamed;
        ASSERT_FALSE(OpenView(sound, options, parsed->records, NotesOf(context, sound), streamed));
        const int count = entry.last - entry.first + 1;
        const std::vector<double> mean =
            ComputeMeanViewColumn(streamed, options.kind, entry.first, count,
                                  parsed->records.analysis, parsed->records.display);
        // At most a block of 2048 columns is held at a time.
        EXPECT_EQ(streamed.engine.ColumnCount(), (count - 1) % 2048 + 1);
        std::vector<double> levels(streamed.engine.ImageHeight());
        streamed.engine.RenderColumnValues(mean.data(), levels.data(), levels.size(), true);
        EXPECT_EQ(levels, expected) << entry.view[0] << " " << entry.first;

        // The command prints those levels.
        const SpectrumRows rows = ComputeSpectrumRows(
            loaded.engine, options.kind, parsed->records.display, entry.first, entry.last + 1);
        const CliRun run = RunCommandLine(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), rows.levels.size() + 1);
        for (std::size_t row = 0; row < rows.levels.size(); ++row) {
            char level[40];
            std::snprintf(level, sizeof level, "%.6g", rows.levels[row]);
            ASSERT_EQ(Fields(lines[row + 1]).back(), level) << entry.view[0] << " row " << row;
        }
    }
}

TEST(CliLongSound, ALongFileGivesWhatItsPiecesGiveWhereTheyAreSoundsOfTheirOwn) {
    const auto folder = TestFolder();
    constexpr int kRate = 16000;
    constexpr int kPieces = 5;
    constexpr int kPieceSeconds = 30;
    constexpr int kHop = 3;  // 16 kHz with the default pitch range
    // Two and a half minutes: longer than the window's default limit, read with --whole.
    const std::vector<int16_t> samples = LongVoice(kPieces * kPieceSeconds, kRate, kPieceSeconds);
    const std::string whole = WriteWave(folder / "whole.wav", samples, kRate);
    const std::size_t pieceSamples = static_cast<std::size_t>(kPieceSeconds) * kRate;
    std::vector<std::string> pieces;
    for (int j = 0; j < kPieces; ++j) {
        pieces.push_back(WriteWave(
            folder / ("piece" + std::to_string(j) + ".wav"),
            {samples.begin() + j * pieceSamples, samples.begin() + (j + 1) * pieceSamples}, kRate));
    }

    // 480 samples per column in the whole view and in each piece's: column for column the same
    // frames, silent wherever a piece ends.
    constexpr int kPieceColumns = 1000;
    const CliRun run = RunCommandLine({"levels", whole, "--whole", "--fit", "--columns",
                                       std::to_string(kPieces * kPieceColumns), "--overlay-pitch",
                                       "-o", (folder / "whole.pgm").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<uint8_t> wholeImage = ReadBytes(folder / "whole.pgm");
    const std::string header = "P5\n" + std::to_string(kPieces * kPieceColumns) + " 256\n255\n";
    ASSERT_EQ(std::string(wholeImage.begin(), wholeImage.begin() + header.size()), header);
    for (int j = 0; j < kPieces; ++j) {
        const std::string out = (folder / ("piece" + std::to_string(j) + ".pgm")).string();
        ASSERT_EQ(RunCommandLine({"levels", pieces[j], "--fit", "--columns",
                                  std::to_string(kPieceColumns), "--overlay-pitch", "-o", out})
                      .status,
                  0);
        const std::vector<uint8_t> piece = ReadBytes(out);
        const std::string pieceHeader = "P5\n" + std::to_string(kPieceColumns) + " 256\n255\n";
        ASSERT_EQ(piece.size(), pieceHeader.size() + kPieceColumns * 256u);
        for (int row = 0; row < 256; ++row) {
            const auto wholeRow = wholeImage.begin() + header.size() +
                                  row * kPieces * kPieceColumns + j * kPieceColumns;
            const auto pieceRow = piece.begin() + pieceHeader.size() + row * kPieceColumns;
            ASSERT_TRUE(std::equal(pieceRow, pieceRow + kPieceColumns, wholeRow))
                << "piece " << j << " row " << row;
        }
    }

    // The track: value for value, the whole track is its pieces' tracks one after another (the
    // pieces start on whole hops). Only the rounding of the block FFTs, which fall differently,
    // may tell them apart.
    const std::vector<std::string> track = Lines(RunCommandLine({"pitch", whole, "--whole"}).out);
    const std::size_t pieceValues = pieceSamples / kHop;
    ASSERT_EQ(track.size(), kPieces * pieceValues + 1);
    int voiced = 0;
    for (int j = 0; j < kPieces; ++j) {
        const std::vector<std::string> piece = Lines(RunCommandLine({"pitch", pieces[j]}).out);
        ASSERT_EQ(piece.size(), pieceValues + 1);
        for (std::size_t i = 1; i < piece.size(); ++i) {
            const double a = std::stod(Fields(piece[i])[3]);
            const double b = std::stod(Fields(track[j * pieceValues + i])[3]);
            ASSERT_EQ(a == 0, b == 0) << "piece " << j << " value " << i;
            ASSERT_NEAR(a, b, 1e-5 * b) << "piece " << j << " value " << i;
            voiced += a != 0;
        }
    }
    EXPECT_GT(voiced, kPieces * pieceValues / 2);
}

TEST(CliLongSound, ADamagedFileStreamsAsFarAsAWholeReadGoes) {
    const auto folder = TestFolder();
    const std::vector<int16_t> samples = LongVoice(20, 16000);
    const std::string flac = (folder / "voice.flac").string();
    ASSERT_TRUE(WriteSoundFile(flac, {SoundContainer::Flac, SoundCoding::Pcm16, 1, 16000},
                               std::span<const int16_t>(samples)));
    std::filesystem::resize_file(flac, std::filesystem::file_size(flac) * 3 / 5);

    SoundData loaded;
    FileSettings file;
    ASSERT_FALSE(LoadSound(flac, file, loaded));
    ASSERT_GT(loaded.sampleCount, 16000);
    ASSERT_LT(loaded.sampleCount, 16000 * 20);

    const CliRun info = RunCommandLine({"info", flac});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.err, "tonalyx-cli: " + flac + ": the file decodes to " +
                            std::to_string(loaded.sampleCount) +
                            " of the 320000 samples its header claims; read what it holds\n");
    const std::string image = (folder / "voice.pgm").string();
    const std::vector<std::string> arguments = {
        "levels", flac, "--fit", "--columns", "900", "--overlay-pitch", "-o", image};
    ASSERT_EQ(RunCommandLine(arguments).status, 0);
    EXPECT_EQ(ReadBytes(image), LoadedLevels(arguments));
    EXPECT_EQ(RunCommandLine({"pitch", flac}).out, LoadedPitchTable(flac, "120"));

    // A cut MP3, whose end is found by a seek rather than a decode of the whole file, streams
    // the frames a whole read loads as well.
    const std::string mp3 = (folder / "voice.mp3").string();
    ASSERT_TRUE(WriteSoundFile(mp3, {SoundContainer::Mpeg, SoundCoding::Mp3, 1, 16000},
                               std::span<const int16_t>(samples)));
    std::filesystem::resize_file(mp3, std::filesystem::file_size(mp3) / 2);
    ASSERT_FALSE(LoadSound(mp3, file, loaded));
    ASSERT_LT(loaded.sampleCount, 16000 * 15);
    const std::vector<std::string> mp3Levels = {"levels", mp3,  "--fit", "--columns", "500",
                                                "--kind", "ac", "-o",    image};
    const CliRun run = RunCommandLine(mp3Levels);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(image), LoadedLevels(mp3Levels));
    EXPECT_EQ(RunCommandLine({"pitch", mp3}).out, LoadedPitchTable(mp3, "120"));
}

TEST(CliLongSound, ACodecThatCannotSeekExactlyIsDecodedForwardToTheSameFrames) {
    const auto folder = TestFolder();
    const std::vector<int16_t> samples = LongVoice(20, 16000);
    const std::string ogg = (folder / "voice.ogg").string();
    ASSERT_TRUE(WriteSoundFile(ogg, {SoundContainer::Ogg, SoundCoding::Vorbis, 1, 16000},
                               std::span<const int16_t>(samples)));
    const std::string image = (folder / "voice.pgm").string();
    for (const std::vector<std::string>& view :
         {std::vector<std::string>{"--fit", "--columns", "640", "--overlay-pitch"},
          std::vector<std::string>{"--samples-per-column", "64", "--first-column", "2000"}}) {
        std::vector<std::string> arguments = {"levels", ogg, "-o", image};
        arguments.insert(arguments.end(), view.begin(), view.end());
        const CliRun run = RunCommandLine(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadBytes(image), LoadedLevels(arguments)) << view[0];
    }
    EXPECT_EQ(RunCommandLine({"pitch", ogg}).out, LoadedPitchTable(ogg, "120"));
}

// Every container and coding the program opens, cut to 60 %, says that it holds less than its
// header claims, in the words of its kind; whole, it says nothing.
TEST(CliLongSound, EveryFormatCutShortSaysWhatItHoldsOfItsHeadersClaim) {
    const auto folder = TestFolder();
    const std::vector<int16_t> samples = LongVoice(6, 8000, 3);
    const struct {
        const char* name;
        SoundContainer container;
        SoundCoding coding;
        const char* words;
    } kinds[] = {
        {"pcm.wav", SoundContainer::Wav, SoundCoding::Pcm16, "the data chunk holds "},
        {"ulaw.wav", SoundContainer::Wav, SoundCoding::Ulaw, "the data chunk holds "},
        {"alaw.wav", SoundContainer::Wav, SoundCoding::Alaw, "the data chunk holds "},
        {"gsm.wav", SoundContainer::Wav, SoundCoding::Gsm610, "the data chunk holds "},
        {"ima.wav", SoundContainer::Wav, SoundCoding::ImaAdpcm, "the data chunk holds "},
        {"ms.wav", SoundContainer::Wav, SoundCoding::MsAdpcm, "the data chunk holds "},
        {"a.aiff", SoundContainer::Aiff, SoundCoding::Pcm16, "the file decodes to "},
        {"u.aifc", SoundContainer::Aiff, SoundCoding::Ulaw, "the file decodes to "},
        {"a.au", SoundContainer::Au, SoundCoding::Pcm16, "the file decodes to "},
        {"a.caf", SoundContainer::Caf, SoundCoding::Pcm16, "the data chunk holds "},
        {"a.w64", SoundContainer::W64, SoundCoding::Pcm16, "the data chunk holds "},
        {"a.rf64", SoundContainer::Rf64, SoundCoding::Pcm16, "the data chunk holds "},
        {"a.sph", SoundContainer::Nist, SoundCoding::Pcm16, "the file decodes to "},
        {"a.flac", SoundContainer::Flac, SoundCoding::Pcm16, "the file decodes to "},
        {"a.mp3", SoundContainer::Mpeg, SoundCoding::Mp3, "the file decodes to "},
    };
    for (const auto& kind : kinds) {
        const std::string path = (folder / kind.name).string();
        ASSERT_TRUE(WriteSoundFile(path, {kind.container, kind.coding, 1, 8000},
                                   std::span<const int16_t>(samples)));
        const CliRun whole = RunCommandLine({"info", path});
        EXPECT_EQ(whole.err, "") << kind.name;
        std::filesystem::resize_file(path, std::filesystem::file_size(path) * 3 / 5);
        const CliRun cut = RunCommandLine({"info", path});
        EXPECT_EQ(cut.status, 0) << kind.name;
        const std::string prefix = "tonalyx-cli: " + path + ": " + kind.words;
        EXPECT_EQ(cut.err.rfind(prefix, 0), 0u) << cut.err;
        EXPECT_NE(cut.err.find(" samples its header claims; read what it holds\n"),
                  std::string::npos)
            << cut.err;
    }
}

// A sparse wave of 2.4 GB (7.6 hours at 44.1 kHz), and a wave whose data size a streaming
// writer left at 0xFFFFFFFF: read as far as the limit asks, never "changed while read".
TEST(CliLongSound, WavesBeyondTwoGibibytesAndUnsetSizesReadAsFarAsTheLimitAsks) {
    const auto folder = TestFolder();
    const std::string big = WriteWave(folder / "big.wav", LongVoice(10, 44100), 44100);
    constexpr std::int64_t kFrames = 1206576000;
    {
        std::vector<std::uint8_t> header = ReadBytes(big);
        header.resize(44);
        PutLe(header, kRiffSizeField, 36 + 2 * kFrames, 4);
        PutLe(header, kDataSizeField, 2 * kFrames, 4);
        std::fstream file(big, std::ios::in | std::ios::out | std::ios::binary);
        file.write(reinterpret_cast<const char*>(header.data()), 44);
        ASSERT_TRUE(file.good());
    }
    std::filesystem::resize_file(big, 44 + 2 * kFrames);
    CliRun run = RunCommandLine({"info", big});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("length: 1206576000 samples, 27360.000000 s"), std::string::npos);
    EXPECT_EQ(run.err, "tonalyx-cli: " + big +
                           ": read the first 120.000 s of 27360.000 s (maxSoundLength 120 s); "
                           "--whole reads it all\n");
    run = RunCommandLine({"info", big, "--whole"});
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("loaded: 1206576000 samples"), std::string::npos);
    const CliRun pitch = RunCommandLine({"pitch", big, "--max-seconds", "12"});
    ASSERT_EQ(pitch.status, 0) << pitch.err;
    EXPECT_EQ(Lines(pitch.out).size(), 12 * 44100 / 10 + 1u);  // hop 10 at 44.1 kHz
    EXPECT_EQ(Lines(pitch.out).back().rfind(big + ",52919,11.999773,0", 0), 0u);

    std::vector<std::uint8_t> unset =
        ReadBytes(WriteWave(folder / "unset.wav", LongVoice(2, 8000), 8000));
    PutLe(unset, kDataSizeField, 0xFFFFFFFF, 4);
    const std::string stream = (folder / "unset.wav").string();
    std::ofstream(stream, std::ios::binary)
        .write(reinterpret_cast<const char*>(unset.data()),
               static_cast<std::streamsize>(unset.size()));
    for (const char* whole : {"--whole", "--max-seconds=5"}) {
        run = RunCommandLine({"info", stream, whole});
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("loaded: 16000 samples"), std::string::npos);
        EXPECT_EQ(run.err, "tonalyx-cli: " + stream +
                               ": the data chunk's size is 0xFFFFFFFF, left unset by a streaming "
                               "writer; read the data to the end of the file\n");
    }
}

// Float samples beyond full scale, infinite or NaN: each command says once, when the file is
// done, how many of the samples it read were changed.
TEST(CliLongSound, ClippedAndReplacedSamplesAreCountedOnceAFile) {
    const auto folder = TestFolder();
    std::vector<double> reals(16000);
    for (std::size_t i = 0; i < reals.size(); ++i)
        reals[i] = 0.3 * std::sin(0.05 * static_cast<double>(i));
    for (const std::size_t at : {100u, 9000u, 15000u})
        reals[at] = 2.0;
    reals[200] = std::numeric_limits<double>::infinity();
    reals[300] = std::numeric_limits<double>::quiet_NaN();
    const std::string path = (folder / "float.wav").string();
    ASSERT_TRUE(WriteWaveFile(path, {WaveSampleFormat::IeeeFloat, 32, 1, 8000, false}, reals));
    const std::string note = "tonalyx-cli: " + path +
                             ": 3 samples beyond full scale were clipped; 1 infinite sample was "
                             "read as full scale; 1 NaN sample was read as 0\n";
    const std::string image = (folder / "f.pgm").string();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"pitch", path},
          std::vector<std::string>{"levels", path, "--fit", "--overlay-pitch", "-o", image},
          std::vector<std::string>{"spectrum", path, "--fit", "--column", "0", "--to-column",
                                   "999"}}) {
        const CliRun run = RunCommandLine(arguments);
        EXPECT_EQ(run.status, 0) << arguments[0];
        EXPECT_EQ(run.err, note) << arguments[0];
    }
    // Only the samples read count: the first second holds one of the values beyond full scale.
    const CliRun first = RunCommandLine({"pitch", path, "--max-seconds", "1"});
    EXPECT_NE(first.err.find(": 1 sample beyond full scale was clipped; 1 infinite"),
              std::string::npos)
        << first.err;
}

// A FIFO with no writer is refused at once; with one, it is read as a wave stream up to the
// limit, which the note names.
TEST(CliLongSound, FifosAreReadAsWaveStreamsOrRefusedAtOnce) {
    const auto folder = TestFolder();
    const std::string fifo = (folder / "in.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CliRun run = RunCommandLine({"info", fifo});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tonalyx-cli: " + fifo + ": cannot open: no process writes to the pipe\n");

    const std::string wave = WriteWave(folder / "voice.wav", LongVoice(3, 8000), 8000);
    const std::vector<std::uint8_t> bytes = ReadBytes(wave);
    const auto writeToFifo = [&fifo] { return ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC); };
    // The rows without the file's name, which is all that tells the two inputs apart.
    const auto rows = [](const std::string& table) {
        std::string values;
        for (const std::string& line : Lines(table))
            values += line.substr(line.find(',')) + '\n';
        return values;
    };
    for (const std::string limit : {"1", "3"}) {
        {
            PipeWriter writer(writeToFifo, bytes);
            run = RunCommandLine({"pitch", fifo, "--max-seconds", limit});
        }
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(rows(run.out) ==
                    rows(RunCommandLine({"pitch", wave, "--max-seconds", limit}).out))
            << limit;
        EXPECT_EQ(run.err, limit == "3" ? ""
                                        : "tonalyx-cli: " + fifo +
                                              ": read the first 1.000 s of the stream and left "
                                              "the rest unread (--max-seconds 1)\n");
    }
}

// The F0 at a time read off the printed track as a phonetician would: the two values whose
// blocks' middles lie either side, interpolated linearly, unvoiced when either is.
double ReadOffTrack(const std::vector<double>& middles, const std::vector<double>& f0,
                    double seconds) {
    if (seconds <= middles.front()) return f0.front();
    if (seconds >= middles.back()) return f0.back();
    std::size_t after = 0;
    while (middles[after] < seconds)
        ++after;
    if (middles[after] == seconds) return f0[after];
    const double a = f0[after - 1];
    const double b = f0[after];
    if (a == 0 || b == 0) return 0;
    return a + (b - a) * (seconds - middles[after - 1]) / (middles[after] - middles[after - 1]);
}

TEST(CliLongSound, PitchStepsReadTheTrackAtEveryStep) {
    const auto folder = TestFolder();
    constexpr int kRate = 44100;
    const std::string sound = WriteWave(folder / "voice.wav", LongVoice(20, kRate), kRate);
    const std::vector<std::string> full = Lines(RunCommandLine({"pitch", sound}).out);
    std::vector<double> middles;
    std::vector<double> f0;
    for (std::size_t i = 1; i < full.size(); ++i) {
        f0.push_back(std::stod(Fields(full[i])[3]));
    }
    const int hop = 10;  // 44100 Hz with the default pitch range
    ASSERT_EQ(full[2], sound + ",1,0.000227," + Fields(full[2])[3]);
    for (std::size_t i = 0; i < f0.size(); ++i)
        middles.push_back((static_cast<double>(i) * hop + (hop - 1) / 2.0) / kRate);

    const CliRun run = RunCommandLine({"pitch", sound, "--step", "0.01", "--missing-as", "nan"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> steps = Lines(run.out);
    ASSERT_EQ(steps.size(), 2001u);  // 0 .. 19.99 s
    EXPECT_EQ(steps[0], "file,index,time_s,f0_hz");
    int voiced = 0;
    for (std::size_t k = 0; k < 2000; ++k) {
        const std::vector<std::string> fields = Fields(steps[k + 1]);
        ASSERT_EQ(std::stoul(fields[1]), k);
        const double seconds = 0.01 * static_cast<double>(k);
        ASSERT_NEAR(std::stod(fields[2]), seconds, 1e-9);
        const double expected = ReadOffTrack(middles, f0, seconds);
        if (expected == 0) {
            ASSERT_EQ(fields[3], "NaN") << steps[k + 1];
        } else {
            ASSERT_NEAR(std::stod(fields[3]), expected, 1e-5 * expected) << steps[k + 1];
            ++voiced;
        }
    }
    EXPECT_GT(voiced, 1000);
}

}  // namespace
}  // namespace tonalyx::cli
