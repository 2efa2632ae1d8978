#include "document/WaveReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/document_wave_test_files.h"

namespace tonalyx {
namespace {

using namespace tonalyx::testing;

class WaveReaderTest : public ::testing::Test {
protected:
    // Writes bytes under name and reads them with ReadWaveFile into sound.
    bool Read(const std::vector<uint8_t>& bytes, int channel = 0,
              const std::string& name = "sound.wav") {
        error = WaveReadError::None;
        return ReadWaveFile(sound, dir.Write(name, bytes), channel, &error);
    }

    // Reads and expects a refusal for the given reason.
    void ExpectRefused(const std::vector<uint8_t>& bytes, WaveReadError reason) {
        EXPECT_FALSE(Read(bytes)) << DescribeWaveReadError(reason);
        EXPECT_EQ(error, reason) << "got: " << DescribeWaveReadError(error);
    }

    TempDir dir;
    SoundData sound;
    WaveReadError error = WaveReadError::None;
};

TEST(SoundData, StartsAsAnEmptyMonoSixteenBitSound) {
    const SoundData sound;
    EXPECT_TRUE(ChunkIdsMatch(sound.riffId, {'R', 'I', 'F', 'F'}));
    EXPECT_EQ(sound.format.formatTag, 1);
    EXPECT_EQ(sound.format.channels, 1);
    EXPECT_EQ(sound.format.sampleRate, 44100u);
    EXPECT_EQ(sound.format.bytesPerSecond, 88200u);
    EXPECT_EQ(sound.format.blockAlign, 2);
    EXPECT_EQ(sound.format.bitsPerSample, 16);
    EXPECT_EQ(sound.sampleCount, 0);
    EXPECT_EQ(sound.maxSoundLength, 120);
    EXPECT_EQ(sound.dataChunk.size, 0);
    EXPECT_TRUE(sound.samples.empty());
}

TEST(ChunkIdsMatch, EqualOrEqualAfterAsciiLowerCasing) {
    EXPECT_TRUE(ChunkIdsMatch({'R', 'I', 'F', 'F'}, {'r', 'i', 'f', 'f'}));
    EXPECT_TRUE(ChunkIdsMatch({'R', 'i', 'F', 'f'}, {'r', 'I', 'f', 'F'}));
    EXPECT_TRUE(ChunkIdsMatch({'f', 'm', 't', ' '}, {'F', 'M', 'T', ' '}));
    EXPECT_FALSE(ChunkIdsMatch({'R', 'I', 'F', 'F'}, {'R', 'I', 'F', 'X'}));
    // Only A to Z are lower-cased: '[' and '{' differ by the same bit as 'A' and 'a'.
    EXPECT_FALSE(ChunkIdsMatch({'d', 'a', 't', '['}, {'d', 'a', 't', '{'}));
    EXPECT_FALSE(ChunkIdsMatch({'d', 'a', 't', '@'}, {'d', 'a', 't', '`'}));
}

TEST(HasWavExtension, TakesTheLastDotOfTheFileNamePart) {
    EXPECT_TRUE(HasWavExtension("a.wav"));
    EXPECT_TRUE(HasWavExtension("a.WAV"));
    EXPECT_TRUE(HasWavExtension("/x/y.z/a.b.WaV"));
    EXPECT_TRUE(HasWavExtension("/x/.wav"));
    EXPECT_FALSE(HasWavExtension("a.wv"));
    EXPECT_FALSE(HasWavExtension("a.wave"));
    EXPECT_FALSE(HasWavExtension("a.wav.bak"));
    EXPECT_FALSE(HasWavExtension("/x/y.wav/noextension"));
    EXPECT_FALSE(HasWavExtension(""));
}

TEST_F(WaveReaderTest, StereoChannelIsPickedAndClamped) {
    const std::vector<int16_t> frames = NumberedFrames(50, 2);
    const std::vector<uint8_t> file = EncodeWave(Pcm(16, 2, 22050), frames);

    ASSERT_TRUE(Read(file, 1));
    EXPECT_EQ(sound.samples, ChannelOf(frames, 2, 1));
    EXPECT_EQ(sound.channelIndex, 1);

    ASSERT_TRUE(Read(file, 5));
    EXPECT_EQ(sound.samples, ChannelOf(frames, 2, 1));
    EXPECT_EQ(sound.channelIndex, 1);

    ASSERT_TRUE(Read(file, -4));
    EXPECT_EQ(sound.samples, ChannelOf(frames, 2, 0));
    EXPECT_EQ(sound.channelIndex, 0);

    // The sound now describes itself as mono 16-bit at the file's rate.
    EXPECT_EQ(sound.sampleCount, 50);
    EXPECT_EQ(sound.format.formatTag, 1);
    EXPECT_EQ(sound.format.channels, 1);
    EXPECT_EQ(sound.format.bitsPerSample, 16);
    EXPECT_EQ(sound.format.blockAlign, 2);
    EXPECT_EQ(sound.format.sampleRate, 22050u);
    EXPECT_EQ(sound.format.bytesPerSecond, 44100u);
    EXPECT_EQ(sound.dataChunk.size, 100);
    EXPECT_EQ(sound.fmtChunk.offset, 20);
    EXPECT_EQ(sound.dataChunk.offset, 44);
}

TEST_F(WaveReaderTest, EightBitBytesBecomeSignedSixteenBit) {
    const std::vector<RiffChunk> chunks = {Chunk("fmt ", EncodeFormatChunk(Pcm(8, 1))),
                                           Chunk("data", {0, 128, 255})};
    ASSERT_TRUE(Read(AssembleRiffWave(chunks)));
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{-32768, 0, 32512}));
}

