#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "pitch/BlockTracker.h"
#include "pitch/PitchTracking.h"

namespace tonalyx {
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
            Fail(std::current_exception());
        }
    }

    // Records a failure (the first one counts) and wakes every thread; the lock is held.
    void Fail(std::exception_ptr failure) {
        if (!failure_) failure_ = std::move(failure);
        changed_.notify_all();
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
            try {
                ReadStretch(from, std::min(n_, Last(block) + margin_), stretch);
            } catch (...) {
                // Failed before the lock goes, so that no other worker reads on from a stream
                // left half read.
                Fail(std::current_exception());
                return;
            }
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
