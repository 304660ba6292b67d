// Tests of TmyTimeCounter's conversions.
#include "myTimeCounter.h"

#include <gtest/gtest.h>

namespace {

TEST(TimeCounterTest, ScaledTimeTruncatesToWholeUnits)
{
    TmyTimeCounter clock;
    const uint64_t second = clock.Frequency();

    EXPECT_EQ(clock.ScaledTime(second, 1000), 1000u);
    EXPECT_EQ(clock.ScaledTime(second - 1, 1000), 999u);
    EXPECT_EQ(clock.ScaledTime(second * 3, 1000000), 3000000u);
}

TEST(TimeCounterTest, ScaledTimeStaysExactWhenTheProductExceedsSixtyFourBits)
{
    TmyTimeCounter clock;
    const uint64_t tenDays = clock.Frequency() * 864000;

    EXPECT_EQ(clock.ScaledTime(tenDays, 1000000000), 864000000000000ull);
    EXPECT_EQ(clock.ScaledTime(tenDays + clock.Frequency() - 1, 1000), 864000999u);
}

}  // namespace
