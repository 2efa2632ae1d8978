#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/SettingsRecords.h"

namespace tonalyx {

// The state of the options dialog's controls that feed the settings records, held as the
// controls hold it: radio groups as item indexes (-1 = none selected), check boxes as flags,
// up-downs as positions, editable combo boxes as their edit text plus the selected item (-1 when
// the user typed a text). The window builds its controls from the item lists and ranges below,
// mirrors them into this record, and ReadSettings turns the record into the settings records.

// The inclusive range an up-down keeps its position in.
struct UpDownRange {
    int min;
    int max;
};

inline constexpr std::array<std::string_view, 10> kSizeItems = {
    "8192", "4096", "2048", "1024", "512", "256", "128", "64", "32", "16"};
inline constexpr std::array<std::string_view, 5> kCepSizeItems = {"8192", "4096", "2048", "1024",
                                                                  "512"};
inline constexpr std::array<std::string_view, 6> kWindowItems = {"Box",      "Hanning", "Hamming",
                                                                 "Blackman", "Parzen",  "Welch"};
inline constexpr std::array<std::string_view, 3> kCorTypeItems = {
    "assumption no extra data", "assumption 0 for extra data", "assumption circular data"};
inline constexpr std::array<std::string_view, 6> kResamplingItems = {
    "None", "Auto(8-16kHz)", "8kHz", "10kHz", "12kHz", "16kHz"};
inline constexpr std::array<std::string_view, 10> kMemSizeItems = {
    "8192", "4096", "2048", "1024", "512", "256", "128", "64", "32", "Other"};
inline constexpr int kMemSizeOtherItem = 9;
inline constexpr std::array<std::string_view, 12> kMaxFreqItems = {
    "500",   "1000",  "5000",  "6000",  "8000",  "10000",
    "11025", "12000", "15000", "20000", "22050", "24000"};
inline constexpr std::array<std::string_view, 6> kMinFreqItems = {"100",  "200",  "500",
                                                                  "1000", "2000", "5000"};
inline constexpr std::array<std::string_view, 14> kMaxTimeItems = {
    "1000",  "2000",  "3000",  "4000",  "5000",  "6000",  "8000",
    "10000", "11025", "12000", "15000", "20000", "22050", "24000"};
inline constexpr std::array<std::string_view, 6> kMinTimeItems = {"100",  "200",  "500",
                                                                  "1000", "2000", "5000"};
inline constexpr std::array<std::string_view, 3> kChannelIdItems = {"#1(Left)", "#2(Right)",
                                                                    "#3 or more"};
inline constexpr int kChannelIdMoreItem = 2;

inline constexpr UpDownRange kLPoleNumRange{1, 255};  // all six pole counts
inline constexpr UpDownRange kLMemSizeNRange{1, 8192};
inline constexpr UpDownRange kLPMinFreqRange{20, 20000};
inline constexpr UpDownRange kLPMaxFreqRange{20, 20000};
inline constexpr UpDownRange kLPOctaveNumRange{1, 60};
inline constexpr UpDownRange kLPSNThresholdRange{0, 100};
inline constexpr UpDownRange kLLifSdRange{1, 1000};
inline constexpr UpDownRange kLHeightRange{16, 1024};
inline constexpr UpDownRange kLMaxVolRange{-1000, 1000};
inline constexpr UpDownRange kLMinVolRange{-1000, 1000};
inline constexpr UpDownRange kLMaxPerRange{0, 100};
inline constexpr UpDownRange kLMinPerRange{0, 100};
inline constexpr UpDownRange kLSmoothingRange{1, 7};
inline constexpr UpDownRange kLChannelIDGRange{3, 64};
inline constexpr UpDownRange kLMaxSoundLengthRange{1, 300};

struct ComboBoxState {
    std::string text;
    int itemIndex = -1;

