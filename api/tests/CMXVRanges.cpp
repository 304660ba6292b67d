// Range selection, power clearing and frequency conversion, through the
// exports and the simulated converter's traffic.
#include "ApiTestSupport.h"

#include <climits>

using apitest::ReadLine;
using apitest::WriteLine;

namespace {

constexpr const char* usb = "K4700001";

// Purge, "f" <range + 1> CR, and the two-byte reply read.
std::vector<std::string> SelectExchange(int range, const std::string& reply)
{
    return {"purge 1", WriteLine(std::string{'f', static_cast<char>(range + 1), '\r'}), ReadLine(2, reply)};
}

class RangeSelectionTest : public apitest::DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        UseBus(apitest::Device(usb));
        dev = OpenQuietly(usb);
        ASSERT_EQ(0, dev);
    }

    int dev = -1;
};

TEST_F(RangeSelectionTest, SelectSendsRangePlusOneAsBinaryByte)
{
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 9));
    EXPECT_EQ(SelectExchange(9, "P\r"), Sim.TrafficOf(usb));
}

TEST_F(RangeSelectionTest, SecondSelectOfSameRangeSendsNothing)
{
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 5));
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 5));
    EXPECT_EQ(SelectExchange(5, "P\r"), Sim.TrafficOf(usb));
}

TEST_F(RangeSelectionTest, PowerClearMakesSameRangeSelectAgain)
{
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 5));
    EXPECT_EQ(1, SetClearPower(dev));
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 5));
    EXPECT_EQ(apitest::Concat({SelectExchange(5, "P\r"), apitest::powerClearExchange, SelectExchange(5, "P\r")}),
              Sim.TrafficOf(usb));
}

TEST_F(RangeSelectionTest, RangeOutsideZeroToThirteenIsRefusedWithoutTraffic)
{
    for (int range : {14, -1, 255, INT_MIN, INT_MAX})
        EXPECT_EQ(OVK47MXV_BAD_RANGE, SetRange(dev, range)) << range;
    EXPECT_TRUE(Sim.TrafficOf(usb).empty());
}

TEST_F(RangeSelectionTest, ThreeRefusalsGiveRefusedAfterThreeCommands)
{
    ASSERT_TRUE(Sim.Script(usb, "f", "\"X\\r\", \"X\\r\", \"X\\r\""));
    EXPECT_EQ(OVK47MXV_REFUSED, SetRange(dev, 2));
    std::vector<std::string> refused = SelectExchange(2, "X\r");
    EXPECT_EQ(apitest::Concat({refused, refused, refused}), Sim.TrafficOf(usb));
}

TEST_F(RangeSelectionTest, AcceptanceAfterOneSilentAttemptSucceeds)
{
    ASSERT_TRUE(Sim.Script(usb, "f", "silence, normal"));
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 3));
    // The silent attempt waits one more read time-out for a late reply.
    EXPECT_EQ(apitest::Concat({SelectExchange(3, ""), {ReadLine(2, "")}, SelectExchange(3, "P\r")}),
              Sim.TrafficOf(usb));
}

TEST_F(RangeSelectionTest, BusyOnEveryAttemptReportsBusyAndKeepsCurrentRange)
{
    ASSERT_EQ(OVK47MXV_OK, SetRange(dev, 4));
    ASSERT_TRUE(Sim.Script(usb, "f", "\"DT\", \"DT\", \"DT\""));
    EXPECT_EQ(OVK47MXV_BUSY, SetRange(dev, 6));
    Sim.ClearTraffic();
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 4));
    EXPECT_TRUE(Sim.TrafficOf(usb).empty()) << "range 4 is still the current range";
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 6));
    EXPECT_EQ(SelectExchange(6, "P\r"), Sim.TrafficOf(usb));
}

TEST_F(RangeSelectionTest, ResultIsCodeOfLastAttemptThatFailedOnItsOwn)
{
    ASSERT_TRUE(Sim.Script(usb, "f", "\"X\\r\", \"DT\", \"DT\""));
    EXPECT_EQ(OVK47MXV_REFUSED, SetRange(dev, 1)) << "a busy answer keeps the earlier code";
    ASSERT_TRUE(Sim.Script(usb, "f", "\"X\\r\", silence, \"Q\\r\""));
    EXPECT_EQ(OVK47MXV_BAD_REPLY, SetRange(dev, 7));
    ASSERT_TRUE(Sim.Script(usb, "f", "\"Q\\r\", \"X\\r\", short"));
    EXPECT_EQ(OVK47MXV_NO_REPLY, SetRange(dev, 7));
}

TEST_F(RangeSelectionTest, ThreeFailedWritesGiveWriteFailed)
{
    // The first failing write is the header load's "vr" at open.
    ASSERT_EQ(1, Close(dev));
    UseBus(apitest::Device(usb, "fail_writes = 4\n"));
    dev = OpenQuietly(usb);
    ASSERT_EQ(0, dev);
    EXPECT_EQ(OVK47MXV_WRITE_FAILED, SetRange(dev, 2));
    std::vector<std::string> failed = {"purge 1", "write-failed 66 03 0D"};
    EXPECT_EQ(apitest::Concat({failed, failed, failed}), Sim.TrafficOf(usb));
    EXPECT_EQ(OVK47MXV_OK, SetRange(dev, 2)) << "the converter takes writes again";
}

// Expected conversion of one input frequency.
struct Conversion {
    long long input;
    int range;
    long long output;
    int inverted;
};

// The enumeration object exists, so an invalid index converts too.
class EnumeratedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        apitest::SimDriver sim(apitest::BinFolder() + apitest::driverFileName);
        ASSERT_TRUE(sim.Configure(apitest::VirtualBus(apitest::Device(usb))));
        ASSERT_EQ(1, GetDeviceCount());
    }
};

using FrequencyConversionTest = EnumeratedTest;

// Boundaries belong to the lower range; inverted ranges count down.
TEST_F(FrequencyConversionTest, InputMapsToRangeOutputAndInversion)
{
    const Conversion conversions[] = {
        {0, 0, 0, 0},
        {2900000000LL, 0, 2900000000LL, 0},
        {2900000001LL, 1, 2799999999LL, 1},
        {4500000000LL, 1, 1200000000LL, 1},
        {5900000001LL, 3, 200000001LL, 0},
        {10000000000LL, 6, 2200000000LL, 1},
        {17100000000LL, 10, 100000000LL, 1},
        {17900000001LL, 12, 100000001LL, 0},
        {21000000000LL, 13, 2000000000LL, 0},
    };
    for (const Conversion& expected : conversions) {
        SCOPED_TRACE(expected.input);
        long long output = -1;
        int range = -1;
        int inverted = -1;
        ASSERT_EQ(1, ConvertFrequency(OVK47MXV_MAX_DEVICES, expected.input, &output, &range, &inverted));
        EXPECT_EQ(expected.range, range);
        EXPECT_EQ(expected.output, output);
        EXPECT_EQ(expected.inverted, inverted);
    }
}

TEST_F(FrequencyConversionTest, FrequencyBeyondRangesOrNegativeWritesNothing)
{
    for (long long input : {21000000001LL, -1LL, LLONG_MIN, LLONG_MAX}) {
        long long output = 7;
        int range = 7;
        int inverted = 7;
        EXPECT_EQ(0, ConvertFrequency(-1, input, &output, &range, &inverted)) << input;
        EXPECT_EQ(7, output) << input;
        EXPECT_EQ(7, range) << input;
        EXPECT_EQ(7, inverted) << input;
    }
}

}  // namespace
