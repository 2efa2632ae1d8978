#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "dsp/Convolution.h"
#include "pitch/InstantaneousFrequency.h"
#include "pitch/NoiseRatio.h"
#include "pitch/PitchCandidates.h"
#include "pitch/PitchTracking.h"

namespace tonalyx {
namespace {

// Blocks of about 15 s of decimated sound keep the margins' share of the work near 1 %.
constexpr int kPreferredBlockLength = 1 << 16;
// A block is at least this many margins long, so that margins never dominate the work.
constexpr int kMarginsPerBlock = 16;
// The number of blocks is a multiple of this (unless blocks would get shorter than their
// margins allow), so that up to this many threads share the work evenly, also on short
// sounds.
constexpr int kBlockGroup = 4;

int SmoothingMargin(const PitchFilterBank& bank) {
    std::size_t longest = 1;
    for (const std::vector<double>& g : bank.smoothing)
        longest = std::max(longest, g.size());
    return static_cast<int>(longest / 2);
}

// Computes the track of one block at a time, reusing its buffers from block to block.
class BlockTracker {
public:
    BlockTracker(const PitchFilterBank& bank, std::span<const double> signal, double threshold)
        : bank_(bank),
          signal_(signal),
          n_(static_cast<int>(signal.size())),
          threshold_(threshold),
          channelRatio_(std::pow(2.0, 1.0 / bank.channelsPerOctave)),
          smoothingMargin_(SmoothingMargin(bank)) {}

    void Track(int first, int last, std::span<double> f0, std::span<double> ratio) {
        // The smoothed noise ratios of the block read the noise ratios over
        // [sigmaFirst, sigmaLast). Those read the IF there and one sample to the right (its time
        // derivative; at the sound's end, one to the left instead), and the IF at a sample reads
        // the filter outputs there and one sample to the left.
        sigmaFirst_ = std::max(0, first - smoothingMargin_);
        sigmaLast_ = std::min(n_, last + smoothingMargin_);
        windowFirst_ = std::max(0, sigmaFirst_ - 1);
        windowLast_ = std::min(n_, sigmaLast_ + 1);
        for (ChannelRows& rows : window_)
            rows.channel = -1;
        choices_.assign(static_cast<std::size_t>(last - first), PitchChoice{});

        const int channels = bank_.Channels();
        for (int k = 0; k < channels; ++k) {
            NoiseRatios(k);
            Smooth(k, first, last);
            if (k > 0) OfferFixedPoints(k - 1, first, last);
            std::swap(previousSmoothed_, smoothed_);
        }
        for (int i = first; i < last; ++i) {
            const PitchChoice& choice = choices_[i - first];
            f0[i] = choice.F0(threshold_);
            if (!ratio.empty()) ratio[i] = choice.Ratio();
        }
    }

private:
    // One channel's IF over [windowFirst_, windowLast_) and its time derivative over
    // [sigmaFirst_, sigmaLast_).
    struct ChannelRows {
        int channel = -1;
        std::vector<double> frequency, derivative;
    };

    // The rows of channel k, computed once per block and kept while the sliding window of
    // three channels holds them.
    const ChannelRows& Rows(int k) {
        ChannelRows& rows = window_[static_cast<std::size_t>(k) % window_.size()];
        if (rows.channel == k) return rows;
        const int filteredFirst = std::max(0, windowFirst_ - 1);
        filtered_.resize(static_cast<std::size_t>(windowLast_ - filteredFirst));
        FilterChannel(signal_, bank_.filters[k].taps, filteredFirst, windowLast_, work_,
                      filtered_.data());
        rows.frequency.resize(static_cast<std::size_t>(windowLast_ - windowFirst_));
        InstantaneousFrequency(filtered_.data(), windowFirst_, windowLast_, n_, bank_.rate,
                               rows.frequency.data());
        rows.derivative.resize(static_cast<std::size_t>(sigmaLast_ - sigmaFirst_));
        for (int i = sigmaFirst_; i < sigmaLast_; ++i) {
            rows.derivative[i - sigmaFirst_] =
                TimeDerivativeAt(rows.frequency.data(), windowFirst_, i, n_, bank_.rate);
        }
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
        // The IF rows start at windowFirst_, the derivative rows at sigmaFirst_.
        const int shift = sigmaFirst_ - windowFirst_;
        const double* belowIf = below.frequency.data() + shift;
        const double* atIf = at.frequency.data() + shift;
        const double* aboveIf = above.frequency.data() + shift;
        for (int i = 0; i < count; ++i) {
            const double ifSlope =
                ChannelSlopeAt(belowIf[i], atIf[i], aboveIf[i], channelRatio_) / centre;
            const double derivativeSlope = ChannelSlopeAt(below.derivative[i], at.derivative[i],
                                                          above.derivative[i], channelRatio_) /
                                           centre;
            sigma_[i] = NoiseRatio(ifSlope, derivativeSlope, centre, shape);
        }
    }

