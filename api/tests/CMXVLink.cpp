// The USB link: binding the driver library beside the API library, opening
// and configuring a converter, and a converter that disappears mid-exchange.
#include "ApiTestSupport.h"

using apitest::ReadLine;
using apitest::WriteLine;

namespace {

constexpr const char* usb = "K4700001";

class UsbLinkTest : public apitest::DeviceTest {};

TEST_F(UsbLinkTest, OpenConfiguresLinkThenLoadsCalibrationHeader)
{
    UseBus(apitest::Device(usb));
    EXPECT_EQ(0, ::Open(usb));
    EXPECT_EQ(apitest::OpeningTraffic("Version 4.2\r", std::string("\x01\xFF\x3F", 3)), Sim.TrafficOf(usb));
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

// Binding the driver library: each case loads its own copy of the API
// library from a temporary folder holding the driver under a given name.
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
    EXPECT_EQ((std::vector<std::string>{"purge 3", WriteLine("f\2\r"), ReadLine(2, "P\r")}), sim.TrafficOf(usb));
    EXPECT_NE(0, library.Api.Close(dev));
}

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
