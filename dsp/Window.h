#pragma once

#include <vector>

namespace tonalyx {

// Data windows, in the item order of the options dialog's "Data window" groups.
enum WindowKind : int { Box = 0, Hanning = 1, Hamming = 2, Blackman = 3, Parzen = 4, Welch = 5 };

// The n weights of a window, scaled so that their mean square is 1 (a windowed frame keeps the
// mean power of the unwindowed one). Box, and any kind outside WindowKind, gives n ones. A
// window of length 1 is the single weight 1, and so is every weight of a window whose raw
// weights are all 0 (Hanning of length 2). n <= 0 gives an empty vector.
std::vector<double> BuildWindow(int kind, int n);

// Multiplies data[0..n) by the weights of BuildWindow(kind, n). Box (and an unknown kind)
// leaves the data untouched. The weights are built once per (kind, n) and shared by all
// threads.
void ApplyWindow(int kind, int n, double* data);

}  // namespace tonalyx
