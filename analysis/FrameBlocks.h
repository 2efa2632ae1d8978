#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace tonalyx {

// Runs a frame-by-frame measurement (formants, intensity) over a sound read in stretches, a
// block of frames at a time, on several threads, in bounded memory (dsp/OrderedBlocks.h): the
// blocks read the samples they need in order, what the next block also needs kept rather than
// read again, are measured at the same time and reach the sink in order. A frame's values depend
// only on the samples, never on the block it falls in, so any block length and thread count give
// the same bits.

// Reads samples [first, first + out.size()) of the sound into out; returns how many came.
using SampleReader = std::function<std::size_t(int64_t first, std::span<int16_t> out)>;

class FrameSource;
// A reader of samples held in memory (which must outlive it).
SampleReader SpanReader(std::span<const int16_t> samples);
// A reader of a frame source's channel (which must outlive it).
SampleReader SourceReader(FrameSource& source);

// The samples of a stretch [first, first + count) as doubles; zeros outside the sound.
struct SampleStretch {
    const double* x = nullptr;
    int64_t first = 0;
    int64_t count = 0;
};

struct FrameBlockJob {
    int64_t samples = 0;  // the sound's length
    int64_t frames = 0;
    int valuesPerFrame = 1;
    int blockFrames = 512;
    int threads = 1;
    // The samples [first, last) that frames [firstFrame, endFrame) read; neither end may
    // decrease from one block to the next.
    std::function<void(int64_t firstFrame, int64_t endFrame, int64_t& first, int64_t& last)>
        inputOf;
    // Measures frames [firstFrame, endFrame) into values (valuesPerFrame per frame) from a
    // stretch that covers inputOf's samples. Called from several threads at once.
    std::function<void(int64_t firstFrame, int64_t endFrame, const SampleStretch& in,
                       double* values)>
        measure;
};

// Where frames of a measurement fall: frame k is centred at first + k step seconds.
struct FramePlacement {
    int64_t frames = 0;
    double first = 0;
    double step = 0;

    double Time(int64_t k) const { return first + static_cast<double>(k) * step; }
};

// As many frames of `window` seconds as fit in `samples` samples at `rate`, `step` seconds
// apart, centred as a group in the sound (sample i stands for the time (i + 0.5) / rate, so the
// sound spans [0, samples / rate)); none when the sound is shorter than the window.
FramePlacement PlaceFrames(int64_t samples, double rate, double window, double step);

// The sample nearest to a time: round(t rate - 0.5).
int64_t NearestSample(double seconds, double rate);

// Receives frames [firstFrame, firstFrame + values.size() / valuesPerFrame) in order.
using FrameValuesSink = std::function<void(int64_t firstFrame, std::span<const double> values)>;
// Told the frames delivered so far and the total, after each block; may be empty.
using FrameProgress = std::function<void(int64_t done, int64_t frames)>;

// The processors this machine offers (at least 1).
int HardwareThreads();

// How a measurement runs: threads, frames per block, and who hears of its progress.
struct MeasureRun {
    int threads = HardwareThreads();
    int blockFrames = 256;
    FrameProgress progress;  // frames done, frames in all; may be empty
};

// Runs the job. A read that returns fewer samples than the sound's length promises stops the
// run with std::runtime_error naming the sample where the data ended; an exception from the
// measurement, the sink or the progress callback stops every thread and is rethrown here.
void RunFrameBlocks(const FrameBlockJob& job, const SampleReader& read, const FrameValuesSink& sink,
                    const FrameProgress& progress);

}  // namespace tonalyx
