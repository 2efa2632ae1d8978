#pragma once

#include <limits>

namespace tonalyx {

// A candidate F0 at one decimated sample: a fixed point, where the instantaneous frequency
// (IF) of the channels crosses their centre frequencies from above to below going up through
// the channels, with the noise ratio interpolated at it.
struct PitchCandidate {
    double f0 = 0;
    double ratio = 0;
};

// The fixed point between channels k and k + 1 (IF values, centre frequencies, smoothed noise
// ratios), if they form one: IF above the centre in the lower channel and not at or above it in
// the upper one.
inline bool FixedPoint(double ifLow, double ifHigh, double centreLow, double centreHigh,
                       double ratioLow, double ratioHigh, PitchCandidate& out) {
    const double vLow = ifLow - centreLow;
    const double vHigh = ifHigh - centreHigh;
    if (!(vLow > 0) || vHigh >= 0) return false;
    out.f0 = ifLow + (ifHigh - ifLow) * vLow / (vLow - vHigh);
    out.ratio = ratioLow + (ratioHigh - ratioLow) * (out.f0 - centreLow) /
                               ((out.f0 - centreLow) - (out.f0 - centreHigh));
    return true;
}

// The best candidate of one sample so far: the smallest ratio, the first offered among equals.
class PitchChoice {
public:
    void Offer(const PitchCandidate& candidate) {
        if (!found_ || candidate.ratio < best_.ratio) best_ = candidate;
        found_ = true;
    }
    // The chosen F0 when its ratio is below the threshold, else 0.
    double F0(double threshold) const { return found_ && best_.ratio < threshold ? best_.f0 : 0; }
    // The chosen ratio; +infinity without a candidate.
    double Ratio() const { return found_ ? best_.ratio : std::numeric_limits<double>::infinity(); }

private:
    bool found_ = false;
    PitchCandidate best_;
};

}  // namespace tonalyx
