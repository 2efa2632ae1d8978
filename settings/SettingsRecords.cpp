#include "settings/SettingsRecords.h"

#include <cmath>

namespace tonalyx {

int SizeExponent(double size) {
    // Clamp before converting: log2 of 0 (no selection) is -inf and of NaN is NaN, and neither
    // may be converted to int. Within [16, 8192) the logarithm lies in [4, 13).
    if (!(size >= 16.0)) return kMinSizeExponent;
    if (size >= 8192.0) return kMaxSizeExponent;
    return static_cast<int>(std::log2(size));
}

}  // namespace tonalyx
