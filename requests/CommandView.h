#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/ViewGeometry.h"
#include "document/SoundData.h"
#include "document/SoundFile.h"
#include "document/SoundFileInfo.h"
#include "requests/AnalysisRequest.h"
#include "settings/SettingsRecords.h"

namespace tonalyx::requests {

// The last part of a path, for labels and output names.
std::string FileNamePart(const std::string& path);

// What the file held and what the read took of it, for the notes and for info.
struct LoadReport {
    SoundFileInfo origin;  // the file as the reader that took it describes it
    std::string reader;    // "wave", the program's own reader, or "libsndfile"
    int channelAsked = 0;
    int channelRead = 0;
    std::int64_t claimedFrames = 0;  // the frames the file's header claims
    std::int64_t framesInFile = 0;   // the frames that can be read: the claim, or fewer when cut
    std::int64_t framesLoaded = 0;   // the frames read: framesInFile, or fewer when limited
    double sampleRate = 0;
    std::string limit;  // what limited the read: "maxSoundLength 120 s", "--max-seconds 60"
    bool limitedByAddressing = false;  // cut to the most samples the view arithmetic addresses
};

// Whether the report's file keeps its samples in a chunk called "data" (the WAV family and
// CAF); other headers state a frame count.
bool HasDataChunk(const LoadReport& report);

// Reads the sound with ReadSoundFile, as the window's Open does, with the channel and the
// length limit of the file settings: every format the program reads, recognised by its
// content. Returns why the file was refused (the system's reason when it cannot be opened,
// else the wave reader's or libsndfile's), or none; report (when given) receives what was read.
std::optional<std::string> LoadSound(const std::string& path, const FileSettings& file,
                                     SoundData& sound, LoadReport* report = nullptr);

// "cannot open: " and why the input cannot be read or neither reader takes the file (path is
// the file's name as given; the reason comes whole with the error).
std::string RefusalText(const std::string& path, const SoundReadError& error);

// The report of a read from the file at path that took framesRead frames of origin's
// channelRead, where framesWanted were asked for (the limit). The claim is the header's own
// (origin.claimedFrames), never less than what decodes.
void FillLoadReport(const std::string& path, const SoundFileInfo& origin, int channelAsked,
                    int channelRead, std::int64_t framesWanted, std::int64_t framesRead,
                    LoadReport& report);

// One line for each change the read made to the input: a channel replaced by the last one, a
// data size left unset, a file shorter than its header claims, a stream or a sound cut to its
// length limit, samples clipped or replaced by the conversion (as far as they were read).
std::vector<std::string> LoadNotes(const LoadReport& report);

// What the conversion to 16 bits changed, in one line: "12 samples beyond full scale were
// clipped; 3 NaN samples were read as 0". None when it changed nothing.
std::optional<std::string> RepairNote(const SampleRepairs& repairs);

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

}  // namespace tonalyx::requests
