// The traffic log: exact lines per driver call, in memory and in the log file.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "SimDriver.h"

namespace {

class SimTrafficTest : public SimTest {};

TEST_F(SimTrafficTest, EveryCallOnADeviceLeavesOneLine) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n[device]\n"
                               "[device]\nfail_config = flow\nfail_writes = 1\nunplug_after = 1\n"));
    FT_HANDLE handle = Open("K4700001");
    EXPECT_EQ(FT_OK, sim.SetTimeouts(handle, 100, 100));
    EXPECT_EQ(FT_OK, sim.SetBaudRate(handle, 9600));
    EXPECT_EQ(FT_OK, sim.SetFlowControl(handle, 0, 0, 0));
    EXPECT_EQ(FT_OK, sim.Purge(handle, 3));
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(7), 2));
    EXPECT_EQ("", Read(handle, 2));
    EXPECT_EQ(FT_OK, sim.Close(handle));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K47 0009"));

    FT_HANDLE failing = Open("K4700002");
    EXPECT_NE(FT_OK, sim.SetFlowControl(failing, 0, 0x11, 0x13));
    char command[] = "sn\r";
    DWORD done = 0;
    EXPECT_EQ(FT_IO_ERROR, sim.Write(failing, command, 3, &done));
    Write(failing, command);
    EXPECT_EQ(FT_IO_ERROR, sim.Read(failing, command, 9, &done));

    EXPECT_EQ("0.000 K4700001 open\n"
              "0.000 K4700001 timeouts 100 100\n"
              "0.000 K4700001 baud 9600\n"
              "0.000 K4700001 flow 0 0 0\n"
              "0.000 K4700001 purge 3\n"
              "0.000 K4700001 write 66 07 0D\n"
              "21.209 K4700001 read 2 -> 50 0D\n"
              "121.209 K4700001 read 2 ->\n"
              "121.209 K4700001 close\n"
              "121.209 K47?0009 open-refused\n"
              "121.209 K4700002 open\n"
              "121.209 K4700002 flow 0 17 19 failed\n"
              "121.209 K4700002 write-failed 73 6E 0D\n"
              "121.209 K4700002 write 73 6E 0D\n"
              "121.209 K4700002 read-failed 9\n",
              Traffic());
}

TEST_F(SimTrafficTest, TrafficIsCutToTheBufferAndCanBeCleared) {
    Open();
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(20, sim.GetTraffic(buffer, 5));
    EXPECT_STREQ("0.00", buffer);
    EXPECT_EQ('x', buffer[5]);
    sim.ClearTraffic();
    EXPECT_EQ(0, sim.GetTraffic(buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
}

TEST_F(SimTrafficTest, LogFileReceivesTheSameLines) {
    const std::string path = testplatform::TempFolder() + "k47sim_traffic.log";
    std::remove(path.c_str());
    ASSERT_EQ(1, sim.Configure(("[simulator]\ntiming = virtual\nlog = " + path + "\n[device]\n").c_str()));
    FT_HANDLE handle = Open();
    Exchange(handle, "vr\r", 50);
    sim.Close(handle);
    std::ifstream file(path, std::ios::binary);
    const std::string logged((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Traffic(), logged);
    EXPECT_NE(std::string::npos, logged.find("read 50 -> 56 65 72 73 69 6F 6E 20 34 2E 32 0D 0A\n"));
    ASSERT_EQ(1, sim.Configure(kTwoConverters));  // releases the file
    file.close();
    std::remove(path.c_str());
}

}  // namespace
