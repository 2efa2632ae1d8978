#include "settings/OverlayRequest.h"

namespace tonalyx {

using requests::RequestField;

requests::AnalysisRequest OverlayRequest(const OverlaySettings& settings) {
    requests::AnalysisRequest request;
    request.autoCeiling = settings.autoCeiling;
    if (!settings.autoCeiling) request.ceiling = settings.ceilingHz;
    request.formantCount = settings.formantCount;
    request.window = settings.windowSeconds;
    request.step = settings.stepSeconds;
    request.preEmphasis = settings.preEmphasisHz;
    request.track = settings.track;
    request.minPitch = settings.minPitchHz;
    return request;
}

std::vector<std::string> FormantArguments(const OverlaySettings& settings) {
    std::vector<std::string> arguments{
        "--ceiling",     settings.autoCeiling ? "auto" : OverlayNumberText(settings.ceilingHz),
        "--count",       std::to_string(settings.formantCount),
        "--window",      OverlayNumberText(settings.windowSeconds),
        "--preemphasis", OverlayNumberText(settings.preEmphasisHz)};
    if (settings.stepSeconds) {
        arguments.insert(arguments.end(), {"--step", OverlayNumberText(*settings.stepSeconds)});
    }
    if (settings.track) arguments.emplace_back("--track");
    return arguments;
}

std::vector<std::string> IntensityArguments(const OverlaySettings& settings) {
    std::vector<std::string> arguments{"--min-pitch", OverlayNumberText(settings.minPitchHz)};
    if (settings.stepSeconds) {
        arguments.insert(arguments.end(), {"--step", OverlayNumberText(*settings.stepSeconds)});
    }
    return arguments;
}

std::string OverlayFieldName(RequestField field) {
    switch (field) {
        case RequestField::Ceiling:
            return "Ceiling [Hz]";
        case RequestField::FormantCount:
            return "Formants";
        case RequestField::Window:
            return "Window [s]";
        case RequestField::Step:
            return "Time step [s]";
        case RequestField::PreEmphasis:
            return "Pre-emphasis from [Hz]";
        case RequestField::Track:
            return "Track F1-F3";
        case RequestField::MinPitch:
            return "Min pitch [Hz]";
        default:
            return requests::CommandLineName(field);
    }
}

std::vector<std::string> CheckOverlaySettings(const OverlaySettings& settings) {
    return requests::CheckRequest(OverlayRequest(settings), OverlayFieldName);
}

}  // namespace tonalyx
