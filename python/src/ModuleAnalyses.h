#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "analysis/Intensity.h"
#include "analysis/LevelImage.h"
#include "formants/Formants.h"
#include "python/src/ModuleSound.h"
#include "requests/AnalysisRequest.h"
#include "requests/SettingsTable.h"
#include "requests/SpectrumRows.h"

namespace tonalyx::python {

// Every analysis takes a request filled from the module's keyword arguments, checks it with the
// request library's own check (the one the command line runs on its options) and throws
// UsageProblem with its message when it refuses it. Notes on what the view changed (a clamped
// first column) come back one per line, led by the sound's name.

// The level image of `tonalyx-cli levels`, as its PGM holds it: line 0 at the top.
struct LevelsResult {
    std::shared_ptr<LevelImage> image;  // the top-left columns x rows hold the levels
    int columns = 0;
    int rows = 0;
    std::vector<double> times;  // seconds: the centre of each column's samples
    std::vector<double> axis;   // per image line: frequency in Hz, or lag in ms
    bool lag = false;
    // The unclipped levels behind the image, rows x columns with line 0 at the top, as the
    // window's level export writes them: dB, percent for the auto-correlation and cepstrum
    // kinds, log10 units for liftering. Empty for the pitch kind, whose image holds the track
    // alone.
    std::vector<double> values;
    bool percent = false;
    bool logUnits = false;
    std::string notes;
};
LevelsResult ComputeLevels(const ModuleSound& sound, const requests::AnalysisRequest& request);

// The rows of `tonalyx-cli spectrum`, row 0 (lowest frequency or shortest lag) first.
struct SpectrumResult {
    requests::SpectrumRows rows;
    std::string notes;
};
SpectrumResult ComputeSpectrum(const ModuleSound& sound, const requests::AnalysisRequest& request);

// The pitch track of `tonalyx-cli pitch`: block start times in seconds and F0 in Hz (0 where
// unvoiced); with a step, the track read every step seconds instead.
struct PitchResult {
    std::vector<double> times;
    std::vector<double> values;
};
PitchResult ComputePitch(const ModuleSound& sound, const requests::AnalysisRequest& request);

// The pitch track of the file at path as the pitch command streams it: the samples are read a
// block at a time and never held whole. The request gives the read limit (maxSeconds, whole),
// the settings and the step. The notes on the read go to notes, without the one on a length
// limit, which report tells. Throws SoundRefused, with "path: reason", for a refused file.
PitchResult StreamFilePitch(const std::string& path, const requests::AnalysisRequest& request,
                            std::vector<std::string>& notes, requests::LoadReport& report);

// Formants and intensity of the whole loaded sound, measured as the formants and intensity
// commands measure them (the same frames to the bit); the note says what the measurement
// changed of the settings (a ceiling lowered to half the rate, the ceiling auto chose).
FormantTable ComputeFormants(const ModuleSound& sound, const requests::AnalysisRequest& request);
IntensityTable ComputeIntensity(const ModuleSound& sound, const requests::AnalysisRequest& request);

// The pitch table as the pitch command writes it for the file named file, for the given times
// and values, in the request's table format and missing-value style.
std::string PitchTable(const std::vector<double>& times, const std::vector<double>& values,
                       const std::string& file, const requests::AnalysisRequest& request);

// The formant and intensity tables as the formants and intensity commands write them for the
// file named file: frequencies and bandwidths hold count values per frame (NaN where a frame
// has fewer formants).
std::string FormantTableText(const std::vector<double>& times,
                             const std::vector<double>& frequencies,
                             const std::vector<double>& bandwidths, int count,
                             const std::string& file, const requests::AnalysisRequest& request);
std::string IntensityTableText(const std::vector<double>& times,
                               const std::vector<double>& decibels, const std::string& file,
                               const requests::AnalysisRequest& request);

// The kind, table format and missing-value style from the names the module takes ("fft",
// "csv", "empty"); UsageProblem with the request library's message for any other name.
int KindNamed(const std::string& name);
requests::TableFormat TableFormatNamed(const std::string& name);
requests::MissingValues MissingValuesNamed(const std::string& name);

// The request's records, after the request library's checks (and a spectrum's own);
// UsageProblem with the first refusal.
requests::RecordSet CheckedRecords(const requests::AnalysisRequest& request, bool spectrum);

// The formant ceiling of a keyword: Hz, or "auto" for one chosen per sound; UsageProblem for
// another text.
void SetCeiling(requests::AnalysisRequest& request,
                const std::variant<double, std::string>& ceiling);

// The request's fields and its settings checked as the command line checks its options, with
// its option names in the messages; UsageProblem with the first refusal.
void CheckRequestWhole(const requests::AnalysisRequest& request);

// The settings assignments (NAME=VALUE) applied over the factory defaults and checked
// together, as every analysis checks them; UsageProblem with the message of the first refusal.
void CheckSettings(const std::vector<std::string>& assignments);

}  // namespace tonalyx::python
