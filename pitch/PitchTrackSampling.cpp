#include "pitch/PitchTrackSampling.h"

#include <cmath>
#include <stdexcept>

namespace tonalyx {

SteppedPitchTrack SamplePitchTrack(const std::vector<double>& track, int hop, double rate,
                                   int sampleCount, double step) {
    if (!(rate > 0) || !std::isfinite(rate)) {
        throw std::invalid_argument("the sampling rate must be a positive number");
    }
    if (hop < 1) throw std::invalid_argument("the track's hop must be at least one sample");
    if (!std::isfinite(step) || step * rate < 1) {
        throw std::invalid_argument("the step must be at least one sample period (" +
                                    std::to_string(1 / rate) + " s)");
    }
    SteppedPitchTrack stepped;
    for (long long k = 0;; ++k) {
        const double time = static_cast<double>(k) * step;
        const double nearest = std::floor(time * rate + 0.5);
        if (nearest >= sampleCount) break;
        const auto entry = static_cast<std::size_t>(nearest) / static_cast<std::size_t>(hop);
        stepped.times.push_back(time);
        stepped.values.push_back(entry < track.size() ? track[entry] : 0.0);
    }
    return stepped;
}

}  // namespace tonalyx
