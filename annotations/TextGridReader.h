#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "annotations/TextDecoding.h"
#include "annotations/TextGrid.h"

namespace tonalyx {

// Reads a TextGrid text file as Praat writes it, in its long ("xmin = 0") or short form, in
// UTF-8 or UTF-16 (see DecodeText). Both forms are one stream of numbers, quoted texts (a
// quote inside doubled) and <exists> flags; the words between them ("xmin =", "item [1]:"),
// and comments from '!' to the end of the line, are passed over. The grid is filled only
// when the whole file has been read and every tier checks out (CheckTier); otherwise the
// fault gives the line and the reason: a count that disagrees with the items that follow, a
// file that ends early, a number where a text should be, overlapping intervals. Nothing is
// reserved from a count before its items are read, so a huge count costs nothing.
std::optional<TextFault> ParseTextGrid(std::span<const std::uint8_t> bytes, TextGrid& grid,
                                       TextEncoding* encoding = nullptr);

// The largest file taken as a TextGrid.
inline constexpr std::uint64_t kMaxTextGridBytes = 256ull << 20;

// Reads the file at path; returns the message, or none: "cannot read 'a.TextGrid': No such
// file or directory", "'a.TextGrid' line 12: interval 3 starts at 1.2 s, but ...".
std::optional<std::string> ReadTextGridFile(const std::string& path, TextGrid& grid,
                                            TextEncoding* encoding = nullptr);

}  // namespace tonalyx
