#pragma once

#include <cassert>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "pitch/NumericsError.h"
#include "pitch/Vectors.h"

namespace tonalyx {

// An owning matrix of rows x cols elements; element (r, c) lives at
// data[r * rowStride + c * colStride]. A new matrix is zero-filled and row-major
// (rowStride = cols, colStride = 1). Rows and columns are handed out as views that borrow the
// storage.
template <class T>
class Matrix {
    static_assert(!std::is_const_v<T>, "a matrix holds mutable elements");

public:
    using value_type = T;

    Matrix() = default;
    Matrix(int rows, int cols)
        : elements_(ArrayStorageSize(static_cast<std::int64_t>(ArrayStorageSize(rows)) *
                                     static_cast<std::int64_t>(ArrayStorageSize(cols)))),
          rowStride_(cols),
          rows_(rows),
          cols_(cols) {}

    // A copy is row-major and compact, whatever the layout of the source.
    Matrix(const Matrix& other) : Matrix(other.rows_, other.cols_) {
        if (other.IsRowMajor()) {
            elements_ = other.elements_;
            return;
        }
        T* out = elements_.data();
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < cols_; ++c)
                *out++ = other(r, c);
        }
    }
    Matrix& operator=(const Matrix& other) {
        if (this != &other) *this = Matrix(other);
        return *this;
    }
    Matrix(Matrix&& other) noexcept { Swap(other); }
    Matrix& operator=(Matrix&& other) noexcept {
        Matrix taken(std::move(other));
        Swap(taken);
        return *this;
    }

    // The same layout (both strides) and contents in new storage.
    Matrix Duplicate() const {
        Matrix copy;
        copy.elements_ = elements_;
        copy.rowStride_ = rowStride_;
        copy.rows_ = rows_;
        copy.colStride_ = colStride_;
        copy.cols_ = cols_;
        return copy;
    }

    // Exchanges rows and columns by exchanging the strides; no element moves.
    void Transpose() noexcept {
        std::swap(rows_, cols_);
        std::swap(rowStride_, colStride_);
    }

    T* data() noexcept { return elements_.data(); }
    const T* data() const noexcept { return elements_.data(); }
    int rowStride() const noexcept { return rowStride_; }
    int rows() const noexcept { return rows_; }
    int colStride() const noexcept { return colStride_; }
    int cols() const noexcept { return cols_; }
    int total() const noexcept { return static_cast<int>(elements_.size()); }

    T& operator()(int r, int c) noexcept { return elements_[Index(r, c)]; }
    const T& operator()(int r, int c) const noexcept { return elements_[Index(r, c)]; }

    VectorView<T> Row(int r) noexcept { return RowOf<T>(data(), r); }
    VectorView<const T> Row(int r) const noexcept { return RowOf<const T>(data(), r); }
    VectorView<T> Column(int c) noexcept { return ColumnOf<T>(data(), c); }
    VectorView<const T> Column(int c) const noexcept { return ColumnOf<const T>(data(), c); }

    Matrix& operator*=(double x) noexcept requires(!std::is_integral_v<T>) {
        for (T& e : elements_)
            e *= x;
        return *this;
    }

private:
    std::size_t Index(int r, int c) const noexcept {
        assert(r >= 0 && r < rows_ && c >= 0 && c < cols_);
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(rowStride_) +
               static_cast<std::size_t>(c) * static_cast<std::size_t>(colStride_);
    }
    bool IsRowMajor() const noexcept { return rowStride_ == cols_ && colStride_ == 1; }

    template <class E>
    VectorView<E> RowOf(E* base, int r) const noexcept {
        assert(r >= 0 && r < rows_);
        const int offset = r * rowStride_;
        return {base + offset, colStride_, cols_, offset};
    }
    template <class E>
    VectorView<E> ColumnOf(E* base, int c) const noexcept {
        assert(c >= 0 && c < cols_);
        const int offset = c * colStride_;
        return {base + offset, rowStride_, rows_, offset};
    }

    void Swap(Matrix& other) noexcept {
        elements_.swap(other.elements_);
        std::swap(rowStride_, other.rowStride_);
        std::swap(rows_, other.rows_);
        std::swap(colStride_, other.colStride_);
        std::swap(cols_, other.cols_);
    }

    std::vector<T> elements_;
    int rowStride_ = 0;
    int rows_ = 0;
    int colStride_ = 1;
    int cols_ = 0;
};

using DMatrix = Matrix<double>;
using CMatrix = Matrix<std::complex<double>>;

// Two matrices agree in shape when their rows and their cols are equal; a disagreement is
// reported to the numerics error hook.
template <class T, class U>
bool CheckShape(const Matrix<T>& a, const Matrix<U>& b) {
    if (a.rows() == b.rows() && a.cols() == b.cols()) return true;
    ReportNumericsError(kArraySizeMismatch);
    return false;
}

extern template class Matrix<double>;
extern template class Matrix<std::complex<double>>;

}  // namespace tonalyx
