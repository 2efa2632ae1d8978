#pragma once

namespace tonalyx {

// Decimates by block means: out[i] = (in[i p] + in[i p + 1] + ... + in[i p + p - 1]) / p for i
// in [0, count), each block summed in order and then divided by p. Without an out array the
// means replace in[0..count); that is safe because block i is read before slot i (<= i p) is
// written, and out may equal in for the same reason. Returns count p, the number of inputs
// consumed; count <= 0 or p <= 0 consume and write nothing and return 0.
int BlockAverage(int count, int p, double* in, double* out = nullptr);

}  // namespace tonalyx
