// The USB link: binding the driver library beside the API library, opening
// and configuring a converter, and a converter that disappears mid-exchange.
#include "ApiTestSupport.h"

#include <algorithm>

using apitest::ReadLine;
using apitest::WriteLine;

namespace {

constexpr const char* usb = "K4700001";

class UsbLinkTest : public apitest::DeviceTest {};

TEST_F(UsbLinkTest, OpenConfiguresLinkThenLoadsCalibrationHeader)
{
    UseBus(apitest::Device(usb));
    EXPECT_EQ(0, ::Open(usb));
    EXPECT_EQ(apitest::OpeningTraffic("Version 4.2\r\n", std::string("\x01\xFF\x3F", 3)), Sim.TrafficOf(usb));
    EXPECT_EQ(1, IsOpen(0));
}

TEST_F(UsbLinkTest, RefusedConfigurationStepClosesHandleAgain)
{
    const struct {
        const char* step;
        std::vector<std::string> traffic;
    } cases[] = {
        {"timeouts", {"open", "timeouts 100 100 failed", "close"}},
        {"baud", {"open", "timeouts 100 100", "baud 9600 failed", "close"}},
        {"flow", {"open", "timeouts 100 100", "baud 9600", "flow 0 0 0 failed", "close"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        UseBus(apitest::Device(usb, std::string("fail_config = ") + c.step + "\n") + apitest::Device("K4700002"));
        EXPECT_EQ(-1, ::Open(usb));
        EXPECT_EQ(c.traffic, Sim.TrafficOf(usb));
        EXPECT_EQ(0, ::Open("K4700002")) << "no slot was taken";
        ::Close(0);
    }
}

TEST_F(UsbLinkTest, RefusedOrUnknownSerialTakesNoSlot)
{
    UseBus(apitest::Device(usb, "open = refuse\n") + apitest::Device("K4700002"));
    EXPECT_EQ(-1, ::Open(usb));
    EXPECT_EQ(-1, ::Open("K4799999"));
    EXPECT_EQ((std::vector<std::string>{"K4700001 open-refused", "K4799999 open-refused"}), Sim.Traffic());
    EXPECT_EQ(0, ::Open("K4700002"));
}

TEST_F(UsbLinkTest, SecondOpenOfSameConverterFailsAndFirstStaysUsable)
{
    UseBus(apitest::Device(usb));
    ASSERT_EQ(0, OpenQuietly(usb));
    EXPECT_EQ(-1, ::Open(usb));
    EXPECT_EQ(1, IsAlive(0));
}

TEST_F(UsbLinkTest, SerialLongerThanSixteenCharactersIsRefusedWithoutDriverCall)
{
    UseBus(apitest::Device(usb));
    EXPECT_EQ(-1, ::Open("K4700001K4700001K"));
    EXPECT_EQ(-1, ::Open(nullptr));
    EXPECT_TRUE(Sim.Traffic().empty());
}

class UnplugTest : public apitest::DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        UseBus(apitest::Device(usb) + apitest::Device("K4700002"));
        dev = OpenQuietly(usb);
        ASSERT_EQ(0, dev);
    }

    // Virtual microseconds an operation takes.
    template <typename Operation>
    unsigned long long Duration(Operation operation)
    {
        unsigned long long start = Sim.ClockUs();
        operation();
        return Sim.ClockUs() - start;
    }

    int dev = -1;
};

TEST_F(UnplugTest, ConverterGoneAfterCommandFailsWithinTimeOut)
{
    ASSERT_TRUE(Sim.Unplug(usb, 1));  // the select command still leaves the host
    int result = 0;
    EXPECT_LE(Duration([&] { result = SetRange(dev, 3); }), 100000u);
    EXPECT_EQ(OVK47MXV_WRITE_FAILED, result) << "the last attempt's write failed";
    std::vector<std::string> events = Sim.TrafficOf(usb);
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ("read-failed 2", events[2]);
    DeviceConfig config{};
    EXPECT_LE(Duration([&] { result = GetConfig(dev, &config); }), 100000u);
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, IsAlive(dev));
    EXPECT_EQ(0, SetClearPower(dev));
    EXPECT_EQ(OVK47MXV_WRITE_FAILED, SendBuffer(dev, "x"));
    EXPECT_EQ(0.0f, GetSSCorrection(dev, 5000000000ULL));
}

