#pragma once

namespace tonalyx {

// Fits an all-pole (linear-prediction) model of order m to the n samples x[0..n) by Burg's
// method. Writes the prediction coefficients a[1..m], with x[t] ~ sum_k a[k] x[t - k], and the
// residual power p0 (the mean square of the prediction error); a[0] is never touched, so a
// caller may keep p0 in that slot.
//
// Each order k takes the reflection coefficient 2 num / den of the current forward and
// backward errors, or 1 when den is 0 (all errors vanished: a silent frame, or k = n), and
// scales p0 by 1 - a[k]^2; from a zero denominator on, p0 stays 0 and every later reflection
// coefficient is 1 as well.
//
// Orders above n cannot be fitted: the fit stops at order n (whose coefficient is 1, leaving
// p0 = 0) and a[n+1..m] are set to 0. With n <= 0 every a[1..m] is 0 and p0 is 0; with m <= 0
// nothing is written to a and p0 is the mean square of x.
//
// The error buffers are per thread and only grow, so calls from several threads are safe.
void BurgCoefficients(int n, const double* x, int m, double* a, double& p0);

}  // namespace tonalyx
