#include "analysis/FrameBlocks.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "document/FrameSource.h"
#include "dsp/OrderedBlocks.h"

namespace tonalyx {

namespace {

// A job's blocks of frames: each reads the samples its frames need, zeros outside the sound,
// keeping what the next block reads again (see RunOrderedBlocks for how the blocks share the
// threads).
class BlockRun {
public:
    BlockRun(const FrameBlockJob& job, const SampleReader& read)
        : job_(job),
          read_(read),
          blockFrames_(std::max(1, job.blockFrames)),
          blocks_((job.frames + blockFrames_ - 1) / blockFrames_) {}

    void Run(const FrameValuesSink& sink, const FrameProgress& progress) {
        OrderedBlockSteps steps;
        steps.read = [this](int64_t block, std::vector<double>& stretch) {
            ReadStretch(block, stretch);
        };
        steps.makeWorker = [this] {
            return [this](int64_t block, const std::vector<double>& stretch,
                          std::vector<double>& values) {
                const auto [from, to] = InputOf(block);
                values.resize(
                    static_cast<std::size_t>((End(block) - First(block)) * job_.valuesPerFrame));
                job_.measure(First(block), End(block), {stretch.data(), from, to - from},
                             values.data());
            };
        };
        steps.receive = [&](int64_t block, std::vector<double>& values) {
            sink(First(block), values);
            if (progress) progress(End(block), job_.frames);
        };
        RunOrderedBlocks(blocks_, job_.threads, steps);
    }

private:
    int64_t First(int64_t block) const { return block * blockFrames_; }
    int64_t End(int64_t block) const { return std::min(job_.frames, First(block) + blockFrames_); }
    std::pair<int64_t, int64_t> InputOf(int64_t block) const {
        int64_t from = 0, to = 0;
        job_.inputOf(First(block), End(block), from, to);
        return {from, to};
    }

    // Fills stretch with the block's samples: zeros outside the sound, the kept samples, then
    // the reader's. Keeps what the next block reads of them.
    void ReadStretch(int64_t block, std::vector<double>& stretch) {
        const auto [from, to] = InputOf(block);
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
        const int64_t nextFrom = block + 1 < blocks_ ? InputOf(block + 1).first : to;
        const int64_t keepFrom = std::clamp(nextFrom, from, to);
        const int64_t keepTo = std::min(to, readEnd_);
        carry_.clear();
        if (keepTo > keepFrom)
            carry_.assign(stretch.begin() + (keepFrom - from), stretch.begin() + (keepTo - from));
    }

    const FrameBlockJob& job_;
    const SampleReader& read_;
    const int64_t blockFrames_;
    const int64_t blocks_;

    int64_t readEnd_ = 0;          // the samples read so far
    std::vector<double> carry_;    // samples [readEnd_ - carry_.size(), readEnd_)
    std::vector<int16_t> buffer_;  // the reader's samples
};

}  // namespace

int HardwareThreads() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

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
