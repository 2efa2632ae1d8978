#include <cmath>
#include <complex>
#include <vector>

#include "dsp/Convolution.h"
#include "pitch/Arrays.h"
#include "pitch/InstantaneousFrequency.h"
#include "pitch/NoiseRatio.h"
#include "pitch/PitchCandidates.h"
#include "pitch/PitchTracking.h"

namespace tonalyx {
namespace {

// The derivative of every row of M with respect to the channel centre frequency: the slope
// between neighbouring channels, the edge rows copying their inner neighbours.
DMatrix ChannelSlope(const DMatrix& M, const PitchFilterBank& bank) {
    const int channels = M.rows(), n = M.cols();
    const double r = std::pow(2.0, 1.0 / bank.channelsPerOctave);
    DMatrix S(channels, n);
    for (int k = 1; k + 1 < channels; ++k) {
        for (int i = 0; i < n; ++i)
            S(k, i) = ChannelSlopeAt(M(k - 1, i), M(k, i), M(k + 1, i), r);
    }
    Assign(S.Row(0), S.Row(1));
    Assign(S.Row(channels - 1), S.Row(channels - 2));
    for (int k = 0; k < channels; ++k)
        S.Row(k) /= bank.centre[k];
    return S;
}

}  // namespace

void TrackPitchWhole(const PitchFilterBank& bank, std::span<const double> signal, double threshold,
                     std::span<double> f0, std::span<double> ratio) {
    CheckPitchTrackArguments(bank, signal, f0, ratio);
    const int channels = bank.Channels();
    const int n = static_cast<int>(signal.size());

    CMatrix Y(channels, n);
    std::vector<std::complex<double>> work;
    for (int k = 0; k < channels; ++k)
        FilterChannel({signal, 0, n}, bank.filters[k].taps, 0, n, work, &Y(k, 0));

    DMatrix IF(channels, n), T(channels, n);
    for (int k = 0; k < channels; ++k) {
        InstantaneousFrequency(&Y(k, 0), 0, n, n, bank.rate, &IF(k, 0));
        for (int i = 0; i < n; ++i)
            T(k, i) = TimeDerivativeAt(&IF(k, 0), 0, i, n, bank.rate);
    }
    Y = CMatrix();

    const DMatrix A = ChannelSlope(IF, bank);
    const DMatrix C = ChannelSlope(T, bank);
    const NoiseShape& shape = NoiseShapeConstants();
    DMatrix sigma(channels, n);
    for (int k = 0; k < channels; ++k) {
        for (int i = 0; i < n; ++i)
            sigma(k, i) = NoiseRatio(A(k, i), C(k, i), bank.centre[k], shape);
    }

    for (int k = 0; k < channels; ++k) {
        const std::vector<double>& g = bank.smoothing[k];
        const int length = static_cast<int>(g.size());
        const std::vector<double> smoothed = FftConvolveReal(&sigma(k, 0), n, g.data(), length);
        Assign(sigma.Row(k), VectorView<const double>(smoothed.data() + length / 2, 1, n));
    }

    std::vector<PitchCandidate> candidates;
    for (int i = 0; i < n; ++i) {
        candidates.clear();
        PitchCandidate candidate;
        for (int k = 0; k + 1 < channels; ++k) {
            if (FixedPoint(IF(k, i), IF(k + 1, i), bank.centre[k], bank.centre[k + 1], sigma(k, i),
                           sigma(k + 1, i), candidate))
                candidates.push_back(candidate);
        }
        PitchChoice choice;
        for (const PitchCandidate& c : candidates)
            choice.Offer(c);
        f0[i] = choice.F0(threshold);
        if (!ratio.empty()) ratio[i] = choice.Ratio();
    }
}

}  // namespace tonalyx
