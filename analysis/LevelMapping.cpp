#include "analysis/LevelMapping.h"

#include <algorithm>
#include <cmath>

#include "dsp/PowerSpectrum.h"

namespace tonalyx {

double FullScaleDbOffset(double sampleRate) {
    double rateDb = 0.0;
    PowerToDb(1, &sampleRate, &rateDb);
    return 20.0 * std::log10(32768.0) + rateDb;
}

void MapLevels(double* values, int n, double lo, double hi, double top, bool unclamped) {
    const double topLevel = top * kTopLevelFactor;
    const double span = hi - lo;
    for (int i = 0; i < n; ++i) {
        const double v = values[i];
        double level = 0.0;
        if (lo == hi) {
            level = v < lo ? 0.0 : topLevel;
        } else if (unclamped) {
            level = (v - lo) * topLevel / span;
        } else if (v < lo) {
            level = 0.0;
        } else if (v > hi) {
            level = topLevel;
        } else {
            // Rounding in the division may land a hair outside [0, top'].
            level = std::clamp((v - lo) * topLevel / span, std::min(0.0, topLevel),
                               std::max(0.0, topLevel));
        }
        values[i] = std::isnan(v) || std::isnan(level) ? 0.0 : level;
    }
}

}  // namespace tonalyx
