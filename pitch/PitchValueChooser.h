#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace tonalyx {

// Chooses the pitch track values a caller reads, for a caller that reads only some of them (a
// track read at fixed steps needs two values per step): fills offsets with the indices in
// [first, last) that it reads, less first, in increasing order, each once. It is called from
// the extraction's threads, several at once.
//
// A track computed with a chooser holds the chosen values as the full track does, except that
// the smoothing of their noise ratios is summed directly instead of by FFT: a rounding that
// could tip a choice only where two candidates tie to the last bit. The other values are NaN.
using PitchValueChooser =
    std::function<void(std::int64_t first, std::int64_t last, std::vector<int>& offsets)>;

}  // namespace tonalyx