TEST_F(WaveReaderTest, FileBlockAlignAndByteRateAreRecomputed) {
    const std::vector<int16_t> frames = NumberedFrames(20, 2);
    std::vector<uint8_t> file = EncodeWave(Pcm(16, 2, 16000), frames);
    PutLe(file, kBlockAlignField, 7, 2);
    PutLe(file, kBytesPerSecondField, 0, 4);
    ASSERT_TRUE(Read(file, 1));
    EXPECT_EQ(sound.samples, ChannelOf(frames, 2, 1));
    EXPECT_EQ(sound.format.blockAlign, 2);
    EXPECT_EQ(sound.format.bytesPerSecond, 32000u);
}

TEST_F(WaveReaderTest, OddSizedChunkIsSkippedWithItsPadByte) {
    const std::vector<int16_t> samples = {1, -2, 3, -4};
    const std::vector<RiffChunk> chunks = {Chunk("fmt ", EncodeFormatChunk(Pcm(16, 1))),
                                           Chunk("LIST", {'I', 'N', 'F', 'O', 'x'}),
                                           Chunk("data", EncodeSampleData(Pcm(16, 1), samples))};
    ASSERT_TRUE(Read(AssembleRiffWave(chunks)));
    EXPECT_EQ(sound.samples, samples);
    EXPECT_EQ(sound.dataChunk.offset, 20 + 16 + 8 + 6 + 8);
}

TEST_F(WaveReaderTest, LeftoverBytesOfAPartialFrameAreIgnored) {
    const std::vector<uint8_t> data = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0};  // 2.5 stereo frames
    const std::vector<RiffChunk> chunks = {Chunk("fmt ", EncodeFormatChunk(Pcm(16, 2))),
                                           Chunk("data", data)};
    ASSERT_TRUE(Read(AssembleRiffWave(chunks), 1));
    EXPECT_EQ(sound.sampleCount, 2);
    EXPECT_EQ(sound.samples, (std::vector<int16_t>{2, 4}));
    EXPECT_EQ(sound.dataChunk.size, 4);
}

TEST_F(WaveReaderTest, ExtensionIsCheckedCaseInsensitively) {
    const std::vector<uint8_t> file = EncodeWave(Pcm(16, 1), NumberedFrames(8, 1));
    EXPECT_TRUE(Read(file, 0, "a.WAV"));
    EXPECT_FALSE(Read(file, 0, "a.wv"));
    EXPECT_EQ(error, WaveReadError::NotWavExtension);
    EXPECT_FALSE(Read(file, 0, "a.wave"));
    EXPECT_FALSE(Read(file, 0, "noextension"));
}

