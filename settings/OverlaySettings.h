#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tonalyx {

class SettingsStore;

// The formant and intensity overlays' settings and the two View toggles. They are stored in a
// group of their own under the program's key, apart from the options snapshot, so that the
// snapshot keeps its layout; nothing is written until the user registers the page's values as
// defaults or turns an overlay on or off. Units: Hz and seconds.
struct OverlaySettings {
    bool autoCeiling = false;  // the ceiling is chosen per sound by the smoothest F1-F3
    double ceilingHz = 5500;
    int formantCount = 5;
    double windowSeconds = 0.025;
    std::optional<double> stepSeconds;  // none: a quarter of the window
    double preEmphasisHz = 50;
    bool track = false;  // F1-F3 joined into continuous tracks
    double minPitchHz = 100;
    bool showFormants = false;
    bool showIntensity = false;

    bool operator==(const OverlaySettings&) const = default;
};

// The prefix of the group's value names ("Overlays/Ceiling", ...).
inline constexpr std::string_view kOverlayGroup = "Overlays/";

// Reads what the group holds into settings over its current values; a missing value keeps its
// field. The names of values that could not be read (and so kept their field) are returned,
// separated by ", "; empty when everything present was read. False when the key cannot be
// opened.
bool LoadOverlaySettings(SettingsStore& store, std::string_view keyPath, OverlaySettings& settings,
                         std::string& unreadable);

// Writes the measurement fields (not the toggles) to the group.
bool SaveOverlaySettings(SettingsStore& store, std::string_view keyPath,
                         const OverlaySettings& settings);

// Writes the two View toggles to the group.
bool SaveOverlayToggles(SettingsStore& store, std::string_view keyPath, bool showFormants,
                        bool showIntensity);

// A number as the group stores it: the shortest text that reads back as the same double.
std::string OverlayNumberText(double value);
// The number a text holds, whole; none for anything else (blank, trailing letters, NaN).
std::optional<double> ParseOverlayNumber(std::string_view text);

}  // namespace tonalyx
