#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonalyx::requests {

// The known words nearest to a mistyped one, for "did you mean" hints: the same word in
// another letter case alone, else those fewest edits away (inserted, removed, changed or
// swapped letters, ignoring case) when that is at most a third of the word's length (at least
// one edit). Empty when nothing is that close.
std::vector<std::string_view> NearestWords(std::string_view typed,
                                           std::span<const std::string_view> known);

// The one nearest word; none when there is none or several are equally near.
std::optional<std::string_view> NearestWord(std::string_view typed,
                                            std::span<const std::string_view> known);

// " (did you mean 'word'?)", " (did you mean 'one' or 'other'?)", or empty.
std::string DidYouMean(std::string_view typed, std::span<const std::string_view> known);

}  // namespace tonalyx::requests
