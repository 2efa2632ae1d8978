#pragma once

#include <cstddef>
#include <vector>

#include "analysis/ColumnResampler.h"
#include "analysis/ScaleMap.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {

// The result matrix: columnCount columns of binCount doubles, column-major (value i of column c
// at c * binCount + i). What a value means depends on the kind that computed it.
using SpectrogramData = std::vector<double>;

// Work buffers grow to the largest size asked for and are never shrunk; growing keeps the old
// contents, and nothing relies on the new elements being zero.
inline void GrowBuffer(std::vector<double>& buffer, std::size_t size) {
    if (buffer.size() < size) buffer.resize(size);
}

// Everything the engine keeps between its operations. The kind units read and write it; the
// engine hands it to them and shows it to everyone else read-only.
struct SpectrogramState {
    AnalysisSettings analysis;  // copy taken at every SetupKind (MEM rewrites memSize in it)
    DisplaySettings display;    // copy taken at every SetupDisplay (imageHeight, minFreq raised)
    ScaleMap rowScale;          // image row -> the column coordinate of the current kind
    ColumnResampler resampler;  // puts one column onto the image rows
    int kind = 0;               // AnalysisKind of the current set-up
    int binCount = 0;           // values per column of data
    int memStride = 0;          // MEM: values stored per column of memCoefficients
    int transformSize = 0;      // N = 2^transformLog2
    int transformLog2 = 0;
    int decimation = 1;       // MEM: block-averaging factor p
    double sampleRate = 0.0;  // Hz; the decimated rate after a MEM set-up
    double dbOffset = 0.0;    // dB level of a full-scale sample per hertz
    SpectrogramData data;
    std::vector<double> averageColumn;    // binCount: the column (or mean of columns) rendered
    std::vector<double> memCoefficients;  // memStride per column: P0, then a[1..poles]
    std::vector<double> lifterPower;      // liftering: binCount per column of FFT power
    std::vector<double> workBuffer;       // AC: 2N; liftering: N
    int columnCount = 0;                  // pixel columns in view when the source was set
    int frameLength = 0;                  // samples in one analysis frame
    bool lagAxis = false;                 // rows show lag time (AC and cepstrum off frequency)
    ScaleMap pitchScale;                  // image row -> Hz; its inverse places pitch values

    // The shape of the stored columns, kept apart from the fields above because a pitch
    // computation sets a new source (column count and sound rate) without recomputing them.
    // Rendering goes back to these so that it never reads past the stored columns and a MEM
    // image keeps its decimated rate.
    int dataKind = 0;  // kind whose columns data holds; 0 = none
    int dataColumnCount = 0;
    double dataSampleRate = 0.0;
    // The source as SetSource gave it; every SetupKind starts from it (MEM divides the rate).
    int sourceColumnCount = 0;
    double sourceSampleRate = 0.0;
    std::vector<double> frameBuffer;  // the frame handed to ComputeColumn, reused across runs
};

}  // namespace tonalyx
