#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tonalyx::cli {

// The known word nearest to a mistyped one, for "did you mean" hints: the same word in another
// letter case first, else the one fewest edits away (inserted, removed, changed or swapped
// letters, ignoring case) when that is at most a third of the word's length (at least one
// edit). None when nothing is that close or two words are equally close.
std::optional<std::string_view> NearestWord(std::string_view typed,
                                            std::span<const std::string_view> known);

// " (did you mean 'word'?)" for the nearest word, or empty.
std::string DidYouMean(std::string_view typed, std::span<const std::string_view> known);

}  // namespace tonalyx::cli
