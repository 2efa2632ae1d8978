#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numeric>
#include <span>
#include <vector>

#include "dsp/Convolution.h"
#include "pitch/InstantaneousFrequency.h"
#include "pitch/NoiseRatio.h"
#include "pitch/PitchKernels.h"
#include "pitch/PitchTracking.h"

// The block-by-block computation shared by the tracks of a whole signal and of a stream.

namespace tonalyx {

// Samples each side of a block that the smoothing of the noise ratios reads.
inline int SmoothingMargin(const PitchFilterBank& bank) {
    std::size_t longest = 1;
    for (const std::vector<double>& g : bank.smoothing)
        longest = std::max(longest, g.size());
    return static_cast<int>(longest / 2);
}

// Computes the track of one block at a time, reusing its buffers from block to block.
class BlockTracker {
public:
    BlockTracker(const PitchFilterBank& bank, double threshold)
        : bank_(bank),
          threshold_(threshold),
          channelRatio_(std::pow(2.0, 1.0 / bank.channelsPerOctave)),
          smoothingMargin_(SmoothingMargin(bank)) {
        for (int k = 0; k < bank.Channels(); ++k) {
            filters_.emplace_back(bank.filters[k].taps);
            smoothers_.emplace_back(bank.smoothing[k]);
            reversedSmoothing_.emplace_back(bank.smoothing[k].rbegin(), bank.smoothing[k].rend());
        }
    }

    // The track of the block [first, last) of the signal into f0[0, last - first) and, when
    // not empty, ratio[0, last - first). The stretch holds the block with PitchBlockMargin
    // samples each side (as far as the signal reaches). With wanted (offsets from first, in
    // increasing order), only those values are computed and the others are NaN: the filters
    // and their IF still cover the block, but the smoothed noise ratios and the candidates are
    // formed at the wanted samples alone.
    void Track(const SignalStretch& signal, int first, int last, std::span<double> f0,
               std::span<double> ratio, const std::vector<int>* wanted = nullptr) {
        if (wanted && wanted->empty()) {
            std::fill(f0.begin(), f0.end(), std::numeric_limits<double>::quiet_NaN());
            std::fill(ratio.begin(), ratio.end(), std::numeric_limits<double>::quiet_NaN());
            return;
        }
        signal_ = signal;
        FindZeroRuns(signal, zeroRuns_);
        const int n = signal.n;
        // The smoothed noise ratios of the block read the noise ratios over
        // [sigmaFirst, sigmaLast). Those read the IF there and one sample to the right (its time
        // derivative; at the sound's end, one to the left instead), and the IF at a sample reads
        // the filter outputs there and one sample to the left.
        sigmaFirst_ = std::max(0, first - smoothingMargin_);
        sigmaLast_ = std::min(n, last + smoothingMargin_);
        windowFirst_ = std::max(0, sigmaFirst_ - 1);
        windowLast_ = std::min(n, sigmaLast_ + 1);
        for (ChannelRows& rows : window_)
            rows.channel = -1;
        if (wanted) {
            samples_.assign(wanted->begin(), wanted->end());
        } else {
            samples_.resize(static_cast<std::size_t>(last - first));
            std::iota(samples_.begin(), samples_.end(), 0);
        }
        const std::size_t count = samples_.size();
        bestF0_.assign(count, 0.0);
        bestRatio_.assign(count, std::numeric_limits<double>::infinity());

        const int channels = bank_.Channels();
        for (int k = 0; k < channels; ++k) {
            NoiseRatios(k);
            if (wanted)
                SmoothAtSamples(k, first);
            else
                Smooth(k, first, last);
            if (k > 0) OfferFixedPoints(k - 1, first, wanted != nullptr);
            std::swap(previousSmoothed_, smoothed_);
        }
        if (wanted) {
            std::fill(f0.begin(), f0.end(), std::numeric_limits<double>::quiet_NaN());
            std::fill(ratio.begin(), ratio.end(), std::numeric_limits<double>::quiet_NaN());
        }
        for (std::size_t j = 0; j < count; ++j) {
            const auto i = static_cast<std::size_t>(samples_[j]);
            f0[i] = bestRatio_[j] < threshold_ ? bestF0_[j] : 0.0;
            if (!ratio.empty()) ratio[i] = bestRatio_[j];
        }
    }

private:
    // One channel's IF over [windowFirst_, windowLast_).
    struct ChannelRows {
        int channel = -1;
        std::vector<double> frequency;
    };

    // The rows of channel k, computed once per block and kept while the sliding window of
    // three channels holds them.
    const ChannelRows& Rows(int k) {
        ChannelRows& rows = window_[static_cast<std::size_t>(k) % window_.size()];
        if (rows.channel == k) return rows;
        const int n = signal_.n;
        const int filteredFirst = std::max(0, windowFirst_ - 1);
        filtered_.resize(static_cast<std::size_t>(windowLast_ - filteredFirst));
        FilterChannel(signal_, zeroRuns_, filters_[k], filteredFirst, windowLast_,
                      filtered_.data());
        rows.frequency.resize(static_cast<std::size_t>(windowLast_ - windowFirst_));
        InstantaneousFrequency(filtered_.data(), windowFirst_, windowLast_, n, bank_.rate,
                               rows.frequency.data());
        rows.channel = k;
        return rows;
    }

