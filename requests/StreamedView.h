#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/SpectrogramEngine.h"
#include "analysis/SpectrogramFraming.h"
#include "analysis/ViewGeometry.h"
#include "pitch/PitchExtractor.h"
#include "requests/AnalysisRequest.h"
#include "requests/SettingsTable.h"
#include "requests/SoundSource.h"
#include "settings/SettingsRecords.h"

namespace tonalyx::requests {

// The view of the options on a sound read on demand: the commands compute what the window
// computes on the loaded sound, reading only the frames they need, so that a recording of
// hours takes no more memory than one of minutes.
struct StreamedView {
    OpenedSound sound;
    ViewGeometry geometry;
    SpectrogramEngine engine;
    // F0 of the track entry each view column of ComputeColumnPitch shows (the block holding its
    // centre sample, 0 where there is none); empty unless the pitch is shown.
    std::vector<double> columnPitch;
};

// Receives one note on a change made to the input, for the file being read.
using NoteSink = std::function<void(const std::string&)>;

// OpenSound with the request's read limit and the records' channel; note receives every change
// the read makes to the input.
std::optional<std::string> OpenSoundWithNotes(const std::string& path,
                                              const AnalysisRequest& request,
                                              const RecordSet& records, const NoteSink& note,
                                              OpenedSound& sound);

// Opens the file and sets up the request's view; note receives the notes on the read and on
// the view. Returns why the file failed, or none.
std::optional<std::string> OpenView(const std::string& path, const AnalysisRequest& request,
                                    const RecordSet& records, const NoteSink& note,
                                    StreamedView& view);

// Computes count columns of the kind from view column first on (engine columns 0 ..), each
// from the frame centred on its column, as ComputeSpectrogramColumns frames the loaded sound.
void ComputeViewColumns(StreamedView& view, int kind, int first, int count,
                        const AnalysisSettings& settings, const ProgressCallback& progress = {});

// The mean of count columns of the kind from view column first on, summed in the order
// RenderLevelColumn sums stored columns, so that its levels are those of the columns held at
// once to the last bit; the columns are computed a block at a time, so an hour of columns takes
// the memory of one block. Leaves the engine's display set up with display. Empty for a kind
// that stores no columns.
std::vector<double> ComputeMeanViewColumn(StreamedView& view, int kind, int first, int count,
                                          const AnalysisSettings& settings,
                                          const DisplaySettings& display,
                                          const ProgressCallback& progress = {});

// The pitch track of the whole sound streamed through the blocked extractor, with the pitch
// settings as ComputeSoundPitchTrack takes them: the same values, handed to sink in order.
// Returns the number of values; hop as for ComputeSoundPitchTrack.
std::int64_t StreamPitchTrack(OpenedSound& sound, AnalysisSettings settings, int& hop,
                              const PitchValueSink& sink, const PitchValueChooser& chooser = {});

// Receives one row of the pitch table: its index, its time in seconds and F0 in Hz.
using PitchRowSink = std::function<void(std::int64_t index, double seconds, double f0)>;

// The rows of the pitch table streamed as the track comes, so that an hour's track is never
// held whole: with a step, the track read at 0, step, 2 step, ... (PitchStepSampler), of
// which only the values the steps read are computed; without, one row per track value at the
// start of its block. progress receives the fraction done.
void StreamPitchRows(OpenedSound& sound, const AnalysisSettings& settings,
                     std::optional<double> step, const PitchRowSink& row,
                     const ProgressCallback& progress = {});

// Fills view.columnPitch with the entries of the view columns [first, first + count), from the
// streamed track.
void ComputeColumnPitch(StreamedView& view, int first, int count, const AnalysisSettings& settings,
                        const ProgressCallback& progress = {});

}  // namespace tonalyx::requests
