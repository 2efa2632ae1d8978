#pragma once

// Two complex values (re0, im0, re1, im1) held in SIMD registers, and the few operations the
// transform kernels need. The AVX2 build keeps them in one 256-bit register, the SSE2 build in
// two 128-bit registers; the AVX-512 build adds four complex values in one register (CQuad).
// Everything has internal linkage: each kernel build gets its own copy. Included only by the kernel
// files.

#include <immintrin.h>

namespace tonalyx {
namespace {

#if defined(__AVX2__) && defined(__FMA__)

struct CPair {
    __m256d v;
};

inline CPair Load(const double* p) {
    return {_mm256_loadu_pd(p)};
}
inline void Store(double* p, CPair a) {
    _mm256_storeu_pd(p, a.v);
}
inline CPair Splat(double x) {
    return {_mm256_set1_pd(x)};
}
inline CPair operator+(CPair a, CPair b) {
    return {_mm256_add_pd(a.v, b.v)};
}
inline CPair operator-(CPair a, CPair b) {
    return {_mm256_sub_pd(a.v, b.v)};
}
inline CPair operator*(CPair a, CPair b) {
    return {_mm256_mul_pd(a.v, b.v)};
}

inline CPair SwapReIm(CPair a) {
    return {_mm256_permute_pd(a.v, 0b0101)};
}
inline CPair Conj(CPair a) {
    return {_mm256_xor_pd(a.v, _mm256_set_pd(-0.0, 0.0, -0.0, 0.0))};
}
// (a1, a0): the two complex values swapped.
inline CPair Reverse(CPair a) {
    return {_mm256_permute2f128_pd(a.v, a.v, 0x01)};
}
// (a0, b0) and (a1, b1).
inline CPair FirstOfEach(CPair a, CPair b) {
    return {_mm256_permute2f128_pd(a.v, b.v, 0x20)};
}
inline CPair SecondOfEach(CPair a, CPair b) {
    return {_mm256_permute2f128_pd(a.v, b.v, 0x31)};
}

// d + i e and d - i e.
inline CPair AddTimesI(CPair d, CPair e) {
    return {_mm256_addsub_pd(d.v, SwapReIm(e).v)};
}
inline CPair SubTimesI(CPair d, CPair e) {
    return {_mm256_fmsubadd_pd(d.v, _mm256_set1_pd(1.0), SwapReIm(e).v)};
}

// a + conj b, a - conj b and conj(a - b).
inline CPair AddConj(CPair a, CPair b) {
    return {_mm256_fmsubadd_pd(a.v, _mm256_set1_pd(1.0), b.v)};
}
inline CPair SubConj(CPair a, CPair b) {
    return {_mm256_addsub_pd(a.v, b.v)};
}
inline CPair ConjOfDifference(CPair a, CPair b) {
    return {_mm256_fmsubadd_pd(b.v, _mm256_set_pd(1.0, -1.0, 1.0, -1.0), a.v)};
}

// Multipliers with their real and imaginary parts repeated across each complex slot.
struct Twiddle {
    CPair re, im;
};

// Two consecutive (re, im) pairs at w; reads w[0..4].
inline Twiddle LoadTwiddles(const double* w) {
    return {{_mm256_movedup_pd(_mm256_loadu_pd(w))}, {_mm256_movedup_pd(_mm256_loadu_pd(w + 1))}};
}
// One (re, im) pair at w for both slots.
inline Twiddle BroadcastTwiddle(const double* w) {
    return {{_mm256_broadcast_sd(w)}, {_mm256_broadcast_sd(w + 1)}};
}
inline Twiddle SplatTwiddle(double re, double im) {
    return {Splat(re), Splat(im)};
}
inline Twiddle AsTwiddle(CPair w) {
    return {{_mm256_movedup_pd(w.v)}, {_mm256_permute_pd(w.v, 0b1111)}};
}

// a w and a conj(w).
inline CPair Multiply(CPair a, const Twiddle& w) {
    return {_mm256_fmaddsub_pd(a.v, w.re.v, _mm256_mul_pd(SwapReIm(a).v, w.im.v))};
}
inline CPair MultiplyConj(CPair a, const Twiddle& w) {
    return {_mm256_fmsubadd_pd(a.v, w.re.v, _mm256_mul_pd(SwapReIm(a).v, w.im.v))};
}

#elif defined(__SSE2__)

struct CPair {
    __m128d lo, hi;
};

inline __m128d SwapHalves(__m128d a) {
    return _mm_shuffle_pd(a, a, 1);
}
// Flips the sign of the real part.
inline __m128d NegateRe(__m128d a) {
    return _mm_xor_pd(a, _mm_set_pd(0.0, -0.0));
}

inline CPair Load(const double* p) {
    return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)};
}
inline void Store(double* p, CPair a) {
    _mm_storeu_pd(p, a.lo);
    _mm_storeu_pd(p + 2, a.hi);
}
inline CPair Splat(double x) {
    return {_mm_set1_pd(x), _mm_set1_pd(x)};
}
inline CPair operator+(CPair a, CPair b) {
    return {_mm_add_pd(a.lo, b.lo), _mm_add_pd(a.hi, b.hi)};
}
inline CPair operator-(CPair a, CPair b) {
    return {_mm_sub_pd(a.lo, b.lo), _mm_sub_pd(a.hi, b.hi)};
}
inline CPair operator*(CPair a, CPair b) {
    return {_mm_mul_pd(a.lo, b.lo), _mm_mul_pd(a.hi, b.hi)};
}

