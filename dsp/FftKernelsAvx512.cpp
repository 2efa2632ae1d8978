// The transform kernels for processors with AVX-512: the passes after the first do four complex
// values at a time, with the same operations per value as the AVX2 build, which gives the same
// bits. This file is compiled with -mavx512f -mavx2 -mfma and only ever called after the
// processor and the system have been checked (see FftPlan.cpp).
#include "dsp/FftPasses.inc"
#include "dsp/FftRealSplit.inc"

namespace tonalyx {

const FftKernels kAvx512FftKernels = {&TransformComplex, &SplitRealSpectrum, &kAvx2FftFilterSteps};

}  // namespace tonalyx
