#pragma once

namespace tonalyx {

// What the spectrogram shows, in the order of the View menu. The numbers are passed around as
// plain ints (the options dialog's page codes use the same values).
enum AnalysisKind : int {
    NoAnalysis = 0,
    FftAnalysis = 1,
    AutoCorrelationAnalysis = 2,
    CepstrumAnalysis = 3,
    LifteringAnalysis = 4,
    MemAnalysis = 5,
    PitchAnalysis = 6,
};

constexpr int kAnalysisKindCount = 7;

}  // namespace tonalyx
