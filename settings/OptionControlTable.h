#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "settings/OptionControls.h"

namespace tonalyx {

// Every control of the options dialog that holds a setting, by its name, with the field of
// OptionControls it mirrors. The window finds its widgets by these names; the stored snapshot
// uses them to name its slots.

struct RadioGroupControl {
    std::string_view name;
    int OptionControls::*item;  // selected item index, -1 for none
    std::span<const std::string_view> items;
};

struct CheckBoxControl {
    std::string_view name;
    bool OptionControls::*checked;
};

struct UpDownControl {
    std::string_view name;  // its edit is named "Edit" + name
    int OptionControls::*position;
    UpDownRange range;
};

struct ComboBoxControl {
    std::string_view name;
    ComboBoxState OptionControls::*state;
    std::span<const std::string_view> items;
};

inline constexpr std::array<RadioGroupControl, 11> kRadioGroupControls = {{
    {"LCorSize", &OptionControls::lCorSize, kSizeItems},
    {"LCorType", &OptionControls::lCorType, kCorTypeItems},
    {"LFftWindow", &OptionControls::lFftWindow, kWindowItems},
    {"LFftSize", &OptionControls::lFftSize, kSizeItems},
    {"LResampling", &OptionControls::lResampling, kResamplingItems},
    {"LMemSize", &OptionControls::lMemSize, kMemSizeItems},
    {"LCepWindow", &OptionControls::lCepWindow, kWindowItems},
    {"LCepSize", &OptionControls::lCepSize, kCepSizeItems},
    {"LLifWindow", &OptionControls::lLifWindow, kWindowItems},
    {"LLifSize", &OptionControls::lLifSize, kSizeItems},
    {"LChannelID", &OptionControls::lChannelID, kChannelIdItems},
}};

inline constexpr std::array<CheckBoxControl, 17> kCheckBoxControls = {{
    {"BCorCoefficient", &OptionControls::bCorCoefficient},
    {"BFftPhase", &OptionControls::bFftPhase},
    {"BLogScale", &OptionControls::bLogScale},
    {"BShowAsFreq", &OptionControls::bShowAsFreq},
    {"BSmoothing", &OptionControls::bSmoothing},
    {"BInterpolate", &OptionControls::bInterpolate},
    {"BBtoRColor", &OptionControls::bBtoRColor},
    {"BCopyWave", &OptionControls::bCopyWave},
    {"BCopyWaveX", &OptionControls::bCopyWaveX},
    {"BCopyWaveY", &OptionControls::bCopyWaveY},
    {"BCopySpgm", &OptionControls::bCopySpgm},
    {"BCopySpgmX", &OptionControls::bCopySpgmX},
    {"BCopySpgmY", &OptionControls::bCopySpgmY},
    {"BCopyFreq", &OptionControls::bCopyFreq},
    {"BCopyFreqX", &OptionControls::bCopyFreqX},
    {"BCopyFreqY", &OptionControls::bCopyFreqY},
    {"BDisableAudio", &OptionControls::bDisableAudio},
}};

inline constexpr std::array<UpDownControl, 20> kUpDownControls = {{
    {"LPoleNumN", &OptionControls::lPoleNumN, kLPoleNumRange},
    {"LPoleNumA", &OptionControls::lPoleNumA, kLPoleNumRange},
    {"LPoleNum08", &OptionControls::lPoleNum08, kLPoleNumRange},
    {"LPoleNum10", &OptionControls::lPoleNum10, kLPoleNumRange},
    {"LPoleNum12", &OptionControls::lPoleNum12, kLPoleNumRange},
    {"LPoleNum16", &OptionControls::lPoleNum16, kLPoleNumRange},
    {"LMemSizeN", &OptionControls::lMemSizeN, kLMemSizeNRange},
    {"LPMinFreq", &OptionControls::lPMinFreq, kLPMinFreqRange},
    {"LPMaxFreq", &OptionControls::lPMaxFreq, kLPMaxFreqRange},
    {"LPOctaveNum", &OptionControls::lPOctaveNum, kLPOctaveNumRange},
    {"LPSNThreshold", &OptionControls::lPSNThreshold, kLPSNThresholdRange},
    {"LLifSd", &OptionControls::lLifSd, kLLifSdRange},
    {"LHeight", &OptionControls::lHeight, kLHeightRange},
    {"LMaxVol", &OptionControls::lMaxVol, kLMaxVolRange},
    {"LMinVol", &OptionControls::lMinVol, kLMinVolRange},
    {"LMaxPer", &OptionControls::lMaxPer, kLMaxPerRange},
    {"LMinPer", &OptionControls::lMinPer, kLMinPerRange},
    {"LSmoothing", &OptionControls::lSmoothing, kLSmoothingRange},
    {"LChannelIDG", &OptionControls::lChannelIDG, kLChannelIDGRange},
    {"LMaxSoundLength", &OptionControls::lMaxSoundLength, kLMaxSoundLengthRange},
}};

inline constexpr std::array<ComboBoxControl, 4> kComboBoxControls = {{
    {"LMaxFreq", &OptionControls::lMaxFreq, kMaxFreqItems},
    {"LMinFreq", &OptionControls::lMinFreq, kMinFreqItems},
    {"LMaxTime", &OptionControls::lMaxTime, kMaxTimeItems},
    {"LMinTime", &OptionControls::lMinTime, kMinTimeItems},
}};

// The texts of the edits beside the up-downs, in the order of kUpDownControls. An edit may hold
// text that is not (yet) a valid position; the up-down's position is what counts.
using UpDownEditTexts = std::array<std::string, kUpDownControls.size()>;

// Each edit showing its up-down's position, as the controls do after a restore.
UpDownEditTexts EditTextsOfPositions(const OptionControls& controls);

// The entry of that exact name, none when there is no such control.
const RadioGroupControl* FindRadioGroupControl(std::string_view name);
const CheckBoxControl* FindCheckBoxControl(std::string_view name);
const UpDownControl* FindUpDownControl(std::string_view name);
const ComboBoxControl* FindComboBoxControl(std::string_view name);

}  // namespace tonalyx
