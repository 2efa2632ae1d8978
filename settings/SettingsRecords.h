#pragma once

namespace tonalyx {

// The four records through which the rest of the program learns the user's settings. The options
// dialog owns them and rebuilds them from its controls (ReadSettings); every consumer copies the
// whole record it needs. Member initialisers are the factory defaults, i.e. what the dialog's
// controls show before any stored snapshot was applied. Units: Hz, seconds, dB, fractions,
// samples and pixels.

struct AnalysisSettings {
    int fftWindow = 1;                 // data-window code, 1 = Hanning
    int fftSizeLog2 = 11;              // frame length 2048
    int acSizeLog2 = 10;               // frame length 1024
    int acType = 0;                    // 0 no extra data, 1 zero extra data, 2 circular data
    int cepWindow = 1;                 // data-window code
    int cepSizeLog2 = 11;              // frame length 2048
    int lifWindow = 1;                 // data-window code
    int lifSizeLog2 = 9;               // frame length 512
    int pitchChannelsPerOctave = 12;   // filter-bank channels per octave
    double lifSd = 0.010;              // seconds
    double memResampleRate = 16000.0;  // Hz; 0 = no resampling, -1 = automatic (8-16 kHz)
    double pitchMinFreq = 80.0;        // Hz
    double pitchMaxFreq = 640.0;       // Hz
    double pitchSnThreshold = 10.0;    // dB
    int memSize = 512;                 // samples before resampling
    int memPoles = 20;                 // poles of the chosen resampling rate
    bool acCoefficient = false;        // auto-correlation normalised to lag 0

    bool operator==(const AnalysisSettings&) const = default;
};

struct DisplaySettings {
    double maxFreq = 1000.0;   // Hz, top of the frequency axis
    double minFreq = 0.0;      // Hz, bottom of the frequency axis
    double minTime = 0.0;      // seconds, smallest lag shown
    double maxTime = 0.020;    // seconds, largest lag shown
    double maxDb = -20.0;      // level drawn black (FFT, MEM, liftering)
    double minDb = -90.0;      // level drawn white (FFT, MEM, liftering)
    double maxPercent = 0.10;  // fraction drawn black (AC, cepstrum)
    double minPercent = 0.0;   // fraction drawn white (AC, cepstrum)
    int smoothingWidth = 1;    // bins
    int imageHeight = 256;     // pixels
    bool logScale = false;     // logarithmic frequency axis
    bool smoothing = false;
    bool interpolate = true;
    bool blueToRed = false;       // blue-to-red palette instead of grey
    bool showAsFrequency = true;  // AC and cepstrum rows on the frequency axis, not on lag time

    bool operator==(const DisplaySettings&) const = default;
};

// Which views go into a copied, printed or saved composite image.
struct ImageCopySettings {
    bool copyWave = true;
    bool copyWaveX = true;
    bool copyWaveY = true;
    bool copySpectrogram = true;
    bool copySpectrogramX = true;
    bool copySpectrogramY = true;
    bool copyPowerSpectrum = false;
    bool copyPowerSpectrumX = true;
    bool copyPowerSpectrumY = true;

    bool operator==(const ImageCopySettings&) const = default;
};

struct FileSettings {
    int channelIndex = 0;       // zero-based channel taken from the file
    int maxSoundLength = 120;   // seconds
    bool disableAudio = false;  // taken once per run, at the main window's first paint

    bool operator==(const FileSettings&) const = default;
};

// Analysis frame lengths are powers of two between 16 and 8192, passed as their exponent.
inline constexpr int kMinSizeExponent = 4;
inline constexpr int kMaxSizeExponent = 13;

// The base-2 exponent of a frame length read from a size group: log2 truncated toward zero and
// kept within 4..13. Sizes below 16, including 0 for a group with no selection, give 4.
int SizeExponent(double size);

constexpr double MillisecondsToSeconds(double milliseconds) {
    return milliseconds * 0.001;
}
constexpr double PercentToFraction(double percent) {
    return percent * 0.01;
}

}  // namespace tonalyx
