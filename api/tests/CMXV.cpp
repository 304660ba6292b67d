// The device object's plain exchanges (alive check, configuration query, raw
// text, closing), the reading of text replies, and the per-device lock that
// keeps exchanges whole when several threads use the library.
#include "ApiTestSupport.h"

#include <cstring>
#include <iterator>
#include <thread>

using apitest::ReadLine;
using apitest::WriteLine;

namespace {

constexpr const char* usb = "K4700001";

// The fixed range table every DeviceConfig carries: from, to, oscillator, inverted.
const RangeEntry expectedRanges[OVK47MXV_RANGE_COUNT] = {
    {0LL, 2900000000LL, 0LL, 0},
    {2900000000LL, 4500000000LL, 5700000000LL, 1},
    {4500000000LL, 5900000000LL, 6000000000LL, 1},
    {5900000000LL, 8000000000LL, 5700000000LL, 0},
    {8000000000LL, 9000000000LL, 9200000000LL, 1},
    {9000000000LL, 9900000000LL, 8700000000LL, 0},
    {9900000000LL, 12000000000LL, 12200000000LL, 1},
    {12000000000LL, 13200000000LL, 11700000000LL, 0},
    {13200000000LL, 14900000000LL, 15000000000LL, 1},
    {14900000000LL, 16000000000LL, 14700000000LL, 0},
    {16000000000LL, 17100000000LL, 17200000000LL, 1},
    {17100000000LL, 17900000000LL, 18000000000LL, 1},
    {17900000000LL, 19100000000LL, 17800000000LL, 0},
    {19100000000LL, 21000000000LL, 19000000000LL, 0},
};

class DeviceExchangeTest : public apitest::DeviceTest {
protected:
    // Attaches one converter with the given extra settings and opens it.
    void OpenConverter(const std::string& settings = "")
    {
        UseBus(apitest::Device(usb, settings));
        dev = OpenQuietly(usb);
        ASSERT_EQ(0, dev);
    }

