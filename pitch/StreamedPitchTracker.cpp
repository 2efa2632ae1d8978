#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "dsp/OrderedBlocks.h"
#include "pitch/BlockTracker.h"
#include "pitch/PitchTracking.h"

namespace tonalyx {
namespace {

// The streamed track: each block reads its stretch of the signal with PitchBlockMargin
// samples each side, keeping what the next block reads again, and is tracked on its own (see
// RunOrderedBlocks for how the blocks share the threads).
class StreamedTrack {
public:
    StreamedTrack(const PitchFilterBank& bank, int n, const DecimatedReader& read, double threshold,
                  const BlockCount& count, const PitchValueChooser& chooser)
        : bank_(bank),
          n_(n),
          read_(read),
          threshold_(threshold),
          count_(count),
          margin_(PitchBlockMargin(bank)),
          chooser_(chooser) {}

    void Run(const PitchTrackSink& sink) {
        OrderedBlockSteps steps;
        steps.read = [this](int64_t block, std::vector<double>& stretch) {
            ReadStretch(static_cast<int>(block), stretch);
        };
        steps.makeWorker = [this] {
            return [this, tracker = std::make_shared<BlockTracker>(bank_, threshold_),
                    wanted = std::make_shared<std::vector<int>>()](
                       int64_t block, const std::vector<double>& stretch, std::vector<double>& f0) {
                const int b = static_cast<int>(block);
                f0.resize(static_cast<std::size_t>(Last(b) - First(b)));
                if (chooser_) Choose(b, *wanted);
                tracker->Track({stretch, From(b), n_}, First(b), Last(b), f0, {},
                               chooser_ ? wanted.get() : nullptr);
            };
        };
        steps.receive = [&](int64_t block, std::vector<double>& f0) {
            sink(First(static_cast<int>(block)), f0);
        };
        RunOrderedBlocks(count_.blocks, count_.threads, steps);
    }

private:
    int First(int block) const { return static_cast<int>(std::int64_t{block} * count_.length); }
    int Last(int block) const { return std::min(n_, First(block) + count_.length); }
    int From(int block) const { return std::max(0, First(block) - margin_); }

    // The values of the block that the chooser wants, checked: an offset out of the block or
    // out of order would write past the block's values.
    void Choose(int block, std::vector<int>& wanted) const {
        wanted.clear();
        chooser_(First(block), Last(block), wanted);
        const int length = Last(block) - First(block);
        for (std::size_t j = 0; j < wanted.size(); ++j) {
            if (wanted[j] < 0 || wanted[j] >= length || (j > 0 && wanted[j] <= wanted[j - 1]))
                throw std::invalid_argument("pitch track: chosen values out of order");
        }
    }

    // Fills stretch with the block's samples and margins: those read before from the carry,
    // the rest from the reader. Keeps what the next block reads of them.
    void ReadStretch(int block, std::vector<double>& stretch) {
        const int from = From(block);
        const int to = std::min(n_, Last(block) + margin_);
        stretch.resize(static_cast<std::size_t>(to - from));
        const int carried = readEnd_ - from;
        std::copy(carry_.end() - carried, carry_.end(), stretch.begin());
        if (to > readEnd_) {
            read_(std::span<double>(stretch).subspan(static_cast<std::size_t>(carried)));
            readEnd_ = to;
        }
        const int nextFrom = std::min(to, std::max(from, First(block + 1) - margin_));
        carry_.assign(stretch.begin() + (nextFrom - from), stretch.end());
    }

    const PitchFilterBank& bank_;
    const int n_;
    const DecimatedReader& read_;
    const double threshold_;
    const BlockCount count_;
    const int margin_;
    const PitchValueChooser& chooser_;

    int readEnd_ = 0;            // the samples read so far
    std::vector<double> carry_;  // samples [readEnd_ - carry_.size(), readEnd_)
};

}  // namespace

void TrackPitchStreaming(const PitchFilterBank& bank, int n, const DecimatedReader& read,
                         double threshold, PitchBlocking blocking, const PitchTrackSink& sink,
                         const PitchValueChooser& chooser) {
    if (n < 2 || bank.Channels() < 2 || !read || !sink)
        throw std::invalid_argument("pitch track: bad stream");
    StreamedTrack(bank, n, read, threshold, CountBlocks(n, blocking), chooser).Run(sink);
}

}  // namespace tonalyx
