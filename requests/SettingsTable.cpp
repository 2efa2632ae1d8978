#include "requests/SettingsTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <type_traits>
#include <vector>

#include "requests/Suggestions.h"
#include "settings/OptionControls.h"

namespace tonalyx::requests {

namespace {

template <auto Record, auto Member>
auto* Locate(RecordSet& records) {
    return &(records.*Record.*Member);
}

// The options dialog's limits, as the records hold the values (fractions, seconds).
constexpr FieldValues Range(double min, double max) {
    return {min, max, {}};
}
constexpr FieldValues Flag() {
    return {};
}
constexpr FieldValues AnyNumber() {
    return {};
}
constexpr FieldValues UpDown(UpDownRange range) {
    return Range(range.min, range.max);
}
constexpr FieldValues ItemIndex(std::size_t items) {
    return Range(0, static_cast<double>(items) - 1);
}

// The rates of the MEM page's resampling items: none, automatic, then 8 to 16 kHz.
constexpr std::array<double, kResamplingTable.size()> kResampleRates = [] {
    std::array<double, kResamplingTable.size()> rates{};
    for (std::size_t i = 0; i < rates.size(); ++i)
        rates[i] = kResamplingTable[i].rate;
    return rates;
}();

constexpr FieldValues kSizeExponents = Range(kMinSizeExponent, kMaxSizeExponent);
// The cepstrum page offers 8192 down to 512 samples.
constexpr FieldValues kCepSizeExponents = Range(9, kMaxSizeExponent);
constexpr FieldValues kWindows = ItemIndex(kWindowItems.size());
constexpr FieldValues kFraction = Range(0, 1);
// "#1(Left)" .. "#3 or more" with its up-down at 3 .. 64.
constexpr FieldValues kChannels = Range(0, kLChannelIDGRange.max - 1);

using R = RecordSet;
using A = AnalysisSettings;
using D = DisplaySettings;
using I = ImageCopySettings;
using F = FileSettings;
constexpr std::string_view kAnalysis = "AnalysisSettings";
constexpr std::string_view kDisplay = "DisplaySettings";
constexpr std::string_view kImageCopy = "ImageCopySettings";
constexpr std::string_view kFile = "FileSettings";

const std::array kFields = {
    SettingField{"fftWindow", kAnalysis, Locate<&R::analysis, &A::fftWindow>, kWindows,
                 "window: 0 Box, 1 Hanning, 2 Hamming, 3 Blackman, 4 Parzen, 5 Welch"},
    SettingField{"fftSizeLog2", kAnalysis, Locate<&R::analysis, &A::fftSizeLog2>, kSizeExponents,
                 "frame length 2^n samples"},
    SettingField{"acSizeLog2", kAnalysis, Locate<&R::analysis, &A::acSizeLog2>, kSizeExponents,
                 "frame length 2^n samples"},
    SettingField{"acType", kAnalysis, Locate<&R::analysis, &A::acType>,
                 ItemIndex(kCorTypeItems.size()),
                 "0 no extra data, 1 zero extra data, 2 circular data"},
    SettingField{"cepWindow", kAnalysis, Locate<&R::analysis, &A::cepWindow>, kWindows,
                 "window code"},
    SettingField{"cepSizeLog2", kAnalysis, Locate<&R::analysis, &A::cepSizeLog2>, kCepSizeExponents,
                 "frame length 2^n samples"},
    SettingField{"lifWindow", kAnalysis, Locate<&R::analysis, &A::lifWindow>, kWindows,
                 "window code"},
    SettingField{"lifSizeLog2", kAnalysis, Locate<&R::analysis, &A::lifSizeLog2>, kSizeExponents,
                 "frame length 2^n samples"},
    SettingField{"pitchChannelsPerOctave", kAnalysis,
                 Locate<&R::analysis, &A::pitchChannelsPerOctave>, UpDown(kLPOctaveNumRange),
                 "filter channels per octave"},
    SettingField{
        "lifSd", kAnalysis, Locate<&R::analysis, &A::lifSd>,
        Range(MillisecondsToSeconds(kLLifSdRange.min), MillisecondsToSeconds(kLLifSdRange.max)),
        "seconds"},
    SettingField{"memResampleRate", kAnalysis, Locate<&R::analysis, &A::memResampleRate>,
                 FieldValues{std::nullopt, std::nullopt, kResampleRates},
                 "Hz; 0 none, -1 automatic (8-16 kHz)"},
    SettingField{"pitchMinFreq", kAnalysis, Locate<&R::analysis, &A::pitchMinFreq>,
                 UpDown(kLPMinFreqRange), "Hz"},
    SettingField{"pitchMaxFreq", kAnalysis, Locate<&R::analysis, &A::pitchMaxFreq>,
                 UpDown(kLPMaxFreqRange), "Hz"},
    SettingField{"pitchSnThreshold", kAnalysis, Locate<&R::analysis, &A::pitchSnThreshold>,
                 UpDown(kLPSNThresholdRange), "dB"},
    SettingField{"memSize", kAnalysis, Locate<&R::analysis, &A::memSize>, UpDown(kLMemSizeNRange),
                 "samples before resampling"},
    SettingField{"memPoles", kAnalysis, Locate<&R::analysis, &A::memPoles>, UpDown(kLPoleNumRange),
                 "poles"},
    SettingField{"acCoefficient", kAnalysis, Locate<&R::analysis, &A::acCoefficient>, Flag(),
                 "normalise to lag 0"},

    SettingField{"maxFreq", kDisplay, Locate<&R::display, &D::maxFreq>, AnyNumber(),
                 "Hz, top of the frequency axis"},
    SettingField{"minFreq", kDisplay, Locate<&R::display, &D::minFreq>, AnyNumber(),
                 "Hz, bottom of the frequency axis"},
    SettingField{"minTime", kDisplay, Locate<&R::display, &D::minTime>, AnyNumber(),
                 "seconds, bottom of the lag axis"},
    SettingField{"maxTime", kDisplay, Locate<&R::display, &D::maxTime>, AnyNumber(),
                 "seconds, top of the lag axis"},
    SettingField{"maxDb", kDisplay, Locate<&R::display, &D::maxDb>, UpDown(kLMaxVolRange),
                 "dB drawn black"},
    SettingField{"minDb", kDisplay, Locate<&R::display, &D::minDb>, UpDown(kLMinVolRange),
                 "dB drawn white"},
    SettingField{"maxPercent", kDisplay, Locate<&R::display, &D::maxPercent>, kFraction,
                 "fraction drawn black (AC, cepstrum)"},
    SettingField{"minPercent", kDisplay, Locate<&R::display, &D::minPercent>, kFraction,
                 "fraction drawn white (AC, cepstrum)"},
    SettingField{"smoothingWidth", kDisplay, Locate<&R::display, &D::smoothingWidth>,
                 UpDown(kLSmoothingRange), "bins"},
    SettingField{"imageHeight", kDisplay, Locate<&R::display, &D::imageHeight>,
                 UpDown(kLHeightRange), "pixels"},
    SettingField{"logScale", kDisplay, Locate<&R::display, &D::logScale>, Flag(),
                 "logarithmic frequency axis"},
    SettingField{"smoothing", kDisplay, Locate<&R::display, &D::smoothing>, Flag(),
                 "smooth each column over smoothingWidth bins (triangular)"},
    SettingField{"interpolate", kDisplay, Locate<&R::display, &D::interpolate>, Flag(),
                 "rows between bins interpolated linearly, else the nearest bin"},
    SettingField{"blueToRed", kDisplay, Locate<&R::display, &D::blueToRed>, Flag(),
                 "window palette only; images are grey"},
    SettingField{"showAsFrequency", kDisplay, Locate<&R::display, &D::showAsFrequency>, Flag(),
                 "AC and cepstrum rows on the frequency axis"},

    SettingField{"copyWave", kImageCopy, Locate<&R::imageCopy, &I::copyWave>, Flag(),
                 "composite image: the wave form"},
    SettingField{"copyWaveX", kImageCopy, Locate<&R::imageCopy, &I::copyWaveX>, Flag(),
                 "composite image: the wave form's time axis"},
    SettingField{"copyWaveY", kImageCopy, Locate<&R::imageCopy, &I::copyWaveY>, Flag(),
                 "composite image: the wave form's amplitude axis"},
    SettingField{"copySpectrogram", kImageCopy, Locate<&R::imageCopy, &I::copySpectrogram>, Flag(),
                 "composite image: the spectrogram"},
    SettingField{"copySpectrogramX", kImageCopy, Locate<&R::imageCopy, &I::copySpectrogramX>,
                 Flag(), "composite image: the spectrogram's time axis"},
    SettingField{"copySpectrogramY", kImageCopy, Locate<&R::imageCopy, &I::copySpectrogramY>,
                 Flag(), "composite image: the spectrogram's frequency axis"},
    SettingField{"copyPowerSpectrum", kImageCopy, Locate<&R::imageCopy, &I::copyPowerSpectrum>,
                 Flag(), "composite image: the power spectrum"},
    SettingField{"copyPowerSpectrumX", kImageCopy, Locate<&R::imageCopy, &I::copyPowerSpectrumX>,
                 Flag(), "composite image: the power spectrum's frequency axis"},
    SettingField{"copyPowerSpectrumY", kImageCopy, Locate<&R::imageCopy, &I::copyPowerSpectrumY>,
                 Flag(), "composite image: the power spectrum's level axis"},

    SettingField{"channelIndex", kFile, Locate<&R::file, &F::channelIndex>, kChannels,
                 "zero-based channel read from the file"},
    SettingField{"maxSoundLength", kFile, Locate<&R::file, &F::maxSoundLength>,
                 UpDown(kLMaxSoundLengthRange), "seconds loaded at most"},
    SettingField{"disableAudio", kFile, Locate<&R::file, &F::disableAudio>, Flag(),
                 "the window plays no sound"},
};

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

std::string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::optional<std::string> CheckNumber(const SettingField& field, double value,
                                       std::string_view text) {
    const FieldValues& values = field.values;
    if (!values.choices.empty()) {
        if (std::find(values.choices.begin(), values.choices.end(), value) !=
            values.choices.end()) {
            return std::nullopt;
        }
    } else if ((!values.min || value >= *values.min) && (!values.max || value <= *values.max)) {
        return std::nullopt;
    }
    return std::string(field.name) + " must be " + DescribeValues(field) + ", not '" +
           std::string(text) + "'";
}

std::optional<std::string> SetInt(const SettingField& field, int& target, std::string_view text) {
    const std::string value = Trimmed(text);
    const char* first = value.data();
    const char* last = value.data() + value.size();
    if (first != last && *first == '+') ++first;
    int parsed = 0;
    const auto result = std::from_chars(first, last, parsed);
    if (value.empty() || result.ec != std::errc() || result.ptr != last) {
        return std::string(field.name) + " must be a whole number, not '" + std::string(text) + "'";
    }
    if (auto error = CheckNumber(field, parsed, text)) return error;
    target = parsed;
    return std::nullopt;
}

std::optional<std::string> SetDouble(const SettingField& field, double& target,
                                     std::string_view text) {
    const std::optional<double> parsed = ParseDecimal(text);
    if (!parsed) {
        return std::string(field.name) + " must be a decimal number, not '" + std::string(text) +
               "'";
    }
    if (auto error = CheckNumber(field, *parsed, text)) return error;
    target = *parsed;
    return std::nullopt;
}

std::optional<std::string> SetBool(const SettingField& field, bool& target, std::string_view text) {
    const std::string value = Lowered(Trimmed(text));
    if (value == "true" || value == "1" || value == "on") {
        target = true;
    } else if (value == "false" || value == "0" || value == "off") {
        target = false;
    } else {
        return std::string(field.name) + " must be true/false, 1/0 or on/off, not '" +
               std::string(text) + "'";
    }
    return std::nullopt;
}

}  // namespace

std::span<const SettingField> SettingFields() {
    return kFields;
}

const SettingField* FindSettingField(std::string_view name) {
    for (const SettingField& field : kFields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

std::optional<std::string> ApplySetting(RecordSet& records, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        return "--set takes NAME=VALUE, not '" + std::string(assignment) + "'";
    }
    const std::string name = Trimmed(assignment.substr(0, equals));
    const std::string_view text = assignment.substr(equals + 1);
    const SettingField* field = FindSettingField(name);
    if (field == nullptr) {
        std::vector<std::string_view> names;
        for (const SettingField& candidate : kFields)
            names.push_back(candidate.name);
        const std::string hint = DidYouMean(name, names);
        return "unknown setting '" + name + "'" +
               (hint.empty() ? " (tonalyx-cli settings lists them)" : hint);
    }
    return std::visit(
        [&](auto access) -> std::optional<std::string> {
            auto* target = access(records);
            using Value = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<Value, int>) {
                return SetInt(*field, *target, text);
            } else if constexpr (std::is_same_v<Value, double>) {
                return SetDouble(*field, *target, text);
            } else {
                return SetBool(*field, *target, text);
            }
        },
        field->access);
}

std::string FormatSetting(const SettingField& field, const RecordSet& records) {
    RecordSet copy = records;
    return std::visit(
        [&](auto access) -> std::string {
            const auto value = *access(copy);
            using Value = std::remove_const_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, bool>) {
                return value ? "true" : "false";
            } else if constexpr (std::is_same_v<Value, int>) {
                return std::to_string(value);
            } else {
                return NumberText(value);
            }
        },
        field.access);
}

