#pragma once

#include <vector>

#include "analysis/ScaleMap.h"

namespace tonalyx {

enum class LookupMode : int { Nearest = 0, Linear = 1 };

// Value at the fractional bin x of a column of n values (n >= 1).
// Nearest: column[floor(x + 0.5)] with the index clamped to [0, n - 1].
// Linear: i = floor(x) clamped to [0, n - 2]; column[i] + (x - i) (column[i + 1] - column[i]),
// so x beyond the ends extrapolates along the end segment. A column of one value reads that
// value. A NaN position reads bin 0.
double LookupBin(const double* column, int n, double x, LookupMode mode);

// Puts one column of values onto the image rows through a row map f (row -> fractional bin).
// Rows [firstRow, lastRow) carry data; the others are 0.
class ColumnResampler {
public:
    // Finds the rows whose bin lies within the column: with g the inverse of rowMap,
    // ceil(g(lo)) and ceil(g(binCount)), lo = 1e-100 for a Reciprocal map (whose g(0) is
    // unbounded) and 0 otherwise, each clamped to +-2147483647, ordered and cut to
    // [0, rowCount). Also tabulates f(r) for those rows and the bins that lookups in the mode
    // read there.
    void SetRowRange(const ScaleMap& rowMap, int binCount, int rowCount, LookupMode mode);

    // out[0..rowCount): the looked-up values on the rows with data, 0 elsewhere. column holds
    // binCount values; a column with no values gives 0 on every row.
    void Resample(const double* column, double* out) const;

    // The bins [FirstBin(), EndBin()) that Resample reads; empty when no row carries data.
    int FirstBin() const { return firstBin_; }
    int EndBin() const { return endBin_; }

    LookupMode Mode() const { return mode_; }
    int BinCount() const { return binCount_; }
    int RowCount() const { return rowCount_; }
    int FirstRow() const { return firstRow_; }
    int LastRow() const { return lastRow_; }

private:
    LookupMode mode_ = LookupMode::Nearest;
    int binCount_ = 0;
    int rowCount_ = 0;
    int firstRow_ = 0;
    int lastRow_ = 0;
    int firstBin_ = 0;
    int endBin_ = 0;
    std::vector<double> rowBins_;  // f(r) for every row, grown only
};

}  // namespace tonalyx