    // The noise ratios of channel k smoothed in time, for the block [first, last).
    void Smooth(int k, int first, int last) {
        const std::vector<double>& g = bank_.smoothing[k];
        const int length = static_cast<int>(g.size());
        const int count = sigmaLast_ - sigmaFirst_;
        convolved_.resize(static_cast<std::size_t>(count + length - 1));
        FftConvolveReal(sigma_.data(), count, g.data(), length, convolved_.data());
        smoothed_.resize(static_cast<std::size_t>(last - first));
        const int shift = length / 2 - sigmaFirst_;
        for (int i = first; i < last; ++i)
            smoothed_[i - first] = convolved_[i + shift];
    }

    // Candidates between channels k and k + 1, whose smoothed ratios are in
    // previousSmoothed_ and smoothed_.
    void OfferFixedPoints(int k, int first, int last) {
        const double* low = Rows(k).frequency.data();
        const double* high = Rows(k + 1).frequency.data();
        const double centreLow = bank_.centre[k], centreHigh = bank_.centre[k + 1];
        PitchCandidate candidate;
        for (int i = first; i < last; ++i) {
            const int w = i - windowFirst_;
            if (FixedPoint(low[w], high[w], centreLow, centreHigh, previousSmoothed_[i - first],
                           smoothed_[i - first], candidate))
                choices_[i - first].Offer(candidate);
        }
    }

    const PitchFilterBank& bank_;
    std::span<const double> signal_;
    int n_;
    double threshold_;
    double channelRatio_;
    int smoothingMargin_;

    int sigmaFirst_ = 0, sigmaLast_ = 0;
    int windowFirst_ = 0, windowLast_ = 0;
    std::array<ChannelRows, 3> window_;
    std::vector<std::complex<double>> filtered_, work_;
    std::vector<double> sigma_, convolved_, smoothed_, previousSmoothed_;
    std::vector<PitchChoice> choices_;
};

}  // namespace

int PitchBlockMargin(const PitchFilterBank& bank) {
    std::size_t longest = 0;
    for (const ChannelFilter& filter : bank.filters)
        longest = std::max(longest, filter.taps.size());
    return SmoothingMargin(bank) + 2 + static_cast<int>(longest);
}

PitchBlocking DefaultPitchBlocking(const PitchFilterBank& bank, int n) {
    const std::int64_t shortest = std::int64_t{kMarginsPerBlock} * PitchBlockMargin(bank);
    const std::int64_t preferred = std::max<std::int64_t>(kPreferredBlockLength, shortest);
    // A whole number of block groups, so that two or four threads run out of work together;
    // but no block shorter than the shortest.
    const std::int64_t groups = (n + kBlockGroup * preferred - 1) / (kBlockGroup * preferred);
    const std::int64_t blocks = std::clamp<std::int64_t>(n / shortest, 1, groups * kBlockGroup);
    PitchBlocking blocking;
    blocking.blockLength = static_cast<int>(std::max<std::int64_t>(1, (n + blocks - 1) / blocks));
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    blocking.threads = static_cast<int>(std::clamp<std::int64_t>(hardware, 1, blocks));
    return blocking;
}

void TrackPitchInBlocks(const PitchFilterBank& bank, std::span<const double> signal,
                        double threshold, PitchBlocking blocking, std::span<double> f0,
                        std::span<double> ratio) {
    CheckPitchTrackArguments(bank, signal, f0, ratio);
    const int n = static_cast<int>(signal.size());
    const int length = std::max(1, blocking.blockLength);
    const int blocks = static_cast<int>((std::int64_t{n} + length - 1) / length);
    const int threads = std::clamp(blocking.threads, 1, std::max(1, blocks));

    std::atomic<int> next{0};
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
    const auto work = [&](int thread) {
        try {
            BlockTracker tracker(bank, signal, threshold);
            for (int b = next++; b < blocks; b = next++) {
                const int first = static_cast<int>(std::int64_t{b} * length);
                tracker.Track(first, std::min(n, first + length), f0, ratio);
            }
        } catch (...) {
            failures[thread] = std::current_exception();
            next = blocks;
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work, t);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

}  // namespace tonalyx