TEST_F(WaveReaderTest, IdsInAnyLetterCaseAreAccepted) {
    const std::vector<int16_t> samples = NumberedFrames(6, 1);
    std::vector<uint8_t> file = EncodeWave(Pcm(16, 1), samples);
    PutId(file, 0, "riff");
    PutId(file, 8, "wave");
    PutId(file, 12, "FMT ");
    PutId(file, 36, "Data");
    ASSERT_TRUE(Read(file));
    EXPECT_EQ(sound.samples, samples);
}

TEST_F(WaveReaderTest, SecondReadReplacesTheFirstSound) {
    ASSERT_TRUE(Read(EncodeWave(Pcm(16, 2, 44100), NumberedFrames(1000, 2)), 1));
    const std::vector<int16_t> small = {5, 6, 7};
    ASSERT_TRUE(Read(EncodeWave(Pcm(16, 1, 8000), small)));
    EXPECT_EQ(sound.sampleCount, 3);
    EXPECT_EQ(sound.samples, small);
    EXPECT_EQ(sound.format.sampleRate, 8000u);
    EXPECT_EQ(sound.channelIndex, 0);
}

TEST_F(WaveReaderTest, RefusalKeepsThePreviousSamples) {
    const std::vector<int16_t> samples = NumberedFrames(40, 1);
    ASSERT_TRUE(Read(EncodeWave(Pcm(16, 1), samples)));
    std::vector<uint8_t> compressed = EncodeWave(Pcm(16, 1), samples);
    PutLe(compressed, kFormatBody, 0x0055, 2);
    ExpectRefused(compressed, WaveReadError::UnsupportedFormat);
    EXPECT_EQ(sound.samples, samples);
    EXPECT_EQ(sound.sampleCount, 40);
}

TEST_F(WaveReaderTest, ClearEmptiesTheSound) {
    ASSERT_TRUE(Read(EncodeWave(Pcm(16, 1), NumberedFrames(40, 1))));
    sound.Clear();
    EXPECT_TRUE(sound.samples.empty());
    EXPECT_EQ(sound.sampleCount, 0);
    EXPECT_EQ(sound.dataChunk.size, 0);
}

TEST_F(WaveReaderTest, MalformedHeadersAreRefusedWithTheirReason) {
    const std::vector<uint8_t> good = EncodeWave(Pcm(16, 2), NumberedFrames(10, 2));
    auto edited = [&](auto edit) {
        std::vector<uint8_t> file = good;
        edit(file);
        return file;
    };
    ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + 11),
                  WaveReadError::NotRiffWave);
    ExpectRefused(edited([](auto& f) { PutId(f, 0, "RIFX"); }), WaveReadError::NotRiffWave);
    ExpectRefused(edited([](auto& f) { PutId(f, 8, "AVI "); }), WaveReadError::NotRiffWave);
    ExpectRefused(edited([](auto& f) { PutId(f, 12, "fmt_"); }), WaveReadError::MissingFormatChunk);
    ExpectRefused(edited([](auto& f) { PutLe(f, kFormatBody, 0x0055, 2); }),
                  WaveReadError::UnsupportedFormat);
    ExpectRefused(edited([](auto& f) { PutLe(f, kChannelsField, 0, 2); }),
                  WaveReadError::NoChannels);
    ExpectRefused(edited([](auto& f) { PutLe(f, kChannelsField, 0xFFFF, 2); }),
                  WaveReadError::NoChannels);
    ExpectRefused(edited([](auto& f) { PutLe(f, kBitsField, 12, 2); }),
                  WaveReadError::UnsupportedBitDepth);
    ExpectRefused(edited([](auto& f) { PutLe(f, kBitsField, 4, 2); }),
                  WaveReadError::UnsupportedBitDepth);
    ExpectRefused(edited([](auto& f) { PutLe(f, kSampleRateField, 0, 4); }),
                  WaveReadError::ZeroSampleRate);
    ExpectRefused(edited([](auto& f) { PutId(f, 36, "dat "); }), WaveReadError::NoData);
    ExpectRefused(edited([](auto& f) { PutLe(f, kDataSizeField, 0, 4); }), WaveReadError::NoData);
    ExpectRefused(edited([](auto& f) { PutLe(f, kDataSizeField, 3, 4); }),
                  WaveReadError::NoWholeFrame);
    // The data chunk claims 100 bytes, but the file ends 2 bytes into it.
    std::vector<uint8_t> cut(good.begin(), good.begin() + kPcmDataStart + 2);
    PutLe(cut, kDataSizeField, 100, 4);
    ExpectRefused(cut, WaveReadError::NoWholeFrame);
    EXPECT_FALSE(ReadWaveFile(sound, dir.File("missing.wav"), 0, &error));
    EXPECT_EQ(error, WaveReadError::CannotOpen);
    std::filesystem::create_directory(dir.File("folder.wav"));
    EXPECT_FALSE(ReadWaveFile(sound, dir.File("folder.wav"), 0, &error));
    EXPECT_EQ(error, WaveReadError::CannotOpen);
}

