#include "settings/OptionControls.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <system_error>

namespace tonalyx {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsItem(std::span<const std::string_view> items, int itemIndex) {
    return itemIndex >= 0 && static_cast<std::size_t>(itemIndex) < items.size();
}

// The text a combo box's value is read from: the selected item's, else the edit's.
std::string_view ComboText(std::span<const std::string_view> items, int itemIndex,
                           std::string_view editText) {
    return IsItem(items, itemIndex) ? items[static_cast<std::size_t>(itemIndex)] : editText;
}

const OptionControls& InitialControls() {
    static const OptionControls initial;
    return initial;
}

// A radio group whose item index is the record's code (data windows, correlation type). An
// index outside the items reads as the group's initial item, so no consumer sees a code it
// has no table entry for.
int ReadItemCode(std::span<const std::string_view> items, int itemIndex, int initialItem) {
    return IsItem(items, itemIndex) ? itemIndex : initialItem;
}

// Up-downs keep their position within their range; a position set from elsewhere is read the
// same way.
int Position(int position, UpDownRange range) {
    return std::clamp(position, range.min, range.max);
}

int ReadSizeExponent(std::span<const std::string_view> items, int itemIndex) {
    return SizeExponent(ReadRadioValue(items, itemIndex));
}

SettingsReadError ComboError(const ComboBoxState& box, std::span<const std::string_view> items,
                             std::string_view control, std::string_view caption) {
    return {std::string(control), std::string(caption),
            std::string(ComboText(items, box.itemIndex, box.text))};
}

AnalysisSettings ReadAnalysisSettings(const OptionControls& c) {
    const OptionControls& initial = InitialControls();
    AnalysisSettings a;
    a.fftWindow = ReadItemCode(kWindowItems, c.lFftWindow, initial.lFftWindow);
    a.fftSizeLog2 = ReadSizeExponent(kSizeItems, c.lFftSize);
    a.acSizeLog2 = ReadSizeExponent(kSizeItems, c.lCorSize);
    a.acType = ReadItemCode(kCorTypeItems, c.lCorType, initial.lCorType);
    a.cepWindow = ReadItemCode(kWindowItems, c.lCepWindow, initial.lCepWindow);
    a.cepSizeLog2 = ReadSizeExponent(kCepSizeItems, c.lCepSize);
    a.lifWindow = ReadItemCode(kWindowItems, c.lLifWindow, initial.lLifWindow);
    a.lifSizeLog2 = ReadSizeExponent(kSizeItems, c.lLifSize);
    a.pitchChannelsPerOctave = Position(c.lPOctaveNum, kLPOctaveNumRange);
    a.lifSd = MillisecondsToSeconds(Position(c.lLifSd, kLLifSdRange));
    const ResamplingChoice resampling = ReadResampling(c.lResampling);
    a.memResampleRate = resampling.rate;
    a.pitchMinFreq = Position(c.lPMinFreq, kLPMinFreqRange);
    a.pitchMaxFreq = Position(c.lPMaxFreq, kLPMaxFreqRange);
    a.pitchSnThreshold = Position(c.lPSNThreshold, kLPSNThresholdRange);
    a.memSize = ReadMemSize(c.lMemSize, Position(c.lMemSizeN, kLMemSizeNRange));
    a.memPoles = Position(c.*resampling.poleCount, kLPoleNumRange);
    a.acCoefficient = c.bCorCoefficient;
    return a;
}

// Fills the display record field by field in a fixed order. A combo box that cannot be read
// either stops the reading there (the fields before it are new, those after it as they were)
// or, when reading past errors, keeps only its own field as it was. The first error is given.
std::optional<SettingsReadError> ReadDisplaySettings(const OptionControls& c, DisplaySettings& d,
                                                     bool pastErrors) {
    std::optional<SettingsReadError> failure;
    // False when reading must stop at this field.
    const auto readCombo = [&](const ComboBoxState& box, std::span<const std::string_view> items,
                               std::string_view control, std::string_view caption, double scale,
                               double& field) {
        if (const auto value = ReadComboValue(items, box.itemIndex, box.text)) {
            field = *value * scale;
            return true;
        }
        if (!failure) failure = ComboError(box, items, control, caption);
        return pastErrors;
    };
    if (!readCombo(c.lMaxFreq, kMaxFreqItems, "LMaxFreq", "Max freq. [Hz]", 1.0, d.maxFreq))
        return failure;
    if (!readCombo(c.lMinFreq, kMinFreqItems, "LMinFreq", "Min freq. [Hz]", 1.0, d.minFreq))
        return failure;
    d.logScale = c.bLogScale;
    if (!readCombo(c.lMaxTime, kMaxTimeItems, "LMaxTime", "Max time [msec]",
                   MillisecondsToSeconds(1.0), d.maxTime))
        return failure;
    if (!readCombo(c.lMinTime, kMinTimeItems, "LMinTime", "Min time [msec]",
                   MillisecondsToSeconds(1.0), d.minTime))
        return failure;
    d.imageHeight = Position(c.lHeight, kLHeightRange);
    d.maxDb = Position(c.lMaxVol, kLMaxVolRange);
    d.minDb = Position(c.lMinVol, kLMinVolRange);
    d.maxPercent = PercentToFraction(Position(c.lMaxPer, kLMaxPerRange));
    d.minPercent = PercentToFraction(Position(c.lMinPer, kLMinPerRange));
    d.smoothing = c.bSmoothing;
    d.smoothingWidth = Position(c.lSmoothing, kLSmoothingRange);
    d.interpolate = c.bInterpolate;
    d.blueToRed = c.bBtoRColor;
    d.showAsFrequency = c.bShowAsFreq;
    return failure;
}

ImageCopySettings ReadImageCopySettings(const OptionControls& c) {
    return {c.bCopyWave,  c.bCopyWaveX, c.bCopyWaveY, c.bCopySpgm, c.bCopySpgmX,
            c.bCopySpgmY, c.bCopyFreq,  c.bCopyFreqX, c.bCopyFreqY};
}

FileSettings ReadFileSettings(const OptionControls& c) {
    return {ReadChannelIndex(c.lChannelID, Position(c.lChannelIDG, kLChannelIDGRange)),
            Position(c.lMaxSoundLength, kLMaxSoundLengthRange), c.bDisableAudio};
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);

    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars alone would also take "inf", "nan" and a second minus sign.
    if (text.empty() || !(IsDigit(text.front()) || text.front() == '.')) return std::nullopt;

    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return negative ? -value : value;
}

