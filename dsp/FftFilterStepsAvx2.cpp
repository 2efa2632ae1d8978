// The filter steps for processors with AVX2. This file is compiled with -mavx2 but
// without -mfma, so that no product can become a fused multiply-add; it is only ever called
// after the processor has been checked (see FftPlan.cpp).
#include "dsp/FftFilterSteps.inc"
#include "dsp/FftKernels.h"

namespace tonalyx {

const FftFilterSteps kAvx2FftFilterSteps = {&MultiplySpectrum, &MultiplyHermitianSpectrum, &AddTo,
                                            &StartWith};

}  // namespace tonalyx