TEST_F(UnplugTest, CloseOfUnpluggedConverterFreesItsIndex)
{
    ASSERT_TRUE(Sim.Unplug(usb, 0));
    EXPECT_EQ(0, IsAlive(dev));
    Sim.ClearTraffic();
    EXPECT_NE(0, ::Close(dev));
    std::vector<std::string> events = Sim.TrafficOf(usb);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ("close", events.back());
    EXPECT_EQ(0, ::Open("K4700002")) << "index 0 is free again";
    EXPECT_EQ(-1, ::Open(usb)) << "the unplugged converter has left the bus";
}

TEST_F(UnplugTest, ConverterGoneDuringImageWriteFailsAndSetsTimeOutsBack)
{
    ASSERT_TRUE(Sim.Unplug(usb, 2));
    std::string image(300, '\1');
    int result = 1;
    EXPECT_LE(Duration([&] {
                  result = WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(image.data()), 300);
              }),
              200000u);
    EXPECT_EQ(0, result);
    std::vector<std::string> events = Sim.TrafficOf(usb);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ("timeouts 100 100 failed", events[events.size() - 2]) << "the time-outs are set back even so";
    EXPECT_EQ("write-failed 76 72 0D", events.back()) << "the header reload finds the converter gone";
}

// The link behind the USB bridge: replies come in packets on the bridge's
// latency timer, a purge cannot reach what is still on the line, a reply may
// come later than the read time-out, and a write may take only part of a
// command.
class BridgeLinkTest : public apitest::DeviceTest {
protected:
    // Virtual microseconds an operation takes.
    template <typename Operation>
    unsigned long long Duration(Operation operation)
    {
        unsigned long long start = Sim.ClockUs();
        operation();
        return Sim.ClockUs() - start;
    }

    unsigned Header(int dev)
    {
        unsigned header = 0;
        EXPECT_EQ(1, GetCalibrationData(dev, 0, nullptr, 0, &header));
        return header;
    }
};

// "Version 4.2" and its line end in whatever packets the timer's phase makes:
// the line end is taken whole, so the next exchange reads its own reply.
TEST_F(BridgeLinkTest, VersionLineEndIsTakenWholeWhereverPacketsSplitIt)
{
    for (const char* lineEnd : {"\\r\\n", "\\n\\r", "\\r", "\\n"}) {
        for (unsigned seed = 0; seed < 8; ++seed) {
            SCOPED_TRACE(std::string("line end ") + lineEnd + ", seed " + std::to_string(seed));
            std::string reply = std::string("\"Version 4.2") + lineEnd + "\"";
            ASSERT_TRUE(Sim.Configure(apitest::JitterBus(
                seed, apitest::Device(usb, "reply.vr = " + reply + ", " + reply + ", " + reply + "\n"))));
            int dev = ::Open(usb);
            ASSERT_EQ(0, dev);
            EXPECT_EQ(0x00013FFFu, Header(dev)) << "the format byte read after the version reply";
            DeviceConfig config{};
            EXPECT_EQ(1, GetConfig(dev, &config));
            EXPECT_STREQ("Version 4.2", config.firmware);
            EXPECT_EQ(1, IsAlive(dev));
            ASSERT_EQ(1, GetConfig(dev, &config));
            Sim.ClearTraffic();
            EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 6));
            EXPECT_EQ(ReadLine(2, "P\r"), Sim.TrafficOf(usb).back());
            ::Close(dev);
        }
    }
}

// A reply later than the read time-out is still its own command's: it is
// not read by the next attempt nor by the next exchange.
TEST_F(BridgeLinkTest, LateReplyIsNeverTakenByAnotherExchange)
{
    const struct {
        const char* settings;
        const char* selectReplies;
    } cases[] = {
        {"", "delay:150 normal"},  // the first select answered late, then on time
        {"reply_delay = 150\n", "normal"},  // every reply late
        {"", "delay:150 short, normal"},  // a late half reply, then a whole one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + c.selectReplies);
        UseBus(apitest::Device(usb, c.settings));
        int dev = ::Open(usb);
        ASSERT_EQ(0, dev);
        ASSERT_TRUE(Sim.Script(usb, "f", c.selectReplies));
        EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 3)) << "the converter selected the range";
        EXPECT_EQ(1, IsAlive(dev));
        ASSERT_TRUE(Sim.Script(usb, "f", "\"X\\r\", \"X\\r\", \"X\\r\""));
        EXPECT_EQ(OVK47MXV_REFUSED, SetRange(dev, 4));
        EXPECT_EQ(1, IsAlive(dev));
        ::Close(dev);
    }
}

