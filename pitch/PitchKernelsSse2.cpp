// The pitch kernels for any x86-64 processor (SSE2).
#include "pitch/PitchKernels.inc"

namespace tonalyx {

const PitchKernels kSse2PitchKernels = {&PhaseSteps, &NoiseRatios, &OfferFixedPoints, &Dot,
                                        &PhaseCycles};

}  // namespace tonalyx
