#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/LevelImage.h"
#include "analysis/SpectrogramEngine.h"
#include "analysis/SpectrogramFraming.h"
#include "analysis/ViewGeometry.h"
#include "document/SoundData.h"
#include "requests/AnalysisRequest.h"
#include "requests/CommandView.h"
#include "requests/SettingsTable.h"

namespace tonalyx::requests {

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

// Computes the analysis of the request's view and kind (with the pitch track when the request
// overlays it) on the sound in analysis.sound, read from a file or made by the caller, with the
// records' settings. note receives what the view changed (a --fit that a short sound ignores,
// a first column beyond the scroll range). The command line streams instead (StreamedView)
// and gives the same results; this path serves front ends that hold the sound.
void AnalyseLoadedSound(const AnalysisRequest& request, const RecordSet& records,
                        ViewAnalysis& analysis, const std::function<void(const std::string&)>& note,
                        const ProgressCallback& progress = {});

// The pitch track to draw over the image, or none.
std::optional<PitchOverlay> PitchToDraw(const ViewAnalysis& analysis);

}  // namespace tonalyx::requests
