#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/SpectrogramEngine.h"
#include "analysis/ViewGeometry.h"
#include "requests/AnalysisRequest.h"

namespace tonalyx {

// The numbers behind what the window shows, as tables in the command line's formats: the same
// writer, columns and number format as tonalyx-cli, so that a table from the window and one from
// the command line on the same view and settings are equal byte for byte.

// A spectrogram on show: the engine with its columns computed and its display set up for the
// kind, the view the columns were computed for, and the sound's sampling rate in Hz.
struct ShownSpectrogram {
    SpectrogramEngine& engine;
    int kind = 0;
    const ViewGeometry& geometry;
    double sampleRate = 0;
};

// The pitch track as `tonalyx-cli pitch` prints it: the header "file,index,time_s,f0_hz", then
// one line per track value: fileName, the value's index, the start of its block of hop samples
// in seconds, F0 in Hz (0 where unvoiced).
void WritePitchTable(std::ostream& out, const std::string& fileName,
                     const std::vector<double>& track, int hop, double sampleRate);

// The pitch track read every step seconds, as `tonalyx-cli pitch --step step` prints it: the
// same header, then one line per step k while k step lies within the sound's sampleCount
// samples: fileName, k, k step in seconds, the F0 there (PitchStepSampler), 0 where unvoiced.
void WritePitchSteps(std::ostream& out, const std::string& fileName,
                     const std::vector<double>& track, int hop, double sampleRate, double step,
                     std::int64_t sampleCount);

// The mean spectrum of columns [firstColumn, endColumn), as the power-spectrum window plots it,
// as `tonalyx-cli spectrum --column first --to-column end-1` prints it in that format: file,
// start_s, end_s (the columns' samples), row, frequency_hz or lag_ms, level_db or
// level_percent; one line per image row, the lowest row first.
void WriteSpectrumTable(std::ostream& out, requests::TableFormat format,
                        const std::string& fileName, const ShownSpectrogram& shown, int firstColumn,
                        int endColumn);

// The level matrix of every column as CSV. The first line holds, after a corner cell naming the
// units, the time of each column in seconds: the middle of its samples, where its analysis
// frame is centred. Every further line is one image row, the lowest first: its frequency in Hz
// (or lag in ms) and then the row's level in each column, in dB (percent for the
// auto-correlation and cepstrum kinds), the values the power-spectrum window and
// `tonalyx-cli spectrum` give for that column.
void WriteLevelMatrix(std::ostream& out, const ShownSpectrogram& shown);

// Whether a kind stores columns whose levels these tables can give (FFT to MEM; not the pitch
// kind, whose image is the pitch track alone).
bool KindHasLevels(int kind);

}  // namespace tonalyx
