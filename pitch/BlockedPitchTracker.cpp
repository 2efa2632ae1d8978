#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "dsp/Convolution.h"
#include "pitch/InstantaneousFrequency.h"
#include "pitch/NoiseRatio.h"
#include "pitch/PitchKernels.h"
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
    BlockTracker(const PitchFilterBank& bank, double threshold)
        : bank_(bank),
          threshold_(threshold),
          channelRatio_(std::pow(2.0, 1.0 / bank.channelsPerOctave)),
          smoothingMargin_(SmoothingMargin(bank)) {
        for (int k = 0; k < bank.Channels(); ++k) {
            filters_.emplace_back(bank.filters[k].taps);
            smoothers_.emplace_back(bank.smoothing[k]);
        }
    }

    // The track of the block [first, last) of the signal into f0[0, last - first) and, when
    // not empty, ratio[0, last - first). The stretch holds the block with PitchBlockMargin
    // samples each side (as far as the signal reaches).
    void Track(const SignalStretch& signal, int first, int last, std::span<double> f0,
               std::span<double> ratio) {
        signal_ = signal;
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
        const std::size_t count = static_cast<std::size_t>(last - first);
        bestF0_.assign(count, 0.0);
        bestRatio_.assign(count, std::numeric_limits<double>::infinity());

        const int channels = bank_.Channels();
        for (int k = 0; k < channels; ++k) {
            NoiseRatios(k);
            Smooth(k, first, last);
            if (k > 0) OfferFixedPoints(k - 1, first, last);
            std::swap(previousSmoothed_, smoothed_);
        }
        for (std::size_t i = 0; i < count; ++i) {
            f0[i] = bestRatio_[i] < threshold_ ? bestF0_[i] : 0.0;
            if (!ratio.empty()) ratio[i] = bestRatio_[i];
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
        const int n = signal_.n;
        const int filteredFirst = std::max(0, windowFirst_ - 1);
        filtered_.resize(static_cast<std::size_t>(windowLast_ - filteredFirst));
        FilterChannel(signal_, filters_[k], filteredFirst, windowLast_, filtered_.data());
        rows.frequency.resize(static_cast<std::size_t>(windowLast_ - windowFirst_));
        InstantaneousFrequency(filtered_.data(), windowFirst_, windowLast_, n, bank_.rate,
                               rows.frequency.data());
        // The derivative at i reads the IF at i and i + 1; the last sample of the signal copies
        // the one before.
        rows.derivative.resize(static_cast<std::size_t>(sigmaLast_ - sigmaFirst_));
        const double* frequency = rows.frequency.data() + (sigmaFirst_ - windowFirst_);
        const int inner = std::min(sigmaLast_, n - 1) - sigmaFirst_;
        for (int i = 0; i < inner; ++i)
            rows.derivative[i] = (frequency[i + 1] - frequency[i]) * bank_.rate;
        if (sigmaLast_ == n) {
            rows.derivative[n - 1 - sigmaFirst_] =
                TimeDerivativeAt(rows.frequency.data(), windowFirst_, n - 1, n, bank_.rate);
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
        const NoiseRatioRows rows = {
            {below.frequency.data() + shift, at.frequency.data() + shift,
             above.frequency.data() + shift},
            {below.derivative.data(), at.derivative.data(), above.derivative.data()}};
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

    // Candidates between channels k and k + 1, whose smoothed ratios are at previousSmoothed_
    // and smoothed_.
    void OfferFixedPoints(int k, int first, int last) {
        const FixedPointRows rows = {Rows(k).frequency.data() + (first - windowFirst_),
                                     Rows(k + 1).frequency.data() + (first - windowFirst_),
                                     previousSmoothed_, smoothed_};
        ActivePitchKernels().offerFixedPoints(rows, last - first, bank_.centre[k],
                                              bank_.centre[k + 1], bestF0_.data(),
                                              bestRatio_.data());
    }

    const PitchFilterBank& bank_;
    double threshold_;
    double channelRatio_;
    int smoothingMargin_;

    SignalStretch signal_;
    int sigmaFirst_ = 0, sigmaLast_ = 0;
    int windowFirst_ = 0, windowLast_ = 0;
    std::array<ChannelRows, 3> window_;
    std::vector<ComplexFftFilter> filters_;
    std::vector<RealFftFilter> smoothers_;
    std::vector<std::complex<double>> filtered_;
    std::vector<double> sigma_;
    std::array<std::vector<double>, 2> smoothedRows_;
    const double* smoothed_ = nullptr;
    const double* previousSmoothed_ = nullptr;
    std::vector<double> bestF0_, bestRatio_;
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

namespace {

// Runs work(t) for t < threads, t = 0 on the calling thread; rethrows the first failure.
template <class Work>
void RunOnThreads(int threads, const Work& work) {
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
    const auto guarded = [&](int thread) {
        try {
            work(thread);
        } catch (...) {
            failures[thread] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(guarded, t);
    guarded(0);
    for (std::thread& helper : helpers)
        helper.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

struct BlockCount {
    int length = 1;  // decimated samples per block
    int blocks = 0;
    int threads = 1;
};

BlockCount CountBlocks(int n, PitchBlocking blocking) {
    BlockCount count;
    count.length = std::max(1, blocking.blockLength);
    count.blocks = static_cast<int>((std::int64_t{n} + count.length - 1) / count.length);
    count.threads = std::clamp(blocking.threads, 1, std::max(1, count.blocks));
    return count;
}

}  // namespace

void TrackPitchInBlocks(const PitchFilterBank& bank, std::span<const double> signal,
                        double threshold, PitchBlocking blocking, std::span<double> f0,
                        std::span<double> ratio) {
    CheckPitchTrackArguments(bank, signal, f0, ratio);
    const int n = static_cast<int>(signal.size());
    const BlockCount count = CountBlocks(n, blocking);
    const SignalStretch stretch{signal, 0, n};
    std::atomic<int> next{0};
    RunOnThreads(count.threads, [&](int) {
        try {
            BlockTracker tracker(bank, threshold);
            for (int b = next++; b < count.blocks; b = next++) {
                const int first = static_cast<int>(std::int64_t{b} * count.length);
                const int last = std::min(n, first + count.length);
                tracker.Track(stretch, first, last, f0.subspan(first, last - first),
                              ratio.empty() ? ratio : ratio.subspan(first, last - first));
            }
        } catch (...) {
            next = count.blocks;
            throw;
        }
    });
}

namespace {

// The streamed track: worker threads take the blocks in order, each reading its stretch of the
// signal (one read at a time, in order) and tracking it; the calling thread hands the finished
// blocks to the sink in order. No thread waits for a batch to end, so a slow block or the
// sink's work never leaves a processor idle; at most kBlocksInFlight blocks per worker are
// held between reading and the sink.
class StreamedTrack {
public:
    StreamedTrack(const PitchFilterBank& bank, int n, const DecimatedReader& read, double threshold,
                  const BlockCount& count)
        : bank_(bank),
          n_(n),
          read_(read),
          threshold_(threshold),
          count_(count),
          margin_(PitchBlockMargin(bank)),
          slots_(static_cast<std::size_t>(kBlocksInFlight * count.threads)) {}

    void Run(const PitchTrackSink& sink) {
        std::vector<std::thread> workers;
        for (int t = 0; t < count_.threads; ++t)
            workers.emplace_back([this] { Guarded([this] { Work(); }); });
        Guarded([&] { Deliver(sink); });
        for (std::thread& worker : workers)
            worker.join();
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    static constexpr int kBlocksInFlight = 2;

    struct Slot {
        std::vector<double> f0;
        bool ready = false;
    };

    int First(int block) const { return static_cast<int>(std::int64_t{block} * count_.length); }
    int Last(int block) const { return std::min(n_, First(block) + count_.length); }
    Slot& SlotOf(int block) { return slots_[static_cast<std::size_t>(block) % slots_.size()]; }

    // Runs work; the first failure of any thread stops them all.
    template <class Work>
    void Guarded(const Work& work) {
        try {
            work();
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            changed_.notify_all();
        }
    }

    void Work() {
        BlockTracker tracker(bank_, threshold_);
        std::vector<double> stretch, f0;
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return failure_ || next_ == count_.blocks ||
                       next_ - delivered_ < static_cast<int>(slots_.size());
            });
            if (failure_ || next_ == count_.blocks) return;
            const int block = next_++;
            const int from = std::max(0, First(block) - margin_);
            ReadStretch(from, std::min(n_, Last(block) + margin_), stretch);
            lock.unlock();
            f0.resize(static_cast<std::size_t>(Last(block) - First(block)));
            tracker.Track({stretch, from, n_}, First(block), Last(block), f0, {});
            lock.lock();
            Slot& slot = SlotOf(block);
            std::swap(slot.f0, f0);
            slot.ready = true;
            changed_.notify_all();
        }
    }

    // Fills stretch with the samples [from, to): those read before from the carry, the rest
    // from the reader. Keeps what the next block reads of them. Called with the lock held,
    // for the blocks in order.
    void ReadStretch(int from, int to, std::vector<double>& stretch) {
        stretch.resize(static_cast<std::size_t>(to - from));
        const int carried = readEnd_ - from;
        std::copy(carry_.end() - carried, carry_.end(), stretch.begin());
        if (to > readEnd_) {
            read_(std::span<double>(stretch).subspan(static_cast<std::size_t>(carried)));
            readEnd_ = to;
        }
        const int nextFrom = std::min(to, std::max(from, First(next_) - margin_));
        carry_.assign(stretch.begin() + (nextFrom - from), stretch.end());
    }

    void Deliver(const PitchTrackSink& sink) {
        std::vector<double> f0;
        std::unique_lock lock(mutex_);
        for (; delivered_ < count_.blocks; ++delivered_) {
            Slot& slot = SlotOf(delivered_);
            changed_.wait(lock, [&] { return failure_ || slot.ready; });
            if (failure_) return;
            std::swap(slot.f0, f0);
            slot.ready = false;
            lock.unlock();
            sink(First(delivered_), f0);
            lock.lock();
            changed_.notify_all();
        }
    }

    const PitchFilterBank& bank_;
    const int n_;
    const DecimatedReader& read_;
    const double threshold_;
    const BlockCount count_;
    const int margin_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr failure_;
    int next_ = 0;               // the next block a worker takes
    int delivered_ = 0;          // the next block for the sink
    int readEnd_ = 0;            // the samples read so far
    std::vector<double> carry_;  // samples [readEnd_ - carry_.size(), readEnd_)
    std::vector<Slot> slots_;    // the blocks taken and not yet delivered, by block index
};

}  // namespace

void TrackPitchStreaming(const PitchFilterBank& bank, int n, const DecimatedReader& read,
                         double threshold, PitchBlocking blocking, const PitchTrackSink& sink) {
    if (n < 2 || bank.Channels() < 2 || !read || !sink)
        throw std::invalid_argument("pitch track: bad stream");
    StreamedTrack(bank, n, read, threshold, CountBlocks(n, blocking)).Run(sink);
}

}  // namespace tonalyx