std::string DescribeValues(const SettingField& field) {
    if (std::holds_alternative<BoolField>(field.access)) return "true/false";
    const FieldValues& values = field.values;
    if (!values.choices.empty()) {
        std::string text = "one of ";
        for (std::size_t i = 0; i < values.choices.size(); ++i) {
            if (i > 0) text += ", ";
            text += NumberText(values.choices[i]);
        }
        return text;
    }
    const bool whole = std::holds_alternative<IntField>(field.access);
    if (values.min && values.max) {
        return std::string(whole ? "a whole number" : "a number") + " from " +
               NumberText(*values.min) + " to " + NumberText(*values.max);
    }
    return whole ? "a whole number" : "a finite number";
}

namespace {

std::optional<std::string> MustLieBelow(std::string_view low, double lowValue,
                                        std::string_view high, double highValue) {
    if (lowValue < highValue) return std::nullopt;
    return std::string(low) + " (" + NumberText(lowValue) + ") must lie below " +
           std::string(high) + " (" + NumberText(highValue) + ")";
}

}  // namespace

std::optional<std::string> CheckSettingsAgree(const RecordSet& records) {
    const AnalysisSettings& analysis = records.analysis;
    const DisplaySettings& display = records.display;
    if (display.minFreq < 0) {
        return "minFreq (" + NumberText(display.minFreq) + ") must not be negative";
    }
    if (display.minTime < 0) {
        return "minTime (" + NumberText(display.minTime) + ") must not be negative";
    }
    const std::optional<std::string> checks[] = {
        MustLieBelow("pitchMinFreq", analysis.pitchMinFreq, "pitchMaxFreq", analysis.pitchMaxFreq),
        MustLieBelow("minFreq", display.minFreq, "maxFreq", display.maxFreq),
        MustLieBelow("minTime", display.minTime, "maxTime", display.maxTime),
        MustLieBelow("minDb", display.minDb, "maxDb", display.maxDb),
        MustLieBelow("minPercent", display.minPercent, "maxPercent", display.maxPercent),
    };
    for (const std::optional<std::string>& check : checks) {
        if (check) return check;
    }
    return std::nullopt;
}

}  // namespace tonalyx::requests
