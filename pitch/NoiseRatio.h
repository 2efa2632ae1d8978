#pragma once

namespace tonalyx {

// How noisy a channel looks: where one harmonic dominates a channel, its instantaneous
// frequency (IF) hardly changes with the channel frequency or with time. The noise ratio
// measures those changes against what a clean harmonic under the filter's shape gives.

// The constants of that shape, the same for every call: c1 for the slope of the IF across
// channels, c2 for the slope of its time derivative (about 0.36946354 and 2.67963424).
struct NoiseShape {
    double c1 = 0;
    double c2 = 0;
};
const NoiseShape& NoiseShapeConstants();

// The slope across channels at a channel with its two neighbours, for channels spaced by the
// frequency ratio r; still to be divided by the channel's centre frequency.
inline double ChannelSlopeAt(double below, double at, double above, double r) {
    return ((above - at) / (r - 1) + (at - below) * r / (r - 1)) / 2;
}

// sigma = w / (w + 1) with w = C^2 / (f^2 c2) + A^2 / c1, from the channel slopes A of the IF
// and C of its time derivative at centre frequency f.
inline double NoiseRatio(double ifSlope, double derivativeSlope, double centre,
                         const NoiseShape& shape) {
    const double w = derivativeSlope * derivativeSlope / (centre * centre * shape.c2) +
                     ifSlope * ifSlope / shape.c1;
    return w / (w + 1);
}

}  // namespace tonalyx
