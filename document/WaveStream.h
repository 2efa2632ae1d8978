#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "document/ByteSource.h"

namespace tonalyx {

// How much of a stream (a pipe, a FIFO, a process substitution) a read keeps: a stream cannot
// be read twice, so nothing beyond the frames the read asks for is held.
struct StreamLimit {
    double seconds = 0;  // 0 or less: no limit in time
    int64_t frames = std::numeric_limits<int32_t>::max();
};

// The whole frames of `seconds` at `rate`: seconds given in decimals land on their frame
// despite the rounding of the product.
int64_t FramesWithin(double seconds, uint32_t rate);

// Reads a RIFF/WAVE stream of PCM or float samples from a non-blocking descriptor, which it
// closes: the chunks up to the data, then the data up to the limit. It waits a moment for a
// writer and refuses a FIFO that none opens. The bytes read form a wave file: where the limit
// cut the stream short, the data chunk's size is set to the bytes kept and Truncated() is
// true; a stream that ends before its data chunk's size is kept as it came. Null, with the
// reason in refusal, for a stream without a writer or data, or one that is no such wave.
std::unique_ptr<ByteSource> ReadWaveStream(int descriptor, const StreamLimit& limit,
                                           std::string& refusal);

}  // namespace tonalyx
