#include "dsp/OrderedBlocks.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace tonalyx {
namespace {

class OrderedRun {
public:
    OrderedRun(int64_t blocks, int threads, const OrderedBlockSteps& steps)
        : steps_(steps),
          blocks_(blocks),
          threads_(static_cast<int>(std::clamp<int64_t>(threads, 1, std::max<int64_t>(1, blocks)))),
          slots_(static_cast<std::size_t>(kBlocksInFlight * threads_)) {}

    void Run() {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads_; ++t)
            workers.emplace_back([this] { Guarded([this] { Work(); }); });
        Guarded([this] { Deliver(); });
        for (std::thread& worker : workers)
            worker.join();
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    static constexpr int kBlocksInFlight = 2;

    struct Slot {
        std::vector<double> output;
        bool ready = false;
    };

    Slot& SlotOf(int64_t block) { return slots_[static_cast<std::size_t>(block) % slots_.size()]; }

    template <class Step>
    void Guarded(const Step& step) {
        try {
            step();
        } catch (...) {
            const std::lock_guard lock(mutex_);
            Fail(std::current_exception());
        }
    }

    // Records the first failure and wakes every thread; the lock is held.
    void Fail(std::exception_ptr failure) {
        if (!failure_) failure_ = std::move(failure);
        changed_.notify_all();
    }

    void Work() {
        const OrderedBlockSteps::Worker work = steps_.makeWorker();
        std::vector<double> input, output;
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return failure_ || next_ == blocks_ ||
                       next_ - delivered_ < static_cast<int64_t>(slots_.size());
            });
            if (failure_ || next_ == blocks_) return;
            const int64_t block = next_++;
            try {
                steps_.read(block, input);
            } catch (...) {
                // Failed before the lock goes, so that no other worker reads on from a stream
                // left half read.
                Fail(std::current_exception());
                return;
            }
            lock.unlock();
            work(block, input, output);
            lock.lock();
            Slot& slot = SlotOf(block);
            std::swap(slot.output, output);
            slot.ready = true;
            changed_.notify_all();
        }
    }

    void Deliver() {
        std::vector<double> output;
        std::unique_lock lock(mutex_);
        for (; delivered_ < blocks_; ++delivered_) {
            Slot& slot = SlotOf(delivered_);
            changed_.wait(lock, [&] { return failure_ || slot.ready; });
            if (failure_) return;
            std::swap(slot.output, output);
            slot.ready = false;
            lock.unlock();
            steps_.receive(delivered_, output);
            lock.lock();
            changed_.notify_all();
        }
    }

    const OrderedBlockSteps& steps_;
    const int64_t blocks_;
    const int threads_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr failure_;
    int64_t next_ = 0;         // the next block a worker takes
    int64_t delivered_ = 0;    // the next block for the receiver
    std::vector<Slot> slots_;  // the blocks taken and not yet received, by block index
};

}  // namespace

void RunOrderedBlocks(int64_t blocks, int threads, const OrderedBlockSteps& steps) {
    if (blocks <= 0) return;
    OrderedRun(blocks, threads, steps).Run();
}

}  // namespace tonalyx