double ReadRadioValue(std::span<const std::string_view> items, int itemIndex) {
    if (!IsItem(items, itemIndex)) return 0.0;
    return ParseDecimal(items[static_cast<std::size_t>(itemIndex)]).value_or(0.0);
}

std::optional<double> ReadComboValue(std::span<const std::string_view> items, int itemIndex,
                                     std::string_view editText) {
    return ParseDecimal(ComboText(items, itemIndex, editText));
}

ResamplingChoice ReadResampling(int itemIndex) {
    const int item = ReadItemCode(kResamplingItems, itemIndex, InitialControls().lResampling);
    return kResamplingTable[static_cast<std::size_t>(item)];
}

int ReadMemSize(int itemIndex, int otherPosition) {
    if (itemIndex == kMemSizeOtherItem) return otherPosition;
    return static_cast<int>(ReadRadioValue(kMemSizeItems, itemIndex));
}

int ReadChannelIndex(int channelIdItem, int channelIdgPosition) {
    if (channelIdItem == kChannelIdMoreItem) return channelIdgPosition - 1;
    return channelIdItem == 1 ? 1 : 0;
}

std::string SettingsReadError::Message() const {
    return "\"" + text + "\" is not a valid number for \"" + caption + "\"";
}

std::optional<SettingsReadError> ReadSettings(const OptionControls& controls,
                                              AnalysisSettings& analysis, DisplaySettings& display,
                                              ImageCopySettings& imageCopy, FileSettings& file) {
    analysis = ReadAnalysisSettings(controls);
    if (auto error = ReadDisplaySettings(controls, display, false)) return error;
    imageCopy = ReadImageCopySettings(controls);
    file = ReadFileSettings(controls);
    return std::nullopt;
}

std::optional<SettingsReadError> ReadSettingsPastErrors(const OptionControls& controls,
                                                        AnalysisSettings& analysis,
                                                        DisplaySettings& display,
                                                        ImageCopySettings& imageCopy,
                                                        FileSettings& file) {
    analysis = ReadAnalysisSettings(controls);
    auto error = ReadDisplaySettings(controls, display, true);
    imageCopy = ReadImageCopySettings(controls);
    file = ReadFileSettings(controls);
    return error;
}

}  // namespace tonalyx
