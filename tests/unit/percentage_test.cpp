#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>

#include "percentage.h"

namespace velmor {
namespace {

TEST(PercentageTest, ProgressAfterEachSourceOfSmallRuns)
{
    const std::vector<std::vector<int>> expected = {
        {100},
        {50, 100},
        {33, 67, 100},
        {25, 50, 75, 100},
        {20, 40, 60, 80, 100},
        {17, 33, 50, 67, 83, 100},
        {14, 29, 43, 57, 71, 86, 100},
        {12, 25, 38, 50, 62, 75, 88, 100},
    };
    for (std::size_t n = 1; n <= expected.size(); ++n)
        for (std::size_t k = 1; k <= n; ++k)
            EXPECT_EQ(progressPercent(int(k), int(n)), expected[n - 1][k - 1]) << k << " of " << n;
}

TEST(PercentageTest, ValuesNearHalvesFollowBothRoundings)
{
    struct Case {
        int n, k, p;
    };
    const Case cases[] = {
        {8, 1, 12},      // exact half, to the even integer
        {8, 3, 38},      // exact half, to the even integer
        {40, 23, 58},    // 53 bits would give 57
        {200, 1, 0},     // progress can show 0
        {200, 59, 29},   // stays just below 29.5
        {1000, 994, 99},
        {1000, 995, 100},  // 100 before the last source
        {2147483647, 1, 0},
        {2147483647, 2147483646, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressPercent(c.k, c.n), c.p) << c.k << " of " << c.n;
}

#if defined(__x86_64__) && LDBL_MANT_DIG == 64
TEST(PercentageTest, AgreesWithExtendedPrecisionHardware)
{
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    for (int n = 1; n <= 2000; ++n) {
        for (int k = 1; k <= n; ++k) {
            volatile long double q = static_cast<long double>(k) / static_cast<long double>(n);
            volatile long double r = q * 100.0L;
            const int expected = static_cast<int>(std::nearbyintl(r));
            ASSERT_EQ(progressPercent(k, n), expected) << k << " of " << n;
        }
    }
}
#endif

}  // namespace
}  // namespace velmor
