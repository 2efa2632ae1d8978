#include <algorithm>
#include <array>
#include <string_view>

#include "cli/Commands.h"
#include "requests/TableWriter.h"

namespace tonalyx::cli {

namespace {

// The fields that only the window reads: the composite image's parts, the palette and playback.
constexpr std::array<std::string_view, 11> kWindowOnly = {
    "copyWave",           "copyWaveX",        "copyWaveY",         "copySpectrogram",
    "copySpectrogramX",   "copySpectrogramY", "copyPowerSpectrum", "copyPowerSpectrumX",
    "copyPowerSpectrumY", "blueToRed",        "disableAudio"};

// Whether the field changes what the command line computes.
std::string_view CommandLineUse(std::string_view name) {
    if (std::find(kWindowOnly.begin(), kWindowOnly.end(), name) != kWindowOnly.end()) {
        return "no effect";
    }
    if (name == "channelIndex") return "used; --channel overrides it";
    return "used";
}

}  // namespace

void ListSettings(const RecordSet& records, std::ostream& out) {
    TableWriter table(out, TableFormat::Tsv, {});
    table.Header({"name", "record", "values", "value", "meaning", "command_line"});
    for (const SettingField& field : SettingFields()) {
        table.Text(field.name)
            .Text(field.record)
            .Text(DescribeValues(field))
            .Text(FormatSetting(field, records))
            .Text(field.unit)
            .Text(CommandLineUse(field.name))
            .EndLine();
    }
}

}  // namespace tonalyx::cli
