// make_sound_seeds FOLDER: writes the seed files of the sound-file fuzzer into FOLDER: a short
// synthetic voice in every format libsndfile reads for the program, and FLAC and MP3 files cut
// short, whose decoders must stop cleanly.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "document/ByteSource.h"
#include "document/SoundFileWriter.h"
#include "document/WaveWriter.h"
#include "tools/SyntheticVoice.h"

namespace {

using namespace tonalyx;

struct Seed {
    const char* name;
    SoundFileLayout layout;
};

std::vector<int16_t> Voice(int sampleRate, int channels, double seconds) {
    VoiceRecipe recipe;
    recipe.sampleRate = sampleRate;
    recipe.duration = seconds;
    recipe.voiced = {{0, seconds, 120, 160, 0, 0}};
    recipe.peak = 10000;
    std::vector<int16_t> frames;
    for (const double x : SynthesizeVoice(recipe)) {
        for (int c = 0; c < channels; ++c)
            frames.push_back(static_cast<int16_t>(c == 0 ? x : -x / 2));
    }
    return frames;
}

// Keeps the first part of a file, as an interrupted copy leaves it.
bool Truncate(const std::string& from, const std::string& to, double share) {
    FileByteSource file(from);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(file.Size() * share));
    return file.Read(bytes.data(), bytes.size()) == bytes.size() && WriteBytesToFile(to, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sound_seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const Seed seeds[] = {
        {"voice.flac", {SoundContainer::Flac, SoundCoding::Pcm16, 2, 8000}},
        {"voice24.flac", {SoundContainer::Flac, SoundCoding::Pcm24, 1, 8000}},
        {"voice.mp3", {SoundContainer::Mpeg, SoundCoding::Mp3, 1, 8000}},
        {"voice.ogg", {SoundContainer::Ogg, SoundCoding::Vorbis, 1, 8000}},
        {"voice.opus", {SoundContainer::Ogg, SoundCoding::Opus, 1, 8000}},
        {"voice.aiff", {SoundContainer::Aiff, SoundCoding::Pcm16, 2, 8000}},
        {"voice.aifc", {SoundContainer::Aiff, SoundCoding::Ulaw, 1, 8000}},
        {"voice.au", {SoundContainer::Au, SoundCoding::Alaw, 1, 8000}},
        {"voice.caf", {SoundContainer::Caf, SoundCoding::Float32, 1, 8000}},
        {"voice.w64", {SoundContainer::W64, SoundCoding::Pcm24, 2, 8000}},
        {"voice.rf64", {SoundContainer::Rf64, SoundCoding::Pcm16, 1, 8000}},
        {"voice.sph", {SoundContainer::Nist, SoundCoding::Pcm16, 1, 8000}},
        {"ima.wav", {SoundContainer::Wav, SoundCoding::ImaAdpcm, 1, 8000}},
        {"msadpcm.wav", {SoundContainer::Wav, SoundCoding::MsAdpcm, 2, 8000}},
        {"gsm.wav", {SoundContainer::Wav, SoundCoding::Gsm610, 1, 8000}},
    };
    int status = 0;
    for (const Seed& seed : seeds) {
        const std::string path = (folder / seed.name).string();
        std::string error;
        if (!WriteSoundFile(path, seed.layout, Voice(8000, seed.layout.channels, 0.12), &error)) {
            std::fprintf(stderr, "%s: %s\n", seed.name, error.c_str());
            status = 1;
        }
    }
    for (const char* name : {"voice.flac", "voice.mp3"}) {
        const std::string from = (folder / name).string();
        if (!Truncate(from, (folder / ("cut-" + std::string(name))).string(), 0.6)) {
            std::fprintf(stderr, "cannot cut %s\n", name);
            status = 1;
        }
    }
    return status;
}
