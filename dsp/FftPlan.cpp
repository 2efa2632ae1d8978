#include "dsp/FftPlan.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "dsp/Fft.h"

namespace tonalyx {

namespace {

// Above this sub-transform length a radix-4 pass keeps only w^p and forms w^2p and w^3p as it
// goes: the table shrinks to a third, which matters for long transforms that are limited by
// memory traffic anyway.
constexpr int kMaxFullTwiddlesLog2 = 16;

struct FreeDeleter {
    void operator()(double* p) const noexcept { std::free(p); }
};
using AlignedDoubles = std::unique_ptr<double[], FreeDeleter>;

// Aligned to a cache line: fewer vector accesses straddle two lines.
AlignedDoubles AllocateDoubles(std::size_t count) {
    constexpr std::size_t kAlignment = 64;
    const std::size_t bytes = (count * sizeof(double) + kAlignment - 1) / kAlignment * kAlignment;
    void* memory = std::aligned_alloc(kAlignment, bytes);
    if (memory == nullptr) throw std::bad_alloc();
    return AlignedDoubles(static_cast<double*>(memory));
}

struct UnitRoot {
    double re, im;
};

// e^{2 pi i t / length}. Only angles of the first octant are evaluated, in extended precision;
// the others follow by symmetry, so that the quarter turns are exact and a root equals its
// reflections.
UnitRoot RootOfUnity(std::uint64_t t, std::uint64_t length) {
    if (length < 4) return {t == 0 ? 1.0 : -1.0, 0.0};
    const std::uint64_t quarter = length / 4;
    const std::uint64_t quadrant = (t / quarter) % 4;
    const std::uint64_t r = t % quarter;
    const long double step = 2.0L * std::numbers::pi_v<long double> / length;
    long double c, s;
    if (2 * r <= quarter) {
        c = std::cos(step * r);
        s = std::sin(step * r);
    } else {
        c = std::sin(step * (quarter - r));
        s = std::cos(step * (quarter - r));
    }
    const double cd = static_cast<double>(c), sd = static_cast<double>(s);
    switch (quadrant) {
        case 0:
            return {cd, sd};
        case 1:
            return {-sd, cd};
        case 2:
            return {-cd, -sd};
        default:
            return {sd, -cd};
    }
}

// e^{2 pi i p / length} for p = 0, 1, 2, ...: rotated step by step in extended precision and
// restarted from RootOfUnity every 64 steps, which keeps the error far below a double's
// rounding while calling sin and cos only once per 64 roots.
class RootSequence {
public:
    explicit RootSequence(std::uint64_t length)
        : length_(length),
          stepRe_(std::cos(2.0L * std::numbers::pi_v<long double> / length)),
          stepIm_(std::sin(2.0L * std::numbers::pi_v<long double> / length)) {}

