#include "formants/FormantTracker.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tonalyx {

namespace {

using State = std::array<int8_t, FormantTracker::kTracks>;

// The assignments of up to m candidates to the tracks: each track empty (-1) or a candidate,
// the filled ones in rising order. The first state of every list leaves all tracks empty.
const std::vector<State>& States(int m) {
    static const std::array<std::vector<State>, FormantTracker::kCandidates + 1> lists = [] {
        std::array<std::vector<State>, FormantTracker::kCandidates + 1> all;
        for (int count = 0; count <= FormantTracker::kCandidates; ++count) {
            for (int a = -1; a < count; ++a)
                for (int b = -1; b < count; ++b)
                    for (int c = -1; c < count; ++c) {
                        const State s{static_cast<int8_t>(a), static_cast<int8_t>(b),
                                      static_cast<int8_t>(c)};
                        int last = -1;
                        bool rising = true;
                        for (int8_t v : s) {
                            if (v < 0) continue;
                            rising = rising && v > last;
                            last = v;
                        }
                        if (rising) all[static_cast<std::size_t>(count)].push_back(s);
                    }
        }
        return all;
    }();
    return lists[static_cast<std::size_t>(m)];
}

}  // namespace

FormantTracker::FormantTracker(double ceilingHz, Output output) : output_(std::move(output)) {
    for (int i = 0; i < kTracks; ++i)
        nominal_[static_cast<std::size_t>(i)] = (2 * i + 1) * ceilingHz / 10.0;
}

double FormantTracker::LocalCost(const Frame& frame, const State& state) const {
    double cost = 0.0;
    for (int i = 0; i < kTracks; ++i) {
        const int c = state[static_cast<std::size_t>(i)];
        if (c < 0) {
            cost += kMissingCost;
            continue;
        }
        const double f = frame.frequencies[static_cast<std::size_t>(c)];
        const double nominal = nominal_[static_cast<std::size_t>(i)];
        cost += std::abs(f - nominal) / nominal + frame.bandwidths[static_cast<std::size_t>(c)] / f;
    }
    return cost;
}

void FormantTracker::Push(const double* frequencies, const double* bandwidths, int count) {
    Frame frame;
    frame.index = frames_++;
    for (int i = 0; i < count && frame.candidates < kCandidates; ++i) {
        if (!std::isfinite(frequencies[i]) || !(frequencies[i] > 0.0)) break;
        frame.frequencies[static_cast<std::size_t>(frame.candidates)] = frequencies[i];
        frame.bandwidths[static_cast<std::size_t>(frame.candidates)] = bandwidths[i];
        ++frame.candidates;
    }
    const std::vector<State>& states = States(frame.candidates);
    frame.back.assign(states.size(), 0);
    nextPaths_.assign(states.size(), Path{});
    const Frame* previous = pending_.empty() ? nullptr : &pending_.back();
    const bool first = paths_.empty();
    for (std::size_t s = 0; s < states.size(); ++s) {
        const State& state = states[s];
        const double local = LocalCost(frame, state);
        double bestCost = first ? local : std::numeric_limits<double>::infinity();
        const std::vector<State>& before = first ? states : States(previous->candidates);
        for (std::size_t p = 0; !first && p < before.size(); ++p) {
            double jump = 0.0;
            for (int i = 0; i < kTracks; ++i) {
                const int a = before[p][static_cast<std::size_t>(i)];
                const int b = state[static_cast<std::size_t>(i)];
                if (a >= 0 && b >= 0)
                    jump += std::abs(std::log(frame.frequencies[static_cast<std::size_t>(b)] /
                                              previous->frequencies[static_cast<std::size_t>(a)]));
            }
            const double cost = paths_[p].cost + local + jump;
            if (cost < bestCost) {
                bestCost = cost;
                frame.back[s] = static_cast<uint8_t>(p);
            }
        }
        nextPaths_[s] = first ? Path{} : paths_[frame.back[s]];
        nextPaths_[s].cost = bestCost;
        Tally(nextPaths_[s], first ? nullptr : &before[frame.back[s]], previous, state, frame);
    }
    std::swap(paths_, nextPaths_);
    pending_.push_back(std::move(frame));
    if (!output_) {
        // Only the smoothness is wanted: no path is followed back.
        while (pending_.size() > 1)
            pending_.pop_front();
    } else if (pending_.size() % 16 == 0) {
        SettleConverged();
    }
}

