#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/LevelImage.h"
#include "analysis/SpectrogramEngine.h"
#include "analysis/ViewGeometry.h"
#include "cli/Commands.h"
#include "document/SoundData.h"

namespace tonalyx::cli {

// One sound analysed in one view as the window's Calculate command analyses it: the columns
// of the kind computed for the view, and the pitch track of the whole sound when the image
// shows it (the pitch kind, or the overlay).
struct ViewAnalysis {
    SoundData sound;
    LoadReport load;
    ViewGeometry geometry;
    SpectrogramEngine engine;
    std::vector<double> pitchTrack;
    int pitchHop = 1;
    bool showPitch = false;
};

// Loads the whole sound (LoadSound) and computes the analysis of context's view and kind;
// returns why the file failed, or none. The notes on the read and on the view go to context's
// messages. The commands stream instead (StreamedView.h) and give the same results; this
// loaded path serves callers of the library that hold the sound.
std::optional<std::string> AnalyseView(const std::string& path, int kind, bool withPitch,
                                       CommandContext& context, ViewAnalysis& analysis);

// AnalyseView for a sound already in analysis.sound (read from a file, or made by a caller of
// the library); path names it in notes and progress labels.
void AnalyseLoadedSound(const std::string& path, int kind, bool withPitch, CommandContext& context,
                        ViewAnalysis& analysis);

// The file of the levels command from the top-left columns x rows of the level image: PNG of
// grey 255 - level or PGM of the levels, as the options choose.
std::vector<std::uint8_t> LevelsImageBytes(const LevelImage& levels, int columns, int rows,
                                           const CliOptions& options);

// The pitch track to draw over the image, or none.
std::optional<PitchOverlay> PitchToDraw(const ViewAnalysis& analysis);

}  // namespace tonalyx::cli
