// The spectrum products for any x86-64 processor (SSE2).
#include "dsp/FftKernels.h"
#include "dsp/FftSpectrumProducts.inc"

namespace tonalyx {

const FftProducts kSse2FftProducts = {&MultiplySpectrum, &MultiplyHermitianSpectrum};

}  // namespace tonalyx
