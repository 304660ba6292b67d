// When replies arrive and reads return: 9600 baud, 10 bits a byte (1041.67 us),
// replies delivered 16 ms after their last byte; virtual and real time.
#include <chrono>
#include <thread>
#include <utility>

#include "SimDriver.h"

namespace {

// 3-byte command + 2-byte reply = 5 byte times (5208.33 us, rounded up) + 16 ms.
constexpr unsigned long long kSelectExchangeUs = 21209;
// 3-byte command + 9-byte reply = 12 byte times (12500 us) + 16 ms.
constexpr unsigned long long kSerialExchangeUs = 28500;

using RealTime = std::chrono::steady_clock;

double RealMs(RealTime::time_point from) {
    return std::chrono::duration<double, std::milli>(RealTime::now() - from).count();
}

class SimLinkTest : public SimTest {};

TEST_F(SimLinkTest, ReplyArrivesAfterBothWireTimesAndTheLatencyTimer) {
    FT_HANDLE handle = Open();
    Write(handle, SelectCommand(2));
    EXPECT_EQ(0u, sim.GetClock());
    DWORD queued = 99;
    EXPECT_EQ(FT_OK, sim.GetQueueStatus(handle, &queued));
    EXPECT_EQ(0u, queued);
    EXPECT_EQ("P\r", Read(handle, 2));
    EXPECT_EQ(kSelectExchangeUs, sim.GetClock());
}

TEST_F(SimLinkTest, ReadAskingMoreThanArrivesReturnsAfterTheReadTimeout) {
    FT_HANDLE handle = Open();
    EXPECT_EQ("K4700001\r", Exchange(handle, "sn\r", 50));
    EXPECT_EQ(100000u, sim.GetClock());
    ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 200, 100));
    EXPECT_EQ("", Read(handle, 2));
    EXPECT_EQ(300000u, sim.GetClock());
}

TEST_F(SimLinkTest, ArrivedBytesAreReadAtOnceAndInPieces) {
    FT_HANDLE handle = Open();
    Write(handle, "sn\r");
    EXPECT_EQ("K47", Read(handle, 3));
    EXPECT_EQ(kSerialExchangeUs, sim.GetClock());
    EXPECT_EQ("00001\r", Read(handle, 6));
    EXPECT_EQ(kSerialExchangeUs, sim.GetClock());
}

TEST_F(SimLinkTest, PurgeDiscardsTheReplyStillOnItsWay) {
    FT_HANDLE handle = Open();
    Write(handle, "sn\r");
    ASSERT_EQ(FT_OK, sim.Purge(handle, FT_PURGE_RX_TX));
    EXPECT_EQ("", Read(handle, 9));
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(1), 2));
}

// Ideal: 5 byte times + 16 ms; bridge: 5 byte times up to the next packet.
TEST_F(SimLinkTest, RealtimeReadSleepsUntilTheReplyArrives) {
    const std::pair<const char*, unsigned long long> links[] = {{"ideal", kSelectExchangeUs}, {"bridge", 5209}};
    for (const auto& [link, replyUs] : links) {
        SCOPED_TRACE(link);
        const std::string bus = std::string("[simulator]\ntiming = realtime\nlink = ") + link + "\n[device]\n";
        ASSERT_EQ(1, sim.Configure(bus.c_str()));
        FT_HANDLE handle = Open();
        const RealTime::time_point start = RealTime::now();
        EXPECT_EQ("P\r", Exchange(handle, SelectCommand(1), 2));
        const double elapsedMs = RealMs(start);
        EXPECT_GE(elapsedMs, replyUs / 1000.0);
        EXPECT_LT(elapsedMs, 200.0);
        EXPECT_GE(sim.GetClock(), replyUs);
    }
}

TEST_F(SimLinkTest, RealtimeDevicesOnTwoThreadsWaitInParallel) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = realtime\n"
                               "[device]\nreply.sn = silence, silence, silence\n"
                               "[device]\nreply.sn = silence, silence, silence\n"));
    FT_HANDLE first = Open("K4700001");
    FT_HANDLE second = Open("K4700002");
    auto threeTimeouts = [this](FT_HANDLE handle) {
        for (int i = 0; i < 3; ++i) EXPECT_EQ("", Exchange(handle, "sn\r", 9));
    };
    const RealTime::time_point start = RealTime::now();
    std::thread other(threeTimeouts, second);
    threeTimeouts(first);
    other.join();
    const double elapsedMs = RealMs(start);
    EXPECT_GE(elapsedMs, 300.0);
    EXPECT_LT(elapsedMs, 500.0);  // one after the other would take 600 ms
}

}  // namespace
