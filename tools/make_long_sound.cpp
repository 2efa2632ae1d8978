// Writes a long synthetic recording for the benchmarks of long sounds: SECONDS of 16-bit PCM at
// RATE Hz with CHANNELS channels, made of 10 s stretches of speech-like sound, each with its own
// voiced stretches (glottal pulses through formants, F0 gliding between 90 and 260 Hz, a little
// jitter and noise) and pauses; every further channel holds the first at a lower level. The file
// is written block by block, so that an hour never sits in memory, into a temporary file that
// is renamed when complete. The output is the same on every run.
//
// Usage: make_long_sound SECONDS RATE CHANNELS OUT.wav

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/WaveWriter.h"
#include "tools/SyntheticVoice.h"

namespace {

using namespace tonalyx;

constexpr int kStretchSeconds = 10;

void PutLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutId(std::vector<uint8_t>& bytes, const char* id) {
    bytes.insert(bytes.end(), id, id + 4);
}

// The stretch of the sound that starts at seconds, its voiced parts varied with its number.
std::vector<double> Stretch(int number, int rate) {
    VoiceRecipe recipe;
    recipe.sampleRate = rate;
    recipe.duration = kStretchSeconds;
    recipe.source = VoiceSource::Pulses;
    recipe.jitter = 0.01;
    recipe.snrDb = 35;
    recipe.seed = static_cast<unsigned>(number + 1);
    const double low = 90 + 13 * (number % 7);
    recipe.voiced = {{0.4, 2.9, low, 1.8 * low, 0.02, 5},
                     {3.5, 6.0, 1.7 * low, 1.1 * low, 0, 0},
                     {6.6, 9.5, 1.2 * low, 1.5 * low, 0.03, 6}};
    return SynthesizeVoice(recipe);
}

bool WriteAll(std::FILE* file, const std::vector<uint8_t>& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_long_sound SECONDS RATE CHANNELS OUT.wav\n");
        return 2;
    }
    const long seconds = std::strtol(argv[1], nullptr, 10);
    const int rate = static_cast<int>(std::strtol(argv[2], nullptr, 10));
    const int channels = static_cast<int>(std::strtol(argv[3], nullptr, 10));
    const std::string path = argv[4];
    const long long frames = static_cast<long long>(seconds) * rate;
    const long long dataBytes = frames * channels * 2;
    if (seconds < 1 || rate < 1000 || channels < 1 || channels > 8 || dataBytes > 0xFFFFFF00LL) {
        std::fprintf(stderr,
                     "make_long_sound: the sound must be 1 s or more, at 1000 Hz or more, "
                     "of 1 to 8 channels and under 4 GiB\n");
        return 2;
    }

    WaveEncoding encoding;
    encoding.sampleRate = static_cast<uint32_t>(rate);
    encoding.channels = channels;
    const std::vector<uint8_t> format = EncodeFormatChunk(encoding);
    std::vector<uint8_t> header;
    PutId(header, "RIFF");
    PutLe32(header, static_cast<uint32_t>(4 + 8 + format.size() + 8 + dataBytes));
    PutId(header, "WAVE");
    PutId(header, "fmt ");
    PutLe32(header, static_cast<uint32_t>(format.size()));
    header.insert(header.end(), format.begin(), format.end());
    PutId(header, "data");
    PutLe32(header, static_cast<uint32_t>(dataBytes));

    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool written = file != nullptr && WriteAll(file, header);
    std::vector<int16_t> interleaved;
    for (long long done = 0, number = 0; written && done < frames; ++number) {
        const std::vector<double> stretch = Stretch(static_cast<int>(number), rate);
        const long long count = std::min<long long>(frames - done, stretch.size());
        interleaved.resize(static_cast<std::size_t>(count * channels));
        for (long long i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c) {
                interleaved[static_cast<std::size_t>(i * channels + c)] =
                    static_cast<int16_t>(stretch[static_cast<std::size_t>(i)] / (1 + c));
            }
        }
        written = WriteAll(file, EncodeSampleData(encoding, interleaved));
        done += count;
    }
    const int error = errno;
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "make_long_sound: cannot write '%s': %s\n", path.c_str(),
                     std::strerror(written ? errno : error));
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
