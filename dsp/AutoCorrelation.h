#pragma once

namespace tonalyx {

// How the frame is assumed to continue beyond its ends, in the item order of the options
// dialog's auto-correlation group.
enum AcEndAssumption : int {
    AcNoExtraData = 0,    // linear sums, each lag divided by its number of products
    AcZeroExtraData = 1,  // linear sums over the zero-extended frame, all divided by N
    AcCircularData = 2,   // circular sums (the frame repeats), all divided by N
};

// The auto-correlation of a frame of N = 2^m samples (1 <= m < kMaxRealFftLog2) for the lags
// 0..N-1, in place in buffer[0..N). buffer holds 2N doubles: the frame, then N zeros that the
// caller provides (the linear types transform all 2N values; the circular type only the frame).
//
// With r(lag) = sum_j x[j] x[j + lag] over the zero-extended frame and c(lag) the same sum with
// the index taken modulo N, the result at lag is
//   AcNoExtraData:   r(lag) / (N - lag)
//   AcZeroExtraData: r(lag) / N
//   AcCircularData:  c(lag) / N
//   any other type:  r(lag) / N, and normalise has no effect.
// With normalise each of the three types is divided further by its own value at lag 0 (which
// then reads 1), except for a silent frame, which stays all zeros.
//
// Throws std::invalid_argument for m out of range. Safe to call from several threads at once
// on different buffers.
void AutoCorrelation(int m, double* buffer, int type, bool normalise);

}  // namespace tonalyx
