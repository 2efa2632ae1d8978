#include "dsp/Window.h"

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <utility>

namespace tonalyx {

namespace {

bool IsTapered(int kind) {
    return kind >= Hanning && kind <= Welch;
}

// The unscaled weight of sample i of n (n >= 2); theta = 2 pi i / (n - 1).
double RawWeight(int kind, int i, int n) {
    constexpr double pi = std::numbers::pi;
    const double n1 = n - 1;
    const double theta = 2.0 * pi * i / n1;
    switch (kind) {
        case Hanning:
            return 0.5 + 0.5 * std::cos(theta - pi);
        case Hamming:
            return 0.54 + 0.46 * std::cos(theta - pi);
        case Blackman:
            return 0.42 + 0.5 * std::cos(theta - pi) + 0.08 * std::cos(2.0 * (theta - pi));
        case Parzen:
            return 1.0 - std::abs((2.0 * i - n1) / (n + 1.0));
        default: {
            const double r = (2.0 * i - n1) / (n + 1.0);
            return 1.0 - r * r;
        }
    }
}

// Weights of a tapered kind, cached per (kind, n). Each thread remembers the table it used
// last, so a run of frames with one window takes the lock once.
const std::vector<double>& CachedWeights(int kind, int n) {
    struct Recent {
        int kind = -1;
        int n = -1;
        const std::vector<double>* weights = nullptr;
    };
    thread_local Recent recent;
    if (recent.kind == kind && recent.n == n) return *recent.weights;

    static std::mutex mutex;
    // Map nodes never move, so the weights stay where they are while others are added.
    static std::map<std::pair<int, int>, const std::vector<double>> tables;
    std::lock_guard lock(mutex);
    auto found = tables.find({kind, n});
    if (found == tables.end())
        found = tables.emplace(std::pair{kind, n}, BuildWindow(kind, n)).first;
    recent = {kind, n, &found->second};
    return found->second;
}

}  // namespace

std::vector<double> BuildWindow(int kind, int n) {
    if (n <= 0) return {};
    std::vector<double> weights(n, 1.0);
    if (!IsTapered(kind) || n == 1) return weights;
    long double energy = 0.0L;
    for (int i = 0; i < n; ++i) {
        weights[i] = RawWeight(kind, i, n);
        energy += static_cast<long double>(weights[i]) * weights[i];
    }
    // Hanning of length 2 is 0 everywhere and cannot be brought to unit mean square.
    if (energy == 0.0L) return std::vector<double>(n, 1.0);
    const double scale = static_cast<double>(std::sqrt(n / energy));
    for (double& w : weights)
        w *= scale;
    return weights;
}

void ApplyWindow(int kind, int n, double* data) {
    if (n <= 0 || !IsTapered(kind)) return;
    const double* w = CachedWeights(kind, n).data();
    for (int i = 0; i < n; ++i)
        data[i] *= w[i];
}

}  // namespace tonalyx
