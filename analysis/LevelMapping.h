#pragma once

namespace tonalyx {

// The factor that keeps the top level just below top, so that truncation never reaches it.
constexpr double kTopLevelFactor = 0.9999999999;

// 20 log10(32768) + 10 log10(sampleRate): the level, in dB, of a full-scale 16-bit sample per
// hertz. The second term is -3000 when |sampleRate| <= 1e-300.
double FullScaleDbOffset(double sampleRate);

// Maps values[0..n) in place onto levels with top' = top * kTopLevelFactor: a value v becomes
// (v - lo) top' / (hi - lo). Clamped (unclamped false): v < lo gives 0 and v > hi gives top',
// so lo > hi leaves two levels (below lo 0, all others top'). Equal thresholds have no slope;
// they give the same step in both modes: below lo 0, all others top'. A NaN value, and any
// result that is NaN (NaN or infinite thresholds), gives 0.
void MapLevels(double* values, int n, double lo, double hi, double top, bool unclamped);

}  // namespace tonalyx
