#pragma once

#include <vector>

namespace tonalyx {

// The power spectrum of an all-pole model x[t] = sum_k a[k] x[t - k] + e[t] with residual power
// p0: P(f) = p0 / |S|^2, S = 1 - sum_{k=1..m} a[k] z^k, z = e^{2 pi i f}, at the normalised
// frequency f in cycles per sample. The value is a density per unit of normalised frequency.
//
// Frequencies beyond the Nyquist limit (|f| > 0.5, or f not a number) and points where |S|^2 is
// 0 give 0. z^k is formed by repeated multiplication; a[0] is not read.
double MemPowerAt(double f, int m, const double* a, double p0);

// MemPowerAt over a fixed set of image rows for many coefficient sets, as the MEM spectrogram
// needs at every display set-up (columns x rows x poles terms). The powers z^k of every row are
// tabulated once per SetRows, by the same recurrence as MemPowerAt, so that a column costs two
// dot products per row, computed for several rows and columns at once. On processors with AVX2
// and FMA a fused multiply-add kernel is chosen at run time.
//
// Results equal MemPowerAt up to rounding: the sums take the terms in the same order, and the
// fused products change each term's rounding only, so |S| differs from MemPowerAt's by a few
// units of 1e-16 (1 + sum_k |a[k]|). The relative difference of the power is about twice that
// over |S|: near 1e-15 where the spectrum is smooth, up to about 1e-12 at the sharp peaks of
// 255-pole fits, where |S| is tiny. The portable kernel, where the compiler forms no fused
// multiply-adds (as on x86-64), repeats MemPowerAt's operations and gives its values exactly.
class MemSpectrumEvaluator {
public:
    // Tabulates rows frequencies (normalised, as for MemPowerAt) for coefficient sets of `poles`
    // coefficients. Rows beyond Nyquist are not tabulated and always give 0. Negative counts
    // read as 0. The table holds about 16 bytes per row and pole, and only grows.
    void SetRows(const double* rowFrequencies, int rows, int poles);

    int Rows() const { return rows_; }
    int Poles() const { return poles_; }

    enum class Kernel { Portable, Avx2Fma };
    // Every evaluator starts with the fastest kernel this processor runs. For tests and
    // benchmarks that compare the kernels: false (and no change) when the processor cannot run
    // the one asked for.
    bool UseKernel(Kernel kernel);
    Kernel ActiveKernel() const { return kernel_; }

    // One coefficient set, laid out as p0 then a[1..poles], to Rows() powers in out.
    void Evaluate(const double* coefficients, double* out) const;

    // `columns` coefficient sets one after another (set j at coefficients + j (Poles() + 1)) to
    // Rows() powers each (set j at out + j Rows()).
    void EvaluateColumns(int columns, const double* coefficients, double* out) const;

private:
    static Kernel FastestKernel();

    Kernel kernel_ = FastestKernel();
    int rows_ = 0;
    int poles_ = 0;
    std::vector<int> tabulatedRows_;  // the rows with |f| <= 0.5, ascending

    // Per panel of a few tabulated rows (the last panel padded with zeros), for k = 1..poles: the
    // real parts of z^k of the panel's rows, then their imaginary parts.
    std::vector<double> table_;
};

}  // namespace tonalyx
