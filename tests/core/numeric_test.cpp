#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/error.h"
#include "core/numeric.h"

namespace {

// Rounding to the nearest integer, halves to the even one, and the values
// that do not fit refused.
TEST(Numeric, RoundToIntTakesHalvesToEvenAndRefusesWhatDoesNotFit) {
    const struct {
        long double value;
        int32_t rounded;
    } kCases[] = {
        {0.5L, 0},
        {1.5L, 2},
        {2.5L, 2},
        {-0.5L, 0},
        {-1.5L, -2},
        {-2.5L, -2},
        {0.4999999999L, 0},
        {2.5000001L, 3},
        {-7.75L, -8},
        {1e9L + 0.5L, 1000000000},
        {2147483647.4L, 2147483647},
        {-2147483648.5L, -2147483647 - 1},
    };
    for (const auto& c : kCases) EXPECT_EQ(jollix::roundToInt(c.value), c.rounded) << double(c.value);
    for (const long double bad : {2147483647.5L, -2147483649.0L, std::numeric_limits<long double>::quiet_NaN(),
                                  std::numeric_limits<long double>::infinity()})
        EXPECT_THROW(jollix::roundToInt(bad), jollix::JollixError) << double(bad);
}

}  // namespace
