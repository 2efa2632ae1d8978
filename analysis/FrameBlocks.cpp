#include "analysis/FrameBlocks.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "document/FrameSource.h"

namespace tonalyx {

namespace {

class BlockRun {
public:
    BlockRun(const FrameBlockJob& job, const SampleReader& read)
        : job_(job),
          read_(read),
          blockFrames_(std::max(1, job.blockFrames)),
          blocks_((job.frames + blockFrames_ - 1) / blockFrames_),
          threads_(
              static_cast<int>(std::clamp<int64_t>(job.threads, 1, std::max<int64_t>(1, blocks_)))),
          slots_(static_cast<std::size_t>(kBlocksInFlight * threads_)) {}

    void Run(const FrameValuesSink& sink, const FrameProgress& progress) {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads_; ++t)
            workers.emplace_back([this] { Guarded([this] { Work(); }); });
        Guarded([&] { Deliver(sink, progress); });
        for (std::thread& worker : workers)
            worker.join();
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    static constexpr int kBlocksInFlight = 2;

    struct Slot {
        std::vector<double> values;
        bool ready = false;
    };

    int64_t First(int64_t block) const { return block * blockFrames_; }
    int64_t End(int64_t block) const { return std::min(job_.frames, First(block) + blockFrames_); }
    Slot& SlotOf(int64_t block) { return slots_[static_cast<std::size_t>(block) % slots_.size()]; }

    template <class Work>
    void Guarded(const Work& work) {
        try {
            work();
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
        std::vector<double> stretch, values;
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return failure_ || next_ == blocks_ ||
                       next_ - delivered_ < static_cast<int64_t>(slots_.size());
            });
            if (failure_ || next_ == blocks_) return;
            const int64_t block = next_++;
            int64_t from = 0, to = 0;
            job_.inputOf(First(block), End(block), from, to);
            try {
                ReadStretch(from, to, stretch);
            } catch (...) {
                // Failed before the lock goes, so that no other worker reads on.
                Fail(std::current_exception());
                return;
            }
            lock.unlock();
            values.resize(
                static_cast<std::size_t>((End(block) - First(block)) * job_.valuesPerFrame));
            job_.measure(First(block), End(block), {stretch.data(), from, to - from},
                         values.data());
            lock.lock();
            Slot& slot = SlotOf(block);
            std::swap(slot.values, values);
            slot.ready = true;
            changed_.notify_all();
        }
    }

    // Fills stretch with samples [from, to): zeros outside the sound, the kept samples, then
    // the reader's. Keeps what the next block reads of them. Called with the lock held, for the
    // blocks in order.
    void ReadStretch(int64_t from, int64_t to, std::vector<double>& stretch) {
        stretch.assign(static_cast<std::size_t>(to - from), 0.0);
        const int64_t keptFirst = readEnd_ - static_cast<int64_t>(carry_.size());
        for (int64_t i = std::max(from, keptFirst); i < std::min(to, readEnd_); ++i)
            stretch[static_cast<std::size_t>(i - from)] =
                carry_[static_cast<std::size_t>(i - keptFirst)];
        const int64_t readFrom = std::max({from, readEnd_, int64_t{0}});
        const int64_t readTo = std::min(to, job_.samples);
        if (readTo > readFrom) {
            buffer_.resize(static_cast<std::size_t>(readTo - readFrom));
            const std::size_t got = read_(readFrom, buffer_);
            if (got != buffer_.size())
                throw std::runtime_error("the sound's data end at sample " +
                                         std::to_string(readFrom + static_cast<int64_t>(got)) +
                                         " of " + std::to_string(job_.samples));
            for (std::size_t k = 0; k < buffer_.size(); ++k)
                stretch[static_cast<std::size_t>(readFrom - from) + k] = buffer_[k];
            readEnd_ = readTo;
        }
        int64_t nextFrom = to;
        if (next_ < blocks_) {
            int64_t nextTo = 0;
            job_.inputOf(First(next_), End(next_), nextFrom, nextTo);
        }
        const int64_t keepFrom = std::clamp(nextFrom, from, to);
        const int64_t keepTo = std::min(to, readEnd_);
        carry_.clear();
        if (keepTo > keepFrom)
            carry_.assign(stretch.begin() + (keepFrom - from), stretch.begin() + (keepTo - from));
    }

    void Deliver(const FrameValuesSink& sink, const FrameProgress& progress) {
        std::vector<double> values;
        std::unique_lock lock(mutex_);
        for (; delivered_ < blocks_; ++delivered_) {
            Slot& slot = SlotOf(delivered_);
            changed_.wait(lock, [&] { return failure_ || slot.ready; });
            if (failure_) return;
            std::swap(slot.values, values);
            slot.ready = false;
            lock.unlock();
            sink(First(delivered_), values);
            if (progress) progress(End(delivered_), job_.frames);
            lock.lock();
            changed_.notify_all();
        }
    }

    const FrameBlockJob& job_;
    const SampleReader& read_;
    const int64_t blockFrames_;
    const int64_t blocks_;
    const int threads_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr failure_;
    int64_t next_ = 0;             // the next block a worker takes
    int64_t delivered_ = 0;        // the next block for the sink
    int64_t readEnd_ = 0;          // the samples read so far
    std::vector<double> carry_;    // samples [readEnd_ - carry_.size(), readEnd_)
    std::vector<int16_t> buffer_;  // the reader's samples
    std::vector<Slot> slots_;      // the blocks taken and not yet delivered, by block index
};

}  // namespace

SampleReader SpanReader(std::span<const int16_t> samples) {
    return [samples](int64_t first, std::span<int16_t> out) {
        const std::size_t from = std::min(samples.size(), static_cast<std::size_t>(first));
        const std::size_t n = std::min(out.size(), samples.size() - from);
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(from), n, out.begin());
        return n;
    };
}

SampleReader SourceReader(FrameSource& source) {
    return
        [&source](int64_t first, std::span<int16_t> out) { return source.ReadFrames(first, out); };
}

FramePlacement PlaceFrames(int64_t samples, double rate, double window, double step) {
    FramePlacement placement;
    placement.step = step;
    const double duration = static_cast<double>(samples) / rate;
    if (samples <= 0 || !(duration >= window) || !(step > 0.0)) return placement;
    placement.frames = static_cast<int64_t>(std::floor((duration - window) / step)) + 1;
    placement.first = 0.5 * duration - 0.5 * static_cast<double>(placement.frames - 1) * step;
    return placement;
}

int64_t NearestSample(double seconds, double rate) {
    return std::llround(seconds * rate - 0.5);
}

void RunFrameBlocks(const FrameBlockJob& job, const SampleReader& read, const FrameValuesSink& sink,
                    const FrameProgress& progress) {
    if (job.frames <= 0) return;
    if (!read || !sink || !job.inputOf || !job.measure || job.valuesPerFrame < 1)
        throw std::invalid_argument("frame blocks: incomplete job");
    BlockRun(job, read).Run(sink, progress);
}

}  // namespace tonalyx
