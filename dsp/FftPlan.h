#pragma once

#include <cstddef>

#include "dsp/FftKernels.h"

namespace tonalyx {

// The shared state behind the transforms: twiddle tables and plans, built once per size under
// a lock and then read without one; a work array per thread; the kernel build for this
// processor.

// Throws std::invalid_argument naming the function when m is outside [lowest, highest].
void RequireFftExponent(const char* function, int m, int lowest, int highest);

// The plan of a complex transform of 2^log2Size points, 4 <= log2Size <= kMaxComplexFftLog2.
const ComplexFftPlan& GetComplexFftPlan(int log2Size);

// The split twiddles of a real transform of 2^log2Size points (see FftKernels), log2Size >= 1.
const double* GetRealSplitTwiddles(int log2Size);

// A work array of at least count doubles, owned by the calling thread; it only grows.
double* FftScratch(std::size_t count);

const FftKernels& ActiveFftKernels();

enum class FftInstructionSet { Sse2, Avx2, Avx512 };

// Makes every following transform use the kernels of set; false (and no change) when this
// processor cannot run them. For tests that compare the builds.
bool UseFftInstructionSet(FftInstructionSet set);

// The best kernels for this processor, as chosen at start.
FftInstructionSet BestFftInstructionSet();

}  // namespace tonalyx
