#include "myBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class BufferTest : public ::testing::Test {
protected:
    // A buffer of 4 bytes' initial capacity holding the bytes 0, 1, ... count - 1.
    TmyBuffer counting{4, 0};

    void FillCounting(unsigned count)
    {
        counting.SetSize(count);
        for (unsigned i = 0; i < count; ++i)
            counting.Data()[i] = static_cast<unsigned char>(i);
    }
    std::vector<unsigned char> Bytes() const
    {
        return {counting.Data(), counting.Data() + counting.GetSize()};
    }
};

TEST_F(BufferTest, SizeAboveMaximumStopsAtMaximum)
{
    TmyBuffer buffer(8, 100);
    EXPECT_EQ(100u, buffer.SetSize(200));
    EXPECT_EQ(100u, buffer.GetCapacity());
}

TEST_F(BufferTest, GrowthDoublesAndShrinkingSizeKeepsCapacity)
{
    FillCounting(20);
    EXPECT_EQ(32u, counting.GetCapacity());
    counting.SetSize(3);
    EXPECT_EQ(29u, counting.GetFree());
}

TEST_F(BufferTest, CapacityNeverBelowSizeMinimumOrFourBytes)
{
    TmyBuffer buffer(16, 0);
    buffer.SetSize(20);
    EXPECT_EQ(20u, buffer.SetCapacity(0));
    buffer.SetSize(2);
    EXPECT_EQ(16u, buffer.SetCapacity(0));
    TmyBuffer empty;
    EXPECT_EQ(4u, empty.SetCapacity(1));
}

TEST_F(BufferTest, DeletedRangeClosesUpBehindIt)
{
    FillCounting(10);
    EXPECT_EQ(1, counting.DeleteRange(2, 3));
    EXPECT_EQ((std::vector<unsigned char>{0, 1, 5, 6, 7, 8, 9}), Bytes());
}

TEST_F(BufferTest, RangeReachingPastEndCutsTail)
{
    FillCounting(10);
    EXPECT_EQ(1, counting.DeleteRange(6, 100));
    EXPECT_EQ((std::vector<unsigned char>{0, 1, 2, 3, 4, 5}), Bytes());
    EXPECT_EQ(1, counting.DeleteRange(1, ~0u));
    EXPECT_EQ((std::vector<unsigned char>{0}), Bytes());
}

TEST_F(BufferTest, RangeStartingBeyondSizeIsRefused)
{
    FillCounting(4);
    EXPECT_EQ(0, counting.DeleteRange(5, 1));
    EXPECT_EQ((std::vector<unsigned char>{0, 1, 2, 3}), Bytes());
}

}  // namespace
