#pragma once

#include <functional>
#include <span>
#include <stdexcept>

#include "pitch/FilterBank.h"
#include "pitch/PitchValueChooser.h"

namespace tonalyx {

// The pitch track of a decimated signal (steps after the decimation), computed two ways that
// give the same track up to the rounding of the FFT convolutions:
// - TrackPitchWhole: the whole-signal computation, channel x sample matrices of the filter
//   outputs, instantaneous frequencies, their time derivatives, channel slopes and noise
//   ratios. Simple and the reference for the other; its memory grows with channels x length.
// - TrackPitchInBlocks: time blocks, each widened by the margins its filters and smoothing
//   need so that its interior equals the whole computation, worked channel by channel with a
//   sliding window of three channels; blocks are shared among threads. Its memory depends on
//   the block length, not on the length of the sound.
//
// Both need at least two samples and two usable channels. f0 receives one value per sample
// (the chosen F0, or 0 where there is none or its noise ratio is not below the threshold);
// ratio, when not empty, receives the noise ratio of the chosen candidate (+infinity where
// there is no candidate).

// Throws std::invalid_argument unless the signal and bank are big enough and the outputs fit.
inline void CheckPitchTrackArguments(const PitchFilterBank& bank, std::span<const double> signal,
                                     std::span<double> f0, std::span<double> ratio) {
    if (signal.size() < 2 || bank.Channels() < 2 || f0.size() != signal.size() ||
        (!ratio.empty() && ratio.size() != signal.size()))
        throw std::invalid_argument("pitch track: bad sizes");
}

void TrackPitchWhole(const PitchFilterBank& bank, std::span<const double> signal, double threshold,
                     std::span<double> f0, std::span<double> ratio = {});

struct PitchBlocking {
    int blockLength = 0;  // decimated samples per block, not counting the margins
    int threads = 1;
};

// Samples each side of a block that its computation reads beyond the block.
int PitchBlockMargin(const PitchFilterBank& bank);

// Blocks of at most 2^16 decimated samples and at least 16 margins, their number a multiple of
// four unless that would make them shorter, so that a few threads share even short sounds
// evenly. The blocks do not depend on the machine, so the track is the same wherever it runs.
// Threads: the hardware's, at most one per block.
PitchBlocking DefaultPitchBlocking(const PitchFilterBank& bank, int n);

void TrackPitchInBlocks(const PitchFilterBank& bank, std::span<const double> signal,
                        double threshold, PitchBlocking blocking, std::span<double> f0,
                        std::span<double> ratio = {});

// Fills out with the next out.size() samples of the decimated signal.
using DecimatedReader = std::function<void(std::span<double> out)>;
// Receives the track values [first, first + f0.size()).
using PitchTrackSink = std::function<void(int first, std::span<const double> f0)>;

// TrackPitchInBlocks on a signal of n samples that read delivers in order, each sample once,
// holding only the blocks that the threads work on with their margins: the same values, bit
// for bit, handed to sink block by block in order. read runs on the tracking's threads (one
// call at a time, in order), sink on the calling thread while later blocks are read and
// tracked. Throws std::invalid_argument for fewer than two samples or usable channels;
// whatever read or sink throws ends the track. With a chooser, only the values it chooses are
// computed (see PitchValueChooser).
void TrackPitchStreaming(const PitchFilterBank& bank, int n, const DecimatedReader& read,
                         double threshold, PitchBlocking blocking, const PitchTrackSink& sink,
                         const PitchValueChooser& chooser = {});

}  // namespace tonalyx
