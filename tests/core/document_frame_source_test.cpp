// Frame sources hand out stretches of one channel on demand; every stretch must equal the same
// stretch of the whole-file read, for every format, wherever it starts and however long it is.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/document_sound_test_files.h"
#include "document/SndfileFrameSource.h"
#include "document/SoundFile.h"
#include "document/WaveFrameSource.h"

namespace tonalyx {
namespace {

using namespace tonalyx::testing;

struct SourceCase {
    const char* name;
    SoundFileLayout layout;  // written with libsndfile unless ourWave is set
    bool ourWave = false;    // written with our wave writer in this coding
    WaveEncoding encoding{};
    SoundReader reader = SoundReader::Sndfile;
};

std::string WriteCase(const TempDir& dir, const SourceCase& c) {
    const int channels = c.ourWave ? c.encoding.channels : c.layout.channels;
    const double rate = c.ourWave ? c.encoding.sampleRate : c.layout.sampleRate;
    const std::vector<int16_t> stereo = TwoVoices(1.3, rate);
    std::vector<int16_t> frames;
    for (std::size_t i = 0; i < stereo.size() / 2; ++i) {
        for (int channel = 0; channel < channels; ++channel)
            frames.push_back(stereo[2 * i + channel % 2]);
    }
    if (!c.ourWave) return WriteSound(dir, c.name, c.layout, frames);
    const std::string path = dir.File(c.name);
    if (!WriteWaveFile(path, c.encoding, frames)) throw std::runtime_error("cannot write");
    return path;
}

class FrameSources : public ::testing::TestWithParam<SourceCase> {};

TEST_P(FrameSources, EveryStretchEqualsTheWholeRead) {
    const SourceCase& c = GetParam();
    const TempDir dir;
    const std::string path = WriteCase(dir, c);
    SoundData whole;
    whole.maxSoundLength = 0;
    SoundReadError error;
    ASSERT_TRUE(ReadSoundFile(whole, path, 1, &error)) << error.Describe();

    auto source = OpenFrameSource(path, 1, &error);
    ASSERT_TRUE(source) << error.Describe();
    const SoundFileInfo& info = source->Info();
    EXPECT_EQ(info.reader, c.reader);
    EXPECT_EQ(info.container, whole.origin.container);
    EXPECT_EQ(info.codec, whole.origin.codec);
    EXPECT_EQ(info.frames, whole.origin.frames);
    EXPECT_EQ(info.sampleRate, whole.format.sampleRate);
    EXPECT_EQ(source->Channel(), whole.channelIndex);
    const auto total = static_cast<int64_t>(whole.samples.size());
    ASSERT_LE(total, info.frames);

    // Stretches anywhere, backwards and forwards, short and long, some running past the end.
    std::mt19937 random(11);
    std::vector<int16_t> stretch;
    for (int trial = 0; trial < 60; ++trial) {
        const int64_t first = trial == 0 ? 0 : static_cast<int64_t>(random() % total);
        const std::size_t count = 1 + random() % (trial % 3 == 0 ? 40000 : 700);
        stretch.assign(count, 0x5A5A);
        const std::size_t got = source->ReadFrames(first, stretch);
        const auto expected = static_cast<std::size_t>(std::min<int64_t>(count, total - first));
        ASSERT_GE(got, expected) << "first " << first << " count " << count;
        ASSERT_TRUE(
            std::equal(stretch.begin(), stretch.begin() + expected, whole.samples.begin() + first))
            << c.name << ": first " << first << " count " << count;
    }
    // Consecutive blocks of odd sizes put the whole sound together again.
    std::vector<int16_t> joined;
    for (int64_t first = 0; first < total;) {
        stretch.assign(1 + random() % 5000, 0);
        const std::size_t got = source->ReadFrames(first, stretch);
        ASSERT_GT(got, 0u);
        joined.insert(joined.end(), stretch.begin(), stretch.begin() + got);
        first += static_cast<int64_t>(got);
    }
    joined.resize(static_cast<std::size_t>(total));
    EXPECT_EQ(joined, whole.samples);

    stretch.assign(10, 0);
    EXPECT_EQ(source->ReadFrames(info.frames, stretch), 0u);
    EXPECT_EQ(source->ReadFrames(-1, stretch), 0u);
    EXPECT_EQ(source->ReadFrames(total - 4, stretch),
              std::min<std::size_t>(10, info.frames - total + 4));
}

constexpr SourceCase Sndfile(const char* name, SoundContainer container, SoundCoding coding,
                             int channels, int rate) {
    return {name, {container, coding, channels, rate}};
}

SourceCase OurWave(const char* name, WaveEncoding encoding) {
    SourceCase c{name, {}, true, encoding, SoundReader::Wave};
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, FrameSources,
    ::testing::Values(OurWave("pcm16.wav", Pcm(16, 2, 16000)), OurWave("pcm8.wav", Pcm(8, 3, 8000)),
                      OurWave("pcm24.wav", Extensible(Pcm(24, 2, 22050))),
                      OurWave("float32.wav", Float(32, 2, 16000)),
                      OurWave("float64.wav", Float(64, 1, 8000)),
                      Sndfile("named.wave", SoundContainer::Wav, SoundCoding::Pcm16, 2, 8000),
                      Sndfile("a.flac", SoundContainer::Flac, SoundCoding::Pcm16, 2, 44100),
                      Sndfile("b.flac", SoundContainer::Flac, SoundCoding::Pcm24, 3, 16000),
                      Sndfile("c.aiff", SoundContainer::Aiff, SoundCoding::Pcm16, 2, 16000),
                      Sndfile("d.w64", SoundContainer::W64, SoundCoding::Pcm32, 2, 16000),
                      Sndfile("e.caf", SoundContainer::Caf, SoundCoding::Float32, 2, 16000),
                      Sndfile("f.rf64", SoundContainer::Rf64, SoundCoding::Pcm24, 2, 16000),
                      Sndfile("g.au", SoundContainer::Au, SoundCoding::Ulaw, 2, 8000),
                      Sndfile("h.sph", SoundContainer::Nist, SoundCoding::Pcm16, 2, 16000),
                      Sndfile("i.wav", SoundContainer::Wav, SoundCoding::ImaAdpcm, 2, 16000),
                      Sndfile("j.wav", SoundContainer::Wav, SoundCoding::MsAdpcm, 2, 16000),
                      Sndfile("k.wav", SoundContainer::Wav, SoundCoding::Gsm610, 1, 8000),
                      Sndfile("l.wav", SoundContainer::Wav, SoundCoding::Alaw, 2, 8000),
                      Sndfile("m.mp3", SoundContainer::Mpeg, SoundCoding::Mp3, 2, 44100),
                      Sndfile("n.ogg", SoundContainer::Ogg, SoundCoding::Vorbis, 2, 44100),
                      Sndfile("o.opus", SoundContainer::Ogg, SoundCoding::Opus, 2, 48000)),
    [](const auto& test) {
        std::string name = test.param.name;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

TEST(FrameSources, OpenRefusesWhatNeitherReaderTakes) {
    const TempDir dir;
    SoundReadError error;
    EXPECT_FALSE(OpenFrameSource(dir.File("missing.wav"), 0, &error));
    EXPECT_EQ(error.wave, WaveReadError::CannotOpen);
    EXPECT_FALSE(OpenFrameSource(dir.Write("text.mp3", {'n', 'o', 't'}), 0, &error));
    EXPECT_FALSE(error.Describe().empty());

    // The wave source refuses on the bytes what the wave reader refuses.
    std::vector<uint8_t> compressed = EncodeWave(Pcm(16, 1), NumberedFrames(10, 1));
    PutLe(compressed, kFormatBody, 0x0055, 2);
    WaveReadError reason = WaveReadError::None;
    EXPECT_FALSE(WaveFrameSource::Open(std::make_unique<MemoryByteSource>(compressed), 0, &reason));
    EXPECT_EQ(reason, WaveReadError::UnsupportedFormat);
    std::string sndfileReason;
    EXPECT_FALSE(SndfileFrameSource::Open(
        std::make_unique<MemoryByteSource>(std::span<const uint8_t>()), 0, &sndfileReason));
    EXPECT_FALSE(sndfileReason.empty());

    // Opens in other threads, failing or not, leave each refusal its own reason.
    const std::vector<uint8_t> sound = EncodeWave(Pcm(16, 1), NumberedFrames(10, 1));
    const std::vector<uint8_t> notSound{'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'};
    std::string alone;
    EXPECT_FALSE(SndfileFrameSource::Open(std::make_unique<MemoryByteSource>(notSound), 0, &alone));
    std::vector<std::string> reasons(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < reasons.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300 && reasons[t].empty(); ++i) {
                std::string got;
                const bool text = t % 2 == 0;
                const bool opened = SndfileFrameSource::Open(
                                        std::make_unique<MemoryByteSource>(text ? notSound : sound),
                                        0, &got) != nullptr;
                if (opened == text || (text && got != alone))
                    reasons[t] = (text ? "the text: '" : "the sound: '") + got + "'";
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (const std::string& failure : reasons)
        EXPECT_EQ(failure, "");
}

// A damaged last page hides an Ogg stream's length from libsndfile. No source may then claim
// an endless sound: the frames are counted by decoding them once, and when none decode (as
// libsndfile's Vorbis reader does after such damage) the file is refused.
TEST(FrameSources, AStreamOfUnknownLengthIsCountedOrRefused) {
    const TempDir dir;
    const std::string path =
        WriteSound(dir, "v.ogg", {SoundContainer::Ogg, SoundCoding::Vorbis, 1, 16000},
                   ChannelOf(TwoVoices(1.0, 16000), 2, 0));
    std::vector<uint8_t> bytes;
    {
        FileByteSource file(path);
        bytes.resize(static_cast<std::size_t>(file.Size()));
        ASSERT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
    }
    bytes[bytes.size() - 10] ^= 0xFF;
    const std::string damaged = dir.Write("damaged.ogg", bytes);

    SoundReadError error;
    auto source = OpenFrameSource(damaged, 0, &error);
    SoundData whole;
    whole.maxSoundLength = 0;
    SoundReadError wholeError;
    ASSERT_EQ(ReadSoundFile(whole, damaged, 0, &wholeError), source != nullptr);
    if (!source) {
        EXPECT_EQ(error.Describe(), "the file holds no sample frames");
        EXPECT_EQ(wholeError.Describe(), error.Describe());
        return;
    }
    const int64_t frames = source->Info().frames;
    EXPECT_GT(frames, 8000);
    EXPECT_LE(frames, 16000);
    EXPECT_EQ(whole.sampleCount, frames);
    std::vector<int16_t> tail(300);
    ASSERT_EQ(source->ReadFrames(frames - 100, tail), 100u);
    EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 100, whole.samples.end() - 100));
}

// A float wave with samples the conversion must change, at known frames: read by our reader
// (named .wav) and by libsndfile (named .wave), each frame's change is counted once however
// often and in whatever order it is read, and a look at a frame counts nothing.
TEST(FrameSources, RepairsAreCountedOnceForEachFrameRead) {
    const TempDir dir;
    std::vector<double> reals(5000, 0.25);
    reals[10] = 1.5;
    reals[20] = -std::numeric_limits<double>::infinity();
    reals[3000] = std::numeric_limits<double>::quiet_NaN();
    reals[4990] = -2.0;
    reals[4991] = -1.0;  // full scale itself is no change
    for (const char* name : {"f.wav", "f.wave"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        ASSERT_TRUE(WriteWaveFile(path, Float(32, 1), reals));
        auto source = OpenFrameSource(path, 0);
        ASSERT_TRUE(source);
        const SampleRepairs& repairs = source->Info().repairs;
        EXPECT_TRUE(source->CanReadFrame(3000));
        EXPECT_FALSE(repairs.Any());
        std::vector<int16_t> stretch(5000);
        const auto read = [&](int64_t first, std::size_t count) {
            ASSERT_EQ(source->ReadFrames(first, {stretch.data(), count}), count);
        };
        read(0, 100);
        read(0, 100);
        read(50, 3450);
        EXPECT_EQ(repairs.clipped, 1);
        EXPECT_EQ(repairs.infinite, 1);
        EXPECT_EQ(repairs.nan, 1);
        read(4000, 1000);
        read(0, 5000);
        EXPECT_EQ(repairs.clipped, 2);
        EXPECT_EQ(repairs.infinite, 1);
        EXPECT_EQ(repairs.nan, 1);
        EXPECT_EQ(stretch[10], 32767);
        EXPECT_EQ(stretch[20], -32768);
        EXPECT_EQ(stretch[3000], 0);

        SoundData whole;
        ASSERT_TRUE(ReadSoundFile(whole, path, 0));
        EXPECT_EQ(whole.origin.repairs.clipped, 2);
        EXPECT_EQ(whole.origin.repairs.infinite, 1);
        EXPECT_EQ(whole.origin.repairs.nan, 1);
    }
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    FileByteSource file(path);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(file.Size()));
    EXPECT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
    return bytes;
}

// FIFOs and process substitutions are streams: read once, as waves whatever their names, up to
// the read limit; a FIFO that no process writes to is refused at once, not waited on for ever.
TEST(FrameSources, PipesAreReadOnceAsWaveStreamsUpToTheLimit) {
    const TempDir dir;
    const std::string fifo = dir.File("stream.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto writeToFifo = [&fifo] { return ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC); };

    SoundData sound;
    sound.maxSoundLength = 0;
    SoundReadError error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadSoundFile(sound, fifo, 0, &error));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(error.Describe(), "no process writes to the pipe");

    const std::vector<int16_t> frames = TwoVoices(3.0, 8000);
    const std::string wave = dir.File("voice.wav");
    ASSERT_TRUE(WriteWaveFile(wave, Pcm(16, 2, 8000), frames));
    {
        PipeWriter writer(writeToFifo, FileBytes(wave));
        ASSERT_TRUE(ReadSoundFile(sound, fifo, 1, &error)) << error.Describe();
    }
    EXPECT_EQ(sound.samples, ChannelOf(frames, 2, 1));
    EXPECT_FALSE(sound.origin.streamCut);

    // A process substitution's /dev/fd path, cut by the limit: the stream goes on unread.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const std::string substitution = "/dev/fd/" + std::to_string(ends[0]);
    {
        PipeWriter writer([&ends] { return ends[1]; }, FileBytes(wave));
        auto source = OpenFrameSource(substitution, 0, &error, {1.0});
        ::close(ends[0]);
        ASSERT_TRUE(source) << error.Describe();
        EXPECT_EQ(source->Info().frames, 8000);
        EXPECT_EQ(source->Info().claimedFrames, 8000);
        EXPECT_TRUE(source->Info().streamCut);
        std::vector<int16_t> first(8000);
        ASSERT_EQ(source->ReadFrames(0, first), first.size());
        EXPECT_EQ(first,
                  ChannelOf(std::vector<int16_t>(frames.begin(), frames.begin() + 16000), 2, 0));
    }

    // A stream that ends before its data chunk does is kept as it came; its size may be unset.
    std::vector<uint8_t> unset = FileBytes(wave);
    PutLe(unset, kDataSizeField, 0xFFFFFFFF, 4);
    unset.resize(unset.size() - 4 * 8000);
    {
        PipeWriter writer(writeToFifo, unset);
        ASSERT_TRUE(ReadSoundFile(sound, fifo, 0, &error)) << error.Describe();
    }
    EXPECT_EQ(sound.sampleCount, 16000);
    EXPECT_TRUE(sound.origin.sizeUnset);
    EXPECT_FALSE(sound.origin.streamCut);

    // What a stream cannot be read as is refused with the reason, and the writer let go.
    const std::string flac =
        WriteSound(dir, "voice.flac", {SoundContainer::Flac, SoundCoding::Pcm16, 2, 8000}, frames);
    {
        PipeWriter writer(writeToFifo, FileBytes(flac));
        EXPECT_FALSE(ReadSoundFile(sound, fifo, 0, &error));
    }
    EXPECT_EQ(error.Describe(),
              "a stream (a pipe or a device) is read only as a WAV file of PCM or float samples; "
              "this stream is not one");
    EXPECT_EQ(sound.sampleCount, 16000);
}

TEST(FrameSources, ReadFromMemoryAsFromAFile) {
    const TempDir dir;
    const std::vector<int16_t> frames = TwoVoices(0.3, 8000);
    const std::string path =
        WriteSound(dir, "m.flac", {SoundContainer::Flac, SoundCoding::Pcm16, 2, 8000}, frames);
    FileByteSource file(path);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(file.Size()));
    ASSERT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
    auto source = SndfileFrameSource::Open(std::make_unique<MemoryByteSource>(bytes), 5);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->Channel(), 1);
    std::vector<int16_t> all(frames.size() / 2);
    ASSERT_EQ(source->ReadFrames(0, all), all.size());
    EXPECT_EQ(all, ChannelOf(frames, 2, 1));
}

}  // namespace
}  // namespace tonalyx
