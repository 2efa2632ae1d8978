#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "pitch/PitchValueChooser.h"

namespace tonalyx {

// The fundamental-frequency (F0) track of a whole sound by a bank of complex band-pass filters
// spaced logarithmically from minFreq upward. In each channel the phase of the filter output
// gives an instantaneous frequency (IF); a harmonic that dominates a channel pulls its IF
// towards itself, so where the IF crosses the channels' own centre frequencies from above to
// below (going up through the channels) lies a candidate F0. Each candidate carries a noise
// ratio from how much the IF changes across channels and over time; the sample takes the
// candidate with the smallest ratio when that ratio is below the threshold, else it is
// unvoiced (0).

struct PitchTrack {
    std::vector<double> values;  // F0 in Hz, exactly 0.0 where there is no pitch
    int count = 0;               // values.size()
};

// The track of samples[0, n) at sampleRate: one value per hop input samples (value i covers
// the samples i hop ... i hop + hop - 1), hop set to trunc(sampleRate / (6.3 f_top)), at least
// 1, where f_top = minFreq 2^((channels - 1) / channelsPerOctave) is the highest channel.
// samples is overwritten (the sound is decimated in place). lengthFactor is the filters' time
// scale in periods of their centre frequency (1.1); snThresholdDb the S/N threshold, at or
// below -3000 dB accepting every candidate.
//
// Sounds of fewer than two decimated samples, and banks with fewer than two usable channels,
// give a track of zeros. Channels centred so far above the decimated rate that their filter
// is empty are left out. Digital silence gives 0. Memory does not grow with channels x length:
// the sound is worked in time blocks on the hardware's threads.
//
// Throws std::invalid_argument for n < 0, a null samples array with n > 0, channels < 1,
// channelsPerOctave < 1, a NaN threshold, or a sampleRate, minFreq or lengthFactor that is not
// positive and finite.
PitchTrack ExtractPitch(double* samples, int n, double sampleRate, double minFreq, int channels,
                        int channelsPerOctave, double lengthFactor, double snThresholdDb, int& hop);

// Reads the frames [from, from + out.size()) of a sound as 16-bit samples into out. A reader
// that cannot deliver them throws; the extraction then ends with that exception.
using PitchSampleReader = std::function<void(std::int64_t from, std::span<std::int16_t> out)>;
// Receives the track values [first, first + values.size()).
using PitchValueSink = std::function<void(std::int64_t first, std::span<const double> values)>;

// The most frames ExtractPitchStreaming asks a reader for at once.
constexpr int kPitchReadFrames = 1 << 16;

// The track that ExtractPitch gives for the frameCount samples that read delivers, bit for
// bit, for sounds of any length: the frames are read once, in order, in pieces of at most
// kPitchReadFrames, and decimated as they come; the track goes to sink in order, a block at a
// time. Memory depends on the block length and the filters, not on the length of the sound.
// Returns the number of track values, frameCount / hop; hop as for ExtractPitch.
//
// With a chooser, only the values it chooses are computed; the others are NaN (see
// PitchValueChooser).
//
// Throws std::invalid_argument for frameCount < 0, an empty reader or sink, or parameters that
// ExtractPitch refuses; std::length_error when the track would have more than INT_MAX values.
std::int64_t ExtractPitchStreaming(const PitchSampleReader& read, std::int64_t frameCount,
                                   double sampleRate, double minFreq, int channels,
                                   int channelsPerOctave, double lengthFactor, double snThresholdDb,
                                   int& hop, const PitchValueSink& sink,
                                   const PitchValueChooser& chooser = {});

// The same track computed on whole channel x sample matrices, as the method is usually
// written; it needs memory for about seven such matrices and serves as the reference the block
// computation is checked against. Results agree with ExtractPitch up to the rounding of the
// FFT convolutions.
PitchTrack ExtractPitchReference(double* samples, int n, double sampleRate, double minFreq,
                                 int channels, int channelsPerOctave, double lengthFactor,
                                 double snThresholdDb, int& hop);

// The number of channels from minFreq up to maxFreq at channelsPerOctave:
// floor(log2(max / min) channelsPerOctave) + 1, with max raised to min + 1 when below it. The
// product is formed in extended precision and rounded to double before the floor, so that
// whole octave counts come out whole (80 to 640 Hz at 12 per octave: 37).
// Throws std::invalid_argument for a minFreq that is not positive and finite, a NaN maxFreq or
// channelsPerOctave < 1.
int PitchChannelCount(double minFreq, double maxFreq, int channelsPerOctave);

// The largest noise ratio that counts as voiced: 1 / (10^(dB / 10) + 1), or 1 (every
// candidate) at or below -3000 dB. 10 dB gives 1/11, 0 dB gives 0.5.
double PitchNoiseThreshold(double snThresholdDb);

}  // namespace tonalyx
