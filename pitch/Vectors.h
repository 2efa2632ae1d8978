#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace tonalyx {

// Element counts are int. Converts a requested count to a storage size; negative counts and
// counts beyond the int range throw std::length_error.
std::size_t ArrayStorageSize(std::int64_t count);

// A strided window on elements stored elsewhere (a row or column of a matrix, or a whole owning
// vector). It never owns or frees the elements; copying a view copies the window, not the
// elements. T may be const-qualified for read-only views.
template <class T>
class VectorView {
public:
    using element_type = T;
    using value_type = std::remove_cv_t<T>;

    VectorView() = default;
    VectorView(T* data, int stride, int length, int offset = 0) noexcept
        : offset_(offset), data_(data), stride_(stride), length_(length) {}
    // A view of mutable elements may be read as a view of constant ones.
    template <class U>
    requires std::is_same_v<const U, T> VectorView(const VectorView<U>& other)
    noexcept : VectorView(other.data(), other.stride(), other.length(), other.offset()) {}

    // Element offset of the first element within the matrix the view was taken from.
    int offset() const noexcept { return offset_; }
    T* data() const noexcept { return data_; }
    int stride() const noexcept { return stride_; }
    int length() const noexcept { return length_; }
    // The number of elements a copy transfers; always the length.
    int count() const noexcept { return length_; }

    T& operator[](int i) const noexcept { return data_[static_cast<std::ptrdiff_t>(i) * stride_]; }

private:
    int offset_ = 0;
    T* data_ = nullptr;
    int stride_ = 1;
    int length_ = 0;
};

// An owning vector of contiguous elements (stride 1), zero-filled on construction. Copies are
// deep; moves hand over the storage.
template <class T>
class Vector {
    static_assert(!std::is_const_v<T>, "an owning vector holds mutable elements");

public:
    using element_type = T;
    using value_type = T;

    Vector() = default;
    explicit Vector(int length) : elements_(ArrayStorageSize(length)) {}
    // A stride-1 copy of the elements of any view.
    explicit Vector(VectorView<const T> source) {
        elements_.reserve(ArrayStorageSize(source.length()));
        for (int i = 0; i < source.length(); ++i)
            elements_.push_back(source[i]);
    }

    int offset() const noexcept { return 0; }
    T* data() noexcept { return elements_.data(); }
    const T* data() const noexcept { return elements_.data(); }
    int stride() const noexcept { return 1; }
    int length() const noexcept { return static_cast<int>(elements_.size()); }
    int count() const noexcept { return length(); }

    T& operator[](int i) noexcept { return elements_[static_cast<std::size_t>(i)]; }
    const T& operator[](int i) const noexcept { return elements_[static_cast<std::size_t>(i)]; }

    std::span<T> Elements() noexcept { return elements_; }
    std::span<const T> Elements() const noexcept { return elements_; }

    VectorView<T> View() noexcept { return {data(), 1, length()}; }
    VectorView<const T> View() const noexcept { return {data(), 1, length()}; }
    operator VectorView<T>() noexcept { return View(); }
    operator VectorView<const T>() const noexcept { return View(); }

private:
    std::vector<T> elements_;
};

using DVector = Vector<double>;
using CVector = Vector<std::complex<double>>;
using IVector = Vector<std::int32_t>;
using DVectorView = VectorView<double>;
using CVectorView = VectorView<std::complex<double>>;
using IVectorView = VectorView<std::int32_t>;

// Every vector, owning or view, as a view; the array operations work on these.
template <class T>
VectorView<T> AsView(VectorView<T> v) noexcept {
    return v;
}
template <class T>
VectorView<T> AsView(Vector<T>& v) noexcept {
    return v.View();
}
template <class T>
VectorView<const T> AsView(const Vector<T>& v) noexcept {
    return v.View();
}

extern template class Vector<double>;
extern template class Vector<std::complex<double>>;
extern template class Vector<std::int32_t>;

}  // namespace tonalyx
