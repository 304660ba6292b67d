// The bridge model in virtual time: bytes one at a time, USB packets on the
// latency timer or when 62 bytes wait, purges that leave the rest of a reply,
// late replies, partial writes, the firmware's command framing, vanishing at
// a byte, and jitter. Byte times: WireTimeUs(k) = ceil(k x 1041.67 us).
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "SimDriver.h"

namespace {

using Packets = std::vector<std::pair<unsigned long long, std::string>>;

// Microseconds by which k bytes have crossed the line.
constexpr unsigned long long WireUs(unsigned long long k) { return (k * 10000000 + 9599) / 9600; }

std::string BridgeBus(const std::string& deviceLines, const std::string& simulatorLines = "") {
    return "[simulator]\ntiming = virtual\nlink = bridge\n" + simulatorLines + "[device]\n" + deviceLines;
}

class SimBridgeTest : public SimTest {
protected:
    FT_HANDLE OpenBus(const std::string& text) {
        EXPECT_EQ(1, sim.Configure(text.c_str())) << text;
        return Open();
    }

    // A reply read one byte at a time: the packets it came in, by arrival time.
    Packets ReadPackets(FT_HANDLE handle, size_t count) {
        Packets packets;
        for (size_t i = 0; i < count; ++i) {
            const std::string byte = Read(handle, 1);
            if (byte.empty()) break;
            if (packets.empty() || packets.back().first != sim.GetClock()) packets.push_back({sim.GetClock(), ""});
            packets.back().second += byte;
        }
        return packets;
    }

    std::string LastTrafficLines(size_t count) {
        const std::string text = Traffic();
        size_t start = text.size() - 1;  // the last line's newline
        for (size_t i = 0; i < count && start != std::string::npos && start > 0; ++i) {
            start = text.rfind('\n', start - 1);
        }
        return start == std::string::npos ? text : text.substr(start + 1);
    }
};

TEST_F(SimBridgeTest, RepliesArriveInPacketsOnTheLatencyTimerOrWhen62BytesWait) {
    const std::string hundred = "0123456789012345678901234567890123456789012345678901234567890123456789"
                                "012345678901234567890123456789";
    struct Case {
        UCHAR latencyMs;
        const char* command;
        std::string script;  // scripted reply, or "" for the normal one
        Packets packets;
    };
    const Case cases[] = {
        // CR at 15.625 ms goes with the 16 ms packet; LF at 16.667 ms waits for the next.
        {16, "vr\r", "", {{16000, "Version 4.2\r"}, {32000, "\n"}}},
        {2, "vr\r", "", {{6000, "Ve"}, {8000, "rs"}, {10000, "io"}, {12000, "n "}, {14000, "4."}, {16000, "2\r"},
                         {18000, "\n"}}},
        {5, "sn\r", "", {{5000, "K"}, {10000, "47000"}, {15000, "01\r"}}},
        // The 62nd byte (65 byte times) sends a full packet and restarts the timer.
        {255, "sn\r", hundred, {{WireUs(65), hundred.substr(0, 62)}, {WireUs(65) + 255000, hundred.substr(62)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.latencyMs) + " ms " + c.command);
        FT_HANDLE handle = OpenBus(BridgeBus(""));
        ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 1000, 100));
        ASSERT_EQ(FT_OK, sim.SetLatencyTimer(handle, c.latencyMs));
        if (!c.script.empty()) {
            ASSERT_EQ(1, sim.ScriptReply("K4700001", "sn", ("\"" + c.script + "\"").c_str()));
        }
        Write(handle, c.command);
        size_t total = 0;
        for (const auto& packet : c.packets) total += packet.second.size();
        EXPECT_EQ(c.packets, ReadPackets(handle, total));
    }
}

// A range selection (3 + 2 bytes) in both models and with both timer settings;
// a device's link key overrides the [simulator] one.
TEST_F(SimBridgeTest, ExchangeTimeFollowsTheLatencyTimerInBothModels) {
    struct Case {
        const char* bus;
        UCHAR latencyMs;  // 0: left at 16 ms
        unsigned long long replyUs;
    };
    const Case cases[] = {
        {"[simulator]\ntiming = virtual\n[device]\n", 0, 21209},
        {"[simulator]\ntiming = virtual\n[device]\n", 2, 7209},
        {"[simulator]\ntiming = virtual\nlink = bridge\n[device]\n", 0, 16000},
        {"[simulator]\ntiming = virtual\nlink = bridge\n[device]\n", 2, 6000},
        {"[simulator]\ntiming = virtual\nlink = bridge\n[device]\nlink = ideal\n", 0, 21209},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bus + std::to_string(c.latencyMs));
        FT_HANDLE handle = OpenBus(c.bus);
        if (c.latencyMs != 0) {
            ASSERT_EQ(FT_OK, sim.SetLatencyTimer(handle, c.latencyMs));
        }
        EXPECT_EQ("P\r", Exchange(handle, SelectCommand(3), 2));
        EXPECT_EQ(c.replyUs, sim.GetClock());
    }
}

