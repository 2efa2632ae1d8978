#include "requests/Suggestions.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace tonalyx::requests {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The optimal string alignment distance: Levenshtein with swaps of neighbouring letters.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    const std::size_t columns = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * columns);
    const auto at = [&](std::size_t i, std::size_t j) -> std::size_t& {
        return d[i * columns + j];
    };
    for (std::size_t i = 0; i <= a.size(); ++i)
        at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + change});
            if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) &&
                Lower(a[i - 2]) == Lower(b[j - 1])) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

}  // namespace

std::vector<std::string_view> NearestWords(std::string_view typed,
                                           std::span<const std::string_view> known) {
    const std::size_t allowed = std::max<std::size_t>(1, typed.size() / 3);
    std::vector<std::string_view> nearest;
    std::size_t bestDistance = allowed + 1;
    for (std::string_view word : known) {
        const std::size_t distance = EditDistance(typed, word);
        if (distance == 0) return {word};
        if (distance > allowed) continue;
        if (distance < bestDistance) {
            nearest.clear();
            bestDistance = distance;
        }
        if (distance == bestDistance &&
            std::find(nearest.begin(), nearest.end(), word) == nearest.end()) {
            nearest.push_back(word);
        }
    }
    return nearest;
}

std::optional<std::string_view> NearestWord(std::string_view typed,
                                            std::span<const std::string_view> known) {
    const std::vector<std::string_view> nearest = NearestWords(typed, known);
    if (nearest.size() != 1) return std::nullopt;
    return nearest.front();
}

std::string DidYouMean(std::string_view typed, std::span<const std::string_view> known) {
    const std::vector<std::string_view> nearest = NearestWords(typed, known);
    if (nearest.empty()) return {};
    std::string text = " (did you mean ";
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        if (i > 0) text += i + 1 == nearest.size() ? " or " : ", ";
        text.append("'").append(nearest[i]).append("'");
    }
    return text + "?)";
}

}  // namespace tonalyx::requests