// A purge before an exchange discards only what came in: the power-clear
// command written just before still reaches the converter whole.
TEST_F(BridgeLinkTest, PowerClearThenSelectIsAnsweredAtFirstAttempt)
{
    UseBus(apitest::Device(usb));
    int dev = OpenQuietly(usb);
    ASSERT_EQ(0, dev);
    ASSERT_EQ(OVK47MXV_OK, SetRange(dev, 5));
    ASSERT_EQ(1, SetClearPower(dev));
    Sim.ClearTraffic();
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 5));
    std::vector<std::string> events = Sim.TrafficOf(usb);
    EXPECT_EQ(1, std::count(events.begin(), events.end(), WriteLine("f\6\r")));
    EXPECT_EQ(ReadLine(2, "P\r"), events.back());
}

// A power clear returns once its bytes have crossed the line: after many in
// a row the next command is not queued behind them and gets its own reply in
// time, and Close's power clear reaches the converter before the handle closes.
TEST_F(BridgeLinkTest, PowerClearsAreOnTheLineBeforeNextCommandOrClose)
{
    UseBus(apitest::Device(usb));
    int dev = OpenQuietly(usb);
    ASSERT_EQ(0, dev);
    for (int n = 0; n < 60; ++n)
        ASSERT_EQ(1, SetClearPower(dev));
    std::string data(100, '\0');
    EXPECT_EQ(1, GetCalibrationData(dev, 0, reinterpret_cast<unsigned char*>(&data[0]), 100, nullptr));
    EXPECT_EQ(Sim.Memory(usb, 3, 100), data);
    EXPECT_EQ(1, IsAlive(dev));
    ASSERT_TRUE(Sim.UnplugAfterHostBytes(usb, 3));  // the converter vanishes once it has the power clear
    EXPECT_NE(0, ::Close(dev));
    EXPECT_EQ(0, GetDeviceCount()) << "the power clear did not reach the converter";
}

// The opening writes "vr" and "RC": the select is the third write.
TEST_F(BridgeLinkTest, PartialWriteIsCompletedOrItsCommandRestartedClean)
{
    const struct {
        const char* partialWrites;
        unsigned selects;  // select commands written whole or in part
    } cases[] = {
        {"3:1", 1},       // the rest follows at once
        {"3:1, 4:0", 2},  // no progress: the command fails, the next attempt starts clean
        {"3:2, 4:0", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.partialWrites);
        UseBus(apitest::Device(usb, std::string("partial_writes = ") + c.partialWrites + "\n"));
        int dev = OpenQuietly(usb);
        ASSERT_EQ(0, dev);
        EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 3));
        std::vector<std::string> events = Sim.TrafficOf(usb);
        unsigned selects = 0;
        for (const std::string& event : events) {
            for (const std::string start : {"write 66", "write-partial 3 -> 66"})
                selects += event.compare(0, start.size(), start) == 0;
        }
        EXPECT_EQ(c.selects, selects);
        EXPECT_EQ(ReadLine(2, "P\r"), events.back());
        EXPECT_EQ(1, IsAlive(dev));
        ::Close(dev);
    }
}

// The main exchanges under many packet phases and reply delays within the
// read time-out: each gets its own reply, and nothing is left over.
TEST_F(BridgeLinkTest, MainExchangesReadOnlyTheirOwnRepliesUnderJitter)
{
    float reference = 0.0f;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_TRUE(Sim.Configure(apitest::JitterBus(seed, apitest::Device(usb, "reply_delay = 60\n"))));
        int dev = ::Open(usb);
        ASSERT_EQ(0, dev);
        EXPECT_EQ(0x00013FFFu, Header(dev));
        DeviceConfig config{};
        EXPECT_EQ(1, GetConfig(dev, &config));
        EXPECT_STREQ(usb, config.serial);
        EXPECT_STREQ("Version 4.2", config.firmware);
        EXPECT_EQ(1, IsAlive(dev));
        int range = static_cast<int>(seed % 14);
        EXPECT_EQ(OVK47MXV_OK, SetRange(dev, range));
        float correction = GetSSCorrection(dev, 10000000000ULL);
        EXPECT_NE(0.0f, correction);
        if (seed == 1)
            reference = correction;
        EXPECT_EQ(reference, correction);
        EXPECT_EQ(1, SetClearPower(dev));
        EXPECT_EQ(OVK47MXV_OK, SetRange(dev, range));
        Sim.ClearTraffic();
        EXPECT_EQ(1, IsAlive(dev));
        std::vector<std::string> events = Sim.TrafficOf(usb);
        EXPECT_EQ((std::vector<std::string>{"purge 1", WriteLine("sn\r"), ReadLine(64, "K4700001\r")}), events);
        ::Close(dev);
    }
}

