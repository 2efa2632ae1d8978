#pragma once

#include <array>

namespace tonalyx {

// The main window's commands: name (the action's objectName), caption with its access key,
// shortcut, picture index in the icon set (-1 none), hint (status tip and tool tip), the tool
// button's own hint where it differs, and the initial check and visibility.
struct ActionEntry {
    const char* name;
    const char* caption;
    const char* shortcut;
    int image;
    const char* hint;
    const char* toolHint;
    bool checkable;
    bool visible;
};

inline constexpr std::array kMainActions{
    ActionEntry{"AFileOpen", "&Open", "Ctrl+O", 0, "open wave file", nullptr, false, true},
    ActionEntry{"AFileSave", "&Save Image", "Ctrl+S", 1, "save image", nullptr, false, true},
    ActionEntry{"AFileSaveAs", "Save Image &as", "", -1, "save image as specified name", nullptr,
                false, true},
    ActionEntry{"AFileClose", "&Close", "", -1, "close wave file", nullptr, false, true},
    ActionEntry{"AFilePrint", "&Print", "Ctrl+P", 2, "print image", nullptr, false, true},
    ActionEntry{"AFilePrinterSettings", "P&rinter Settings...", "", -1, "setup printer", nullptr,
                false, true},
    ActionEntry{"AFileExit", "E&xit", "", -1, "exit application", nullptr, false, true},
    ActionEntry{"AEditCopy", "&Copy", "Ctrl+C", 3, "copy image", nullptr, false, true},
    ActionEntry{"AEditCopy1", "&Copy", "Ctrl+Ins", -1, "", nullptr, false, true},
    ActionEntry{"AAudioPlay", "Play", "F7", 4, "play sound", nullptr, false, true},
    ActionEntry{"AAudioStop", "Stop", "F8", 5, "stop playing", nullptr, false, true},
    ActionEntry{"AAudioAutoRepeat", "Auto Repeat", "", 6, "play repeatedly", nullptr, true, true},
    ActionEntry{"AViewHighAmplitude", "Enlarge Amplitude", "", 7, "enlarge wave amplitude", nullptr,
                false, true},
    ActionEntry{"AViewLowAmplitude", "Shrink Amplitude", "", 8, "shrink wave amplitude", nullptr,
                false, true},
    ActionEntry{"AViewCompressed", "Widen Time Window", "", 9, "widen time window", nullptr, false,
                true},
    ActionEntry{"AViewExtended", "Narrow Time Window", "", 10, "narrow time window", nullptr, false,
                true},
    ActionEntry{"AViewFitToWindow", "Fit To Window", "", 11, "fit to window", nullptr, true, true},
    ActionEntry{"AViewShowCor", "Calculate AC", "", 21,
                "calculate auto-correlation power spectrogram", nullptr, false, true},
    ActionEntry{"AViewShowFft", "Calculate FFT", "F9", 17, "calculate FFT power spectrogram",
                nullptr, false, true},
    ActionEntry{"AViewShowMem", "Calculate MEM", "F10", 18, "calculate MEM power spectrogram",
                "calculate power spectrogram by MEM(LPC)", false, true},
    ActionEntry{"AViewShowCep", "Calculate Cepstrum", "", 19,
                "calculate cepstrum power spectrogram",
                "calculate power spectrogram by FFT cepstrum", false, true},
    ActionEntry{"AViewShowLif", "Calculate Liftering", "", 20,
                "calculate liftering power spectrogram", "calculate power spectrogram by liftering",
                false, false},
    ActionEntry{"AViewHideSpectrogram", "Hide Spectrogram", "", 13, "hide power spectrogram",
                nullptr, false, true},
    ActionEntry{"AViewShowPitch", "Calculate Pitch", "", 22, "calculate pitch", nullptr, false,
                true},
    ActionEntry{"AViewShowPitchOverlay", "Overlay Pitch", "", 23, "overlay pitch", nullptr, true,
                true},
    ActionEntry{"AOptions", "&Options", "", 14, "show option dialog", nullptr, false, true},
    ActionEntry{"AOptions1", "&Options", "", -1, "show option dialog", nullptr, false, true},
    ActionEntry{"AHelpContents", "&Contents", "", 15, "show help contents", nullptr, false, true},
    ActionEntry{"AHelpSearch", "&Search keyword...", "F1", 16, "search help", nullptr, false, true},
    ActionEntry{"AHelpHelp", "&Help", "", -1, "how to use help", nullptr, false, true},
    ActionEntry{"AHelpAbout", "&About...", "", -1, "about this application", nullptr, false, true},
    ActionEntry{"AFileExportSpectrogram", "Export Spectrogram &Data...", "", -1,
                "export spectrogram levels with their axes as CSV table", nullptr, false, true},
    ActionEntry{"AFileExportPitch", "Export Pi&tch Track...", "", -1,
                "export pitch track as CSV table", nullptr, false, true},
    ActionEntry{"AViewOverlayFormants", "Overlay Formants", "", -1,
                "overlay formants F1..F5 as dots on the spectrogram", nullptr, true, true},
    ActionEntry{"AViewOverlayIntensity", "Overlay Intensity", "", -1,
                "overlay intensity contour with its dB scale", nullptr, true, true},
    ActionEntry{"AFileExportFormants", "Export &Formants...", "", -1,
                "export formant frequencies and bandwidths as CSV table", nullptr, false, true},
    ActionEntry{"AFileExportIntensity", "Export &Intensity...", "", -1,
                "export intensity contour as CSV table", nullptr, false, true},
    ActionEntry{"AEditCopySpectrum", "Copy Spectrum &Values", "", -1,
                "copy power spectrum values as text", nullptr, false, true},
};

// Enabled exactly while a sound is open.
inline constexpr std::array kDocumentActions{
    "AFileSave",      "AFileSaveAs",           "AFileClose",        "AFilePrint",
    "AEditCopy",      "AViewHighAmplitude",    "AViewLowAmplitude", "AViewCompressed",
    "AViewExtended",  "AViewFitToWindow",      "AViewShowFft",      "AViewShowCor",
    "AViewShowCep",   "AViewShowLif",          "AViewShowMem",      "AViewHideSpectrogram",
    "AViewShowPitch", "AViewShowPitchOverlay",
};

// Enabled exactly while a sound is open and playback is allowed.
inline constexpr std::array kAudioActions{"AAudioPlay", "AAudioStop"};

}  // namespace tonalyx
