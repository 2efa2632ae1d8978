#pragma once

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace tonalyx {

// The two arrays hold the same doubles bit for bit (a -0 is not a 0, a NaN equals itself).
inline void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(std::memcmp(&a[i], &b[i], sizeof(double)), 0) << i << ": " << a[i] << " " << b[i];
}

}  // namespace tonalyx