// The bridge's latency timer is set to 2 ms where the driver offers it; where
// it does not, or refuses, the library goes on with the bridge's 16 ms. A
// range selection (3 bytes out, 2 back: 5.2 ms on the line) waits for the
// timer's next expiry.
TEST(LatencyTimerTest, ShortLatencyWhereDriverOffersItElseDefault)
{
    const struct {
        const char* driver;
        const char* settings;
        const char* latencyLine;  // the traffic line after the flow control, else the version query
        unsigned long long fromUs;
        unsigned long long toUs;  // the range selection's time
    } cases[] = {
        {apitest::driverFileName, "", "latency 2", 5209, 7209},
        {apitest::driverFileName, "fail_config = latency\n", "latency 2 failed", 16000, 21209},
        {apitest::noLatencyDriverFileName, "", "write 76 72 0D", 16000, 21209},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.driver) + " " + c.settings);
        apitest::TempFolder folder;
        ASSERT_TRUE(folder.CopyFromBin(c.driver, apitest::driverFileName));
        apitest::SimDriver sim(folder.Path + apitest::driverFileName);
        ASSERT_TRUE(sim.Loaded());
        ASSERT_TRUE(sim.Configure(apitest::VirtualBus(apitest::Device(usb, c.settings))));
        apitest::LibraryCopy library(folder);
        ASSERT_TRUE(library.Loaded());
        int dev = library.Api.Open(usb);
        ASSERT_EQ(0, dev);
        std::vector<std::string> events = sim.TrafficOf(usb);
        ASSERT_GT(events.size(), 4u);
        EXPECT_EQ("flow 0 0 0", events[3]);
        EXPECT_EQ(c.latencyLine, events[4]);
        unsigned header = 0;
        EXPECT_EQ(1, library.Api.GetCalibrationData(dev, 0, nullptr, 0, &header));
        EXPECT_EQ(0x00013FFFu, header);
        unsigned long long start = sim.ClockUs();
        EXPECT_EQ(OVK47MXV_OK, library.Api.SetRange(dev, 1));
        EXPECT_GE(sim.ClockUs() - start, c.fromUs);
        EXPECT_LE(sim.ClockUs() - start, c.toUs);
        EXPECT_NE(0, library.Api.Close(dev));
    }
}

// Binding the driver library: each case loads its own copy of the API
// library from a temporary folder holding the driver under a given name.
#ifdef _WIN32
// The Windows library knows a second file name; the Linux one only one.
TEST(DriverBindingTest, DriverFoundUnderSecondNameIsBound)
{
    apitest::TempFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(apitest::driverFileName, "47KMXVusb.dll"));
    apitest::SimDriver sim(folder.Path + "47KMXVusb.dll");
    ASSERT_TRUE(sim.Loaded());
    ASSERT_TRUE(sim.Configure(apitest::VirtualBus(apitest::Device(usb))));
    apitest::LibraryCopy library(folder);
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(1, library.Api.GetDeviceCount());
    int dev = library.Api.Open(usb);
    ASSERT_EQ(0, dev);
    sim.ClearTraffic();
    EXPECT_EQ(OVK47MXV_OK, library.Api.SetRange(dev, 1));
    EXPECT_EQ((std::vector<std::string>{"purge 1", WriteLine("f\2\r"), ReadLine(2, "P\r")}), sim.TrafficOf(usb));
    EXPECT_NE(0, library.Api.Close(dev));
}
#endif

TEST(DriverBindingTest, DriverLackingGetStatusIsRefused)
{
    apitest::TempFolder folder;
    ASSERT_TRUE(folder.CopyFromBin(apitest::incompleteDriverFileName, apitest::driverFileName))
        << "the build puts " << apitest::incompleteDriverFileName << " into the bin folder";
    apitest::SimDriver sim(folder.Path + apitest::driverFileName);
    apitest::LibraryCopy library(folder);
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(-1, library.Api.GetDeviceCount());
    EXPECT_EQ(-1, library.Api.Open(usb));
    char serial[OVK47MXV_SERIAL_BYTES];
    EXPECT_EQ(0, library.Api.GetDeviceSerial(0, serial));
}

TEST(DriverBindingTest, MissingDriverIsLookedForAgainOnNextCall)
{
    apitest::TempFolder folder;
    apitest::LibraryCopy library(folder);
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(-1, library.Api.GetDeviceCount());
    EXPECT_EQ(-1, library.Api.Open(usb));
    ASSERT_TRUE(folder.CopyFromBin(apitest::driverFileName, apitest::driverFileName));
    apitest::SimDriver sim(folder.Path + apitest::driverFileName);
    ASSERT_TRUE(sim.Configure(apitest::VirtualBus(apitest::Device(usb))));
    EXPECT_EQ(1, library.Api.GetDeviceCount());
}

}  // namespace
