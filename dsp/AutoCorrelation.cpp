#include "dsp/AutoCorrelation.h"

#include <cstddef>
#include <stdexcept>
#include <string>

#include "dsp/Fft.h"

namespace tonalyx {

namespace {

// Replaces a packed real spectrum of count values by its power spectrum (real, so every
// imaginary part becomes 0).
void PackedSpectrumToPower(std::size_t count, double* spectrum) {
    spectrum[0] *= spectrum[0];
    spectrum[1] *= spectrum[1];
    for (std::size_t k = 1; k < count / 2; ++k) {
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        spectrum[2 * k] = re * re + im * im;
        spectrum[2 * k + 1] = 0.0;
    }
}

}  // namespace

void AutoCorrelation(int m, double* buffer, int type, bool normalise) {
    if (m < 1 || m >= kMaxRealFftLog2) {
        throw std::invalid_argument("AutoCorrelation: size exponent " + std::to_string(m) +
                                    " outside 1.." + std::to_string(kMaxRealFftLog2 - 1));
    }
    const std::size_t n = std::size_t{1} << m;
    // The circular sums come from the frame alone; the linear ones from the frame followed by
    // n zeros, which keeps the wrapped-around products out of every lag.
    const int transformLog2 = type == AcCircularData ? m : m + 1;
    const std::size_t transformSize = std::size_t{1} << transformLog2;

    // Wiener-Khinchin: the inverse transform of the power spectrum is the circular
    // auto-correlation of the transformed values; the inverse scale leaves sums divided by n.
    RealFft(transformLog2, buffer, true, 1.0);
    PackedSpectrumToPower(transformSize, buffer);
    RealFft(transformLog2, buffer, false, 1.0 / static_cast<double>(n));

    // A silent frame has buffer[0] == 0 and stays all zeros instead of dividing by zero.
    const double e = normalise && buffer[0] != 0.0 ? 1.0 / buffer[0] : 1.0;
    if (type == AcNoExtraData) {
        // Lag l has n - l overlapping products: divide by that count rather than by n.
        const double numerator = static_cast<double>(n) * e;
        for (std::size_t lag = 0; lag < n; ++lag) {
            buffer[lag] *= numerator / static_cast<double>(n - lag);
        }
    } else if ((type == AcZeroExtraData || type == AcCircularData) && e != 1.0) {
        for (std::size_t lag = 0; lag < n; ++lag) {
            buffer[lag] *= e;
        }
    }
}

}  // namespace tonalyx
