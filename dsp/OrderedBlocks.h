#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace tonalyx {

// Runs an analysis over a stream a block at a time on several threads, in bounded memory.
// Worker threads take the blocks in order and read each block's input one block at a time, in
// order (so a stream is read front to back, once); they then work on their blocks at the same
// time, and the calling thread hands the finished blocks to the receiver in order. No thread
// waits for a batch to end, so a slow block or the receiver's work never leaves a processor
// idle; at most two blocks per thread are held between reading and the receiver.
struct OrderedBlockSteps {
    // Fills input with the block's input. Called for blocks 0, 1, ... in turn, never two at a
    // time.
    std::function<void(int64_t block, std::vector<double>& input)> read;
    // One thread's worker: fills output from the block's input. makeWorker is called once per
    // thread, so that a worker may keep state of its own between blocks.
    using Worker = std::function<void(int64_t block, const std::vector<double>& input,
                                      std::vector<double>& output)>;
    std::function<Worker()> makeWorker;
    // Receives the block's output on the calling thread, in block order.
    std::function<void(int64_t block, std::vector<double>& output)> receive;
};

// Runs blocks [0, blocks) on `threads` threads (at least 1, at most one per block). The first
// exception of any step stops every thread and is rethrown here.
void RunOrderedBlocks(int64_t blocks, int threads, const OrderedBlockSteps& steps);

}  // namespace tonalyx