TEST_F(SimBridgeTest, LatencyTimerIsSetPerHandleWithinTwoTo255Ms) {
    FT_HANDLE handle = OpenBus(BridgeBus("") + "[device]\nfail_config = latency\n");
    UCHAR latency = 0;
    ASSERT_EQ(FT_OK, sim.GetLatencyTimer(handle, &latency));
    EXPECT_EQ(16, latency);
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.SetLatencyTimer(handle, 1));
    EXPECT_EQ(FT_OK, sim.SetLatencyTimer(handle, 2));
    ASSERT_EQ(FT_OK, sim.GetLatencyTimer(handle, &latency));
    EXPECT_EQ(2, latency);
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.GetLatencyTimer(handle, nullptr));
    EXPECT_EQ(FT_IO_ERROR, sim.SetLatencyTimer(Open("K4700002"), 2));
    EXPECT_EQ("0.000 K4700001 latency 1 failed\n0.000 K4700001 latency 2\n"
              "0.000 K4700002 open\n0.000 K4700002 latency 2 failed\n",
              LastTrafficLines(4));
    ASSERT_EQ(FT_OK, sim.Close(handle));
    handle = Open();
    ASSERT_EQ(FT_OK, sim.GetLatencyTimer(handle, &latency));
    EXPECT_EQ(16, latency);
}

TEST_F(SimBridgeTest, ReceivePurgeLeavesWhatIsStillOnTheLine) {
    FT_HANDLE handle = OpenBus(BridgeBus(""));
    Write(handle, "vr\r");
    EXPECT_EQ("V", Read(handle, 1));
    EXPECT_EQ(16000u, sim.GetClock());
    ASSERT_EQ(FT_OK, sim.Purge(handle, FT_PURGE_RX_TX));
    EXPECT_EQ("\n", Read(handle, 1)) << "the LF was still on the line";
    EXPECT_EQ(32000u, sim.GetClock());

    // A 50-byte memory read: bytes 0-7 came with the 16 ms packet; byte 8 was
    // being sent at the purge, 9-49 were still to come (the last at 59.375 ms).
    handle = OpenBus(BridgeBus(""));
    Write(handle, MemoryReadCommand(0, 50));
    EXPECT_EQ(1u, Read(handle, 1).size());
    ASSERT_EQ(FT_OK, sim.Purge(handle, FT_PURGE_RX_TX));
    unsigned char memory[50] = {};
    ASSERT_EQ(1, sim.ReadMemory("K4700001", 0, memory, 50));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(memory) + 8, 42), Read(handle, 42));
    EXPECT_EQ(64000u, sim.GetClock());
}

// "sn" CR written at 0 and a transmit purge: at 2 ms "s" has crossed and
// "n" is on the line, at 0 "s" is. The purge keeps that byte and drops the
// rest, so writing the rest completes the serial query. A scripted raw
// reply "R" shows bytes taken as raw text.
TEST_F(SimBridgeTest, TransmitPurgeDropsTheBytesBehindTheOneOnTheLine) {
    struct Case {
        ULONG purgeMs;
        const char* rest;
    };
    const Case cases[] = {{2, "\r"}, {0, "n\r"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.purgeMs);
        FT_HANDLE handle = OpenBus(BridgeBus("reply.raw = \"R\"\n"));
        Write(handle, "sn\r");
        if (c.purgeMs != 0) {
            ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, c.purgeMs, 100));
            EXPECT_EQ("", Read(handle, 1));
            ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 100, 100));
        }
        ASSERT_EQ(FT_OK, sim.Purge(handle, 2));
        EXPECT_EQ("K4700001\r", Exchange(handle, c.rest, 20));
    }
}

