// The transform kernels for any x86-64 processor (SSE2).
#include "dsp/FftPasses.inc"
#include "dsp/FftRealSplit.inc"

namespace tonalyx {

const FftKernels kSse2FftKernels = {&TransformComplex, &SplitRealSpectrum, &kSse2FftFilterSteps};

}  // namespace tonalyx
