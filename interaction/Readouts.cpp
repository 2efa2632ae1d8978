#include "interaction/Readouts.h"

#include <cstdio>

#include "analysis/AnalysisKind.h"

namespace tonalyx {

namespace {

constexpr std::size_t kReadoutDigits = 5;

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

}  // namespace tonalyx
