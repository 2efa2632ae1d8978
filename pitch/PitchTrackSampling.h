#pragma once

#include <vector>

namespace tonalyx {

// A pitch track read at a fixed time step.
struct SteppedPitchTrack {
    std::vector<double> times;   // seconds: 0, step, 2 step, ...
    std::vector<double> values;  // F0 in Hz, 0 where unvoiced
};

// Reads a track whose value m describes samples [m hop, (m + 1) hop) at the times 0, step,
// 2 step, ... that lie before the end of sampleCount samples at rate: each time takes the value
// whose block holds the sample nearest to it, 0 when that sample lies past the track's end.
// Each time is k step, so that long sounds do not drift. Throws std::invalid_argument for a
// step shorter than one sample period or not finite, a rate that is not positive, or a hop
// below 1.
SteppedPitchTrack SamplePitchTrack(const std::vector<double>& track, int hop, double rate,
                                   int sampleCount, double step);

}  // namespace tonalyx
