#include "interaction/Readouts.h"

#include <cmath>
#include <cstdio>

#include "analysis/AnalysisKind.h"
#include "analysis/Intensity.h"

namespace tonalyx {

namespace {

constexpr std::size_t kReadoutDigits = 5;
constexpr std::size_t kReadoutFormants = 3;

// printf of one number, cut to its first five characters.
std::string Cut(const char* format, double value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return std::string(text).substr(0, kReadoutDigits);
}

}  // namespace

std::string TimeReadout(double seconds) {
    return Cut("%0.3f", seconds) + "sec";
}

std::string FrequencyReadout(double value, bool lag) {
    const std::string shown = Cut("%0.3f", value);
    const std::string reciprocal = value != 0 ? Cut("%0.3f", 1 / value) : "===.=";
    if (lag) return shown + "msec(" + reciprocal + "kHz)";
    return shown + "kHz(" + reciprocal + "msec)";
}

std::string LevelReadout(double value, int kind) {
    const bool percent = kind == AutoCorrelationAnalysis || kind == CepstrumAnalysis;
    const std::string number = value >= 0 ? Cut(" %0.2f", value) : Cut("%-0.2f", value);
    return number + (percent ? "%" : "dB");
}

std::string OverlayReadout(std::optional<std::span<const double>> formants,
                           std::optional<double> decibels) {
    std::string text;
    char number[64];
    if (formants) {
        for (std::size_t i = 0; i < kReadoutFormants; ++i) {
            if (i > 0) text += "/";
            const double hz = i < formants->size() ? (*formants)[i] : NAN;
            if (std::isnan(hz)) {
                text += "-";
                continue;
            }
            std::snprintf(number, sizeof number, "%.0f", hz);
            text += number;
        }
        text += "Hz";
    }
    if (decibels) {
        if (!text.empty()) text += " ";
        if (*decibels <= kSilenceDb || std::isnan(*decibels)) {
            text += "-dB";
        } else {
            std::snprintf(number, sizeof number, "%.1fdB", *decibels);
            text += number;
        }
    }
    return text;
}

}  // namespace tonalyx
