#pragma once

#include <complex>

// The per-sample loops of the pitch extractor that dominate its time, built three times: for
// any x86-64 processor (SSE2), for processors with AVX2 and for those with AVX-512, chosen at
// run time. Every build does the same IEEE operations in the same order, without fused
// multiply-adds, so they give bitwise the same results; the wider builds only do four or eight
// samples at a time instead of two.

namespace tonalyx {

// The rows a channel's noise ratios are computed from: the instantaneous frequency (IF) in the
// channel below, the channel itself and the channel above, one sample past the ratios asked
// for (the IF's time derivative at i is (IF[i + 1] - IF[i]) times rate). Where the last ratio
// is at the signal's last sample, its derivative copies the one before: the rows then end at
// that sample and begin one sample before the first ratio when there is only one.
struct NoiseRatioRows {
    const double* frequency[3];
    double rate;
    bool lastCopiesPrevious;
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
    // rate, for j < count (z holds count + 1 values). The phase of a value is its angle in
    // cycles (phaseCycles below); the phase of 0 is 0.
    void (*phaseSteps)(const std::complex<double>* z, int count, double rate, double* out);
    // out[i] = the noise ratio of NoiseRatio.h, NoiseRatio(A, C, centre), for i < count, where
    // A and C are the channel slopes (ChannelSlopeAt over the three rows, divided by centre)
    // of the IF and of its time derivative at sample i; channelRatio is the frequency ratio
    // between channels. The divisions are products with reciprocals here, so the ratios agree with
    // the scalar formula to rounding, not bit for bit (the slopes are differences of nearly
    // equal frequencies, so a last-place difference can grow to about 1e-14 relative).
    void (*noiseRatios)(const NoiseRatioRows& rows, int count, double channelRatio, double centre,
                        double c1, double c2, double* out);
    // For i < count: where the two channels form a fixed point (FixedPoint of PitchCandidates.h
    // with the given centre frequencies), offers its candidate to the best one of sample i held
    // in bestF0[i] and bestRatio[i], and takes it when its ratio is smaller (PitchChoice).
    // bestRatio[i] is +infinity while sample i has no candidate; candidates' ratios are finite.
    void (*offerFixedPoints)(const FixedPointRows& rows, int count, double centreLow,
                             double centreHigh, double* bestF0, double* bestRatio);
    // The sum of a[t] b[t] for t < count, formed as four partial sums (t mod 4) added as
    // (s0 + s1) + (s2 + s3): the same bits in every build.
    double (*dot)(const double* a, const double* b, int count);
    // The angle of x + i y in cycles (radians over 2 pi), in [-0.5, 0.5] and signed like y, as
    // the phase steps compute it: within 3 units in the last place of the exact value. For
    // x = y = 0 the result is unspecified.
    double (*phaseCycles)(double y, double x);
};

extern const PitchKernels kSse2PitchKernels;
extern const PitchKernels kAvx2PitchKernels;
extern const PitchKernels kAvx512PitchKernels;

// The kernels in use: the widest build the processor has.
const PitchKernels& ActivePitchKernels();

enum class PitchInstructionSet { Sse2, Avx2, Avx512 };

// Makes every following call use the kernels of set; false (and no change) when this processor
// cannot run them. For tests that compare the builds.
bool UsePitchInstructionSet(PitchInstructionSet set);

// The best kernels for this processor, as chosen at start.
PitchInstructionSet BestPitchInstructionSet();

}  // namespace tonalyx
