// The pitch kernels for processors with AVX2. This file is compiled with -mavx2 (and without
// fused multiply-adds) and only ever called after the processor has been checked (see
// PitchKernels.cpp).
#include "pitch/PitchKernels.inc"

namespace tonalyx {

const PitchKernels kAvx2PitchKernels = {&PhaseSteps, &NoiseRatios, &OfferFixedPoints, &Dot,
                                        &PhaseCycles};

}  // namespace tonalyx
