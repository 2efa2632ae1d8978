#include "pitch/PitchKernels.h"

#include <atomic>

namespace tonalyx {
namespace {

// The AVX2 build, or null when it is not part of this program or the processor lacks AVX2.
const PitchKernels* Avx2Kernels() {
#if defined(TONALYX_PITCH_AVX2)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return &kAvx2PitchKernels;
#endif
    return nullptr;
}

std::atomic<const PitchKernels*>& KernelChoice() {
    static std::atomic<const PitchKernels*> choice{Avx2Kernels() != nullptr ? Avx2Kernels()
                                                                            : &kSse2PitchKernels};
    return choice;
}

}  // namespace

const PitchKernels& ActivePitchKernels() {
    return *KernelChoice().load(std::memory_order_relaxed);
}

bool UsePitchInstructionSet(PitchInstructionSet set) {
    const PitchKernels* kernels =
        set == PitchInstructionSet::Avx2 ? Avx2Kernels() : &kSse2PitchKernels;
    if (kernels == nullptr) return false;
    KernelChoice().store(kernels, std::memory_order_relaxed);
    return true;
}

PitchInstructionSet BestPitchInstructionSet() {
    return Avx2Kernels() != nullptr ? PitchInstructionSet::Avx2 : PitchInstructionSet::Sse2;
}

}  // namespace tonalyx
