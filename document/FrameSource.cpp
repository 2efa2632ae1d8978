#include "document/FrameSource.h"

#include <algorithm>

namespace tonalyx {

std::size_t FrameSource::ReadFrames(int64_t first, std::span<int16_t> out) {
    if (first < 0 || first >= info_.frames) return 0;
    const int64_t end = std::min<int64_t>(first + static_cast<int64_t>(out.size()), info_.frames);
    // Pieces of the stretch alternate between frames counted before and frames not yet
    // counted; the commands read in order, so there are seldom more than two.
    int64_t at = first;
    while (at < end) {
        const auto after = counted_.upper_bound(at);
        const bool counted = after != counted_.begin() && std::prev(after)->second > at;
        int64_t pieceEnd = end;
        if (counted) {
            pieceEnd = std::min(end, std::prev(after)->second);
        } else if (after != counted_.end()) {
            pieceEnd = std::min(end, after->first);
        }
        const auto piece = out.subspan(static_cast<std::size_t>(at - first),
                                       static_cast<std::size_t>(pieceEnd - at));
        const auto got =
            static_cast<int64_t>(Decode(at, piece, counted ? nullptr : &info_.repairs));
        if (!counted) MarkCounted(at, at + got);
        at += got;
        if (at < pieceEnd) break;
    }
    return static_cast<std::size_t>(at - first);
}

bool FrameSource::CanReadFrame(int64_t frame) {
    if (frame < 0 || frame >= info_.frames) return false;
    int16_t sample = 0;
    return Decode(frame, {&sample, 1}, nullptr) == 1;
}

void FrameSource::MarkCounted(int64_t first, int64_t end) {
    if (first >= end) return;
    // Join the stretch with every stretch it touches or overlaps.
    auto at = counted_.upper_bound(first);
    if (at != counted_.begin() && std::prev(at)->second >= first) --at;
    while (at != counted_.end() && at->first <= end) {
        first = std::min(first, at->first);
        end = std::max(end, at->second);
        at = counted_.erase(at);
    }
    counted_.emplace(first, end);
}

}  // namespace tonalyx
