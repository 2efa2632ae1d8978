#pragma once

#include <cstdint>
#include <vector>

#include "document/SoundData.h"
#include "pitch/PitchExtractor.h"
#include "settings/SettingsRecords.h"

namespace tonalyx {

// The pitch track of the whole sound with the pitch settings of an analysis, as the window and
// the command line both draw and print it: the top frequency is raised to the bottom plus 1 Hz
// when below it, the channel count follows from the octaves between the two at the chosen
// channels per octave, and the extractor reads the samples as it goes (ExtractPitchStreaming,
// the same track as ExtractPitch) with filters 1.1 periods long. hop receives the input samples per
// track value; value m describes samples [m hop, (m + 1) hop). F0 in Hz, 0 where unvoiced. Throws
// std::invalid_argument for settings the extractor refuses (a bottom frequency that is not
// positive, fewer than one channel per octave).
std::vector<double> ComputeSoundPitchTrack(const SoundData& sound, AnalysisSettings settings,
                                           int& hop, const PitchValueChooser& chooser = {});

// The same track of the frameCount samples that read delivers at sampleRate, handed to sink in
// order as it comes; returns the number of values. With a chooser, only the values it chooses
// are computed and the others are NaN (see PitchValueChooser).
std::int64_t StreamSoundPitchTrack(const PitchSampleReader& read, std::int64_t frameCount,
                                   double sampleRate, AnalysisSettings settings, int& hop,
                                   const PitchValueSink& sink,
                                   const PitchValueChooser& chooser = {});

// The hop those tracks have at sampleRate with these settings, known before the track is
// computed (for a chooser). Throws std::invalid_argument as they do.
int SoundPitchHop(double sampleRate, AnalysisSettings settings);

}  // namespace tonalyx
