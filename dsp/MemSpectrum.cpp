#include "dsp/MemSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

// x86 processors get a second build of the kernel with AVX2 and FMA, chosen at run time.
#if defined(__x86_64__) || defined(__i386__)
#define TONALYX_MEM_AVX2 1
#endif

namespace tonalyx {

namespace {

// Rows per table panel: one 256-bit or two 128-bit vectors.
constexpr int kPanelRows = 4;
// Coefficient sets that share one pass over the table, small enough for the level-2 cache even
// with 255 poles.
constexpr int kBlockColumns = 64;

struct Complex {
    double re, im;
};

Complex UnitCirclePoint(double f) {
    const double angle = 2.0 * std::numbers::pi * f;
    return {std::cos(angle), std::sin(angle)};
}

// The table and MemPowerAt both step through z^k with this product, so that they round alike.
Complex Times(Complex w, Complex z) {
    return {w.re * z.re - w.im * z.im, w.re * z.im + w.im * z.re};
}

bool BeyondNyquist(double f) {
    return !(std::abs(f) <= 0.5);
}

typedef double Vector2 __attribute__((vector_size(16)));
typedef double Vector4 __attribute__((vector_size(32)));

struct Table {
    int rows;
    int poles;
    const int* tabulatedRows;
    int tabulatedCount;
    const double* values;
};

// The powers at the kPanelRows rows of one panel for C consecutive coefficient sets. The
// lanes of a vector are rows, so every row sums its terms in the order k = 1..poles, and each
// loaded pair of table vectors serves all C sets.
template <class V, int C>
[[gnu::always_inline]] inline void PanelPowers(int poles, const double* panel, const double* sets,
                                               double (&powers)[C][kPanelRows]) {
    constexpr int kLanes = sizeof(V) / sizeof(double);
    constexpr int kVectors = kPanelRows / kLanes;
    const std::size_t stride = static_cast<std::size_t>(poles) + 1;
    V re[C][kVectors], im[C][kVectors];
    for (int c = 0; c < C; ++c) {
        for (int v = 0; v < kVectors; ++v) {
            re[c][v] = V{} + 1.0;
            im[c][v] = V{};
        }
    }
    for (int k = 0; k < poles; ++k) {
        const double* zk = panel + 2 * kPanelRows * k;
        for (int v = 0; v < kVectors; ++v) {
            V cosine, sine;
            std::memcpy(&cosine, zk + v * kLanes, sizeof cosine);
            std::memcpy(&sine, zk + kPanelRows + v * kLanes, sizeof sine);
            for (int c = 0; c < C; ++c) {
                const double coefficient = sets[c * stride + 1 + k];
                re[c][v] -= coefficient * cosine;
                im[c][v] -= coefficient * sine;
            }
        }
    }
    for (int c = 0; c < C; ++c) {
        const double p0 = sets[c * stride];
        for (int v = 0; v < kVectors; ++v) {
            const V d = re[c][v] * re[c][v] + im[c][v] * im[c][v];
            const V quotient = p0 / d;
            for (int lane = 0; lane < kLanes; ++lane) {
                powers[c][v * kLanes + lane] = d[lane] != 0.0 ? quotient[lane] : 0.0;
            }
        }
    }
}

template <class V, int C>
[[gnu::always_inline]] inline void PanelColumns(const Table& table, int panel, const double* sets,
                                                double* out) {
    double powers[C][kPanelRows];
    const std::size_t panelSize = 2 * kPanelRows * static_cast<std::size_t>(table.poles);
    PanelPowers<V, C>(table.poles, table.values + panel * panelSize, sets, powers);
    const int first = panel * kPanelRows;
    const int count = std::min(kPanelRows, table.tabulatedCount - first);
    for (int c = 0; c < C; ++c) {
        double* column = out + c * static_cast<std::size_t>(table.rows);
        for (int r = 0; r < count; ++r)
            column[table.tabulatedRows[first + r]] = powers[c][r];
    }
}

// Column blocks outermost, so that a block's coefficient sets stay in cache while the table
// streams past them once; within a panel the sets go C at a time.
template <class V, int C>
[[gnu::always_inline]] inline void EvaluateTable(const Table& table, int columns,
                                                 const double* coefficients, double* out) {
    const std::size_t stride = static_cast<std::size_t>(table.poles) + 1;
    const std::size_t rows = static_cast<std::size_t>(table.rows);
    const int panels = (table.tabulatedCount + kPanelRows - 1) / kPanelRows;
    for (int block = 0; block < columns; block += kBlockColumns) {
        const int end = std::min(columns, block + kBlockColumns);
        for (int panel = 0; panel < panels; ++panel) {
            int j = block;
            for (; j + C <= end; j += C) {
                PanelColumns<V, C>(table, panel, coefficients + j * stride, out + j * rows);
            }
            for (; j < end; ++j) {
                PanelColumns<V, 1>(table, panel, coefficients + j * stride, out + j * rows);
            }
        }
    }
}

void EvaluatePortable(const Table& table, int columns, const double* coefficients, double* out) {
    EvaluateTable<Vector2, 2>(table, columns, coefficients, out);
}

#ifdef TONALYX_MEM_AVX2
[[gnu::target("avx2,fma")]] void EvaluateAvx2Fma(const Table& table, int columns,
                                                 const double* coefficients, double* out) {
    EvaluateTable<Vector4, 4>(table, columns, coefficients, out);
}

bool HasAvx2Fma() {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return available;
}
#endif

}  // namespace

double MemPowerAt(double f, int m, const double* a, double p0) {
    if (BeyondNyquist(f)) return 0.0;
    const Complex z = UnitCirclePoint(f);
    Complex w{1.0, 0.0};
    Complex s{1.0, 0.0};
    for (int k = 1; k <= m; ++k) {
        w = Times(w, z);
        s.re -= a[k] * w.re;
        s.im -= a[k] * w.im;
    }
    const double d = s.re * s.re + s.im * s.im;
    return d != 0.0 ? p0 / d : 0.0;
}

MemSpectrumEvaluator::Kernel MemSpectrumEvaluator::FastestKernel() {
#ifdef TONALYX_MEM_AVX2
    if (HasAvx2Fma()) return Kernel::Avx2Fma;
#endif
    return Kernel::Portable;
}

bool MemSpectrumEvaluator::UseKernel(Kernel kernel) {
    if (kernel == Kernel::Avx2Fma && FastestKernel() != Kernel::Avx2Fma) return false;
    kernel_ = kernel;
    return true;
}

void MemSpectrumEvaluator::SetRows(const double* rowFrequencies, int rows, int poles) {
    rows_ = std::max(rows, 0);
    poles_ = std::max(poles, 0);
    tabulatedRows_.clear();
    for (int i = 0; i < rows_; ++i) {
        if (!BeyondNyquist(rowFrequencies[i])) tabulatedRows_.push_back(i);
    }
    const int count = static_cast<int>(tabulatedRows_.size());
    const int panels = (count + kPanelRows - 1) / kPanelRows;
    const std::size_t panelSize = 2 * kPanelRows * static_cast<std::size_t>(poles_);
    table_.assign(panels * panelSize, 0.0);
    for (int t = 0; t < count; ++t) {
        double* entry = table_.data() + (t / kPanelRows) * panelSize + t % kPanelRows;
        const Complex z = UnitCirclePoint(rowFrequencies[tabulatedRows_[t]]);
        Complex w{1.0, 0.0};
        for (int k = 0; k < poles_; ++k) {
            w = Times(w, z);
            entry[2 * kPanelRows * k] = w.re;
            entry[2 * kPanelRows * k + kPanelRows] = w.im;
        }
    }
}

void MemSpectrumEvaluator::Evaluate(const double* coefficients, double* out) const {
    EvaluateColumns(1, coefficients, out);
}

void MemSpectrumEvaluator::EvaluateColumns(int columns, const double* coefficients,
                                           double* out) const {
    if (columns <= 0 || rows_ == 0) return;
    const int count = static_cast<int>(tabulatedRows_.size());
    if (count < rows_) {
        std::fill(out, out + static_cast<std::size_t>(columns) * rows_, 0.0);
    }
    const Table table{rows_, poles_, tabulatedRows_.data(), count, table_.data()};
#ifdef TONALYX_MEM_AVX2
    if (kernel_ == Kernel::Avx2Fma) {
        EvaluateAvx2Fma(table, columns, coefficients, out);
        return;
    }
#endif
    EvaluatePortable(table, columns, coefficients, out);
}

}  // namespace tonalyx