TEST_F(SimBridgeTest, LateReplyArrivesAfterTheReadTimeout) {
    struct Case {
        const char* deviceLines;
        unsigned long long replyUs;
    };
    // Bridge: the reply's bytes cross at 154.167 and 155.209 ms, the packet
    // leaves at 160 ms. Ideal: 150 ms + 5 byte times + 16 ms.
    const Case cases[] = {
        {"reply_delay = 150\n", 160000},
        {"reply.f = delay:150\n", 160000},
        {"link = ideal\nreply_delay = 150\n", 171209},
        {"link = ideal\nreply.f = delay:150 \"P\\r\"\n", 171209},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deviceLines);
        FT_HANDLE handle = OpenBus(BridgeBus(c.deviceLines));
        EXPECT_EQ("", Exchange(handle, SelectCommand(3), 2));
        EXPECT_EQ(100000u, sim.GetClock());
        EXPECT_EQ("P\r", Read(handle, 2));
        EXPECT_EQ(c.replyUs, sim.GetClock());
    }
}

// The first write takes only "f". What the converter makes of the next bytes
// depends on the silence before them: up to 10 ms it still waits for the
// command's rest; after more it has dropped the "f".
TEST_F(SimBridgeTest, PartialWriteAndTheIncompleteCommandRule) {
    struct Case {
        const char* name;
        unsigned waitMs;  // before the next write; 0: at once
        bool rest;        // the next write: the rest of the command, or all of it again
        int range;
        std::string reply;
    };
    const Case cases[] = {
        {"rest at once", 0, true, 5, "P\r"},
        {"rest 9 ms later", 9, true, 5, "P\r"},
        {"rest 12 ms later: 05 CR begins no command", 12, true, 5, ""},
        {"whole again at once: f f 05 begins no command", 0, false, 5, ""},
        {"whole again at once: f f CR selects 'f'", 0, false, 13, "X\r"},
        {"whole again after a time-out", 100, false, 5, "P\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FT_HANDLE handle = OpenBus(BridgeBus("partial_writes = 1:1\n"));
        const std::string command = SelectCommand(c.range);
        DWORD written = 0;
        ASSERT_EQ(FT_OK, sim.Write(handle, const_cast<char*>(command.data()), 3, &written));
        EXPECT_EQ(1u, written);
        EXPECT_EQ("0.000 K4700001 write-partial 3 -> 66\n", LastTrafficLines(1));
        if (c.waitMs != 0) {
            ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, c.waitMs, 100));
            EXPECT_EQ("", Read(handle, 2));
            ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 100, 100));
        }
        EXPECT_EQ(c.reply, Exchange(handle, c.rest ? command.substr(1) : command, 2));
    }
}

TEST_F(SimBridgeTest, DeviceVanishesAtTheCountedByte) {
    struct Case {
        const char* deviceLines;
        int controlHostBytes, controlConverterBytes;  // SIM_UnplugAfterBytes after the open, when not 0
        bool memoryWrite;                             // the command: a 135-byte memory write, or "sn" CR
        unsigned long long goneUs;
        bool memoryWritten;
    };
    const Case cases[] = {
        {"unplug_after_host_bytes = 2\n", 0, 0, false, WireUs(2), false},
        {"unplug_after_converter_bytes = 5\n", 0, 0, false, WireUs(3 + 5), false},
        {"", 0, 5, false, WireUs(3 + 5), false},
        {"link = ideal\nunplug_after_host_bytes = 2\n", 0, 0, false, WireUs(2), false},
        {"link = ideal\nunplug_after_converter_bytes = 5\n", 0, 0, false, WireUs(3 + 5), false},
        {"", 134, 0, true, WireUs(134), false},
        {"link = ideal\n", 134, 0, true, WireUs(134), false},
        {"unplug_after_host_bytes = 135\n", 0, 0, true, WireUs(135), true},
    };
    const std::string data(128, '\x5A');
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.deviceLines) + std::to_string(c.controlHostBytes));
        FT_HANDLE handle = OpenBus(BridgeBus(c.deviceLines));
        ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 200, 100));  // a memory write takes 141 ms
        if (c.controlHostBytes + c.controlConverterBytes != 0) {
            ASSERT_EQ(1, sim.UnplugAfterBytes("K4700001", c.controlHostBytes, c.controlConverterBytes));
        }
        Write(handle, c.memoryWrite ? MemoryWriteCommand(256, data) : "sn\r");
        char buffer[16];
        DWORD done = 0;
        EXPECT_EQ(FT_IO_ERROR, sim.Read(handle, buffer, 9, &done));
        EXPECT_EQ(c.goneUs, sim.GetClock());
        EXPECT_EQ(0u, done);
        const std::string at = std::to_string(c.goneUs / 1000) + "." + std::to_string(c.goneUs % 1000 + 1000).substr(1);
        EXPECT_EQ(at + " K4700001 unplugged\n" + at + " K4700001 read-failed 9\n", LastTrafficLines(2));
        EXPECT_EQ(FT_IO_ERROR, sim.Write(handle, buffer, 3, &done));
        EXPECT_EQ(0u, AttachedCount());
        unsigned char memory[128] = {};
        ASSERT_EQ(1, sim.ReadMemory("K4700001", 256, memory, 128));
        EXPECT_EQ(c.memoryWritten, std::string(reinterpret_cast<char*>(memory), 128) == data);
    }
    EXPECT_EQ(0, sim.UnplugAfterBytes("K4709999", 1, 0));
    EXPECT_EQ(0, sim.UnplugAfterBytes("K4700001", -1, 0));
}

