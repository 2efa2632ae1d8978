// Every sample coding the reader converts, the writer that builds the test files, and round
// trips from one to the other.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/document_wave_test_files.h"
#include "document/WaveReader.h"

namespace tonalyx {
namespace {

using namespace tonalyx::testing;

std::vector<int16_t> ReadChannel(const std::vector<uint8_t>& file, int channel = 0) {
    SoundData sound;
    MemoryByteSource source(file);
    WaveReadError error = WaveReadError::None;
    EXPECT_TRUE(ReadWaveData(sound, source, channel, &error)) << DescribeWaveReadError(error);
    EXPECT_EQ(sound.sampleCount, static_cast<int32_t>(sound.samples.size()));
    return sound.samples;
}

// Integer codes of the given width as full-scale reals, which the writer turns back into
// exactly those codes.
std::vector<double> Codes(int bits, const std::vector<int64_t>& codes) {
    std::vector<double> reals;
    for (const int64_t code : codes)
        reals.push_back(std::ldexp(static_cast<double>(code), 1 - bits));
    return reals;
}

TEST(WaveWriter, WritesTheCanonicalPcmLayout) {
    const std::vector<int16_t> samples = {1, -2};
    const std::vector<uint8_t> expected = {
        'R',  'I',  'F', 'F', 40, 0, 0,  0, 'W', 'A', 'V',  'E',  // header
        'f',  'm',  't', ' ', 16, 0, 0,  0, 1,   0,   1,    0,
        0x40, 0x1F, 0,   0,                  // tag, mono, 8000
        0x80, 0x3E, 0,   0,   2,  0, 16, 0,  // 16000 B/s
        'd',  'a',  't', 'a', 4,  0, 0,  0, 1,   0,   0xFE, 0xFF};
    EXPECT_EQ(EncodeWave(Pcm(16, 1), samples), expected);
}

TEST(WaveWriter, WritesFloatAndExtensibleFormatChunks) {
    const std::vector<uint8_t> floatFormat = EncodeFormatChunk(Float(32, 2));
    ASSERT_EQ(floatFormat.size(), 18u);
    EXPECT_EQ(floatFormat[0], 3);
    EXPECT_EQ(floatFormat[12], 8);  // blockAlign

    const std::vector<uint8_t> extensible = EncodeFormatChunk(Extensible(Pcm(24, 3)));
    ASSERT_EQ(extensible.size(), 40u);
    const std::vector<uint8_t> pcmGuid = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                          0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    EXPECT_EQ(std::vector<uint8_t>(extensible.begin() + 24, extensible.end()), pcmGuid);
    EXPECT_EQ(extensible[0], 0xFE);
    EXPECT_EQ(extensible[1], 0xFF);
    EXPECT_EQ(extensible[12], 9);   // blockAlign
    EXPECT_EQ(extensible[16], 22);  // extension size
    EXPECT_EQ(extensible[18], 24);  // valid bits

    // Float data comes with a "fact" chunk holding the frame count.
    const std::vector<uint8_t> file = EncodeWave(Float(64, 1), std::vector<double>{0.5, 0.25, 0});
    ASSERT_GT(file.size(), 50u);
    EXPECT_EQ(std::string(file.begin() + 38, file.begin() + 42), "fact");
    EXPECT_EQ(file[46], 3);
}

TEST(WaveWriter, PadsOddChunksAndRefusesWhatItCannotWrite) {
    const std::vector<uint8_t> file = Riff({Chunk("abcd", {1, 2, 3})});
    ASSERT_EQ(file.size(), 12u + 8u + 4u);
    EXPECT_EQ(file[4], file.size() - 8);
    EXPECT_EQ(file[16], 3);  // the size field keeps the odd length
    EXPECT_EQ(file.back(), 0);

    const std::vector<double> three = {0, 0, 0};
    EXPECT_TRUE(EncodeWave(Pcm(16, 2), three).empty());  // not whole frames
    EXPECT_TRUE(EncodeWave(Pcm(12, 1), three).empty());
    EXPECT_TRUE(EncodeWave(Float(16, 1), three).empty());
    EXPECT_TRUE(EncodeWave(Pcm(16, 0), three).empty());
    EXPECT_FALSE(EncodeWave(Pcm(16, 32767), std::vector<double>(32767)).empty());
    EXPECT_TRUE(EncodeWave(Pcm(24, 32767), std::vector<double>(32767)).empty());
}

TEST(WaveWriter, RoundsAndClipsRealSamples) {
    const std::vector<double> reals = {
        -1.5, -1.0, 0.0, 0.5, 1.0, 1.5, std::numeric_limits<double>::quiet_NaN()};
    EXPECT_EQ(EncodeSampleData(Pcm(8, 1), reals),
              (std::vector<uint8_t>{0, 0, 128, 192, 255, 255, 128}));
    const std::vector<uint8_t> pcm16 = EncodeSampleData(Pcm(16, 1), std::vector<double>{1.0, -1.0});
    EXPECT_EQ(pcm16, (std::vector<uint8_t>{0xFF, 0x7F, 0x00, 0x80}));
}

TEST(WaveFormats, TwentyFourAndThirtyTwoBitKeepTheTopSixteenBits) {
    const std::vector<int64_t> codes24 = {0x7FFFFF, -0x800000, -1, 0xFF, 0x012345, -0x012345};
    EXPECT_EQ(ReadChannel(EncodeWave(Pcm(24, 1), Codes(24, codes24))),
              (std::vector<int16_t>{32767, -32768, -1, 0, 0x0123, -0x0124}));

    const std::vector<int64_t> codes32 = {0x7FFFFFFF, -0x80000000LL, -1, 0xFFFF, 0x12345678};
    EXPECT_EQ(ReadChannel(EncodeWave(Pcm(32, 1), Codes(32, codes32))),
              (std::vector<int16_t>{32767, -32768, -1, 0, 0x1234}));
}

TEST(WaveFormats, FloatIsScaledTruncatedAndClamped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> reals = {0.5,         -0.5,         1.0, -1.0, 2.0,  -3.0,
                                       1.5 / 32768, -1.5 / 32768, nan, inf,  -inf, 32767.0 / 32768};
    const std::vector<int16_t> expected = {16384, -16384, 32767, -32768, 32767,  -32768,
                                           1,     -1,     0,     32767,  -32768, 32767};
    for (const WaveEncoding& encoding :
         {Float(32, 1), Float(64, 1), Extensible(Float(32, 1)), Extensible(Float(64, 1))}) {
        EXPECT_EQ(ReadChannel(EncodeWave(encoding, reals)), expected) << encoding.bitsPerSample;
    }

    // Two values beyond full scale, two infinities and a NaN are counted; full scale itself and
    // the other channel's samples are not.
    std::vector<double> stereo;
    for (const double real : reals) {
        stereo.push_back(-1.0);
        stereo.push_back(real);
    }
    for (const int channel : {0, 1}) {
        SoundData sound;
        const std::vector<uint8_t> file = EncodeWave(Float(64, 2), stereo);
        MemoryByteSource source(file);
        ASSERT_TRUE(ReadWaveData(sound, source, channel));
        EXPECT_EQ(sound.origin.repairs.clipped, 2 * channel);
        EXPECT_EQ(sound.origin.repairs.infinite, 2 * channel);
        EXPECT_EQ(sound.origin.repairs.nan, channel);
    }
}

TEST(WaveFormats, EverySixteenBitSoundSurvivesEveryCoding) {
    // Full-scale 16-bit values pass through every coding but 8-bit PCM unchanged.
    const int channels = 3;
    std::vector<int16_t> frames = NumberedFrames(64, channels);
    frames[0] = -32768;
    frames[1] = 32767;
    const std::vector<WaveEncoding> encodings = {Pcm(16, channels),
                                                 Pcm(24, channels),
                                                 Pcm(32, channels),
                                                 Float(32, channels),
                                                 Float(64, channels),
                                                 Extensible(Pcm(16, channels)),
                                                 Extensible(Pcm(24, channels)),
                                                 Extensible(Pcm(32, channels)),
                                                 Extensible(Float(32, channels)),
                                                 Extensible(Float(64, channels))};
    for (const WaveEncoding& encoding : encodings) {
        const std::vector<uint8_t> file = EncodeWave(encoding, frames);
        for (int c = 0; c < channels; ++c) {
            EXPECT_EQ(ReadChannel(file, c), ChannelOf(frames, channels, c))
                << "bits " << encoding.bitsPerSample << " extensible " << encoding.extensible
                << " channel " << c;
        }
    }
}

TEST(WaveFormats, EightBitKeepsTheTopByte) {
    const std::vector<int16_t> samples = {-32768, -32767, -257, -256, -1, 0, 255, 256, 32767};
    std::vector<int16_t> expected;
    for (const int16_t s : samples)
        expected.push_back(static_cast<int16_t>(std::floor(s / 256.0) * 256));
    EXPECT_EQ(ReadChannel(EncodeWave(Pcm(8, 1), samples)), expected);
    EXPECT_EQ(ReadChannel(EncodeWave(Extensible(Pcm(8, 1)), samples)), expected);
}

TEST(WaveFormats, RealSamplesRoundTripThroughEveryDepth) {
    // A reference conversion done the long way: the code each depth stores, then the reader's
    // rule for that depth.
    std::vector<double> reals;
    for (int i = 0; i < 200; ++i)
        reals.push_back(std::sin(i * 0.37) * (0.2 + i / 250.0));
    for (const int bits : {8, 16, 24, 32}) {
        std::vector<int16_t> expected;
        for (const double x : reals) {
            const double code = std::round(x * std::ldexp(1.0, bits - 1));
            expected.push_back(static_cast<int16_t>(std::floor(code * std::ldexp(1.0, 16 - bits))));
        }
        EXPECT_EQ(ReadChannel(EncodeWave(Pcm(bits, 1), reals)), expected) << bits;
    }
    std::vector<int16_t> expectedFloat;
    for (const double x : reals) {
        expectedFloat.push_back(static_cast<int16_t>(std::trunc(static_cast<float>(x) * 32768.0)));
    }
    EXPECT_EQ(ReadChannel(EncodeWave(Float(32, 1), reals)), expectedFloat);
}

TEST(WaveFormats, WriteWaveFileWritesWhatEncodeWaveBuilds) {
    const TempDir dir;
    const std::vector<int16_t> frames = NumberedFrames(30, 2);
    const std::string path = dir.File("round.wav");
    ASSERT_TRUE(WriteWaveFile(path, Extensible(Pcm(24, 2, 48000)), frames));
    SoundData sound;
    ASSERT_TRUE(ReadWaveFile(sound, path, 1));
    EXPECT_EQ(sound.samples, ChannelOf(frames, 2, 1));
    EXPECT_EQ(sound.format.sampleRate, 48000u);
    EXPECT_EQ(sound.format.formatTag, kWaveFormatExtensible);
    EXPECT_FALSE(WriteWaveFile(dir.File("no/such/folder.wav"), Pcm(16, 1), frames));
}

}  // namespace
}  // namespace tonalyx