    UnitRoot Next() {
        if (p_ % kRestart == 0) {
            const UnitRoot exact = RootOfUnity(p_ % length_, length_);
            re_ = exact.re;
            im_ = exact.im;
        }
        const UnitRoot root{static_cast<double>(re_), static_cast<double>(im_)};
        const long double re = re_ * stepRe_ - im_ * stepIm_;
        im_ = re_ * stepIm_ + im_ * stepRe_;
        re_ = re;
        ++p_;
        return root;
    }

private:
    static constexpr std::uint64_t kRestart = 64;
    std::uint64_t length_;
    long double stepRe_, stepIm_;
    long double re_ = 1.0L, im_ = 0.0L;
    std::uint64_t p_ = 0;
};

enum TableKind : int { kRadix4Full, kRadix4Derived, kRealSplit, kTableKinds };

// Builds the table of one kind for length 2^log2Length (see FftKernels.h for the layouts).
AlignedDoubles BuildTable(TableKind kind, int log2Length) {
    const std::uint64_t length = std::uint64_t{1} << log2Length;
    const std::uint64_t count = length / 4;
    const std::size_t slots = kind == kRadix4Full ? 6 * count : 2 * count;
    AlignedDoubles table = AllocateDoubles(slots + 1);
    double* out = table.get();
    if (kind == kRadix4Full) {
        for (std::uint64_t p = 0; p < count; p += 2) {
            for (std::uint64_t j = 1; j <= 3; ++j) {
                for (std::uint64_t q = p; q < p + 2; ++q) {
                    const UnitRoot w = RootOfUnity(j * q % length, length);
                    *out++ = w.re;
                    *out++ = w.im;
                }
            }
        }
    } else {
        RootSequence roots(length);
        for (std::uint64_t p = 0; p < count; ++p) {
            const UnitRoot w = roots.Next();
            if (kind == kRealSplit) {
                // -i w
                *out++ = w.im;
                *out++ = -w.re;
            } else {
                *out++ = w.re;
                *out++ = w.im;
            }
        }
    }
    *out = 0.0;
    return table;
}

struct FftCache {
    std::mutex mutex;
    std::array<std::array<std::atomic<const double*>, kMaxRealFftLog2 + 1>, kTableKinds> tables{};
    std::array<std::atomic<const ComplexFftPlan*>, kMaxComplexFftLog2 + 1> plans{};
    std::vector<AlignedDoubles> tableStorage;
    std::vector<std::unique_ptr<ComplexFftPlan>> planStorage;
};

FftCache& Cache() {
    static FftCache cache;
    return cache;
}

// Returns the object published in slot, building and publishing it under the cache lock the
// first time. Published objects are never changed or freed while the program runs.
template <typename T, typename Build>
const T* Published(std::atomic<const T*>& slot, Build build) {
    if (const T* ready = slot.load(std::memory_order_acquire)) return ready;
    std::lock_guard lock(Cache().mutex);
    if (const T* ready = slot.load(std::memory_order_relaxed)) return ready;
    const T* built = build();
    slot.store(built, std::memory_order_release);
    return built;
}

const double* GetTable(TableKind kind, int log2Length) {
    FftCache& cache = Cache();
    return Published(cache.tables[kind][log2Length], [&] {
        cache.tableStorage.push_back(BuildTable(kind, log2Length));
        return static_cast<const double*>(cache.tableStorage.back().get());
    });
}

ComplexFftPlan BuildPlan(int log2Size) {
    ComplexFftPlan plan{};
    plan.log2Size = log2Size;
    for (int log2Length = log2Size; log2Length > 3; log2Length -= 2) {
        const bool derived = log2Length > kMaxFullTwiddlesLog2;
        plan.derivedTwiddles[plan.passCount] = derived;
        plan.twiddles[plan.passCount++] =
            GetTable(derived ? kRadix4Derived : kRadix4Full, log2Length);
    }
    plan.twiddles[plan.passCount++] = nullptr;
    return plan;
}

// The build of set, or null when it is not part of this program or the processor (or the
// system, for AVX-512's registers) cannot run it. The wide builds need AVX2 and FMA.
const FftKernels* KernelsOf(FftInstructionSet set) {
    if (set == FftInstructionSet::Sse2) return &kSse2FftKernels;
#if defined(TONALYX_FFT_AVX2)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return nullptr;
    if (set == FftInstructionSet::Avx2) return &kAvx2FftKernels;
    if (__builtin_cpu_supports("avx512f")) return &kAvx512FftKernels;
#endif
    return nullptr;
}

const FftKernels* BestKernels() {
    return KernelsOf(BestFftInstructionSet());
}

std::atomic<const FftKernels*>& KernelChoice() {
    static std::atomic<const FftKernels*> choice{BestKernels()};
    return choice;
}

}  // namespace

void RequireFftExponent(const char* function, int m, int lowest, int highest) {
    if (m < lowest || m > highest) {
        throw std::invalid_argument(std::string(function) + ": size exponent " + std::to_string(m) +
                                    " outside " + std::to_string(lowest) + ".." +
                                    std::to_string(highest));
    }
}

const ComplexFftPlan& GetComplexFftPlan(int log2Size) {
    FftCache& cache = Cache();
    std::atomic<const ComplexFftPlan*>& slot = cache.plans[log2Size];
    if (const ComplexFftPlan* ready = slot.load(std::memory_order_acquire)) return *ready;
    // The tables are published first, each under its own turn of the lock.
    const ComplexFftPlan plan = BuildPlan(log2Size);
    return *Published(slot, [&] {
        cache.planStorage.push_back(std::make_unique<ComplexFftPlan>(plan));
        return static_cast<const ComplexFftPlan*>(cache.planStorage.back().get());
    });
}

const double* GetRealSplitTwiddles(int log2Size) {
    return GetTable(kRealSplit, log2Size);
}

double* FftScratch(std::size_t count) {
    thread_local AlignedDoubles buffer;
    thread_local std::size_t capacity = 0;
    if (capacity < count) {
        buffer = AllocateDoubles(count);
        capacity = count;
    }
    return buffer.get();
}

const FftKernels& ActiveFftKernels() {
    return *KernelChoice().load(std::memory_order_relaxed);
}

bool UseFftInstructionSet(FftInstructionSet set) {
    const FftKernels* kernels = KernelsOf(set);
    if (kernels == nullptr) return false;
    KernelChoice().store(kernels, std::memory_order_relaxed);
    return true;
}

FftInstructionSet BestFftInstructionSet() {
    for (const FftInstructionSet set : {FftInstructionSet::Avx512, FftInstructionSet::Avx2}) {
        if (KernelsOf(set) != nullptr) return set;
    }
    return FftInstructionSet::Sse2;
}

}  // namespace tonalyx
