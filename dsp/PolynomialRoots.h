#pragma once

#include <complex>
#include <span>
#include <vector>

namespace tonalyx {

// All roots of the real polynomial c[0] + c[1] z + ... + c[n] z^n, with multiplicity, in no
// particular order. Zero coefficients of the highest powers lower the degree; zero
// coefficients of the lowest powers give roots at 0. Each root is found by Laguerre's method
// on the polynomial deflated by the roots before it, then polished by Laguerre's method on the
// undeflated polynomial, so that deflation's rounding does not stay in the result. A root whose
// imaginary part is within rounding of 0 is returned as real; the others come in exact
// conjugate pairs. Non-finite coefficients give no roots.
std::vector<std::complex<double>> PolynomialRoots(std::span<const double> c);

}  // namespace tonalyx