// Adds the step from the previous frame's state (none for the first frame) to a path's tallies.
void FormantTracker::Tally(Path& path, const State* from, const Frame* previous, const State& state,
                           const Frame& frame) {
    for (std::size_t i = 0; i < kTracks; ++i) {
        const int b = state[i];
        if (b < 0) {
            ++path.missing[i];
            continue;
        }
        const int a = from ? (*from)[i] : -1;
        if (a < 0) continue;
        const auto now = static_cast<std::size_t>(b);
        const double step =
            (frame.frequencies[now] - previous->frequencies[static_cast<std::size_t>(a)]) /
            frame.bandwidths[now];
        path.squaredSteps[i] += step * step;
        ++path.steps[i];
    }
}

double FormantTracker::Stress() const {
    if (frames_ < 2 || paths_.empty()) return 0.0;
    const auto best = std::min_element(
        paths_.begin(), paths_.end(), [](const Path& a, const Path& b) { return a.cost < b.cost; });
    double stress = 0.0;
    for (std::size_t i = 0; i < kTracks; ++i) {
        if (best->steps[i] > 0) stress += best->squaredSteps[i] / best->steps[i];
        stress += static_cast<double>(best->missing[i]) / static_cast<double>(frames_);
    }
    return stress;
}

void FormantTracker::SettleConverged() {
    // Follow every open path back until they meet: that frame and those before it are settled.
    std::vector<char> marked(paths_.size(), 1), before;
    for (std::size_t f = pending_.size() - 1; f > 0; --f) {
        const Frame& frame = pending_[f];
        before.assign(States(pending_[f - 1].candidates).size(), 0);
        for (std::size_t s = 0; s < marked.size(); ++s)
            if (marked[s]) before[frame.back[s]] = 1;
        std::swap(marked, before);
        if (std::count(marked.begin(), marked.end(), 1) == 1) {
            const auto state = std::find(marked.begin(), marked.end(), 1) - marked.begin();
            Emit(f, static_cast<int>(state));
            return;
        }
    }
}

void FormantTracker::Finish() {
    if (pending_.empty() || !output_) return;
    const auto best = std::min_element(
        paths_.begin(), paths_.end(), [](const Path& a, const Path& b) { return a.cost < b.cost; });
    Emit(pending_.size(), static_cast<int>(best - paths_.begin()));
}

// Emits the first `settledFrames` pending frames, the last of them in state lastState.
void FormantTracker::Emit(std::size_t settledFrames, int lastState) {
    std::vector<int> states(settledFrames);
    states[settledFrames - 1] = lastState;
    for (std::size_t f = settledFrames - 1; f > 0; --f)
        states[f - 1] = pending_[f].back[static_cast<std::size_t>(states[f])];
    const double missing = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t f = 0; f < settledFrames; ++f) {
        const Frame& frame = pending_.front();
        const State& state = States(frame.candidates)[static_cast<std::size_t>(states[f])];
        Settled settled;
        settled.frame = frame.index;
        for (int i = 0; i < kTracks; ++i) {
            const int c = state[static_cast<std::size_t>(i)];
            settled.frequencies[static_cast<std::size_t>(i)] =
                c < 0 ? missing : frame.frequencies[static_cast<std::size_t>(c)];
            settled.bandwidths[static_cast<std::size_t>(i)] =
                c < 0 ? missing : frame.bandwidths[static_cast<std::size_t>(c)];
        }
        output_(settled);
        pending_.pop_front();
    }
}

}  // namespace tonalyx
