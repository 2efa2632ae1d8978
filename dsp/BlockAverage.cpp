#include "dsp/BlockAverage.h"

#include <cstddef>

namespace tonalyx {

int BlockAverage(int count, int p, double* in, double* out) {
    if (count <= 0 || p <= 0) return 0;
    if (out == nullptr) out = in;
    const std::size_t block = static_cast<std::size_t>(p);
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        const double* values = in + i * block;
        double sum = 0.0;
        for (std::size_t j = 0; j < block; ++j)
            sum += values[j];
        out[i] = sum / p;
    }
    return count * p;
}

}  // namespace tonalyx