TEST_F(WaveReaderTest, ShortOrMalformedFormatChunksAreRefused) {
    const std::vector<uint8_t> data = EncodeSampleData(Pcm(16, 1), NumberedFrames(4, 1));
    std::vector<uint8_t> shortBody = EncodeFormatChunk(Pcm(16, 1));
    shortBody.resize(14);
    ExpectRefused(Riff({Chunk("fmt ", shortBody), Chunk("data", data)}),
                  WaveReadError::ShortFormatChunk);

    // An extensible format without its 22-byte extension.
    std::vector<uint8_t> bareExtensible = EncodeFormatChunk(Extensible(Pcm(16, 1)));
    bareExtensible.resize(18);
    ExpectRefused(Riff({Chunk("fmt ", bareExtensible), Chunk("data", data)}),
                  WaveReadError::ShortFormatChunk);

    std::vector<uint8_t> adpcm = EncodeFormatChunk(Extensible(Pcm(16, 1)));
    adpcm[24] = 0x02;  // sub-format code
    ExpectRefused(Riff({Chunk("fmt ", adpcm), Chunk("data", data)}),
                  WaveReadError::UnsupportedSubFormat);
    std::vector<uint8_t> foreignGuid = EncodeFormatChunk(Extensible(Pcm(16, 1)));
    foreignGuid[39] ^= 0x01;
    ExpectRefused(Riff({Chunk("fmt ", foreignGuid), Chunk("data", data)}),
                  WaveReadError::UnsupportedSubFormat);

    // The chunk header claims 16 bytes but the file ends before them.
    std::vector<uint8_t> truncated = EncodeWave(Pcm(16, 1), NumberedFrames(4, 1));
    truncated.resize(kFormatBody + 10);
    ExpectRefused(truncated, WaveReadError::ShortFormatChunk);
}

TEST(DescribeWaveReadError, NamesTheFormatWhereItMatters) {
    WaveFormat format;
    format.formatTag = 0x0055;
    EXPECT_EQ(DescribeWaveReadError(WaveReadError::UnsupportedFormat, format),
              "compressed or unknown format (tag 0x0055) is not supported");
    format.formatTag = 1;
    format.bitsPerSample = 12;
    EXPECT_EQ(DescribeWaveReadError(WaveReadError::UnsupportedBitDepth, format),
              "12 bits per sample are not supported (tag 0x0001)");
    EXPECT_STREQ(DescribeWaveReadError(WaveReadError::NotRiffWave), "not a RIFF/WAVE file");
    EXPECT_EQ(DescribeWaveReadError(WaveReadError::NoData, format),
              DescribeWaveReadError(WaveReadError::NoData));
}

}  // namespace
}  // namespace tonalyx
