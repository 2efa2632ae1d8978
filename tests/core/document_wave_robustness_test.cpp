// Thousands of damaged wave files: every read must either refuse the file and leave the sound
// as it was, or give a consistent mono 16-bit sound. Run under AddressSanitizer this also shows
// that no header value makes the reader touch memory outside its buffers.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/document_wave_test_files.h"
#include "document/WaveReader.h"

namespace tonalyx {
namespace {

using namespace tonalyx::testing;

std::vector<std::vector<uint8_t>> ValidFiles() {
    std::vector<RiffChunk> withList = {
        Chunk("LIST", {'I', 'N', 'F', 'O', 'I', 'N', 'A'}),
        Chunk("fmt ", EncodeFormatChunk(Pcm(32, 2))),
        Chunk("data", EncodeSampleData(Pcm(32, 2), NumberedFrames(40, 2)))};
    return {EncodeWave(Pcm(16, 2), NumberedFrames(48, 2)),
            EncodeWave(Pcm(8, 1), NumberedFrames(60, 1)),
            EncodeWave(Extensible(Pcm(24, 3)), NumberedFrames(30, 3)),
            EncodeWave(Float(32, 2), NumberedFrames(40, 2)),
            EncodeWave(Extensible(Float(64, 1)), NumberedFrames(25, 1)),
            Riff(withList)};
}

// Damages a copy of file: flipped bits, header fields set to extreme values, a cut tail.
std::vector<uint8_t> Damaged(const std::vector<uint8_t>& file, std::mt19937& random) {
    static const uint32_t kExtremes[] = {
        0, 1, 2, 3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF8, 0xFFFE, 0x8000, 0xFFFF};
    std::vector<uint8_t> bytes = file;
    auto pick = [&](std::size_t limit) {
        return std::uniform_int_distribution<std::size_t>(0, limit - 1)(random);
    };
    const std::size_t edits = 1 + pick(6);
    for (std::size_t e = 0; e < edits; ++e) {
        // Most damage goes to the headers, which is where the reader makes its decisions.
        const std::size_t span =
            pick(4) == 0 ? bytes.size() : std::min<std::size_t>(bytes.size(), 80);
        const std::size_t at = pick(span);
        switch (pick(3)) {
            case 0:
                bytes[at] ^= static_cast<uint8_t>(1u << pick(8));
                break;
            case 1: {
                const uint32_t value = pick(3) == 0 ? static_cast<uint32_t>(random())
                                                    : kExtremes[pick(std::size(kExtremes))];
                const int width = pick(2) == 0 ? 2 : 4;
                for (int i = 0; i < width && at + i < bytes.size(); ++i) {
                    bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
                }
                break;
            }
            default:
                bytes[at] = static_cast<uint8_t>(random());
                break;
        }
    }
    if (pick(4) == 0) bytes.resize(pick(bytes.size() + 1));
    return bytes;
}

class DamagedFiles : public ::testing::Test {
protected:
    // Reads bytes from memory, checks the outcome, and every so often checks that the same
    // bytes read from a file give the same outcome.
    void ReadAndCheck(const std::vector<uint8_t>& bytes, int channel, int maxSeconds) {
        const std::vector<int16_t> samplesBefore = sound.samples;
        const int32_t countBefore = sound.sampleCount;
        sound.maxSoundLength = maxSeconds;
        MemoryByteSource source(bytes);
        WaveReadError error = WaveReadError::None;
        const bool ok = ReadWaveData(sound, source, channel, &error);
        if (ok) {
            ++accepted;
            ASSERT_EQ(error, WaveReadError::None);
            ASSERT_GT(sound.sampleCount, 0);
            ASSERT_EQ(sound.sampleCount, static_cast<int32_t>(sound.samples.size()));
            ASSERT_EQ(sound.format.channels, 1);
            ASSERT_EQ(sound.format.bitsPerSample, 16);
            ASSERT_EQ(sound.format.blockAlign, 2);
            ASSERT_EQ(sound.format.bytesPerSecond, 2 * sound.format.sampleRate);
            ASSERT_EQ(sound.dataChunk.size, 2 * sound.sampleCount);
            ASSERT_GE(sound.channelIndex, 0);
            if (maxSeconds >= 1) {
                ASSERT_LE(sound.sampleCount, int64_t{maxSeconds} * sound.format.sampleRate);
            }
        } else {
            ++refused;
            ASSERT_NE(error, WaveReadError::None);
            ASSERT_EQ(sound.samples, samplesBefore);
            ASSERT_EQ(sound.sampleCount, countBefore);
        }
        if (++reads % 16 == 0) {
            SoundData fromFile;
            fromFile.maxSoundLength = maxSeconds;
            WaveReadError fileError = WaveReadError::None;
            const bool fileOk =
                ReadWaveFile(fromFile, dir.Write("damaged.wav", bytes), channel, &fileError);
            ASSERT_EQ(fileOk, ok);
            ASSERT_EQ(fileError, error);
            if (ok) {
                ASSERT_EQ(fromFile.samples, sound.samples);
            }
        }
    }

    TempDir dir;
    SoundData sound;
    int reads = 0;
    int accepted = 0;
    int refused = 0;
};

TEST_F(DamagedFiles, EveryTruncationIsRefusedOrConsistent) {
    for (const std::vector<uint8_t>& file : ValidFiles()) {
        for (std::size_t length = 0; length <= file.size(); ++length) {
            const std::vector<uint8_t> cut(file.begin(), file.begin() + length);
            ASSERT_NO_FATAL_FAILURE(ReadAndCheck(cut, static_cast<int>(length % 4), 120))
                << "length " << length;
        }
    }
    EXPECT_GT(accepted, 500);
    EXPECT_GT(refused, 200);
}

TEST_F(DamagedFiles, DamagedHeadersAndDataAreRefusedOrConsistent) {
    const std::vector<std::vector<uint8_t>> files = ValidFiles();
    for (std::size_t f = 0; f < files.size(); ++f) {
        std::mt19937 random(1234 + static_cast<unsigned>(f));
        for (int round = 0; round < 1500; ++round) {
            const std::vector<uint8_t> bytes = Damaged(files[f], random);
            const int channel = static_cast<int>(random() % 8) - 2;
            const int maxSeconds = static_cast<int>(random() % 3) - 1;
            ASSERT_NO_FATAL_FAILURE(ReadAndCheck(bytes, channel, maxSeconds))
                << "file " << f << " round " << round;
        }
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace tonalyx
