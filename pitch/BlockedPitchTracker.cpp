#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "pitch/BlockTracker.h"
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

}  // namespace tonalyx
