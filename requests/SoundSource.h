#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/ViewGeometry.h"
#include "document/FrameSource.h"
#include "requests/CommandView.h"

namespace tonalyx::requests {

// How much of each file the commands read: the window's maxSoundLength unless the command line
// asks for more (--max-seconds) or for all of it (--whole).
struct ReadLimit {
    int maxSoundLength = 120;          // seconds, FileSettings' limit
    std::optional<double> maxSeconds;  // --max-seconds
    bool whole = false;                // --whole
};

ReadLimit ReadLimitOf(const AnalysisRequest& options, const FileSettings& file);

// The most frames the view arithmetic addresses: its sample indexes are 32-bit, with room for
// a column of the largest zoom past the end.
inline constexpr std::int64_t kMaxAddressableFrames = 2147483647 - kMaxSamplesPerPixel;

// A sound file opened for reading on demand: the reader that took it and the frames the
// commands work on, [0, frames), which are the frames a whole read (LoadSound) would load.
struct OpenedSound {
    std::unique_ptr<FrameSource> source;
    std::int64_t frames = 0;
    double sampleRate = 0;
    LoadReport report;
};

// Opens the file with the reader ReadSoundFile would choose, finds how many frames of it can
// be read within the limit (a file cut short is read as far as it decodes, as a whole read
// reads it) and fills the report. Returns why the file was refused, or none. A codec that
// cannot seek exactly is checked by a seek to its last frame, not by a decode of the whole
// file, so damage inside it that stops the decoder shows only when the commands read there.
std::optional<std::string> OpenSound(const std::string& path, int channel, const ReadLimit& limit,
                                     OpenedSound& sound);

// Frames of an opened sound, read in order of increasing position as the commands ask for
// them; only the stretch last asked for is held.
class SoundFrames {
public:
    explicit SoundFrames(OpenedSound& sound);

    // frame[k] = sample start + k as a double where 0 <= start + k < frames, else 0: the frame
    // FillFrame cuts from a loaded sound.
    void Fill(long long start, int length, double* frame);
    // Samples [first, first + out.size()) of [0, frames). Throws std::runtime_error when the
    // file no longer delivers them.
    void Read(std::int64_t first, std::span<std::int16_t> out);

private:
    OpenedSound& sound_;
    std::vector<std::int16_t> held_;  // samples [heldStart_, heldStart_ + held_.size())
    std::int64_t heldStart_ = 0;
};

}  // namespace tonalyx::requests
