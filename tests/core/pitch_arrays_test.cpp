#include "pitch/Arrays.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace tonalyx {
namespace {

// Installs a hook that records every report, and restores the previous hook afterwards.
class RecordedReports {
public:
    RecordedReports()
        : previous_(SetNumericsErrorHook(
              [this](std::string_view message) { reports.emplace_back(message); })) {}
    ~RecordedReports() { SetNumericsErrorHook(std::move(previous_)); }

    std::vector<std::string> reports;

private:
    NumericsErrorHook previous_;
};

// 3 x 4 with element (r, c) = 10 r + c.
DMatrix Numbered() {
    DMatrix m(3, 4);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c)
            m(r, c) = 10 * r + c;
    }
    return m;
}

DVector Values(std::initializer_list<double> values) {
    DVector v(static_cast<int>(values.size()));
    int i = 0;
    for (double x : values)
        v[i++] = x;
    return v;
}

std::vector<double> Elements(VectorView<const double> v) {
    std::vector<double> out;
    for (int i = 0; i < v.length(); ++i)
        out.push_back(v[i]);
    return out;
}

TEST(Arrays, NewArraysAreZeroFilledWithTheirLayout) {
    const DVector d(5);
    EXPECT_EQ(d.length(), 5);
    EXPECT_EQ(d.count(), 5);
    EXPECT_EQ(d.stride(), 1);
    EXPECT_EQ(d.offset(), 0);
    EXPECT_EQ(Elements(d), std::vector<double>(5, 0.0));
    const CVector c(3);
    EXPECT_EQ(c[2], std::complex<double>(0.0, 0.0));
    const IVector n(4);
    EXPECT_EQ(Sum(n), 0);

    const CMatrix m(3, 7);
    EXPECT_EQ(m.rows(), 3);
    EXPECT_EQ(m.cols(), 7);
    EXPECT_EQ(m.rowStride(), 7);
    EXPECT_EQ(m.colStride(), 1);
    EXPECT_EQ(m.total(), 21);
    EXPECT_EQ(m(2, 6), std::complex<double>(0.0, 0.0));

    EXPECT_THROW(DVector(-1), std::length_error);
    EXPECT_THROW(DMatrix(70000, 70000), std::length_error);
}

TEST(Arrays, RowAndColumnViewsReachTheRightElements) {
    DMatrix m = Numbered();
    const DVectorView row = m.Row(1);
    EXPECT_EQ(row.offset(), 4);
    EXPECT_EQ(row.stride(), 1);
    EXPECT_EQ(row.length(), 4);
    EXPECT_EQ(Elements(row), (std::vector<double>{10, 11, 12, 13}));

    const DVectorView column = m.Column(2);
    EXPECT_EQ(column.offset(), 2);
    EXPECT_EQ(column.stride(), 4);
    EXPECT_EQ(column.count(), 3);
    EXPECT_EQ(Elements(column), (std::vector<double>{2, 12, 22}));

    column[1] = -1.0;
    m.Row(2)[3] = -2.0;
    EXPECT_EQ(m(1, 2), -1.0);
    EXPECT_EQ(m(2, 3), -2.0);
    EXPECT_EQ(m.data()[11], -2.0);

    // Views of a const matrix only read.
    const DMatrix& constant = m;
    static_assert(std::is_const_v<decltype(constant.Row(0))::element_type>);
    EXPECT_EQ(Elements(constant.Column(3)), (std::vector<double>{3, 13, -2}));
}

TEST(Arrays, TransposedMatrixSwapsStridesNotElements) {
    DMatrix m = Numbered();
    const double* storage = m.data();
    m.Transpose();
    EXPECT_EQ(m.data(), storage);
    EXPECT_EQ(m.rows(), 4);
    EXPECT_EQ(m.cols(), 3);
    EXPECT_EQ(m.rowStride(), 1);
    EXPECT_EQ(m.colStride(), 4);
    EXPECT_EQ(m(3, 1), 13.0);
    EXPECT_EQ(Elements(m.Row(2)), (std::vector<double>{2, 12, 22}));
    EXPECT_EQ(m.Row(2).stride(), 4);
    EXPECT_EQ(Elements(m.Column(1)), (std::vector<double>{10, 11, 12, 13}));
}

