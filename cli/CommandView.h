#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ViewGeometry.h"
#include "cli/CliArguments.h"
#include "document/SoundData.h"
#include "settings/SettingsRecords.h"

namespace tonalyx::cli {

// The last part of a path, for labels and output names.
std::string FileNamePart(const std::string& path);

// What the file held and what the read took of it, for the notes and for info.
struct LoadReport {
    std::string reader = "wave";  // the reader that took the file
    WaveFormat fileFormat;        // the file's own format, before the conversion to mono 16 bits
    int channelAsked = 0;
    int channelRead = 0;
    std::int64_t claimedFrames = 0;  // the frames the data chunk's header claims
    std::int64_t framesInFile = 0;  // the frames the file holds: the claim, or fewer when cut short
    std::int64_t framesLoaded = 0;
    double sampleRate = 0;
    int maxSoundLength = 0;  // the limit in seconds the read was given
};

// Reads the sound as the window's Open does, with the channel and the length limit of the
// file settings; the one place where the command line reads a sound file. Returns why the file
// was refused, with the system's reason when it cannot be opened, or none; report (when given)
// receives what was read.
std::optional<std::string> LoadSound(const std::string& path, const FileSettings& file,
                                     SoundData& sound, LoadReport* report = nullptr);

// One line for each change the read made to the input: a sound cut to maxSoundLength, a
// channel replaced by the last one, a data chunk shorter than its header claims.
std::vector<std::string> LoadNotes(const LoadReport& report);

// The view right after the window opened a sound of sampleCount samples in a wave view
// viewWidth columns wide: the zoom reset, the sound fitted to the view (unless it has no more
// samples than the view has columns), and the opening zoom kept for when fitting is switched
// off.
ViewGeometry OpenedView(int sampleCount, int viewWidth);

// The view the options ask for, reached by the window's own steps: opened, then Fit To Window
// switched off (unless --fit), then the zoom set and the view centred on the middle of the
// sound (--samples-per-column), then the scroll bar moved (--first-column). A first column
// beyond the scroll bar's range is clamped as the scroll bar clamps it, and a --fit that the
// window ignores for a sound no longer than the view has columns is kept as the window keeps
// it; note says so.
ViewGeometry CommandLineView(int sampleCount, const ViewOptions& options, std::string& note);

}  // namespace tonalyx::cli
