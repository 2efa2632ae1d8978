// The one entry point from a file to a sound: PCM and float waves through our own reader,
// every other format through libsndfile, recognised by content, into the same 16-bit channel.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/document_sound_test_files.h"
#include "document/LittleEndian.h"
#include "document/SoundFile.h"
#include "document/SoundFormats.h"

namespace tonalyx {
namespace {

using namespace tonalyx::testing;

constexpr double kSeconds = 0.6;
constexpr int kRate = 22050;

struct Opened {
    bool ok = false;
    SoundData sound;
    SoundReadError error;
};

Opened Open(const std::string& path, int channel, int maxSoundLength = 0) {
    Opened result;
    result.sound.maxSoundLength = maxSoundLength;
    result.ok = ReadSoundFile(result.sound, path, channel, &result.error);
    return result;
}

double Rms(const std::vector<int16_t>& samples) {
    double sum = 0;
    for (const int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

// A lossless container holds the same codes as a wave: the sound must be the same samples.
struct LosslessCase {
    const char* name;
    SoundFileLayout layout;
    const char* container;
    const char* codec;
    uint16_t formatTag;
};

class LosslessFormats : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessFormats, GiveTheSameSamplesAsTheWave) {
    const LosslessCase& c = GetParam();
    const TempDir dir;
    const bool wide = c.layout.coding == SoundCoding::Pcm24;
    std::string wave;
    std::string other;
    if (wide) {
        // Arbitrary 24-bit codes: the top 16 bits are kept alike (a floor, not a rounding).
        const std::vector<int32_t> codes = Random24BitCodes(2 * 3000, 5);
        std::vector<double> reals;
        std::vector<int32_t> shifted;
        for (const int32_t code : codes) {
            reals.push_back(std::ldexp(static_cast<double>(code), -23));
            shifted.push_back(code * 256);
        }
        wave = dir.File("reference.wav");
        ASSERT_TRUE(WriteWaveFile(wave, Pcm(24, 2, kRate), reals));
        other = WriteSound(dir, c.name, c.layout, shifted);
    } else {
        const std::vector<int16_t> frames = TwoVoices(kSeconds, kRate);
        wave = dir.File("reference.wav");
        ASSERT_TRUE(WriteWaveFile(wave, Pcm(16, 2, kRate), frames));
        other = WriteSound(dir, c.name, c.layout, frames);
    }
    for (const int channel : {0, 1, 9}) {
        const Opened expected = Open(wave, channel);
        const Opened got = Open(other, channel);
        ASSERT_TRUE(expected.ok);
        ASSERT_TRUE(got.ok) << got.error.Describe();
        EXPECT_EQ(got.sound.samples, expected.sound.samples) << c.name << " channel " << channel;
        EXPECT_EQ(got.sound.sampleCount, expected.sound.sampleCount);
        EXPECT_EQ(got.sound.channelIndex, std::min(channel, 1));
        EXPECT_EQ(got.sound.format.sampleRate, static_cast<uint32_t>(kRate));
        EXPECT_EQ(got.sound.format.channels, 1);
        EXPECT_EQ(got.sound.format.bitsPerSample, 16);
        EXPECT_EQ(got.sound.format.bytesPerSecond, 2u * kRate);
        EXPECT_EQ(got.sound.dataChunk.size, 2 * got.sound.sampleCount);
        EXPECT_EQ(got.sound.format.formatTag, c.formatTag);
    }
    const SoundFileInfo& origin = Open(other, 0).sound.origin;
    EXPECT_EQ(origin.reader, SoundReader::Sndfile);
    EXPECT_EQ(origin.container, c.container);
    EXPECT_EQ(origin.codec, c.codec);
    EXPECT_EQ(origin.channels, 2);
    EXPECT_EQ(origin.bitsPerSample, wide ? 24 : 16);
    EXPECT_EQ(origin.frames, Open(wave, 0).sound.sampleCount);
}

constexpr auto Layout(SoundContainer container, SoundCoding coding) {
    return SoundFileLayout{container, coding, 2, kRate};
}

INSTANTIATE_TEST_SUITE_P(
    Sndfile, LosslessFormats,
    ::testing::Values(LosslessCase{"a.flac", Layout(SoundContainer::Flac, SoundCoding::Pcm16),
                                   "FLAC", "FLAC 16-bit", 0xF1AC},
                      LosslessCase{"b.flac", Layout(SoundContainer::Flac, SoundCoding::Pcm24),
                                   "FLAC", "FLAC 24-bit", 0xF1AC},
                      LosslessCase{"c.aiff", Layout(SoundContainer::Aiff, SoundCoding::Pcm16),
                                   "AIFF", "PCM 16-bit", 1},
                      LosslessCase{"d.aif", Layout(SoundContainer::Aiff, SoundCoding::Pcm24),
                                   "AIFF", "PCM 24-bit", 1},
                      LosslessCase{"e.w64", Layout(SoundContainer::W64, SoundCoding::Pcm16), "W64",
                                   "PCM 16-bit", 1},
                      LosslessCase{"f.caf", Layout(SoundContainer::Caf, SoundCoding::Pcm24), "CAF",
                                   "PCM 24-bit", 1},
                      LosslessCase{"g.rf64", Layout(SoundContainer::Rf64, SoundCoding::Pcm16),
                                   "RF64", "PCM 16-bit", 1},
                      LosslessCase{"h.au", Layout(SoundContainer::Au, SoundCoding::Pcm16), "AU",
                                   "PCM 16-bit", 1},
                      LosslessCase{"i.sph", Layout(SoundContainer::Nist, SoundCoding::Pcm16),
                                   "NIST SPHERE", "PCM 16-bit", 1},
                      // Waves whose names keep our reader away are read by content all the same.
                      LosslessCase{"j.wave", Layout(SoundContainer::Wav, SoundCoding::Pcm16), "WAV",
                                   "PCM 16-bit", 1},
                      LosslessCase{"no_extension", Layout(SoundContainer::Wav, SoundCoding::Pcm24),
                                   "WAV", "PCM 24-bit", 1}));

TEST(SoundFiles, WavesNamedWavStayWithOurReader) {
    const TempDir dir;
    const std::vector<int16_t> frames = TwoVoices(0.2, 8000);
    const std::string path = dir.File("a.WAV");
    ASSERT_TRUE(WriteWaveFile(path, Extensible(Pcm(24, 2, 8000)), frames));
    const Opened got = Open(path, 1);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.sound.samples, ChannelOf(frames, 2, 1));
    EXPECT_EQ(got.sound.format.formatTag, kWaveFormatExtensible);
    const SoundFileInfo& origin = got.sound.origin;
    EXPECT_EQ(origin.reader, SoundReader::Wave);
    EXPECT_EQ(origin.container, "WAV");
    EXPECT_EQ(origin.codec, "PCM 24-bit");
    EXPECT_EQ(origin.channels, 2);
    EXPECT_EQ(origin.bitsPerSample, 24);
    EXPECT_EQ(origin.frames, static_cast<int64_t>(frames.size() / 2));
    EXPECT_EQ(SoundReaderName(origin.reader), "Tonalyx wave reader");
    EXPECT_NE(SoundReaderName(SoundReader::Sndfile).find("libsndfile"), std::string::npos);
}

TEST(SoundFiles, MaxSoundLengthCutsEveryReaderAlike) {
    const TempDir dir;
    const std::vector<int16_t> frames = TwoVoices(2.5, 8000);
    const std::string wave = dir.File("long.wav");
    ASSERT_TRUE(WriteWaveFile(wave, Pcm(16, 2, 8000), frames));
    const std::string flac =
        WriteSound(dir, "long.flac", {SoundContainer::Flac, SoundCoding::Pcm16, 2, 8000}, frames);
    for (const std::string& path : {wave, flac}) {
        const Opened cut = Open(path, 0, 1);
        ASSERT_TRUE(cut.ok);
        EXPECT_EQ(cut.sound.sampleCount, 8000);
        EXPECT_EQ(cut.sound.origin.frames, 20000) << "the file's own length is kept";
        EXPECT_EQ(Open(path, 0, 3).sound.sampleCount, 20000);
    }
}

// Lossy codecs cannot give the same samples; they must give the sound at its rate, channel
// count and length, at about its level.
TEST(SoundFiles, LossyFormatsOpenWithTheirRateChannelsAndLength) {
    const TempDir dir;
    struct Case {
        const char* name;
        SoundFileLayout layout;
        const char* container;
        const char* codec;
    };
    const Case cases[] = {
        {"a.mp3", {SoundContainer::Mpeg, SoundCoding::Mp3, 2, 44100}, "MPEG", "MP3"},
        {"b.ogg", {SoundContainer::Ogg, SoundCoding::Vorbis, 2, 44100}, "Ogg", "Vorbis"},
        {"c.opus", {SoundContainer::Ogg, SoundCoding::Opus, 2, 48000}, "Ogg", "Opus"},
        {"d.oga", {SoundContainer::Ogg, SoundCoding::Vorbis, 1, 22050}, "Ogg", "Vorbis"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int16_t> stereo = TwoVoices(1.0, c.layout.sampleRate);
        const std::vector<int16_t> frames =
            c.layout.channels == 1 ? ChannelOf(stereo, 2, 0) : stereo;
        const std::string path = WriteSound(dir, c.name, c.layout, frames);
        const Opened got = Open(path, 1);
        ASSERT_TRUE(got.ok) << got.error.Describe();
        const SoundFileInfo& origin = got.sound.origin;
        EXPECT_EQ(origin.reader, SoundReader::Sndfile);
        EXPECT_EQ(origin.container, c.container);
        EXPECT_EQ(origin.codec, c.codec);
        EXPECT_EQ(origin.channels, c.layout.channels);
        EXPECT_EQ(origin.bitsPerSample, 0);
        EXPECT_EQ(got.sound.format.sampleRate, static_cast<uint32_t>(c.layout.sampleRate));
        EXPECT_EQ(got.sound.channelIndex, c.layout.channels - 1);
        const auto length = static_cast<int32_t>(frames.size() / c.layout.channels);
        EXPECT_NEAR(got.sound.sampleCount, length, length / 50);
        const double expectedRms = Rms(ChannelOf(frames, c.layout.channels, c.layout.channels - 1));
        EXPECT_NEAR(Rms(got.sound.samples), expectedRms, 0.2 * expectedRms);
    }
}

// Writes a wave whose data are the given G.711 codes, every one once.
std::string G711Wave(const TempDir& dir, const char* name, uint16_t tag,
                     const std::vector<uint8_t>& codes) {
    std::vector<uint8_t> format;
    AppendLe(format, tag, 2);
    AppendLe(format, 1, 2);     // mono
    AppendLe(format, 8000, 4);  // Hz
    AppendLe(format, 8000, 4);  // bytes per second
    AppendLe(format, 1, 2);     // block align
    AppendLe(format, 8, 2);     // bits per sample
    AppendLe(format, 0, 2);     // no extra format bytes
    std::vector<uint8_t> fact;
    AppendLe(fact, codes.size(), 4);
    return dir.Write(name,
                     Riff({Chunk("fmt ", format), Chunk("fact", fact), Chunk("data", codes)}));
}

TEST(SoundFiles, G711WavesGiveTheStandardExpansion) {
    const TempDir dir;
    std::vector<uint8_t> codes(256);
    for (int i = 0; i < 256; ++i)
        codes[i] = static_cast<uint8_t>(i);
    std::vector<int16_t> muLaw;
    std::vector<int16_t> aLaw;
    for (const uint8_t code : codes) {
        muLaw.push_back(DecodeMuLaw(code));
        aLaw.push_back(DecodeALaw(code));
    }
    // Spot values of the tables, so that the direct decoder itself is checked.
    EXPECT_EQ(DecodeMuLaw(0x00), -32124);
    EXPECT_EQ(DecodeMuLaw(0xFF), 0);
    EXPECT_EQ(DecodeMuLaw(0x80), 32124);
    EXPECT_EQ(DecodeALaw(0xD5), 8);
    EXPECT_EQ(DecodeALaw(0x55), -8);
    EXPECT_EQ(DecodeALaw(0xAA), 32256);

    const Opened mu = Open(G711Wave(dir, "mu.wav", 0x0007, codes), 0);
    ASSERT_TRUE(mu.ok) << mu.error.Describe();
    EXPECT_EQ(mu.sound.samples, muLaw);
    EXPECT_EQ(mu.sound.origin.codec, "u-law");
    EXPECT_EQ(mu.sound.format.formatTag, 0x0007);
    EXPECT_EQ(mu.sound.origin.bitsPerSample, 8);

    const Opened a = Open(G711Wave(dir, "a.wav", 0x0006, codes), 0);
    ASSERT_TRUE(a.ok) << a.error.Describe();
    EXPECT_EQ(a.sound.samples, aLaw);
    EXPECT_EQ(a.sound.origin.codec, "A-law");
    EXPECT_EQ(a.sound.format.formatTag, 0x0006);
}

TEST(SoundFiles, CompressedWaveCodecsOpenThroughLibsndfile) {
    const TempDir dir;
    struct Case {
        const char* name;
        SoundFileLayout layout;
        const char* codec;
        uint16_t tag;
        double maxRelativeError;
    };
    const Case cases[] = {
        {"ima.wav", {SoundContainer::Wav, SoundCoding::ImaAdpcm, 2, 16000}, "IMA ADPCM", 0x11, 0.2},
        {"ms.wav", {SoundContainer::Wav, SoundCoding::MsAdpcm, 2, 16000}, "MS ADPCM", 0x02, 0.2},
        {"gsm.wav", {SoundContainer::Wav, SoundCoding::Gsm610, 1, 8000}, "GSM 6.10", 0x31, 0.5},
        {"ulaw.au", {SoundContainer::Au, SoundCoding::Ulaw, 2, 8000}, "u-law", 0x07, 0.05},
        {"alaw.aifc", {SoundContainer::Aiff, SoundCoding::Alaw, 2, 8000}, "A-law", 0x06, 0.05},
        {"float.caf",
         {SoundContainer::Caf, SoundCoding::Float32, 2, 16000},
         "float 32-bit",
         0x03,
         0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int16_t> stereo = TwoVoices(0.5, c.layout.sampleRate);
        const std::vector<int16_t> frames =
            c.layout.channels == 1 ? ChannelOf(stereo, 2, 0) : stereo;
        const std::string path = WriteSound(dir, c.name, c.layout, frames);
        const Opened got = Open(path, 0);
        ASSERT_TRUE(got.ok) << got.error.Describe();
        EXPECT_EQ(got.sound.origin.codec, c.codec);
        EXPECT_EQ(got.sound.format.formatTag, c.tag);
        const std::vector<int16_t> original = ChannelOf(frames, c.layout.channels, 0);
        // Block codecs pad the last block with silence.
        ASSERT_GE(got.sound.samples.size(), original.size());
        EXPECT_LT(got.sound.samples.size(), original.size() + 2048);
        double error = 0;
        for (std::size_t i = 0; i < original.size(); ++i) {
            const double d = static_cast<double>(got.sound.samples[i]) - original[i];
            error += d * d;
        }
        EXPECT_LE(std::sqrt(error / original.size()), c.maxRelativeError * Rms(original));
    }
    EXPECT_EQ(Open(dir.File("alaw.aifc"), 0).sound.origin.container, "AIFF-C");
}

TEST(SoundFiles, RefusalsSayWhyAndLeaveTheSoundAlone) {
    const TempDir dir;
    const std::vector<int16_t> frames = TwoVoices(0.1, 8000);
    const std::string good = dir.File("good.wav");
    ASSERT_TRUE(WriteWaveFile(good, Pcm(16, 2, 8000), frames));
    SoundData sound;
    sound.maxSoundLength = 0;
    ASSERT_TRUE(ReadSoundFile(sound, good, 0));
    const std::vector<int16_t> loaded = sound.samples;

    const auto refuse = [&](const std::string& path) {
        SoundReadError error;
        EXPECT_FALSE(ReadSoundFile(sound, path, 0, &error)) << path;
        EXPECT_EQ(sound.samples, loaded);
        EXPECT_EQ(sound.sampleCount, static_cast<int32_t>(loaded.size()));
        return error;
    };
    const SoundReadError missing = refuse(dir.File("missing.flac"));
    EXPECT_EQ(missing.Describe(), "No such file or directory");
    EXPECT_TRUE(missing.sndfile.empty());

    const SoundReadError text = refuse(dir.Write("notes.flac", {'h', 'e', 'l', 'l', 'o', '\n'}));
    EXPECT_EQ(text.wave, WaveReadError::NotWavExtension);
    EXPECT_FALSE(text.sndfile.empty());
    EXPECT_EQ(text.Describe(), text.sndfile);

    // A wave our reader knows as one keeps its own reason, with libsndfile's beside it.
    std::vector<uint8_t> noData = EncodeWave(Pcm(16, 1), NumberedFrames(10, 1));
    PutId(noData, 36, "dat ");
    const SoundReadError broken = refuse(dir.Write("broken.wav", noData));
    EXPECT_EQ(broken.wave, WaveReadError::NoData);
    EXPECT_EQ(broken.Describe().rfind("no data chunk, or an empty one (libsndfile: ", 0), 0u)
        << broken.Describe();

    const SoundReadError empty = refuse(dir.Write("empty.aiff", {}));
    EXPECT_FALSE(empty.Describe().empty());
}

// Damaged compressed files: each is refused with a reason or read as far as it decodes, and
// what is read is a consistent sound no longer than the whole.
TEST(SoundFiles, TruncatedAndCorruptedCompressedFilesNeverBreakTheRead) {
    const TempDir dir;
    const std::vector<int16_t> frames = TwoVoices(1.0, 16000);
    const std::string flac =
        WriteSound(dir, "v.flac", {SoundContainer::Flac, SoundCoding::Pcm16, 2, 16000}, frames);
    const std::string mp3 =
        WriteSound(dir, "v.mp3", {SoundContainer::Mpeg, SoundCoding::Mp3, 2, 16000}, frames);
    std::mt19937 random(3);
    for (const std::string& path : {flac, mp3}) {
        const Opened whole = Open(path, 1);
        ASSERT_TRUE(whole.ok);
        std::vector<uint8_t> bytes;
        {
            FileByteSource file(path);
            bytes.resize(static_cast<std::size_t>(file.Size()));
            ASSERT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
        }
        int readShorter = 0;
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<uint8_t> damaged = bytes;
            if (trial % 2 == 0) {
                damaged.resize(damaged.size() * trial / 40);
            } else {
                for (int e = 0; e < 1 + trial / 8; ++e)
                    damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            }
            const Opened got =
                Open(dir.Write("damaged" + path.substr(path.rfind('.')), damaged), 1);
            if (!got.ok) {
                EXPECT_FALSE(got.error.Describe().empty());
                continue;
            }
            EXPECT_EQ(got.sound.sampleCount, static_cast<int32_t>(got.sound.samples.size()));
            EXPECT_GT(got.sound.sampleCount, 0);
            EXPECT_LE(got.sound.sampleCount, got.sound.origin.frames);
            if (got.sound.sampleCount < whole.sound.sampleCount) ++readShorter;
        }
        EXPECT_GT(readShorter, 0) << path << ": cut files are read as far as they go";
    }
}

// The length a file's header claims: its own figure, or the decoder's where the decoder
// reads it from the header (FLAC, MP3).
int64_t HeaderClaim(const SoundFileInfo& origin) {
    return origin.claimedFrames >= 0 ? origin.claimedFrames : origin.frames;
}

// Every coding of every container the program opens, written whole and cut to 60 %: the whole
// file claims no frame it lacks (a block codec may decode a padded block more), the cut one is
// read as far as it goes against the same claim. Ogg claims no length; a cut Vorbis stream
// does not decode at all.
TEST(SoundFiles, EveryFormatCutShortIsReadAsFarAsItGoesAgainstItsHeaderClaim) {
    const TempDir dir;
    const std::vector<int16_t> frames = ChannelOf(TwoVoices(1.0, 8000), 2, 0);
    int checked = 0;
    for (int container = 0; container <= static_cast<int>(SoundContainer::Mpeg); ++container) {
        for (int coding = 0; coding <= static_cast<int>(SoundCoding::Mp3); ++coding) {
            const SoundFileLayout layout{static_cast<SoundContainer>(container),
                                         static_cast<SoundCoding>(coding), 1, 8000};
            if (!IsWritableLayout(layout)) continue;
            const std::string name = std::to_string(container) + "_" + std::to_string(coding);
            SCOPED_TRACE(name);
            const std::string path = dir.File(name);
            if (!WriteSoundFile(path, layout, std::span<const int16_t>(frames))) continue;
            const Opened whole = Open(path, 0);
            ASSERT_TRUE(whole.ok) << whole.error.Describe();
            EXPECT_LE(HeaderClaim(whole.sound.origin), whole.sound.sampleCount);

            std::filesystem::resize_file(path, std::filesystem::file_size(path) * 3 / 5);
            const Opened cut = Open(path, 0);
            if (layout.container == SoundContainer::Ogg) {
                EXPECT_EQ(cut.sound.origin.claimedFrames, -1);
                continue;
            }
            ASSERT_TRUE(cut.ok) << cut.error.Describe();
            EXPECT_LT(cut.sound.sampleCount, whole.sound.sampleCount * 2 / 3);
            EXPECT_GT(cut.sound.sampleCount, whole.sound.sampleCount / 3);
            EXPECT_EQ(HeaderClaim(cut.sound.origin), HeaderClaim(whole.sound.origin));
            EXPECT_GT(HeaderClaim(cut.sound.origin), cut.sound.sampleCount);
            ++checked;
        }
    }
    EXPECT_GE(checked, 20);
}

TEST(SoundFormats, ListsEveryExtensionOnceForTheDialog) {
    const std::string patterns = SoundFilePatterns();
    EXPECT_EQ(patterns.rfind("*.wav *.wave *.flac ", 0), 0u) << patterns;
    for (const char* extension :
         {"mp3", "ogg", "opus", "aiff", "aifc", "au", "caf", "w64", "rf64", "sph"}) {
        EXPECT_NE(patterns.find(std::string(" *.") + extension), std::string::npos) << extension;
    }
    EXPECT_EQ(patterns.find("*.*"), std::string::npos);
    EXPECT_NE(SoundMimeTypes().find("audio/flac;"), std::string::npos);
    EXPECT_EQ(SoundMimeTypes().back(), ';');

    EXPECT_TRUE(HasSoundFileExtension("/rec/voice.FLAC"));
    EXPECT_TRUE(HasSoundFileExtension("a.b.wave"));
    EXPECT_FALSE(HasSoundFileExtension("/rec.flac/voice"));
    EXPECT_FALSE(HasSoundFileExtension("take.1"));
    EXPECT_FALSE(HasSoundFileExtension("flac"));
}

}  // namespace
}  // namespace tonalyx
