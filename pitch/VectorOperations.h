#pragma once

#include <algorithm>
#include <complex>
#include <concepts>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "pitch/NumericsError.h"
#include "pitch/Vectors.h"

namespace tonalyx {

// Element-wise arithmetic on owning vectors and views alike. Operations on two vectors first
// check that their lengths agree; on a mismatch they report kArraySizeMismatch to the numerics
// error hook and then work on the common leading elements only, so that nothing outside either
// vector is read or written.

template <class V>
concept ArrayVector = requires(V& v) {
    AsView(v);
};

template <ArrayVector V>
using ViewOf = decltype(AsView(std::declval<V&>()));

template <ArrayVector V>
using ElementOf = typename ViewOf<V>::value_type;

// A vector whose elements may be written: an owning vector that is not const, or a view of
// mutable elements (also a temporary one, such as M.Row(r)).
template <class V>
concept WritableVector = ArrayVector<V> && !std::is_const_v<typename ViewOf<V>::element_type>;

template <class V, class W>
concept SameElementType =
    ArrayVector<V> && ArrayVector<W> && std::same_as<ElementOf<V>, ElementOf<W>>;

template <class T>
concept RealOrComplex = std::floating_point<T> || std::same_as<T, std::complex<double>>;

namespace array_detail {

// Applies op(v[i], w[i]) over the common length, after reporting a length mismatch.
template <class T, class U, class Op>
void Combine(VectorView<T> v, VectorView<U> w, Op op) {
    if (v.length() != w.length()) ReportNumericsError(kArraySizeMismatch);
    const int n = std::min(v.length(), w.length());
    if (v.stride() == 1 && w.stride() == 1) {
        T* a = v.data();
        U* b = w.data();
        for (int i = 0; i < n; ++i)
            op(a[i], b[i]);
    } else {
        for (int i = 0; i < n; ++i)
            op(v[i], w[i]);
    }
}

template <class T, class Op>
void ForEach(VectorView<T> v, Op op) {
    if (v.stride() == 1) {
        T* a = v.data();
        for (int i = 0; i < v.length(); ++i)
            op(a[i]);
    } else {
        for (int i = 0; i < v.length(); ++i)
            op(v[i]);
    }
}

}  // namespace array_detail

template <class V, class W>
requires SameElementType<V, W>
bool CheckSize(const V& a, const W& b) {
    if (AsView(a).length() == AsView(b).length()) return true;
    ReportNumericsError(kArraySizeMismatch);
    return false;
}

// A new owning, stride-1 vector with the elements of v.
template <ArrayVector V>
Vector<ElementOf<V>> Copy(const V& v) {
    return Vector<ElementOf<V>>(AsView(v));
}

// dst[i] = src[i] for the count elements of dst, typically to fill a row or column view. A
// source shorter than dst is reported as a size mismatch and only its elements are copied; a
// longer one is cut to dst's count.
template <class D, class S>
requires WritableVector<D> && SameElementType<D, S>
void Assign(D&& dst, const S& src) {
    const auto to = AsView(dst);
    const auto from = AsView(src);
    if (from.count() < to.count()) ReportNumericsError(kArraySizeMismatch);
    const int n = std::min(to.count(), from.count());
    for (int i = 0; i < n; ++i)
        to[i] = from[i];
}

template <class V>
requires WritableVector<V> && RealOrComplex<ElementOf<V>>
void operator*=(V&& v, double x) {
    array_detail::ForEach(AsView(v), [x](auto& e) { e *= x; });
}

template <class V>
requires WritableVector<V> && RealOrComplex<ElementOf<V>>
void operator/=(V&& v, double x) {
    array_detail::ForEach(AsView(v), [x](auto& e) { e /= x; });
}

template <class V, class W>
requires WritableVector<V> && SameElementType<V, W>
void operator+=(V&& v, const W& w) {
    array_detail::Combine(AsView(v), AsView(w), [](auto& a, const auto& b) { a += b; });
}

template <class V, class W>
requires WritableVector<V> && SameElementType<V, W>
void operator-=(V&& v, const W& w) {
    array_detail::Combine(AsView(v), AsView(w), [](auto& a, const auto& b) { a -= b; });
}

// v[i] = w[i] - v[i].
template <class V, class W>
requires WritableVector<V> && SameElementType<V, W>
void ReverseSubtract(V&& v, const W& w) {
    array_detail::Combine(AsView(v), AsView(w), [](auto& a, const auto& b) { a = b - a; });
}

// A new owning vector of a's length: a copied, then b added or subtracted element-wise.
template <class A, class B>
requires SameElementType<A, B> Vector<ElementOf<A>>
operator+(const A& a, const B& b) {
    Vector<ElementOf<A>> result = Copy(a);
    result += b;
    return result;
}

template <class A, class B>
requires SameElementType<A, B> Vector<ElementOf<A>>
operator-(const A& a, const B& b) {
    Vector<ElementOf<A>> result = Copy(a);
    result -= b;
    return result;
}

// Integer vectors are summed in 64 bits so that the sum cannot overflow.
template <ArrayVector V>
auto Sum(const V& v) {
    using Element = ElementOf<V>;
    using Total = std::conditional_t<std::is_integral_v<Element>, std::int64_t, Element>;
    Total total{};
    array_detail::ForEach(AsView(v), [&total](const auto& e) { total += e; });
    return total;
}

}  // namespace tonalyx
