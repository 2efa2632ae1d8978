#pragma once

#include <complex>

// The per-sample loops of the pitch extractor that dominate its time, built twice: for any
// x86-64 processor (SSE2) and for processors with AVX2, chosen at run time. Both builds do the
// same IEEE operations in the same order, without fused multiply-adds, so they give bitwise
// the same results; the AVX2 build only does four samples at a time instead of two.

namespace tonalyx {

// The rows a channel's noise ratios are computed from: the instantaneous frequency (IF) and its
// time derivative in the channel below, the channel itself and the channel above.
struct NoiseRatioRows {
    const double* frequency[3];
    const double* derivative[3];
};

// Two neighbouring channels at one stretch of samples: their IF and their smoothed noise
// ratios.
struct FixedPointRows {
    const double* frequencyLow;
    const double* frequencyHigh;
    const double* ratioLow;
    const double* ratioHigh;
};

struct PitchKernels {
    // out[j] = the phase step from z[j] to z[j + 1] in cycles, wrapped into [-0.5, 0.5), times
    // rate, for j < count (z holds count + 1 values). The phase of a value is its angle
    // (phaseAngle below) over 2 pi; the phase of 0 is 0.
    void (*phaseSteps)(const std::complex<double>* z, int count, double rate, double* out);
    // out[i] = NoiseRatio(A, C, centre) of NoiseRatio.h for i < count, where A and C are the
    // channel slopes (ChannelSlopeAt over the three rows, divided by centre) of the IF and of
    // its derivative at sample i; channelRatio is the frequency ratio between channels.
    void (*noiseRatios)(const NoiseRatioRows& rows, int count, double channelRatio, double centre,
                        double c1, double c2, double* out);
    // For i < count: where the two channels form a fixed point (FixedPoint of PitchCandidates.h
    // with the given centre frequencies), offers its candidate to the best one of sample i held
    // in bestF0[i] and bestRatio[i], and takes it when its ratio is smaller (PitchChoice).
    // bestRatio[i] is +infinity while sample i has no candidate; candidates' ratios are finite.
    void (*offerFixedPoints)(const FixedPointRows& rows, int count, double centreLow,
                             double centreHigh, double* bestF0, double* bestRatio);
    // The angle of x + i y in radians, in [-pi, pi], signed like y, as the phase steps compute
    // it: within 2.5 units in the last place of the exact angle (the last rounding of the
    // reduced argument and of the sum). For x = y = 0 the result is unspecified.
    double (*phaseAngle)(double y, double x);
};

extern const PitchKernels kSse2PitchKernels;
extern const PitchKernels kAvx2PitchKernels;

// The kernels in use: the AVX2 build where the processor has it.
const PitchKernels& ActivePitchKernels();

enum class PitchInstructionSet { Sse2, Avx2 };

// Makes every following call use the kernels of set; false (and no change) when this processor
// cannot run them. For tests that compare the builds.
bool UsePitchInstructionSet(PitchInstructionSet set);

// The best kernels for this processor, as chosen at start.
PitchInstructionSet BestPitchInstructionSet();

}  // namespace tonalyx
