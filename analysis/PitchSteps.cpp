#include "analysis/PitchSteps.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tonalyx {

namespace {

bool PositiveFinite(double value) {
    return std::isfinite(value) && value > 0;
}

}  // namespace

PitchStepSampler::PitchStepSampler(int hop, double sampleRate, double step,
                                   std::int64_t sampleCount)
    : hop_(hop), sampleRate_(sampleRate), step_(step) {
    if (hop < 1 || !PositiveFinite(sampleRate) || !PositiveFinite(step)) {
        throw std::invalid_argument("pitch steps: bad hop, rate or step");
    }
    const double duration =
        static_cast<double>(std::max<std::int64_t>(sampleCount, 0)) / sampleRate;
    // Every k with k step < duration, counted without trusting one division's rounding.
    steps_ = static_cast<std::int64_t>(std::ceil(duration / step));
    while (steps_ > 0 && static_cast<double>(steps_ - 1) * step >= duration)
        --steps_;
    while (static_cast<double>(steps_) * step < duration)
        ++steps_;
}

double PitchStepSampler::Position(std::int64_t k) const {
    const double sample = static_cast<double>(k) * step_ * sampleRate_;
    return (sample - (hop_ - 1) / 2.0) / hop_;
}

void PitchStepSampler::EmitStep(const Emit& emit, double value) {
    emit(next_, static_cast<double>(next_) * step_, value);
    ++next_;
}

void PitchStepSampler::Add(std::span<const double> values, const Emit& emit) {
    if (values.empty()) return;
    const std::int64_t first = received_;
    received_ += static_cast<std::int64_t>(values.size());
    // Value i of the track, from this piece or the one before it.
    const auto at = [&](std::int64_t i) {
        return i < first ? last_ : values[static_cast<std::size_t>(i - first)];
    };
    while (next_ < steps_) {
        const double position = Position(next_);
        if (position <= 0) {
            EmitStep(emit, first == 0 ? values[0] : firstValue_);
            continue;
        }
        const double below = std::floor(position);
        const auto i = static_cast<std::int64_t>(below);
        const double fraction = position - below;
        const std::int64_t needed = fraction == 0 ? i : i + 1;
        if (needed >= received_) break;
        const double a = at(i);
        if (fraction == 0) {
            EmitStep(emit, a);
            continue;
        }
        const double b = at(i + 1);
        EmitStep(emit, a == 0 || b == 0 ? 0.0 : a + fraction * (b - a));
    }
    if (first == 0) firstValue_ = values[0];
    last_ = values.back();
}

void PitchStepSampler::ValuesRead(std::int64_t first, std::int64_t last,
                                  std::vector<int>& offsets) const {
    offsets.clear();
    if (first >= last) return;
    const auto keep = [&](std::int64_t i) {
        if (i >= first && i < last) offsets.push_back(static_cast<int>(i - first));
    };
    keep(0);
    // The first step whose upper value can reach first: its position is at least first - 1.
    const double before =
        (static_cast<double>(first - 1) * hop_ + (hop_ - 1) / 2.0) / (step_ * sampleRate_);
    for (auto k = std::max<std::int64_t>(0, static_cast<std::int64_t>(before) - 1); k < steps_;
         ++k) {
        const double position = Position(k);
        if (position <= 0) continue;
        const double below = std::floor(position);
        const auto i = static_cast<std::int64_t>(below);
        if (i >= last) break;
        keep(i);
        if (position != below) keep(i + 1);
    }
    keep(last - 1);
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
}

void PitchStepSampler::Finish(const Emit& emit) {
    // The steps left lie past the last value's middle: it holds there.
    while (next_ < steps_)
        EmitStep(emit, received_ > 0 ? last_ : 0.0);
}

std::vector<double> SamplePitchTrack(std::span<const double> track, int hop, double sampleRate,
                                     double step, std::int64_t sampleCount) {
    PitchStepSampler sampler(hop, sampleRate, step, sampleCount);
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(sampler.StepCount()));
    const auto keep = [&](std::int64_t, double, double f0) { values.push_back(f0); };
    sampler.Add(track, keep);
    sampler.Finish(keep);
    return values;
}

}  // namespace tonalyx
