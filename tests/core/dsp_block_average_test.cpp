#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/BlockAverage.h"

namespace tonalyx {
namespace {

std::vector<double> RandomSamples(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-32768.0, 32767.0);
    std::vector<double> samples(n);
    for (double& v : samples)
        v = uniform(generator);
    return samples;
}

std::vector<double> LongDoubleMeans(const std::vector<double>& in, int count, int p) {
    std::vector<double> means(count);
    for (int i = 0; i < count; ++i) {
        long double sum = 0.0L;
        for (int j = 0; j < p; ++j)
            sum += in[i * p + j];
        means[i] = static_cast<double>(sum / p);
    }
    return means;
}

// The samples past count p are not part of any block: NaNs there must not reach the means.
TEST(BlockAverage, OutOfPlaceGivesTheBlockMeansAndLeavesTheInput) {
    for (int p : {1, 2, 3, 4, 7, 16}) {
        const int count = 37;
        std::vector<double> in = RandomSamples(count * p + p - 1, p);
        for (int j = count * p; j < static_cast<int>(in.size()); ++j) {
            in[j] = std::numeric_limits<double>::quiet_NaN();
        }
        const std::vector<double> original = in;
        const std::vector<double> expected = LongDoubleMeans(in, count, p);
        std::vector<double> out(count + 1, -1.0);
        EXPECT_EQ(BlockAverage(count, p, in.data(), out.data()), count * p);
        for (int i = 0; i < count; ++i) {
            EXPECT_NEAR(out[i], expected[i], 1e-15 * 32768.0) << "p=" << p << " i=" << i;
        }
        EXPECT_EQ(out[count], -1.0) << "wrote past count, p=" << p;
        for (std::size_t j = 0; j < in.size(); ++j) {
            if (!std::isnan(original[j])) {
                EXPECT_EQ(in[j], original[j]) << j;
            }
        }
    }
}

TEST(BlockAverage, InPlaceMatchesOutOfPlace) {
    for (int p : {1, 2, 5, 11}) {
        const int count = 50;
        const std::vector<double> samples = RandomSamples(count * p, 100 + p);
        std::vector<double> separate(count);
        BlockAverage(count, p, std::vector<double>(samples).data(), separate.data());

        std::vector<double> noOut = samples;
        EXPECT_EQ(BlockAverage(count, p, noOut.data()), count * p);
        std::vector<double> sameArray = samples;
        EXPECT_EQ(BlockAverage(count, p, sameArray.data(), sameArray.data()), count * p);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(noOut[i], separate[i]) << "p=" << p << " i=" << i;
            EXPECT_EQ(sameArray[i], separate[i]) << "p=" << p << " i=" << i;
        }
        // The consumed tail beyond the means is left as it was.
        for (int j = count; j < count * p; ++j)
            EXPECT_EQ(noOut[j], samples[j]) << j;
    }
}

TEST(BlockAverage, BlockOfOneCopiesAndSmallIntegersAverageExactly) {
    std::vector<double> in = RandomSamples(9, 7);
    std::vector<double> out(9);
    EXPECT_EQ(BlockAverage(9, 1, in.data(), out.data()), 9);
    EXPECT_EQ(out, in);

    std::vector<double> integers = {1, 2, 3, 4, -8, 0, 5, 5};
    EXPECT_EQ(BlockAverage(2, 4, integers.data()), 8);
    EXPECT_EQ(integers[0], 2.5);
    EXPECT_EQ(integers[1], 0.5);
}

TEST(BlockAverage, EmptyOrInvalidBlocksConsumeAndWriteNothing) {
    std::vector<double> in = {1.0, 2.0, 3.0};
    std::vector<double> out = {-1.0, -1.0};
    EXPECT_EQ(BlockAverage(0, 3, in.data(), out.data()), 0);
    EXPECT_EQ(BlockAverage(-2, 1, in.data(), out.data()), 0);
    EXPECT_EQ(BlockAverage(1, 0, in.data(), out.data()), 0);
    EXPECT_EQ(BlockAverage(1, -3, in.data(), out.data()), 0);
    EXPECT_EQ(out, (std::vector<double>{-1.0, -1.0}));
    EXPECT_EQ(in, (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(BlockAverage(0, 4, nullptr), 0);
}

}  // namespace
}  // namespace tonalyx
