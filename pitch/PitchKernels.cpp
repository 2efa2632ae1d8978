#include "pitch/PitchKernels.h"

#include <atomic>

namespace tonalyx {
namespace {

// The build of set, or null when it is not part of this program or the processor (or the
// system, for AVX-512's registers) cannot run it.
const PitchKernels* KernelsOf(PitchInstructionSet set) {
    if (set == PitchInstructionSet::Sse2) return &kSse2PitchKernels;
#if defined(TONALYX_PITCH_X86_BUILDS)
    __builtin_cpu_init();
    if (set == PitchInstructionSet::Avx2 && __builtin_cpu_supports("avx2")) {
        return &kAvx2PitchKernels;
    }
    if (set == PitchInstructionSet::Avx512 && __builtin_cpu_supports("avx512f")) {
        return &kAvx512PitchKernels;
    }
#endif
    return nullptr;
}

std::atomic<const PitchKernels*>& KernelChoice() {
    static std::atomic<const PitchKernels*> choice{KernelsOf(BestPitchInstructionSet())};
    return choice;
}

}  // namespace

const PitchKernels& ActivePitchKernels() {
    return *KernelChoice().load(std::memory_order_relaxed);
}

bool UsePitchInstructionSet(PitchInstructionSet set) {
    const PitchKernels* kernels = KernelsOf(set);
    if (kernels == nullptr) return false;
    KernelChoice().store(kernels, std::memory_order_relaxed);
    return true;
}

PitchInstructionSet BestPitchInstructionSet() {
    for (const PitchInstructionSet set : {PitchInstructionSet::Avx512, PitchInstructionSet::Avx2}) {
        if (KernelsOf(set) != nullptr) return set;
    }
    return PitchInstructionSet::Sse2;
}

}  // namespace tonalyx