    // Noise ratios of channel k over [sigmaFirst_, sigmaLast_); the channel slopes of the edge
    // channels are those of their inner neighbours.
    void NoiseRatios(int k) {
        const int channels = bank_.Channels();
        const double centre = bank_.centre[k];
        const NoiseShape& shape = NoiseShapeConstants();
        const int count = sigmaLast_ - sigmaFirst_;
        sigma_.resize(static_cast<std::size_t>(count));
        if (channels < 3) {
            std::fill(sigma_.begin(), sigma_.end(), NoiseRatio(0, 0, centre, shape));
            return;
        }
        const int middle = std::clamp(k, 1, channels - 2);
        const ChannelRows& below = Rows(middle - 1);
        const ChannelRows& at = Rows(middle);
        const ChannelRows& above = Rows(middle + 1);
        // The IF rows start at windowFirst_ and reach one sample past sigmaLast_ (the time
        // derivative's next sample) unless the signal ends first.
        const int shift = sigmaFirst_ - windowFirst_;
        const NoiseRatioRows rows = {{below.frequency.data() + shift, at.frequency.data() + shift,
                                      above.frequency.data() + shift},
                                     bank_.rate,
                                     sigmaLast_ == signal_.n};
        ActivePitchKernels().noiseRatios(rows, count, channelRatio_, centre, shape.c1, shape.c2,
                                         sigma_.data());
    }

    // The noise ratios of channel k smoothed in time, for the block [first, last): smoothed_
    // points at them.
    void Smooth(int k, int first, int last) {
        const int length = smoothers_[k].Length();
        const int count = sigmaLast_ - sigmaFirst_;
        smoothedRows_[0].resize(static_cast<std::size_t>(last - first));
        smoothers_[k].Convolve(sigma_.data(), count, first + length / 2 - sigmaFirst_, last - first,
                               smoothedRows_[0].data());
        smoothed_ = smoothedRows_[0].data();
        // The row stays while the next channel's is made in the other buffer.
        std::swap(smoothedRows_[0], smoothedRows_[1]);
    }

    // The smoothed noise ratios of channel k at the block's samples samples_ alone, each
    // summed directly over the smoothing Gaussian: smoothed_ points at them.
    void SmoothAtSamples(int k, int first) {
        const std::vector<double>& reversed = reversedSmoothing_[k];
        const int length = static_cast<int>(reversed.size());
        const int count = sigmaLast_ - sigmaFirst_;
        std::vector<double>& row = smoothedRows_[0];
        row.resize(samples_.size());
        for (std::size_t j = 0; j < samples_.size(); ++j) {
            // The full convolution at index c sums taps[t] sigma[c - t] over the sigma that
            // exist; sample first + s sits at c = first + s + length / 2 - sigmaFirst. With
            // u = length - 1 - t that is reversed[u] sigma[c - length + 1 + u].
            const int c = first + samples_[j] + length / 2 - sigmaFirst_;
            const int start = c - length + 1;
            const int uFirst = std::max(0, -start), uEnd = std::min(length, count - start);
            row[j] = ActivePitchKernels().dot(reversed.data() + uFirst,
                                              sigma_.data() + start + uFirst, uEnd - uFirst);
        }
        smoothed_ = row.data();
        std::swap(smoothedRows_[0], smoothedRows_[1]);
    }

    // Candidates between channels k and k + 1 at the block's samples samples_, whose smoothed
    // ratios are at previousSmoothed_ and smoothed_. Samples that are not the whole block are
    // gathered first, so that the kernel sees rows as it does for the whole block.
    void OfferFixedPoints(int k, int first, bool gather) {
        const double* low = Rows(k).frequency.data() + (first - windowFirst_);
        const double* high = Rows(k + 1).frequency.data() + (first - windowFirst_);
        if (gather) {
            const std::size_t count = samples_.size();
            gatheredLow_.resize(count);
            gatheredHigh_.resize(count);
            for (std::size_t j = 0; j < count; ++j) {
                gatheredLow_[j] = low[samples_[j]];
                gatheredHigh_[j] = high[samples_[j]];
            }
            low = gatheredLow_.data();
            high = gatheredHigh_.data();
        }
        const FixedPointRows rows = {low, high, previousSmoothed_, smoothed_};
        ActivePitchKernels().offerFixedPoints(rows, static_cast<int>(samples_.size()),
                                              bank_.centre[k], bank_.centre[k + 1], bestF0_.data(),
                                              bestRatio_.data());
    }

    const PitchFilterBank& bank_;
    double threshold_;
    double channelRatio_;
    int smoothingMargin_;

    SignalStretch signal_;
    std::vector<ZeroRun> zeroRuns_;  // of signal_
    int sigmaFirst_ = 0, sigmaLast_ = 0;
    int windowFirst_ = 0, windowLast_ = 0;
    std::array<ChannelRows, 3> window_;
    std::vector<ComplexFftFilter> filters_;
    std::vector<RealFftFilter> smoothers_;
    std::vector<std::vector<double>> reversedSmoothing_;  // each smoothing Gaussian, last tap first
    std::vector<std::complex<double>> filtered_;
    std::vector<double> sigma_;
    std::array<std::vector<double>, 2> smoothedRows_;
    const double* smoothed_ = nullptr;
    const double* previousSmoothed_ = nullptr;
    std::vector<int> samples_;  // the block's samples computed, as offsets from its first
    std::vector<double> gatheredLow_, gatheredHigh_;
    std::vector<double> bestF0_, bestRatio_;
};

// The blocks of a track: their length, their number and the threads that share them.
struct BlockCount {
    int length = 1;  // decimated samples per block
    int blocks = 0;
    int threads = 1;
};

inline BlockCount CountBlocks(int n, PitchBlocking blocking) {
    BlockCount count;
    count.length = std::max(1, blocking.blockLength);
    count.blocks = static_cast<int>((std::int64_t{n} + count.length - 1) / count.length);
    count.threads = std::clamp(blocking.threads, 1, std::max(1, count.blocks));
    return count;
}

}  // namespace tonalyx
