// The transform kernels for processors with AVX2 and FMA. This file is compiled with -mavx2
// -mfma and only ever called after the processor has been checked (see FftPlan.cpp).
#include "dsp/FftPasses.inc"
#include "dsp/FftRealSplit.inc"

namespace tonalyx {

const FftKernels kAvx2FftKernels = {&TransformComplex, &SplitRealSpectrum, &kAvx2FftFilterSteps};

}  // namespace tonalyx
