#include "requests/MeasurementRows.h"

#include <cmath>
#include <string>
#include <vector>

namespace tonalyx::requests {

namespace {

constexpr int kTimeDecimals = 6;
constexpr int kFrequencyDigits = 6;
constexpr int kDecibelDigits = 6;

}  // namespace

FormantSettings FormantSettingsOf(const AnalysisRequest& request) {
    FormantSettings settings;
    if (request.ceiling) settings.ceilingHz = *request.ceiling;
    settings.autoCeiling = request.autoCeiling;
    if (request.formantCount) settings.count = *request.formantCount;
    if (request.window) settings.windowSeconds = *request.window;
    if (request.step) settings.stepSeconds = *request.step;
    if (request.preEmphasis) settings.preEmphasisHz = *request.preEmphasis;
    settings.track = request.track;
    return settings;
}

IntensitySettings IntensitySettingsOf(const AnalysisRequest& request) {
    IntensitySettings settings;
    if (request.minPitch) settings.minPitchHz = *request.minPitch;
    if (request.step) settings.stepSeconds = *request.step;
    return settings;
}

void WriteFormantHeader(TableWriter& table, int count) {
    std::vector<std::string> names{"time_s"};
    for (int i = 1; i <= count; ++i) {
        for (const char letter : {'f', 'b'}) {
            std::string name(1, letter);
            name.append(std::to_string(i)).append("_hz");
            names.push_back(std::move(name));
        }
    }
    table.Header(names);
}

void WriteFormantRows(TableWriter& table, MissingValues missing, const FormantBlock& block) {
    const auto count = static_cast<std::size_t>(block.count);
    for (std::size_t frame = 0; frame < block.times.size(); ++frame) {
        table.Fixed(block.times[frame], kTimeDecimals);
        for (std::size_t i = frame * count; i < (frame + 1) * count; ++i) {
            for (const double value : {block.frequencies[i], block.bandwidths[i]}) {
                if (!std::isnan(value)) {
                    table.General(value, kFrequencyDigits);
                } else if (missing == MissingValues::Window) {
                    table.Integer(0);
                } else {
                    table.Missing(missing);
                }
            }
        }
        table.EndLine();
    }
}

void WriteIntensityHeader(TableWriter& table) {
    table.Header({"time_s", "intensity_db"});
}

void WriteIntensityRows(TableWriter& table, MissingValues missing, const IntensityBlock& block) {
    for (std::size_t frame = 0; frame < block.times.size(); ++frame) {
        table.Fixed(block.times[frame], kTimeDecimals);
        if (block.decibels[frame] <= kSilenceDb && missing != MissingValues::Window) {
            table.Missing(missing);
        } else {
            table.General(block.decibels[frame], kDecibelDigits);
        }
        table.EndLine();
    }
}

}  // namespace tonalyx::requests
