#pragma once

#include <span>

#include "pitch/FilterBank.h"

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

void TrackPitchWhole(const PitchFilterBank& bank, std::span<const double> signal, double threshold,
                     std::span<double> f0, std::span<double> ratio = {});

struct PitchBlocking {
    int blockLength = 0;  // decimated samples per block, not counting the margins
    int threads = 1;
};

// Samples each side of a block that its computation reads beyond the block.
int PitchBlockMargin(const PitchFilterBank& bank);

// Blocks long against their margins, at most a few per sound for short sounds so that the
// threads share the work; the block length does not depend on the machine, so the track is
// the same wherever it runs. Threads: the hardware's, at most one per block.
PitchBlocking DefaultPitchBlocking(const PitchFilterBank& bank, int n);

void TrackPitchInBlocks(const PitchFilterBank& bank, std::span<const double> signal,
                        double threshold, PitchBlocking blocking, std::span<double> f0,
                        std::span<double> ratio = {});

}  // namespace tonalyx
