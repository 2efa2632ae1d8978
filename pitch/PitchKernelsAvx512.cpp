// The pitch kernels for processors with AVX-512: vectors of eight doubles. This file is
// compiled with -mavx512f (and without fused multiply-adds) and only ever called after the
// processor and the system have been checked (see PitchKernels.cpp).
#define TONALYX_PITCH_LANES 8
#include "pitch/PitchKernels.inc"

namespace tonalyx {

const PitchKernels kAvx512PitchKernels = {&PhaseSteps, &NoiseRatios, &OfferFixedPoints, &Dot,
                                          &PhaseCycles};

}  // namespace tonalyx
