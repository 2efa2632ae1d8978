// The filter steps for any x86-64 processor (SSE2).
#include "dsp/FftFilterSteps.inc"
#include "dsp/FftKernels.h"

namespace tonalyx {

const FftFilterSteps kSse2FftFilterSteps = {&MultiplySpectrum, &MultiplyHermitianSpectrum, &AddTo,
                                            &StartWith};

}  // namespace tonalyx