class SimJitterTest : public SimBridgeTest {
protected:
    static constexpr unsigned long long kReplyDelayUs = 3000;

    // Version queries on a bus with the given seed; every reply byte's arrival.
    std::vector<std::vector<unsigned long long>> Session(unsigned seed, int exchanges) {
        FT_HANDLE handle = OpenBus(BridgeBus("reply_delay = 3\n", "jitter = " + std::to_string(seed) + "\n"));
        std::vector<std::vector<unsigned long long>> arrivals;
        for (int i = 0; i < exchanges; ++i) {
            const unsigned long long writeUs = sim.GetClock();
            Write(handle, "vr\r");
            std::string reply;
            arrivals.emplace_back();
            for (int byte = 0; byte < 13; ++byte) {
                reply += Read(handle, 1);
                arrivals.back().push_back(sim.GetClock() - writeUs);
            }
            EXPECT_EQ("Version 4.2\r\n", reply);
        }
        return arrivals;
    }
};

TEST_F(SimJitterTest, SameSeedGivesTheSameTrafficAndOthersOtherSplits) {
    Session(7, 10);
    const std::string first = Traffic();
    Session(7, 10);
    EXPECT_EQ(first, Traffic());
    Session(8, 10);
    EXPECT_NE(first, Traffic());
}

// Each byte arrives after it crossed the line and at most the reply delay
// plus one timer period later; each write meets the timer at a new phase, so
// replies come whole and split, the CR and LF among them.
TEST_F(SimJitterTest, SplitsAndDelaysStayWithinTheirBounds) {
    int whole = 0;
    int split = 0;
    int lineEndSplit = 0;
    for (unsigned seed = 1; seed <= 40 && !HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::set<unsigned long long> laterFirstArrivals;  // of the exchanges after the first
        const auto session = Session(seed, 5);
        for (const auto& arrivals : session) {
            for (size_t byte = 0; byte < arrivals.size(); ++byte) {
                EXPECT_GE(arrivals[byte], WireUs(3 + byte + 1)) << byte;
                EXPECT_LE(arrivals[byte], WireUs(3 + byte + 1) + kReplyDelayUs + 16000) << byte;
            }
            ++(arrivals.front() == arrivals.back() ? whole : split);
            lineEndSplit += arrivals[11] != arrivals[12];
            if (&arrivals != &session.front()) laterFirstArrivals.insert(arrivals.front());
        }
        EXPECT_GT(laterFirstArrivals.size(), 1u);
    }
    EXPECT_GT(whole, 0);
    EXPECT_GT(split, 0);
    EXPECT_GT(lineEndSplit, 0);
}

// With the ideal link the delay shows alone: 5 byte times + delay + 16 ms.
TEST_F(SimJitterTest, ReplyDelaysAreDrawnUpToTheReplyDelay) {
    FT_HANDLE handle = OpenBus(BridgeBus("link = ideal\nreply_delay = 3\n", "jitter = 5\n"));
    unsigned long long shortest = ~0ull;
    unsigned long long longest = 0;
    for (int i = 0; i < 50; ++i) {
        const unsigned long long writeUs = sim.GetClock();
        EXPECT_EQ("P\r", Exchange(handle, SelectCommand(3), 2));
        const unsigned long long delayUs = sim.GetClock() - writeUs - 21209;
        shortest = std::min(shortest, delayUs);
        longest = std::max(longest, delayUs);
    }
    EXPECT_LT(shortest, 500u);
    EXPECT_GT(longest, 2500u);
    EXPECT_LE(longest, kReplyDelayUs);
}

}  // namespace