    int dev = -1;
};

TEST_F(DeviceExchangeTest, AliveWhenSerialReplyHasNineBytes)
{
    OpenConverter();
    EXPECT_EQ(1, IsAlive(dev));
    EXPECT_EQ((std::vector<std::string>{"purge 1", WriteLine("sn\r"), ReadLine(64, "K4700001\r")}),
              Sim.TrafficOf(usb));
}

TEST_F(DeviceExchangeTest, NotAliveWhenSerialReplyIsLongerShorterOrMissing)
{
    OpenConverter();
    ASSERT_TRUE(Sim.Script(usb, "sn", "\"K4700001\\r\\n\", \"K47001\\r\", silence"));
    EXPECT_EQ(0, IsAlive(dev));
    EXPECT_EQ(0, IsAlive(dev));
    EXPECT_EQ(0, IsAlive(dev));
}

TEST_F(DeviceExchangeTest, ConfigCarriesSerialRangeTableAndFirmwareWithoutLineEnd)
{
    OpenConverter("serial = AB123456\n");
    DeviceConfig config;
    memset(&config, 0xCC, sizeof config);
    ASSERT_EQ(1, GetConfig(dev, &config));
    EXPECT_EQ(0, memcmp(config.serial, "AB123456\0\0\0\0\0\0\0\0\0\0\0\0", 20));
    EXPECT_EQ(14, config.rangeCount);
    EXPECT_EQ(0, memcmp(config.ranges, expectedRanges, sizeof expectedRanges));
    EXPECT_EQ(0, memcmp(config.firmware, "Version 4.2\0\0\0\0", 16));
    EXPECT_EQ(apitest::Concat({{"purge 1", WriteLine("sn\r"), ReadLine(50, "AB123456\r"), WriteLine("vr\r")},
                               apitest::ByteReads("Version 4.2\r\n")}),
              Sim.TrafficOf(usb));
}

TEST_F(DeviceExchangeTest, ConfigStopsAtLineFeedOfVersionReply)
{
    OpenConverter();
    ASSERT_TRUE(Sim.Script(usb, "vr", "\"Version 10.7\\nrest\""));
    DeviceConfig config{};
    ASSERT_EQ(1, GetConfig(dev, &config));
    EXPECT_STREQ("Version 10.7", config.firmware);
}

TEST_F(DeviceExchangeTest, ConfigKeepsFifteenCharactersOfFiftyByteVersionReply)
{
    OpenConverter();
    std::string reply = "Version 7.1-" + std::string(48, 'x');  // 60 bytes, no line end
    ASSERT_TRUE(Sim.Script(usb, "vr", ("\"" + reply + "\"").c_str()));
    DeviceConfig config;
    memset(&config, 0xCC, sizeof config);
    ASSERT_EQ(1, GetConfig(dev, &config));
    EXPECT_EQ(0, memcmp(config.firmware, "Version 7.1-xxx\0", 16));
    std::vector<std::string> events = Sim.TrafficOf(usb);
    ASSERT_EQ(4u + 50u + 2u, events.size()) << "the reply is read up to 50 bytes, its rest discarded";
    EXPECT_EQ(ReadLine(1, "x"), events[4 + 49]);
    EXPECT_EQ(ReadLine(1024, std::string(10, 'x')), events[4 + 50]);
}

TEST_F(DeviceExchangeTest, ConfigReportsFourteenRangesEvenWhenSerialReplyIsWrong)
{
    OpenConverter();
    ASSERT_TRUE(Sim.Script(usb, "sn", "\"AB1234567\\r\""));
    DeviceConfig config{};
    EXPECT_EQ(0, GetConfig(dev, &config));
    EXPECT_EQ(14, config.rangeCount);
    EXPECT_EQ((std::vector<std::string>{"purge 1", WriteLine("sn\r"), ReadLine(50, "AB1234567\r"),
                                        ReadLine(1024, ""), "purge 1"}),
              Sim.TrafficOf(usb))
        << "the rest of a reply too long is let in and discarded";
}

TEST_F(DeviceExchangeTest, VersionReplyEndsAtLineEndWithoutWaitingOutTimeOut)
{
    UseBus(apitest::Device(usb));
    unsigned long long start = Sim.ClockUs();
    dev = ::Open(usb);
    ASSERT_EQ(0, dev);
    unsigned long long openUs = Sim.ClockUs() - start;
    EXPECT_LT(openUs, 100000u) << "version and header replies come in well within one time-out";
    DeviceConfig config{};
    start = Sim.ClockUs();
    ASSERT_EQ(1, GetConfig(dev, &config));
    unsigned long long configUs = Sim.ClockUs() - start;
    EXPECT_GE(configUs, 100000u) << "the serial reply of 9 bytes waits out its 50-byte read";
    EXPECT_LT(configUs, 150000u) << "the version reply does not";
}

// The serial reply's read, the version's first byte, then one read time-out
// for a late version reply to come in and be discarded.
TEST_F(DeviceExchangeTest, SilentVersionReplyCostsThreeTimeOuts)
{
    OpenConverter();
    ASSERT_TRUE(Sim.Script(usb, "vr", "silence"));
    DeviceConfig config{};
    unsigned long long start = Sim.ClockUs();
    ASSERT_EQ(1, GetConfig(dev, &config));
    EXPECT_EQ(300000u, Sim.ClockUs() - start);
    EXPECT_STREQ("", config.firmware);
    std::vector<std::string> events = Sim.TrafficOf(usb);
    EXPECT_EQ((std::vector<std::string>{ReadLine(1, ""), ReadLine(1024, ""), "purge 1"}),
              std::vector<std::string>(events.end() - 3, events.end()));
}

TEST_F(DeviceExchangeTest, RawTextIsWrittenWithoutTerminator)
{
    OpenConverter();
    EXPECT_EQ(OVK47MXV_OK, SendBuffer(dev, "gain 3\r"));
    EXPECT_EQ(OVK47MXV_OK, SendBuffer(dev, nullptr));
    // then waited out until its 7 bytes have crossed the line: 8 ms and 2 ms
    EXPECT_EQ((std::vector<std::string>{"purge 1", WriteLine("gain 3\r"), "timeouts 10 100", ReadLine(1024, ""),
                                        "timeouts 100 100"}),
              Sim.TrafficOf(usb));
}

TEST_F(DeviceExchangeTest, RawTextIsRetriedUpToThreeTimes)
{
    OpenConverter("fail_writes = 3\n");  // the first one is the header load's "vr"
    EXPECT_EQ(OVK47MXV_OK, SendBuffer(dev, "ab"));
    EXPECT_EQ((std::vector<std::string>{"purge 1", "write-failed 61 62", "purge 1", "write-failed 61 62", "purge 1",
                                        WriteLine("ab"), "timeouts 5 100", ReadLine(1024, ""), "timeouts 100 100"}),
              Sim.TrafficOf(usb));
    ASSERT_EQ(1, ::Close(dev));
    OpenConverter("fail_writes = 4\n");
    EXPECT_EQ(OVK47MXV_WRITE_FAILED, SendBuffer(dev, "ab"));
}

TEST_F(DeviceExchangeTest, CloseClearsPowerBeforeClosingAndOnlyOnce)
{
    OpenConverter();
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 8));
    Sim.ClearTraffic();
    EXPECT_NE(0, ::Close(dev));
    EXPECT_EQ(apitest::closingTraffic, Sim.TrafficOf(usb));
    Sim.ClearTraffic();
    EXPECT_EQ(0, ::Close(dev));
    EXPECT_EQ(0, IsOpen(dev));
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