TEST(Arrays, CopiesAreDeepAndDuplicatesKeepTheLayout) {
    DMatrix m = Numbered();
    DVector fromView = Copy(m.Column(1));
    EXPECT_EQ(fromView.stride(), 1);
    EXPECT_EQ(Elements(fromView), (std::vector<double>{1, 11, 21}));
    fromView[0] = 99.0;
    EXPECT_EQ(m(0, 1), 1.0);

    DVector copied = fromView;
    copied[1] = 98.0;
    EXPECT_EQ(fromView[1], 11.0);

    m.Transpose();
    DMatrix compact = m;
    EXPECT_EQ(compact.rowStride(), 3);
    EXPECT_EQ(compact.colStride(), 1);
    EXPECT_EQ(std::vector<double>(compact.data(), compact.data() + 12),
              (std::vector<double>{0, 10, 20, 1, 11, 21, 2, 12, 22, 3, 13, 23}));

    DMatrix duplicate = m.Duplicate();
    EXPECT_EQ(duplicate.rowStride(), 1);
    EXPECT_EQ(duplicate.colStride(), 4);
    EXPECT_EQ(std::vector<double>(duplicate.data(), duplicate.data() + 12),
              std::vector<double>(m.data(), m.data() + 12));
    duplicate(0, 0) = 7.0;
    compact(0, 0) = 8.0;
    EXPECT_EQ(m(0, 0), 0.0);

    // Moves hand the storage over and leave an empty matrix behind.
    const double* storage = duplicate.data();
    DMatrix moved = std::move(duplicate);
    EXPECT_EQ(moved.data(), storage);
    EXPECT_EQ(moved(0, 0), 7.0);
    EXPECT_EQ(duplicate.total(), 0);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(duplicate.rows(), 0);   // NOLINT(bugprone-use-after-move)
}

TEST(Arrays, ScalarOperationsOnStridedViewsTouchOnlyTheirElements) {
    DMatrix m = Numbered();
    m.Column(1) *= 3.0;
    m.Row(2) /= 2.0;
    EXPECT_EQ(Elements(m.Row(0)), (std::vector<double>{0, 3, 2, 3}));
    EXPECT_EQ(Elements(m.Row(1)), (std::vector<double>{10, 33, 12, 13}));
    EXPECT_EQ(Elements(m.Row(2)), (std::vector<double>{10, 31.5, 11, 11.5}));

    m *= -2.0;
    EXPECT_EQ(m(1, 3), -26.0);
    EXPECT_EQ(Sum(m.Row(0)), -16.0);

    CMatrix c(2, 2);
    c(1, 0) = {1.0, -2.0};
    c *= 2.0;
    c.Row(1) /= 4.0;
    EXPECT_EQ(c(1, 0), std::complex<double>(0.5, -1.0));
}

TEST(Arrays, ElementWiseOperationsAgainstHandValues) {
    DMatrix m = Numbered();
    const DVector w = Values({1, 2, 3});
    m.Column(3) -= w;
    EXPECT_EQ(Elements(m.Column(3)), (std::vector<double>{2, 11, 20}));
    m.Column(0) += m.Column(3);
    EXPECT_EQ(Elements(m.Column(0)), (std::vector<double>{2, 21, 40}));
    ReverseSubtract(m.Row(0), Values({10, 10, 10, 10}));
    EXPECT_EQ(Elements(m.Row(0)), (std::vector<double>{8, 9, 8, 8}));

    const DVector a = Values({1, 2, 3, 4});
    const DVector difference = a - m.Row(1);
    const DVector total = m.Row(1) + a;
    EXPECT_EQ(Elements(difference), (std::vector<double>{-20, -9, -9, -7}));
    EXPECT_EQ(Elements(total), (std::vector<double>{22, 13, 15, 15}));
    EXPECT_EQ(Elements(m.Row(1)), (std::vector<double>{21, 11, 12, 11}));

    EXPECT_EQ(Sum(a), 10.0);
    EXPECT_EQ(Dot(a.Elements(), std::vector<double>{4, 3, 2, 1}), 20.0);

    std::vector<double> plain{1, 2, 3};
    Scale(plain, 2.0);
    Multiply(plain, std::vector<double>{3, 2, 1});
    EXPECT_EQ(plain, (std::vector<double>{6, 8, 6}));

    std::vector<std::complex<double>> spectrum{{1, 1}, {0, 2}};
    Multiply(spectrum, std::vector<std::complex<double>>{{1, -1}, {0, 1}});
    Scale(spectrum, 0.5);
    EXPECT_EQ(spectrum[0], std::complex<double>(1, 0));
    EXPECT_EQ(spectrum[1], std::complex<double>(-1, 0));

    IVector big(3);
    big[0] = big[1] = big[2] = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(Sum(big), 3 * std::int64_t{std::numeric_limits<std::int32_t>::max()});
    IVector ones(3);
    ones[0] = ones[1] = ones[2] = 1;
    big -= ones;
    EXPECT_EQ(big[2], std::numeric_limits<std::int32_t>::max() - 1);
}

