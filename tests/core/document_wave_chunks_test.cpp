// The chunk walk over unusual and faulty chunk layouts, and how much of the data is loaded.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/document_wave_test_files.h"
#include "document/LittleEndian.h"
#include "document/WaveReader.h"

namespace tonalyx {
namespace {

using namespace tonalyx::testing;

// Counts the bytes the reader asks for.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(std::span<const uint8_t> bytes) : inner_(bytes) {}
    std::size_t Read(void* destination, std::size_t count) override {
        bytesRead += count;
        return inner_.Read(destination, count);
    }
    bool Seek(int64_t position) override { return inner_.Seek(position); }
    int64_t Position() const override { return inner_.Position(); }
    int64_t Size() const override { return inner_.Size(); }

    std::size_t bytesRead = 0;

private:
    MemoryByteSource inner_;
};

struct Outcome {
    bool ok = false;
    WaveReadError error = WaveReadError::None;
};

Outcome ReadBytes(SoundData& sound, const std::vector<uint8_t>& bytes, int channel = 0) {
    MemoryByteSource source(bytes);
    Outcome outcome;
    outcome.ok = ReadWaveData(sound, source, channel, &outcome.error);
    return outcome;
}

const std::vector<int16_t> kSamples = {10, -20, 30, -40, 50, -60};

std::vector<uint8_t> FormatBody() {
    return EncodeFormatChunk(Pcm(16, 1));
}
std::vector<uint8_t> DataBody() {
    return EncodeSampleData(Pcm(16, 1), kSamples);
}

// A file of the given chunks, with the size field of chunk `index` replaced.
std::vector<uint8_t> WithChunkSize(const std::vector<RiffChunk>& chunks, std::size_t index,
                                   uint32_t size) {
    std::vector<uint8_t> file = Riff(chunks);
    std::size_t offset = 12;
    for (std::size_t i = 0; i < index; ++i)
        offset += 8 + (chunks[i].body.size() + 1) / 2 * 2;
    PutLe(file, offset + 4, size, 4);
    return file;
}

TEST(ChunkWalk, NegativeSizeEndsTheWalkInsteadOfSteppingBack) {
    SoundData sound;
    // After the data chunk: a chunk whose size -8 would lead back onto its own header.
    const std::vector<RiffChunk> trailing = {Chunk("fmt ", FormatBody()), Chunk("data", DataBody()),
                                             Chunk("junk", {})};
    for (const uint32_t size : {0xFFFFFFF8u, 0xFFFFFFFFu, 0x80000000u}) {
        const Outcome outcome = ReadBytes(sound, WithChunkSize(trailing, 2, size));
        EXPECT_TRUE(outcome.ok) << size;
        EXPECT_EQ(sound.samples, kSamples);
    }
    // Before the data chunk the walk ends without having seen it.
    const std::vector<RiffChunk> leading = {Chunk("fmt ", FormatBody()), Chunk("junk", {}),
                                            Chunk("data", DataBody())};
    const Outcome outcome = ReadBytes(sound, WithChunkSize(leading, 1, 0xFFFFFFF8u));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, WaveReadError::NoData);
}

TEST(ChunkWalk, DataSizesAreUnsignedAndAnUnsetSizeRunsToTheEnd) {
    SoundData sound;
    const std::vector<RiffChunk> chunks = {Chunk("fmt ", FormatBody()), Chunk("data", DataBody())};
    // 2 GiB claimed: no negative size, but a file cut short, read as far as it goes.
    ASSERT_TRUE(ReadBytes(sound, WithChunkSize(chunks, 1, 0x80000000u)).ok);
    EXPECT_EQ(sound.samples, kSamples);
    EXPECT_EQ(sound.origin.claimedFrames, 0x40000000);
    EXPECT_FALSE(sound.origin.sizeUnset);

    // A streaming writer's 0xFFFFFFFF: the data run to the end of the file, odd byte left out.
    std::vector<uint8_t> unset = WithChunkSize(chunks, 1, 0xFFFFFFFFu);
    for (const uint8_t byte : {0x10, 0x00, 0x20})
        unset.push_back(byte);
    ASSERT_TRUE(ReadBytes(sound, unset).ok);
    std::vector<int16_t> expected = kSamples;
    expected.push_back(0x10);
    EXPECT_EQ(sound.samples, expected);
    EXPECT_EQ(sound.origin.frames, 7);
    EXPECT_EQ(sound.origin.claimedFrames, -1);
    EXPECT_TRUE(sound.origin.sizeUnset);
}

TEST(ChunkWalk, HugeSizesStopTheWalkAtTheEndOfTheFile) {
    SoundData sound;
    // An odd size just below 2^31, whose padded size no longer fits 32 signed bits.
    const std::vector<RiffChunk> listFirst = {Chunk("fmt ", FormatBody()), Chunk("LIST", {1}),
                                              Chunk("data", DataBody())};
    Outcome outcome = ReadBytes(sound, WithChunkSize(listFirst, 1, 0x7FFFFFFFu));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, WaveReadError::NoData);

    // A data chunk claiming 2 GB is read as far as the file goes.
    const std::vector<RiffChunk> dataOnly = {Chunk("fmt ", FormatBody()),
                                             Chunk("data", DataBody())};
    outcome = ReadBytes(sound, WithChunkSize(dataOnly, 1, 0x7FFFFFFFu));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(sound.samples, kSamples);
    EXPECT_EQ(sound.dataChunk.size, 12);
}

