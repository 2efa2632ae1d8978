#include "analysis/ColumnResampler.h"

#include <algorithm>
#include <cmath>

namespace tonalyx {

namespace {

// A real index turned into [0, highest]; NaN gives 0.
int ClampedIndex(double v, int highest) {
    if (!(v > 0.0)) return 0;
    if (v >= highest) return highest;
    return static_cast<int>(v);
}

// ceil(v) limited to the 32-bit range the rows are counted in; NaN gives 0.
int CeilToRow(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(std::ceil(v), -2147483647.0, 2147483647.0));
}

}  // namespace

double LookupBin(const double* column, int n, double x, LookupMode mode) {
    if (mode == LookupMode::Nearest || n < 2) {
        return column[ClampedIndex(std::floor(x + 0.5), n - 1)];
    }
    const int i = ClampedIndex(std::floor(x), n - 2);
    const double position = std::isnan(x) ? 0.0 : x;
    return column[i] + (position - i) * (column[i + 1] - column[i]);
}

void ColumnResampler::SetRowRange(const ScaleMap& rowMap, int binCount, int rowCount,
                                  LookupMode mode) {
    mode_ = mode;
    binCount_ = std::max(binCount, 0);
    rowCount_ = std::max(rowCount, 0);
    const double lo = rowMap.kind == ScaleKind::Reciprocal ? 1e-100 : 0.0;
    int r0 = CeilToRow(Inverse(rowMap, lo));
    int r1 = CeilToRow(Inverse(rowMap, static_cast<double>(binCount_)));
    if (r1 < r0) std::swap(r0, r1);
    firstRow_ = std::max(r0, 0);
    lastRow_ = std::min(r1, rowCount_);
    if (rowBins_.size() < static_cast<std::size_t>(rowCount_)) rowBins_.resize(rowCount_);
    firstBin_ = binCount_;
    endBin_ = 0;
    const bool linear = mode_ == LookupMode::Linear && binCount_ >= 2;
    for (int r = firstRow_; r < lastRow_; ++r) {
        const double x = Map(rowMap, r);
        rowBins_[r] = x;
        const int i = linear ? ClampedIndex(std::floor(x), binCount_ - 2)
                             : ClampedIndex(std::floor(x + 0.5), binCount_ - 1);
        firstBin_ = std::min(firstBin_, i);
        endBin_ = std::max(endBin_, i + (linear ? 2 : 1));
    }
    if (endBin_ <= firstBin_) firstBin_ = endBin_ = 0;
}

void ColumnResampler::Resample(const double* column, double* out) const {
    std::fill(out, out + rowCount_, 0.0);
    if (binCount_ < 1) return;
    for (int r = firstRow_; r < lastRow_; ++r) {
        out[r] = LookupBin(column, binCount_, rowBins_[r], mode_);
    }
}

}  // namespace tonalyx