// Checks that one device's traffic is a series of whole exchanges: a purge
// is followed by a write, every command by its own reads (after the first
// one, reads of a late reply and of one to discard may follow), a power
// clear by the wait for its bytes to cross the line, and a new write follows
// reads only where one exchange sends two commands ("sn" then
// "vr" in the configuration query). Returns the first fault, or "".
std::string FirstBrokenExchange(const std::vector<std::string>& events)
{
    enum class Expect { Anything, Write, Reads, Tail, ByteReads, Drain };
    // The wait after a power clear until its bytes have crossed the line.
    static const std::string drain[] = {"timeouts 6 100", "read 1024 ->", "timeouts 100 100"};
    Expect expect = Expect::Anything;
    size_t drained = 0;
    std::string readPrefix;
    std::string lastWrite;
    for (size_t i = 0; i < events.size(); ++i) {
        const std::string& e = events[i];
        bool isRead = e.compare(0, 5, "read ") == 0;
        bool isWrite = e.compare(0, 6, "write ") == 0;
        std::string where = "line " + std::to_string(i) + ": " + e;
        bool isDiscard = e.compare(0, 12, "read 1024 ->") == 0;
        if (expect == Expect::Write && !isWrite && e != "purge 1")
            return where + " (a purge not followed by its write)";
        if (expect == Expect::Reads) {
            if (!isRead || e.compare(0, readPrefix.size(), readPrefix) != 0)
                return where + " (expected " + readPrefix + " after " + lastWrite + ")";
            expect = Expect::Tail;
            continue;
        }
        if (expect == Expect::Tail && isRead)
            continue;
        if (expect == Expect::Drain) {
            if (e.compare(0, drain[drained].size(), drain[drained]) != 0)
                return where + " (a power clear not waited out)";
            expect = ++drained < std::size(drain) ? Expect::Drain : Expect::Anything;
            continue;
        }
        if (expect == Expect::ByteReads && (isRead || e.compare(0, 9, "timeouts ") == 0)) {
            if (isRead && !isDiscard && e.compare(0, 9, "read 1 ->") != 0)
                return where + " (a version reply read in one piece)";
            continue;  // its bytes, the wait for the second byte of its line end, a discard
        }
        if (isRead)
            return where + " (a read no command asked for)";
        if (isWrite && expect != Expect::Write && lastWrite != WriteLine("sn\r"))
            return where + " (a write without its purge)";
        expect = Expect::Anything;
        if (e == "purge 1") {
            expect = Expect::Write;
            lastWrite.clear();
            continue;
        }
        lastWrite = e;
        if (e.compare(0, 9, "write 66 ") == 0) {
            expect = Expect::Reads;
            readPrefix = "read 2 ->";
        } else if (e == WriteLine("sn\r")) {
            expect = Expect::Reads;
            readPrefix = "read ";
        } else if (e.compare(0, 15, "write 52 43 0D ") == 0) {
            expect = Expect::Reads;
            readPrefix = "read 50 ->";
        } else if (e == WriteLine("vr\r")) {
            expect = Expect::ByteReads;
        } else if (e == WriteLine("CP\r")) {
            expect = Expect::Drain;
            drained = 0;
        }
    }
    return "";
}