TEST(ChunkWalk, TheLaterOfTwoEqualChunksWins) {
    SoundData sound;
    const std::vector<int16_t> second = {7, 8};
    const std::vector<RiffChunk> twoData = {Chunk("fmt ", FormatBody()), Chunk("data", DataBody()),
                                            Chunk("data", EncodeSampleData(Pcm(16, 1), second))};
    ASSERT_TRUE(ReadBytes(sound, Riff(twoData)).ok);
    EXPECT_EQ(sound.samples, second);

    // A second "fmt " after the data still counts: the walk runs to the end of the file.
    const std::vector<RiffChunk> lateFormat = {Chunk("fmt ", EncodeFormatChunk(Pcm(8, 1))),
                                               Chunk("data", DataBody()),
                                               Chunk("fmt ", EncodeFormatChunk(Pcm(16, 2)))};
    ASSERT_TRUE(ReadBytes(sound, Riff(lateFormat), 1).ok);
    EXPECT_EQ(sound.samples, ChannelOf(kSamples, 2, 1));
}

TEST(ChunkWalk, LocationsOfAnEarlierFileAreNotReused) {
    SoundData sound;
    ASSERT_TRUE(ReadBytes(sound, EncodeWave(Pcm(16, 1), kSamples)).ok);
    const Outcome noData = ReadBytes(sound, Riff({Chunk("fmt ", FormatBody())}));
    EXPECT_EQ(noData.error, WaveReadError::NoData);
    const Outcome noFormat = ReadBytes(sound, Riff({Chunk("data", DataBody())}));
    EXPECT_EQ(noFormat.error, WaveReadError::MissingFormatChunk);
    EXPECT_EQ(sound.fmtChunk.offset, 0);
}

TEST(LoadedLength, DataBeyondTheEndOfTheFileIsNotInvented) {
    SoundData sound;
    const std::vector<int16_t> frames = NumberedFrames(100, 2);
    std::vector<uint8_t> file = EncodeWave(Pcm(16, 2), frames);
    PutLe(file, kDataSizeField, 1000000, 4);
    file.resize(file.size() - 3);  // the last frame is cut in the middle
    ASSERT_TRUE(ReadBytes(sound, file, 1).ok);
    std::vector<int16_t> expected = ChannelOf(frames, 2, 1);
    expected.pop_back();
    EXPECT_EQ(sound.samples, expected);
    EXPECT_EQ(sound.sampleCount, 99);
}

// A file of 2.4 GB, written sparse: a header, a LIST chunk of more than 2 GiB that the walk
// must step over, and a data chunk of 1.2 GB (7.6 hours at 44.1 kHz would be one such).
TEST(LoadedLength, FilesBeyondTwoGibibytesAreWalkedAndRead) {
    const TempDir dir;
    constexpr uint32_t kListSize = 0x80000001u;  // odd: one pad byte follows
    constexpr uint32_t kDataSize = 1206576000u;
    std::vector<uint8_t> head = Riff({Chunk("fmt ", EncodeFormatChunk(Pcm(16, 1, 44100)))});
    AppendLe(head, 0x5453494C, 4);  // "LIST"
    AppendLe(head, kListSize, 4);
    const std::string path = dir.Write("long.wav", head);
    const int64_t dataHeader = static_cast<int64_t>(head.size()) + kListSize + 1;
    std::filesystem::resize_file(path, static_cast<uintmax_t>(dataHeader) + 8 + kDataSize);
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        std::vector<uint8_t> data;
        AppendLe(data, 0x61746164, 4);  // "data"
        AppendLe(data, kDataSize, 4);
        AppendLe(data, 0x7FFF, 2);  // the first sample
        file.seekp(dataHeader);
        file.write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
        ASSERT_TRUE(file.good());
    }
    SoundData sound;
    sound.maxSoundLength = 2;
    WaveReadError error = WaveReadError::None;
    ASSERT_TRUE(ReadWaveFile(sound, path, 0, &error)) << DescribeWaveReadError(error);
    EXPECT_EQ(sound.sampleCount, 88200);
    EXPECT_EQ(sound.samples.front(), 0x7FFF);
    EXPECT_EQ(sound.samples.back(), 0);
    EXPECT_EQ(sound.origin.frames, kDataSize / 2);
    EXPECT_EQ(sound.origin.claimedFrames, kDataSize / 2);
}

TEST(LoadedLength, MaxSoundLengthKeepsTheFirstSeconds) {
    const uint32_t rate = 1000;
    const std::vector<int16_t> frames = NumberedFrames(5 * rate, 1);
    const std::vector<uint8_t> file = EncodeWave(Pcm(16, 1, rate), frames);
    SoundData sound;
    sound.maxSoundLength = 2;
    ASSERT_TRUE(ReadBytes(sound, file).ok);
    EXPECT_EQ(sound.sampleCount, 2000);
    EXPECT_EQ(sound.samples, std::vector<int16_t>(frames.begin(), frames.begin() + 2000));
    EXPECT_EQ(sound.dataChunk.size, 4000);

    for (const int noLimit : {0, -1, 5, 300}) {
        sound.maxSoundLength = noLimit;
        ASSERT_TRUE(ReadBytes(sound, file).ok);
        EXPECT_EQ(sound.sampleCount, 5000) << noLimit;
    }
}

TEST(LoadedLength, OnlyTheKeptSecondsAreRead) {
    // 300 seconds of stereo at 100 Hz: 120000 data bytes, of which 120 seconds are kept.
    const std::vector<uint8_t> file = EncodeWave(Pcm(16, 2, 100), NumberedFrames(30000, 2));
    CountingSource source(file);
    SoundData sound;
    sound.maxSoundLength = 120;
    ASSERT_TRUE(ReadWaveData(sound, source, 0));
    EXPECT_EQ(sound.sampleCount, 12000);
    EXPECT_GE(source.bytesRead, 48000u);
    EXPECT_LT(source.bytesRead, 48000u + 100u);
}

}  // namespace
}  // namespace tonalyx
