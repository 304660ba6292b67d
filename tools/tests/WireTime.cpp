#include "WireTime.h"

#include <gtest/gtest.h>

namespace {

// One byte on the 9600-baud link with start and stop bit: 10/9600 s.
constexpr double kByte = 10.0 / 9600.0 * 1000.0;
constexpr unsigned kVersion42Reply = 13;  // "Version 4.2" CR LF

TEST(WireTimeFloor, SetRangeIsFiveBytesAndOneLatency)
{
    EXPECT_NEAR(WireTime::SetRangeMs(), 5 * kByte + 16.0, 1e-9);
    EXPECT_NEAR(WireTime::SetRangeMs(), 21.208, 0.001);
}

TEST(WireTimeFloor, PowerClearReadsNoReplySoPaysNoLatency)
{
    EXPECT_NEAR(WireTime::SetClearPowerMs(), 3 * kByte, 1e-9);
}

TEST(WireTimeFloor, OpenLoadsVersionAndImageHeader)
{
    EXPECT_NEAR(WireTime::OpenMs(kVersion42Reply), (3 + 13) * kByte + 16.0 + (7 + 3) * kByte + 16.0, 1e-9);
}

TEST(WireTimeFloor, GetConfigWaitsOutTheSerialQueryTimeout)
{
    // The 9-byte serial reply arrives 28.5 ms into the 100 ms time-out.
    const double version = (3 + 13) * kByte + 16.0;
    EXPECT_NEAR(WireTime::GetConfigMs(kVersion42Reply), 100.0 + version, 1e-9);
}

TEST(WireTimeFloor, TimedOutReadLastsAtLeastAsLongAsItsReply)
{
    EXPECT_NEAR(WireTime::TimedOutExchangeMs(3, 9), 100.0, 1e-9);
    EXPECT_NEAR(WireTime::TimedOutExchangeMs(7, 90), (7 + 90) * kByte + 16.0, 1e-9);
}

TEST(WireTimeFloor, CorrectionReadsOneBlockUnlessItsPointsStraddleTwo)
{
    const double block = (7 + 50) * kByte + 16.0;
    EXPECT_NEAR(WireTime::FirstCorrectionMs(2655), block, 1e-9);      // offsets 2655, 2656: block 53
    EXPECT_NEAR(WireTime::FirstCorrectionMs(2549), 2 * block, 1e-9);  // offsets 2549, 2550: blocks 50, 51
    EXPECT_NEAR(WireTime::FirstCorrectionMs(2550), block, 1e-9);
}

TEST(WireTimeFloor, FullReadFetchesEveryBlockIncludingTheShortLastOne)
{
    EXPECT_EQ(WireTime::kBlockCount, 107u);
    EXPECT_NEAR(WireTime::FullReadMs(), 107 * ((7 + 50) * kByte + 16.0), 1e-6);
}

TEST(WireTimeFloor, ImageWriteCountsPartialChunkSecondChunkZeroAndHeaderReload)
{
    EXPECT_EQ(WireTime::ChunkCount(5321), 42u);
    EXPECT_EQ(WireTime::ChunkCount(5376), 42u);
    EXPECT_EQ(WireTime::ChunkCount(5377), 43u);
    EXPECT_EQ(WireTime::ChunkCount(0), 0u);
    EXPECT_EQ(WireTime::MemoryWriteCount(5321), 43u);
    EXPECT_EQ(WireTime::MemoryWriteCount(129), 3u);
    EXPECT_EQ(WireTime::MemoryWriteCount(128), 1u) << "one chunk is written once";
    EXPECT_EQ(WireTime::MemoryWriteCount(0), 0u);
    const double chunk = (135 + 2) * kByte + 16.0;
    const double reload = (3 + 13) * kByte + 16.0 + (7 + 3) * kByte + 16.0;
    EXPECT_NEAR(WireTime::WriteImageMs(5321, kVersion42Reply), 43 * chunk + reload, 1e-6);
}

}  // namespace