// The derivative across channels written with row operations, as the pitch extractor does,
// against the same formula written element by element.
TEST(Arrays, RowArithmeticMatchesADirectLoop) {
    constexpr int kRows = 6;
    constexpr int kCols = 9;
    const double ratio = std::pow(2.0, 1.0 / 12.0);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    DMatrix m(kRows, kCols);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c)
            m(r, c) = value(random);
    }

    DMatrix slope(kRows, kCols);
    for (int k = 1; k < kRows - 1; ++k) {
        DVector up = m.Row(k + 1) - m.Row(k);
        up /= ratio - 1.0;
        DVector down = m.Row(k) - m.Row(k - 1);
        down *= ratio / (ratio - 1.0);
        up += down;
        up *= 0.5;
        Assign(slope.Row(k), up);
    }

    for (int k = 1; k < kRows - 1; ++k) {
        for (int c = 0; c < kCols; ++c) {
            const double expected = ((m(k + 1, c) - m(k, c)) / (ratio - 1.0) +
                                     (m(k, c) - m(k - 1, c)) * ratio / (ratio - 1.0)) /
                                    2.0;
            EXPECT_NEAR(slope(k, c), expected, 1e-12 * (1.0 + std::abs(expected)));
        }
    }
    EXPECT_EQ(Sum(slope.Row(0)), 0.0);
    EXPECT_EQ(Sum(slope.Row(kRows - 1)), 0.0);
}

TEST(Arrays, MismatchIsReportedAndStaysWithinBothVectors) {
    RecordedReports recorded;
    DVector longer = Values({1, 2, 3, 4, 5});
    DVector shorter = Values({10, 20});
    longer += shorter;
    EXPECT_EQ(Elements(longer), (std::vector<double>{11, 22, 3, 4, 5}));
    shorter -= longer;
    EXPECT_EQ(Elements(shorter), (std::vector<double>{-1, -2}));
    ReverseSubtract(shorter, longer);
    EXPECT_EQ(Elements(shorter), (std::vector<double>{12, 24}));
    const DVector difference = longer - shorter;
    EXPECT_EQ(Elements(difference), (std::vector<double>{-1, -2, 3, 4, 5}));
    const DVector total = shorter + longer;
    EXPECT_EQ(Elements(total), (std::vector<double>{23, 46}));
    EXPECT_EQ(Dot(longer.Elements(), shorter.Elements()), 11.0 * 12 + 22.0 * 24);
    std::vector<double> plain{1, 1, 1};
    Multiply(plain, std::vector<double>{5});
    EXPECT_EQ(plain, (std::vector<double>{5, 1, 1}));
    EXPECT_FALSE(CheckSize(longer, shorter));
    EXPECT_EQ(recorded.reports.size(), 8u);
    for (const std::string& report : recorded.reports)
        EXPECT_EQ(report, "Array Size Mismatch");

    // A view that is too short leaves its neighbours in the matrix alone.
    recorded.reports.clear();
    DMatrix m = Numbered();
    m.Row(1) += Values({1, 1, 1, 1, 1, 1});
    EXPECT_EQ(Elements(m.Row(1)), (std::vector<double>{11, 12, 13, 14}));
    EXPECT_EQ(m(2, 0), 20.0);
    m.Column(0) -= Values({1});
    EXPECT_EQ(Elements(m.Column(0)), (std::vector<double>{-1, 11, 20}));
    EXPECT_EQ(recorded.reports.size(), 2u);

    EXPECT_TRUE(CheckShape(m, DMatrix(3, 4)));
    EXPECT_FALSE(CheckShape(m, DMatrix(4, 3)));
    EXPECT_FALSE(CheckShape(m, CMatrix(3, 5)));
    EXPECT_EQ(recorded.reports.size(), 4u);
}

TEST(Arrays, AssignFillsTheDestinationWithoutReadingPastTheSource) {
    RecordedReports recorded;
    DMatrix m = Numbered();
    Assign(m.Column(1), Values({7, 8, 9, 99, 99}));
    EXPECT_EQ(Elements(m.Column(1)), (std::vector<double>{7, 8, 9}));
    EXPECT_TRUE(recorded.reports.empty());

    Assign(m.Row(2), Values({-1, -2}));
    EXPECT_EQ(Elements(m.Row(2)), (std::vector<double>{-1, -2, 22, 23}));
    ASSERT_EQ(recorded.reports.size(), 1u);
    EXPECT_EQ(recorded.reports[0], "Array Size Mismatch");
}

TEST(Arrays, DefaultHookIgnoresMismatches) {
    const NumericsErrorHook previous = SetNumericsErrorHook({});
    DVector v = Values({1, 2, 3});
    v += Values({1});
    SetNumericsErrorHook(previous);
    EXPECT_EQ(Elements(v), (std::vector<double>{2, 2, 3}));
}

}  // namespace
}  // namespace tonalyx
