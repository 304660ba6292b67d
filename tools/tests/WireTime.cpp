#include "WireTime.h"

#include <gtest/gtest.h>

namespace {

// One byte on the 9600-baud link with start and stop bit: 10/9600 s.
constexpr double kByte = 10.0 / 9600.0 * 1000.0;
constexpr WireTime::VersionReply kVersion42CrLf{11, 2};  // "Version 4.2" CR LF
constexpr WireTime::VersionReply kVersion42Cr{11, 1};    // "Version 4.2" CR

// Every reply read counts the latency in force once; nothing else depends on it.
TEST(WireTimeFloor, EveryReplyReadPaysOneLatencyPeriodOfTheTimerInForce)
{
    for (const double latency : {2.0, 16.0}) {
        SCOPED_TRACE(latency);
        const double version = (3 + 13) * kByte + latency;
        const double header = (7 + 3) * kByte + latency;
        EXPECT_NEAR(WireTime::SetRangeMs(latency), 5 * kByte + latency, 1e-9);
        EXPECT_NEAR(WireTime::OpenMs(kVersion42CrLf, latency), version + header, 1e-9);
        EXPECT_NEAR(WireTime::FullReadMs(latency), 107 * ((7 + 50) * kByte + latency), 1e-6);
        // The 9-byte serial reply arrives well inside the 100 ms time-out.
        EXPECT_NEAR(WireTime::GetConfigMs(kVersion42CrLf, latency), 100.0 + version, 1e-9);
        EXPECT_NEAR(WireTime::WriteImageMs(5321, kVersion42CrLf, latency),
                    43 * ((135 + 2) * kByte + latency) + version + header, 1e-6);
    }
    EXPECT_NEAR(WireTime::SetRangeMs(WireTime::kShortLatencyMs), 7.208, 0.001);
    EXPECT_EQ(WireTime::SetClearPowerMs(), 6.0);  // 3 bytes' 3.125 ms as 4 ms, and 2 ms
}

// A lone line-end byte leaves the library waiting latency + 2 byte times,
// rounded up to whole ms, for a second one that never comes.
TEST(WireTimeFloor, OneByteLineEndAddsTheLineEndWait)
{
    EXPECT_EQ(WireTime::LineEndWaitMs(2.0), 5.0);
    EXPECT_EQ(WireTime::LineEndWaitMs(16.0), 19.0);
    EXPECT_EQ(WireTime::CeilMs(7.0), 7.0);
    EXPECT_NEAR(WireTime::VersionQueryMs(kVersion42Cr, 16.0), (3 + 12) * kByte + 16.0 + 19.0, 1e-9);
    EXPECT_NEAR(WireTime::VersionQueryMs(kVersion42Cr, 2.0), (3 + 12) * kByte + 2.0 + 5.0, 1e-9);
}

TEST(WireTimeFloor, TimedOutReadLastsAtLeastAsLongAsItsReply)
{
    EXPECT_NEAR(WireTime::TimedOutExchangeMs(3, 9, 16.0), 100.0, 1e-9);
    EXPECT_NEAR(WireTime::TimedOutExchangeMs(7, 90, 16.0), (7 + 90) * kByte + 16.0, 1e-9);
}

TEST(WireTimeFloor, CorrectionReadsOneBlockUnlessItsPointsStraddleTwo)
{
    const double block = (7 + 50) * kByte + 2.0;
    EXPECT_NEAR(WireTime::FirstCorrectionMs(2655, 2.0), block, 1e-9);      // offsets 2655, 2656: block 53
    EXPECT_NEAR(WireTime::FirstCorrectionMs(2549, 2.0), 2 * block, 1e-9);  // offsets 2549, 2550: blocks 50, 51
    EXPECT_NEAR(WireTime::FirstCorrectionMs(2550, 2.0), block, 1e-9);
    EXPECT_EQ(WireTime::kBlockCount, 107u);
}

TEST(WireTimeFloor, ImageWriteCountsPartialChunkAndSecondChunkZero)
{
    EXPECT_EQ(WireTime::ChunkCount(5321), 42u);
    EXPECT_EQ(WireTime::ChunkCount(5376), 42u);
    EXPECT_EQ(WireTime::ChunkCount(5377), 43u);
    EXPECT_EQ(WireTime::ChunkCount(0), 0u);
    EXPECT_EQ(WireTime::MemoryWriteCount(5321), 43u);
    EXPECT_EQ(WireTime::MemoryWriteCount(129), 3u);
    EXPECT_EQ(WireTime::MemoryWriteCount(128), 1u) << "one chunk is written once";
    EXPECT_EQ(WireTime::MemoryWriteCount(0), 0u);
}

}  // namespace
