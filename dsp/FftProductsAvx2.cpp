// The spectrum products for processors with AVX2. This file is compiled with -mavx2 but
// without -mfma, so that no product can become a fused multiply-add; it is only ever called
// after the processor has been checked (see FftPlan.cpp).
#include "dsp/FftKernels.h"
#include "dsp/FftSpectrumProducts.inc"

namespace tonalyx {

const FftProducts kAvx2FftProducts = {&MultiplySpectrum, &MultiplyHermitianSpectrum};

}  // namespace tonalyx