inline CPair SwapReIm(CPair a) {
    return {SwapHalves(a.lo), SwapHalves(a.hi)};
}
inline CPair Conj(CPair a) {
    const __m128d sign = _mm_set_pd(-0.0, 0.0);
    return {_mm_xor_pd(a.lo, sign), _mm_xor_pd(a.hi, sign)};
}
inline CPair Reverse(CPair a) {
    return {a.hi, a.lo};
}
inline CPair FirstOfEach(CPair a, CPair b) {
    return {a.lo, b.lo};
}
inline CPair SecondOfEach(CPair a, CPair b) {
    return {a.hi, b.hi};
}

// i e = (-e.im, e.re).
inline CPair TimesI(CPair e) {
    return {NegateRe(SwapHalves(e.lo)), NegateRe(SwapHalves(e.hi))};
}
inline CPair AddTimesI(CPair d, CPair e) {
    return d + TimesI(e);
}
inline CPair SubTimesI(CPair d, CPair e) {
    return d - TimesI(e);
}

inline CPair AddConj(CPair a, CPair b) {
    return a + Conj(b);
}
inline CPair SubConj(CPair a, CPair b) {
    return a - Conj(b);
}
inline CPair ConjOfDifference(CPair a, CPair b) {
    return Conj(a - b);
}

struct Twiddle {
    CPair re, im;
};

inline Twiddle LoadTwiddles(const double* w) {
    return {{_mm_load1_pd(w), _mm_load1_pd(w + 2)}, {_mm_load1_pd(w + 1), _mm_load1_pd(w + 3)}};
}
inline Twiddle BroadcastTwiddle(const double* w) {
    const __m128d re = _mm_load1_pd(w), im = _mm_load1_pd(w + 1);
    return {{re, re}, {im, im}};
}
inline Twiddle SplatTwiddle(double re, double im) {
    return {Splat(re), Splat(im)};
}
inline Twiddle AsTwiddle(CPair w) {
    return {{_mm_unpacklo_pd(w.lo, w.lo), _mm_unpacklo_pd(w.hi, w.hi)},
            {_mm_unpackhi_pd(w.lo, w.lo), _mm_unpackhi_pd(w.hi, w.hi)}};
}

// a w = a w.re + i a w.im.
inline CPair Multiply(CPair a, const Twiddle& w) {
    return a * w.re + TimesI(a * w.im);
}
inline CPair MultiplyConj(CPair a, const Twiddle& w) {
    return a * w.re - TimesI(a * w.im);
}

#else
#error "The transform kernels need SSE2 (x86-64)."
#endif

inline CPair Multiply(CPair a, CPair b) {
    return Multiply(a, AsTwiddle(b));
}

// a w for a forward transform, a conj(w) for an inverse one.
template <bool Forward>
inline CPair Rotate(CPair a, const Twiddle& w) {
    if constexpr (Forward) {
        return Multiply(a, w);
    } else {
        return MultiplyConj(a, w);
    }
}

#if defined(__AVX512F__)

// Four complex values in one 512-bit register, for the passes that run over four or more
// interleaved sub-transforms: per value the same operations as CPair's AVX2 build, so both give
// the same bits.
struct CQuad {
    __m512d v;
};

struct QuadTwiddle {
    CQuad re, im;
};

inline CQuad LoadQuad(const double* p) {
    return {_mm512_loadu_pd(p)};
}
inline void Store(double* p, CQuad a) {
    _mm512_storeu_pd(p, a.v);
}
inline CQuad SplatQuad(double x) {
    return {_mm512_set1_pd(x)};
}
inline CQuad operator+(CQuad a, CQuad b) {
    return {_mm512_add_pd(a.v, b.v)};
}
inline CQuad operator-(CQuad a, CQuad b) {
    return {_mm512_sub_pd(a.v, b.v)};
}
inline CQuad operator*(CQuad a, CQuad b) {
    return {_mm512_mul_pd(a.v, b.v)};
}
inline CQuad SwapReIm(CQuad a) {
    return {_mm512_shuffle_pd(a.v, a.v, 0b01010101)};
}

// d + i e and d - i e: d times 1 is exact, so each lane rounds d -+ e once, as addsub does.
inline CQuad AddTimesI(CQuad d, CQuad e) {
    return {_mm512_fmaddsub_pd(d.v, _mm512_set1_pd(1.0), SwapReIm(e).v)};
}
inline CQuad SubTimesI(CQuad d, CQuad e) {
    return {_mm512_fmsubadd_pd(d.v, _mm512_set1_pd(1.0), SwapReIm(e).v)};
}

// a w and a conj(w).
inline CQuad Multiply(CQuad a, const QuadTwiddle& w) {
    return {_mm512_fmaddsub_pd(a.v, w.re.v, _mm512_mul_pd(SwapReIm(a).v, w.im.v))};
}
inline CQuad MultiplyConj(CQuad a, const QuadTwiddle& w) {
    return {_mm512_fmsubadd_pd(a.v, w.re.v, _mm512_mul_pd(SwapReIm(a).v, w.im.v))};
}

template <bool Forward>
inline CQuad Rotate(CQuad a, const QuadTwiddle& w) {
    if constexpr (Forward) {
        return Multiply(a, w);
    } else {
        return MultiplyConj(a, w);
    }
}

#endif

}  // namespace
}  // namespace tonalyx
