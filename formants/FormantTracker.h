#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace tonalyx {

// Joins frames of formant candidates into continuous F1, F2 and F3 tracks by the least-cost
// path (Viterbi) through every frame's assignments of its lowest five candidates to the three
// tracks, in rising order, a track left empty where no candidate fits. Costs, all relative so
// that they mean the same at every ceiling:
//   a candidate on track i: |f - nominal_i| / nominal_i + bandwidth / f, where nominal_i =
//     (2 i - 1) ceiling / 10 (the resonances of a uniform tube whose fifth one is just below the
//     ceiling);
//   an empty track: kMissingCost;
//   from one frame to the next, per track filled in both: |ln(f / f_previous)|.
// The path is exact (as if every frame were known first), yet frames leave as soon as every
// path still open runs through them, which happens within a few frames on voice; memory holds
// only the frames not yet settled.
class FormantTracker {
public:
    static constexpr int kTracks = 3;
    static constexpr int kCandidates = 5;
    static constexpr double kMissingCost = 1.0;

    // One settled frame: its index and F1..F3 frequencies and bandwidths in Hz (NaN if empty).
    struct Settled {
        int64_t frame = 0;
        std::array<double, kTracks> frequencies{}, bandwidths{};
    };
    using Output = std::function<void(const Settled&)>;

    // output may be empty when only the smoothness is wanted.
    FormantTracker(double ceilingHz, Output output);

    // The next frame's candidates: count frequencies (rising, NaN after the last) and their
    // bandwidths.
    void Push(const double* frequencies, const double* bandwidths, int count);
    // Settles the remaining frames along the cheapest path.
    void Finish();

    // How unsteady the best path is so far, as a choice of ceiling sees it: per track, the mean
    // square of its frame-to-frame steps measured in the formant's own bandwidths, plus the
    // share of frames where it is empty. Lower is steadier; 0 before the second frame. A
    // ceiling too low merges or drops formants (empty tracks, wide jumps), one too high splits
    // them (spurious narrow peaks the tracks hop between).
    double Stress() const;

private:
    struct Frame {
        int64_t index = 0;
        int candidates = 0;
        std::array<double, kCandidates> frequencies{}, bandwidths{};
        std::vector<uint8_t> back;  // per state, the previous frame's state on its best path
    };
    // Per state of the newest frame: the cost of its best path and that path's tallies for
    // Stress(), per track.
    struct Path {
        double cost = 0;
        std::array<double, kTracks> squaredSteps{};
        std::array<int64_t, kTracks> steps{}, missing{};
    };

    double LocalCost(const Frame& frame, const std::array<int8_t, kTracks>& state) const;
    static void Tally(Path& path, const std::array<int8_t, kTracks>* from, const Frame* previous,
                      const std::array<int8_t, kTracks>& state, const Frame& frame);
    void Emit(std::size_t settledFrames, int lastState);
    void SettleConverged();

    std::array<double, kTracks> nominal_{};
    Output output_;
    std::deque<Frame> pending_;
    std::vector<Path> paths_, nextPaths_;
    int64_t frames_ = 0;
};

}  // namespace tonalyx
