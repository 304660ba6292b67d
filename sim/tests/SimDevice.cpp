// The converter's answers, byte for byte, and scripted replies.
#include <cstdlib>

#include "SimDriver.h"

namespace {

class SimDeviceTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        handle = Open();
    }

    FT_HANDLE handle = nullptr;
};

TEST_F(SimDeviceTest, SerialAndVersionQueriesAnswerTheirTexts) {
    EXPECT_EQ("K4700001\r", Exchange(handle, "sn\r", 64));
    EXPECT_EQ("Version 4.2\r\n", Exchange(handle, "vr\r", 50));
    FT_HANDLE second = Open("K4700002");
    EXPECT_EQ("K4700222\r", Exchange(second, "sn\r", 64));
    EXPECT_EQ("Version 3.9\r\n", Exchange(second, "vr\r", 50));
}

TEST_F(SimDeviceTest, RangeSelectionAcceptsOneToFourteenOnly) {
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(1), 2));
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(14), 2));
    EXPECT_EQ("X\r", Exchange(handle, SelectCommand(0), 2));
    EXPECT_EQ("X\r", Exchange(handle, SelectCommand(15), 2));
    EXPECT_EQ("X\r", Exchange(handle, SelectCommand('7'), 2));
}

TEST_F(SimDeviceTest, PowerClearAndRawTextGetNoReply) {
    EXPECT_EQ("", Exchange(handle, "CP\r", 2));
    EXPECT_EQ("", Exchange(handle, "hello", 2));
    EXPECT_EQ("", Exchange(handle, "f\x01", 2));  // no carriage return: not a command
}

// A memory write and its "OK" take 137 byte times + 16 ms (159 ms): past the
// default 100 ms read time-out, hence 200 ms here as in the API library.
TEST_F(SimDeviceTest, WrittenBlockIsReadBackAndKeptInMemory) {
    ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 200, 100));
    std::string data(128, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 1);
    EXPECT_EQ("OK", Exchange(handle, MemoryWriteCommand(256, data), 2));
    EXPECT_EQ(data, Exchange(handle, MemoryReadCommand(256, 128), 128));
    unsigned char memory[128] = {};
    ASSERT_EQ(1, sim.ReadMemory("K4700001", 256, memory, 128));
    EXPECT_EQ(data, std::string(reinterpret_cast<char*>(memory), 128));
}

TEST_F(SimDeviceTest, MemoryEndsAt12288) {
    ASSERT_EQ(FT_OK, sim.SetTimeouts(handle, 200, 100));
    const std::string data(128, '\x5A');
    EXPECT_EQ("OK", Exchange(handle, MemoryWriteCommand(12280, data), 2));
    EXPECT_EQ(std::string(8, '\x5A') + std::string(8, '\xFF'), Exchange(handle, MemoryReadCommand(12280, 16), 16));
    EXPECT_EQ(std::string(4, '\xFF'), Exchange(handle, MemoryReadCommand(0xFFFF, 4), 4));
    unsigned char memory[9] = {};
    EXPECT_EQ(1, sim.ReadMemory("K4700001", 12280, memory, 8));
    EXPECT_EQ(0, sim.ReadMemory("K4700001", 12280, memory, 9));
    EXPECT_EQ(0, sim.ReadMemory("K4709999", 0, memory, 1));
}

TEST_F(SimDeviceTest, GeneratedCalibrationIsASmoothImageOfAllSegments) {
    const std::string head = Exchange(handle, MemoryReadCommand(0, 3), 3);
    EXPECT_EQ(std::string("\x01\xFF\x3F"), head);
    unsigned char data[5318] = {};
    ASSERT_EQ(1, sim.ReadMemory("K4700001", 3, data, sizeof data));
    int distinct = 0;
    for (size_t k = 0; k < sizeof data; ++k) {
        const int value = static_cast<signed char>(data[k]);
        ASSERT_LE(std::abs(value), 40) << k;
        // Segment 1 begins at offset 728: neighbours within a segment differ little.
        if (k > 0 && k != 728) {
            EXPECT_LE(std::abs(value - static_cast<signed char>(data[k - 1])), 3) << k;
        }
        if (k > 0 && data[k] != data[0]) ++distinct;
    }
    EXPECT_GT(distinct, 1000);
}

TEST_F(SimDeviceTest, ScriptedRepliesAreUsedInOrderThenNormalResumes) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n[device]\n"
                               "reply.f = \"DT\", silence, short, garbage:5, normal, \"\\x00\\r\"\n"));
    handle = Open();
    EXPECT_EQ("DT", Exchange(handle, SelectCommand(3), 8));
    EXPECT_EQ("", Exchange(handle, SelectCommand(3), 8));
    EXPECT_EQ("P", Exchange(handle, SelectCommand(3), 8));
    EXPECT_EQ(5u, Exchange(handle, SelectCommand(3), 8).size());
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(3), 8));
    EXPECT_EQ(std::string("\0\r", 2), Exchange(handle, SelectCommand(3), 8));
    EXPECT_EQ("P\r", Exchange(handle, SelectCommand(3), 8));
    EXPECT_EQ("K4700001\r", Exchange(handle, "sn\r", 9));  // other commands unaffected
}

TEST_F(SimDeviceTest, ScriptReplyQueuesForOneDeviceAndCommand) {
    EXPECT_EQ(1, sim.ScriptReply("K4700001", "SN", "\"K4700001X\\r\", silence"));
    EXPECT_EQ(0, sim.ScriptReply("K4709999", "sn", "silence"));
    EXPECT_EQ(0, sim.ScriptReply("K4700001", "zz", "silence"));
    EXPECT_EQ(0, sim.ScriptReply("K4700001", "sn", "quiet"));
    EXPECT_EQ("K4700001X\r", Exchange(handle, "sn\r", 64));
    EXPECT_EQ("", Exchange(handle, "sn\r", 64));
    EXPECT_EQ("K4700001\r", Exchange(handle, "sn\r", 64));
    EXPECT_EQ("K4700222\r", Exchange(Open("K4700002"), "sn\r", 64));
}

TEST_F(SimDeviceTest, OtherFtdiProductsOpenButNeverAnswer) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n[device]\nid = 0x04036001\n"));
    handle = Open();
    EXPECT_EQ("", Exchange(handle, "sn\r", 9));
    EXPECT_EQ("", Exchange(handle, SelectCommand(1), 2));
}

}  // namespace
