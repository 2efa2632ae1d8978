#pragma once

// Helpers shared by the wave reader tests: a scratch folder, byte-level edits of files built
// with the wave writer, and a writer at the other end of a pipe.

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "document/WaveWriter.h"

namespace tonalyx::testing {

// Byte offsets in a plain PCM file from EncodeWave: RIFF header, "fmt " chunk, "data" chunk.
constexpr std::size_t kRiffSizeField = 4;
constexpr std::size_t kFormatBody = 20;
constexpr std::size_t kChannelsField = kFormatBody + 2;
constexpr std::size_t kSampleRateField = kFormatBody + 4;
constexpr std::size_t kBytesPerSecondField = kFormatBody + 8;
constexpr std::size_t kBlockAlignField = kFormatBody + 12;
constexpr std::size_t kBitsField = kFormatBody + 14;
constexpr std::size_t kDataSizeField = 40;
constexpr std::size_t kPcmDataStart = 44;

// A folder of its own under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        const unsigned salt = std::random_device{}();
        path_ = std::filesystem::temp_directory_path() /
                ("tonalyx-wave-" + std::to_string(salt) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Writes bytes to a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = File(name);
        if (!WriteBytesToFile(path, bytes)) throw std::runtime_error("cannot write " + path);
        return path;
    }

private:
    std::filesystem::path path_;
};

inline void PutLe(std::vector<uint8_t>& bytes, std::size_t offset, uint64_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutId(std::vector<uint8_t>& bytes, std::size_t offset, const char* id) {
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<uint8_t>(id[i]);
}

inline RiffChunk Chunk(const char* id, std::vector<uint8_t> body) {
    return {{id[0], id[1], id[2], id[3]}, std::move(body)};
}

inline std::vector<uint8_t> Riff(const std::vector<RiffChunk>& chunks) {
    return AssembleRiffWave(chunks);
}

inline WaveEncoding Pcm(int bits, int channels, uint32_t sampleRate = 8000) {
    return {WaveSampleFormat::Pcm, bits, channels, sampleRate, false};
}

inline WaveEncoding Float(int bits, int channels, uint32_t sampleRate = 8000) {
    return {WaveSampleFormat::IeeeFloat, bits, channels, sampleRate, false};
}

inline WaveEncoding Extensible(WaveEncoding encoding) {
    encoding.extensible = true;
    return encoding;
}

// Writes bytes into a pipe from a thread of its own, as a process beside the program would.
// SIGPIPE is blocked in the thread, so that a reader that stops early ends the write with an
// error instead of ending the tests.
class PipeWriter {
public:
    PipeWriter(std::function<int()> open, std::vector<uint8_t> bytes)
        : thread_([open = std::move(open), bytes = std::move(bytes)] {
              sigset_t pipeSignal;
              sigemptyset(&pipeSignal);
              sigaddset(&pipeSignal, SIGPIPE);
              pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
              const int descriptor = open();
              for (std::size_t done = 0; descriptor >= 0 && done < bytes.size();) {
                  const ssize_t wrote =
                      ::write(descriptor, bytes.data() + done, bytes.size() - done);
                  if (wrote <= 0) break;
                  done += static_cast<std::size_t>(wrote);
              }
              if (descriptor >= 0) ::close(descriptor);
          }) {}
    ~PipeWriter() { thread_.join(); }

private:
    std::thread thread_;
};

// Interleaved 16-bit frames whose every value tells its frame and channel apart.
inline std::vector<int16_t> NumberedFrames(int frames, int channels) {
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            samples.push_back(static_cast<int16_t>((c + 1) * 1000 - i * (c % 2 == 0 ? 7 : -11)));
        }
    }
    return samples;
}

// One channel of interleaved samples.
template <typename Sample>
std::vector<Sample> ChannelOf(const std::vector<Sample>& interleaved, int channels, int channel) {
    std::vector<Sample> out;
    for (std::size_t i = channel; i < interleaved.size(); i += channels)
        out.push_back(interleaved[i]);
    return out;
}

}  // namespace tonalyx::testing
