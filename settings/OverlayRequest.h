#pragma once

#include <string>
#include <vector>

#include "analysis/Intensity.h"
#include "formants/Formants.h"
#include "requests/AnalysisRequest.h"
#include "requests/MeasurementRows.h"
#include "requests/RequestCheck.h"
#include "settings/OverlaySettings.h"

namespace tonalyx {

// The overlays' settings as the command line's request carries them, so that the window
// measures, checks and writes its tables through the same road as tonalyx-cli formants and
// intensity.
requests::AnalysisRequest OverlayRequest(const OverlaySettings& settings);

// The command line's arguments for the same settings: what `tonalyx-cli formants` (or
// `intensity`) needs to give the window's numbers.
std::vector<std::string> FormantArguments(const OverlaySettings& settings);
std::vector<std::string> IntensityArguments(const OverlaySettings& settings);

inline FormantSettings FormantSettingsOf(const OverlaySettings& settings) {
    return requests::FormantSettingsOf(OverlayRequest(settings));
}
inline IntensitySettings IntensitySettingsOf(const OverlaySettings& settings) {
    return requests::IntensitySettingsOf(OverlayRequest(settings));
}

// How the options page names a field in its refusals: its label.
std::string OverlayFieldName(requests::RequestField field);

// The shared check's refusals of the settings, in the page's words; empty when they may be
// used.
std::vector<std::string> CheckOverlaySettings(const OverlaySettings& settings);

}  // namespace tonalyx