// Work of one thread on one device: selects, alive checks, configuration
// queries, corrections and power clears, count times each.
void MixedWork(int dev, int kind, int count)
{
    for (int i = 0; i < count; ++i) {
        switch (kind % 4) {
        case 0:
            SetRange(dev, i % OVK47MXV_RANGE_COUNT);
            break;
        case 1:
            IsAlive(dev);
            break;
        case 2: {
            DeviceConfig config;
            GetConfig(dev, &config);
            break;
        }
        default:
            GetSSCorrection(dev, 1000000000ULL * (i % 20) + 123456789ULL);
            SetClearPower(dev);
            break;
        }
    }
}

class DeviceLockTest : public apitest::DeviceTest {};

// Replies split at random and up to 150 ms late: some beyond the read time-out.
const std::string lateReplies = "reply_delay = 150\n";

TEST_F(DeviceLockTest, OneConverterFromFourThreadsKeepsExchangesWhole)
{
    ASSERT_TRUE(Sim.Configure(apitest::JitterBus(11, apitest::Device(usb, lateReplies))));
    int dev = OpenQuietly(usb);
    ASSERT_EQ(0, dev);
    std::vector<std::thread> threads;
    for (int kind = 0; kind < 4; ++kind)
        threads.emplace_back(MixedWork, dev, kind, 40);
    for (std::thread& thread : threads)
        thread.join();
    std::vector<std::string> events = Sim.TrafficOf(usb);
    EXPECT_GT(events.size(), 400u);
    EXPECT_EQ("", FirstBrokenExchange(events));
}

TEST_F(DeviceLockTest, TwoConvertersFromTwoThreadsKeepExchangesWhole)
{
    ASSERT_TRUE(Sim.Configure(
        apitest::JitterBus(12, apitest::Device("K4700001", lateReplies) + apitest::Device("K4700002", lateReplies))));
    int first = OpenQuietly("K4700001");
    int second = OpenQuietly("K4700002");
    ASSERT_EQ(0, first);
    ASSERT_EQ(1, second);
    auto work = [](int dev) {
        for (int kind = 0; kind < 4; ++kind)
            MixedWork(dev, kind, 15);
    };
    std::thread one(work, first);
    std::thread two(work, second);
    one.join();
    two.join();
    for (const char* serial : {"K4700001", "K4700002"}) {
        std::vector<std::string> events = Sim.TrafficOf(serial);
        EXPECT_GT(events.size(), 100u) << serial;
        EXPECT_EQ("", FirstBrokenExchange(events)) << serial;
    }
}

// The checker itself must see an interleaving.
TEST(ExchangeOrderCheckTest, InterleavedExchangesAreDetected)
{
    EXPECT_NE("", FirstBrokenExchange({"purge 1", ReadLine(64, "x"), WriteLine("sn\r"), ReadLine(64, "x")}));
    EXPECT_NE("", FirstBrokenExchange({"purge 1", WriteLine("sn\r"), WriteLine("f\1\r"), ReadLine(64, "x")}));
    EXPECT_NE("", FirstBrokenExchange({"purge 1", WriteLine("CP\r"), WriteLine("CP\r")}));
    EXPECT_NE("", FirstBrokenExchange({"purge 1", WriteLine("CP\r"), "purge 1", WriteLine("sn\r"), ReadLine(64, "x")}));
    EXPECT_EQ("", FirstBrokenExchange(apitest::Concat({{"purge 1", WriteLine("sn\r"), ReadLine(50, "x"),
                                                        WriteLine("vr\r"), ReadLine(1, "V")},
                                                       apitest::powerClearExchange})));
}

}  // namespace
