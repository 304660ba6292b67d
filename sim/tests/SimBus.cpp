// The driver's view of the bus: device list, opening, handles, unplugging.
#include <cstring>

#include "SimDriver.h"

namespace {

class SimBusTest : public SimTest {};

TEST_F(SimBusTest, NodesDescribeAttachedDevicesWithinTheGivenCount) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n"
                               "[device]\n[device]\nid = 0x04036001\nusb_serial = A9XYZ123\nserial = A9XYZ123\n"));
    FT_HANDLE handle = Open("A9XYZ123");
    FT_DEVICE_LIST_INFO_NODE nodes[3];
    std::memset(nodes, 0xCC, sizeof nodes);
    DWORD count = 1;
    ASSERT_EQ(FT_OK, sim.GetDeviceInfoList(nodes, &count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(0xCCu, reinterpret_cast<unsigned char*>(&nodes[1])[0]);  // nothing beyond the count
    count = 3;
    ASSERT_EQ(FT_OK, sim.GetDeviceInfoList(nodes, &count));
    ASSERT_EQ(2u, count);
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(nodes);
    const size_t nodeBytes = sizeof(void*) == 8 ? 104 : 100;
    EXPECT_EQ(0x5A170C42u, *reinterpret_cast<const ULONG*>(raw + 8));
    EXPECT_STREQ("K4700001", reinterpret_cast<const char*>(raw + 16));
    EXPECT_EQ(0u, nodes[0].Flags & 1);
    EXPECT_STREQ("K47MXV", nodes[0].Description);
    EXPECT_EQ(nullptr, nodes[0].ftHandle);
    EXPECT_EQ(0x04036001u, *reinterpret_cast<const ULONG*>(raw + nodeBytes + 8));
    EXPECT_STREQ("A9XYZ123", reinterpret_cast<const char*>(raw + nodeBytes + 16));
    EXPECT_EQ(1u, nodes[1].Flags & 1);
    EXPECT_STREQ("FT232R USB UART", nodes[1].Description);
    EXPECT_EQ(handle, nodes[1].ftHandle);
}

TEST_F(SimBusTest, OpenRefusesUnknownRefusingAndAlreadyOpenDevices) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n[device]\n[device]\nopen = refuse\n"));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K4709999"));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K4700002"));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K4700001XXXXXXXXXXXX"));
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.OpenEx(const_cast<char*>("K47MXV"), 2, &handle));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &handle));
    handle = Open("K4700001");
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K4700001"));
    EXPECT_EQ(FT_OK, sim.Close(handle));
    EXPECT_EQ(FT_OK, OpenStatus("K4700001"));
}

TEST_F(SimBusTest, ClosedForeignAndReconfiguredHandlesAreInvalid) {
    FT_HANDLE handle = Open();
    ASSERT_EQ(FT_OK, sim.Close(handle));
    char bytes[4] = "sn\r";
    DWORD done = 0;
    EXPECT_EQ(FT_INVALID_HANDLE, sim.Write(handle, bytes, 3, &done));
    EXPECT_EQ(FT_INVALID_HANDLE, sim.Close(handle));
    EXPECT_EQ(FT_INVALID_HANDLE, sim.Read(nullptr, bytes, 3, &done));
    EXPECT_EQ(FT_INVALID_HANDLE, sim.Purge(reinterpret_cast<FT_HANDLE>(bytes), 3));
    FT_HANDLE reopened = Open();
    EXPECT_NE(handle, reopened);
    ASSERT_EQ(1, sim.Configure(kTwoConverters));
    EXPECT_EQ(FT_INVALID_HANDLE, sim.SetTimeouts(reopened, 100, 100));
}

TEST_F(SimBusTest, UnpluggedDeviceFailsItsHandleAndLeavesTheList) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n[device]\nunplug_after = 2\n[device]\n"));
    FT_HANDLE handle = Open();
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(1), 2));
    Write(handle, "sn\r");
    char buffer[16];
    DWORD done = 0;
    EXPECT_EQ(FT_IO_ERROR, sim.Read(handle, buffer, 9, &done));
    EXPECT_EQ(FT_IO_ERROR, sim.Write(handle, buffer, 3, &done));
    EXPECT_EQ(FT_IO_ERROR, sim.SetBaudRate(handle, 9600));
    EXPECT_EQ(1u, AttachedCount());
    EXPECT_EQ(FT_OK, sim.Close(handle));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K4700001"));
    EXPECT_EQ(1, sim.Unplug("K4700002", 0));
    EXPECT_EQ(0u, AttachedCount());
    EXPECT_EQ(0, sim.Unplug("K4709999", 0));
}

TEST_F(SimBusTest, BadArgumentsAreRefusedWithoutHarm) {
    FT_HANDLE handle = Open();
    char buffer[64];
    DWORD done = 7;
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.Write(handle, nullptr, 3, &done));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.Write(handle, buffer, 3, nullptr));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.Read(handle, nullptr, 3, &done));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.OpenEx(const_cast<char*>("K4700002"), FT_OPEN_BY_SERIAL_NUMBER, nullptr));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.CreateDeviceInfoList(nullptr));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.GetDeviceInfoList(nullptr, &done));
    EXPECT_EQ(FT_INVALID_PARAMETER, sim.GetQueueStatus(handle, nullptr));
    EXPECT_EQ(0, sim.ReadMemory(nullptr, 0, reinterpret_cast<unsigned char*>(buffer), 1));
    EXPECT_EQ(0, sim.ReadMemory("K4700001", 0, nullptr, 1));
    EXPECT_EQ(0, sim.ScriptReply(nullptr, "sn", "silence"));
    // A huge count gets what has arrived, never more.
    Write(handle, "sn\r");
    EXPECT_EQ(FT_OK, sim.Read(handle, buffer, 0xFFFFFFFF, &done));
    EXPECT_EQ(9u, done);
}

}  // namespace
