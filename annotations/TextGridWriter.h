#pragma once

#include <string>

#include "annotations/TextGrid.h"

namespace tonalyx {

// Praat's two text forms: the long one names every field ("xmin = 0"), the short one writes
// the values alone, one a line.
enum class TextGridForm { Long, Short };

// The grid as a TextGrid text file in UTF-8, laid out as Praat lays it out; times are written
// as the shortest text that reads back as the same double (TimeText), labels with their
// quotes doubled. The grid is taken as it is: check its tiers (CheckTier) first.
std::string TextGridText(const TextGrid& grid, TextGridForm form);

}  // namespace tonalyx
