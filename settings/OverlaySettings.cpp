#include "settings/OverlaySettings.h"

#include <charconv>
#include <cmath>

#include "settings/SettingsStore.h"

namespace tonalyx {

namespace {

constexpr std::string_view kAuto = "auto";

std::string Name(std::string_view field) {
    return std::string(kOverlayGroup) + std::string(field);
}

void NoteUnreadable(std::string& unreadable, std::string_view field) {
    if (!unreadable.empty()) unreadable += ", ";
    unreadable += Name(field);
}

// A stored number: kept only when the value is present and holds a number.
void ReadNumber(const SettingsStore& store, std::string_view field, double& value,
                std::string& unreadable) {
    if (!store.ValueExists(Name(field))) return;
    const auto text = store.ReadString(Name(field));
    const auto number = text ? ParseOverlayNumber(*text) : std::nullopt;
    if (number) {
        value = *number;
    } else {
        NoteUnreadable(unreadable, field);
    }
}

void ReadFlag(const SettingsStore& store, std::string_view field, bool& value,
              std::string& unreadable) {
    if (!store.ValueExists(Name(field))) return;
    const auto number = store.ReadInteger(Name(field));
    if (number && (*number == 0 || *number == 1)) {
        value = *number == 1;
    } else {
        NoteUnreadable(unreadable, field);
    }
}

// A stored number or "auto" (an empty inner value); none when the value is missing or holds
// neither.
std::optional<std::optional<double>> ReadNumberOrAuto(const SettingsStore& store,
                                                      std::string_view field,
                                                      std::string& unreadable) {
    if (!store.ValueExists(Name(field))) return std::nullopt;
    const auto text = store.ReadString(Name(field));
    if (text && *text == kAuto) return std::optional<double>();
    if (const auto number = text ? ParseOverlayNumber(*text) : std::nullopt) return number;
    NoteUnreadable(unreadable, field);
    return std::nullopt;
}

}  // namespace

std::string OverlayNumberText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return {text, end};
}

std::optional<double> ParseOverlayNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool LoadOverlaySettings(SettingsStore& store, std::string_view keyPath, OverlaySettings& settings,
                         std::string& unreadable) {
    const OpenedKey key(store, keyPath);
    if (!key) return false;
    if (const auto ceiling = ReadNumberOrAuto(store, "Ceiling", unreadable)) {
        settings.autoCeiling = !*ceiling;
        if (*ceiling) settings.ceilingHz = **ceiling;
    }
    if (store.ValueExists(Name("Count"))) {
        const auto count = store.ReadInteger(Name("Count"));
        if (count) {
            settings.formantCount = *count;
        } else {
            NoteUnreadable(unreadable, "Count");
        }
    }
    ReadNumber(store, "Window", settings.windowSeconds, unreadable);
    if (const auto step = ReadNumberOrAuto(store, "Step", unreadable)) settings.stepSeconds = *step;
    ReadNumber(store, "PreEmphasis", settings.preEmphasisHz, unreadable);
    ReadFlag(store, "Track", settings.track, unreadable);
    ReadNumber(store, "MinPitch", settings.minPitchHz, unreadable);
    ReadFlag(store, "ShowFormants", settings.showFormants, unreadable);
    ReadFlag(store, "ShowIntensity", settings.showIntensity, unreadable);
    return true;
}

bool SaveOverlaySettings(SettingsStore& store, std::string_view keyPath,
                         const OverlaySettings& settings) {
    const OpenedKey key(store, keyPath);
    if (!key) return false;
    store.WriteString(Name("Ceiling"), settings.autoCeiling
                                           ? std::string(kAuto)
                                           : OverlayNumberText(settings.ceilingHz));
    store.WriteInteger(Name("Count"), settings.formantCount);
    store.WriteString(Name("Window"), OverlayNumberText(settings.windowSeconds));
    store.WriteString(Name("Step"), settings.stepSeconds ? OverlayNumberText(*settings.stepSeconds)
                                                         : std::string(kAuto));
    store.WriteString(Name("PreEmphasis"), OverlayNumberText(settings.preEmphasisHz));
    store.WriteInteger(Name("Track"), settings.track ? 1 : 0);
    store.WriteString(Name("MinPitch"), OverlayNumberText(settings.minPitchHz));
    return true;
}

bool SaveOverlayToggles(SettingsStore& store, std::string_view keyPath, bool showFormants,
                        bool showIntensity) {
    const OpenedKey key(store, keyPath);
    if (!key) return false;
    store.WriteInteger(Name("ShowFormants"), showFormants ? 1 : 0);
    store.WriteInteger(Name("ShowIntensity"), showIntensity ? 1 : 0);
    return true;
}

}  // namespace tonalyx