    bool operator==(const ComboBoxState&) const = default;
};

struct OptionControls {
    // AC page
    int lCorSize = 3;  // "1024"
    int lCorType = 0;
    bool bCorCoefficient = false;
    // FFT page
    int lFftWindow = 1;      // "Hanning"
    int lFftSize = 2;        // "2048"
    bool bFftPhase = false;  // kept in the stored snapshot, read by nothing
    // MEM page
    int lResampling = 5;  // "16kHz"
    int lPoleNumN = 40;
    int lPoleNumA = 16;
    int lPoleNum08 = 12;
    int lPoleNum10 = 14;
    int lPoleNum12 = 16;
    int lPoleNum16 = 20;
    int lMemSize = 4;  // "512"
    int lMemSizeN = 1000;
    // Pitch page
    int lPMinFreq = 80;
    int lPMaxFreq = 640;
    int lPOctaveNum = 12;
    int lPSNThreshold = 10;
    // Cepstrum page
    int lCepWindow = 1;  // "Hanning"
    int lCepSize = 2;    // "2048"
    // Liftering page (its tab is hidden)
    int lLifWindow = 1;  // "Hanning"
    int lLifSize = 4;    // "512"
    int lLifSd = 10;     // milliseconds
    // Display page
    int lHeight = 256;
    ComboBoxState lMaxFreq{"1000"};
    ComboBoxState lMinFreq{"0"};
    bool bLogScale = false;
    int lMaxVol = -20;
    int lMinVol = -90;
    ComboBoxState lMaxTime{"20"};  // milliseconds
    ComboBoxState lMinTime{"0"};   // milliseconds
    bool bShowAsFreq = true;
    int lMaxPer = 10;
    int lMinPer = 0;
    bool bSmoothing = false;
    int lSmoothing = 1;
    bool bInterpolate = true;
    bool bBtoRColor = false;
    // Graphics page
    bool bCopyWave = true;
    bool bCopyWaveX = true;
    bool bCopyWaveY = true;
    bool bCopySpgm = true;
    bool bCopySpgmX = true;
    bool bCopySpgmY = true;
    bool bCopyFreq = false;
    bool bCopyFreqX = true;
    bool bCopyFreqY = true;
    // File page
    int lChannelID = 0;  // "#1(Left)"
    int lChannelIDG = 3;
    int lMaxSoundLength = 120;
    bool bDisableAudio = false;

    bool operator==(const OptionControls&) const = default;
};

// A decimal number as typed into a control, independent of the process locale: '.' is the
// decimal separator, an exponent is allowed, blanks around the number and one leading sign are
// accepted. Empty text, partly numeric text ("12abc"), infinities, NaN and out-of-range values
// give no value.
std::optional<double> ParseDecimal(std::string_view text);

// The selected item's text as a number; no selection (or an index outside the items) and an
// item that is not a number give 0.0.
double ReadRadioValue(std::span<const std::string_view> items, int itemIndex);

// The selected item's text, or the edit text when no item is selected, as a number; no value
// when that text is not a decimal number.
std::optional<double> ReadComboValue(std::span<const std::string_view> items, int itemIndex,
                                     std::string_view editText);

// What a resampling item selects: the rate handed to the MEM analysis and the up-down whose
// pole count goes with it.
struct ResamplingChoice {
    double rate;                     // Hz; 0 = none, -1 = automatic
    int OptionControls::*poleCount;  // one of the six lPoleNum up-downs
};

inline constexpr std::array<ResamplingChoice, 6> kResamplingTable = {{
    {0.0, &OptionControls::lPoleNumN},
    {-1.0, &OptionControls::lPoleNumA},
    {8000.0, &OptionControls::lPoleNum08},
    {10000.0, &OptionControls::lPoleNum10},
    {12000.0, &OptionControls::lPoleNum12},
    {16000.0, &OptionControls::lPoleNum16},
}};

// The entry of the selected resampling item; an index outside the items (no selection, or a
// damaged stored snapshot) reads as the initial item "16kHz".
ResamplingChoice ReadResampling(int itemIndex);

// MEM frame length before resampling: the "Other" item takes the up-down's position, any other
// item its own value truncated to an integer (0 when no item is selected).
int ReadMemSize(int itemIndex, int otherPosition);

// Zero-based channel: "#1(Left)" 0, "#2(Right)" 1, "#3 or more" the up-down's position minus 1.
// No selection reads as "#1(Left)".
int ReadChannelIndex(int channelIdItem, int channelIdgPosition);

// The control whose text ReadSettings could not read as a number.
struct SettingsReadError {
    std::string control;  // the control's name, e.g. "LMaxFreq"
    std::string caption;  // its label in the dialog, e.g. "Max freq. [Hz]"
    std::string text;     // the text it holds

    // The text shown to the user.
    std::string Message() const;
};

// Refills the records from the controls in the order analysis, display, image copy, file.
// Returns no error on success. When a combo box holds a text that is not a number, reading stops
// at that field: the analysis record is already refilled, the display fields read before it are
// new and the others keep their values, and the image-copy and file records are untouched.
// Up-down positions outside their range are read as the nearest end, as the control keeps them.
std::optional<SettingsReadError> ReadSettings(const OptionControls& controls,
                                              AnalysisSettings& analysis, DisplaySettings& display,
                                              ImageCopySettings& imageCopy, FileSettings& file);

// Refills every record from the controls, as stored defaults are read at start-up: a combo box
// that is not a number leaves only its own display field as it was, and every other field, the
// image-copy and file records included, is read. Returns the first such error.
std::optional<SettingsReadError> ReadSettingsPastErrors(const OptionControls& controls,
                                                        AnalysisSettings& analysis,
                                                        DisplaySettings& display,
                                                        ImageCopySettings& imageCopy,
                                                        FileSettings& file);

}  // namespace tonalyx
