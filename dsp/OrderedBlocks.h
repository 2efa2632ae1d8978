#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tonalyx {

// Runs an analysis over a stream a block at a time on several threads, in bounded memory.
// Worker threads take the blocks in order and read each block's input one block at a time, in
// order (so a stream is read front to back, once); they then work on their blocks at the same
// time, and the calling thread hands the finished blocks to the receiver in order. No thread
// waits for a batch to end, so a slow block or the receiver's work never leaves a processor
// idle; at most two blocks per thread are held between reading and the receiver.
template <class Input, class Output>
struct OrderedSteps {
    // Fills input with the block's input. Called for blocks 0, 1, ... in turn, never two at a
    // time.
    std::function<void(int64_t block, Input& input)> read;
    // One thread's worker: fills output from the block's input. makeWorker is called once per
    // thread, so that a worker may keep state of its own between blocks.
    using Worker = std::function<void(int64_t block, const Input& input, Output& output)>;
    std::function<Worker()> makeWorker;
    // Receives the block's output on the calling thread, in block order.
    std::function<void(int64_t block, Output& output)> receive;
};

using OrderedBlockSteps = OrderedSteps<std::vector<double>, std::vector<double>>;

namespace ordered_blocks {

template <class Input, class Output>
class OrderedRun {
public:
    OrderedRun(int64_t blocks, int threads, const OrderedSteps<Input, Output>& steps)
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
        Output output{};
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
        const typename OrderedSteps<Input, Output>::Worker work = steps_.makeWorker();
        Input input{};
        Output output{};
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
        Output output{};
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

    const OrderedSteps<Input, Output>& steps_;
    const int64_t blocks_;
    const int threads_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr failure_;
    int64_t next_ = 0;         // the next block a worker takes
    int64_t delivered_ = 0;    // the next block for the receiver
    std::vector<Slot> slots_;  // the blocks taken and not yet received, by block index
};

}  // namespace ordered_blocks

// Runs blocks [0, blocks) on `threads` threads (at least 1, at most one per block). The first
// exception of any step stops every thread and is rethrown here; the receiver stops the run by
// throwing.
template <class Input, class Output>
void RunInOrder(int64_t blocks, int threads, const OrderedSteps<Input, Output>& steps) {
    if (blocks <= 0) return;
    ordered_blocks::OrderedRun<Input, Output>(blocks, threads, steps).Run();
}

inline void RunOrderedBlocks(int64_t blocks, int threads, const OrderedBlockSteps& steps) {
    RunInOrder(blocks, threads, steps);
}

}  // namespace tonalyx
