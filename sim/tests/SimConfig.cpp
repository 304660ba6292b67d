// The configuration text: every key takes effect, bad text empties the bus.
#include <cstdio>
#include <fstream>

#include "SimDriver.h"

namespace {

class SimConfigTest : public SimTest {
protected:
    std::string TempFile(const char* name) { return testplatform::TempFolder() + name; }
};

TEST_F(SimConfigTest, DeviceKeysShapeTheConverter) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n"
                               "[device]\nusb_serial = USB-A\nid = 0x5A170C42\nserial = ABCDEFGH\n"
                               "firmware = Version 5.0\ncalibration = none\n"));
    FT_HANDLE handle = Open("USB-A");
    EXPECT_EQ("ABCDEFGH\r", Exchange(handle, "sn\r", 9));
    EXPECT_EQ("Version 5.0\r\n", Exchange(handle, "vr\r", 13));
    unsigned char head[3] = {};
    ASSERT_EQ(1, sim.ReadMemory("USB-A", 0, head, 3));
    EXPECT_EQ(0xFF, head[0]);
}

TEST_F(SimConfigTest, FailureKeysMakeTheirCallsFail) {
    ASSERT_EQ(1, sim.Configure("[simulator]\ntiming = virtual\n"
                               "[device]\nusb_serial = K4700001\nopen = refuse\n"
                               "[device]\nusb_serial = K4700002\nfail_config = baud\nfail_writes = 2\n"));
    EXPECT_EQ(FT_DEVICE_NOT_FOUND, OpenStatus("K4700001"));
    FT_HANDLE handle = Open("K4700002");
    EXPECT_EQ(FT_OK, sim.SetTimeouts(handle, 100, 100));
    EXPECT_NE(FT_OK, sim.SetBaudRate(handle, 9600));
    EXPECT_EQ(FT_OK, sim.SetFlowControl(handle, 0, 0, 0));
    char command[] = "sn\r";
    DWORD written = 99;
    EXPECT_EQ(FT_IO_ERROR, sim.Write(handle, command, 3, &written));
    EXPECT_EQ(0u, written);
    EXPECT_EQ(FT_IO_ERROR, sim.Write(handle, command, 3, &written));
    EXPECT_EQ("K4700002\r", Exchange(handle, command, 9));
}

TEST_F(SimConfigTest, CommentsQuotesCaseAndCrLfAreUnderstood) {
    ASSERT_EQ(1, sim.Configure("# a comment line\r\n"
                               "[Simulator]\r\nTIMING = Virtual ; inline comment\r\n"
                               "[DEVICE]\r\n"
                               "Firmware = \"Version 3.1 ; x\\x21\\\"\"\r\n"
                               "[device]\r\n"));
    EXPECT_EQ(2u, AttachedCount());
    FT_HANDLE first = Open("K4700001");
    Open("K4700002");
    EXPECT_EQ("Version 3.1 ; x!\"\r\n", Exchange(first, "vr\r", 19));
}

TEST_F(SimConfigTest, BadTextIsRefusedAndEmptiesTheBus) {
    const char* const badTexts[] = {
        "[device]\ncolour = red\n",                       // unknown key
        "[devices]\n",                                     // unknown section
        "usb_serial = K4700001\n",                         // key outside a section
        "[simulator]\ntiming = fast\n",                    // bad value
        "[device]\nid = 0x5A17ZZ\n",                       // not a number
        "[device]\nfail_writes = -1\n",                    // negative count
        "[device]\nserial = K470001\n",                    // 7-character serial
        "[device]\nusb_serial = K47000010000000001\n",     // 17-character USB serial
        "[device]\n[device]\nusb_serial = K4700001\n",     // the same USB serial twice
        "[device]\nreply.f = \"P\\r\", later\n",           // unknown reply token
        "[device]\nreply.sn = \"K4700001\n",               // unterminated text
        "[device]\nreply.sn = \"\\q\"\n",                  // unknown escape
        "[device]\nreply.sn = garbage:0\n",                // empty garbage
        "[device]\nreply.xx = silence\n",                  // unknown command
        "[device]\ncalibration = file:Z:\\no\\such.bin\n",  // missing file
        "[device]\nfirmware\n",                            // no '='
        "[simulator]\nlink = perfect\n",                  // unknown link model
        "[device]\njitter = 4294967296\n",                // seed beyond 32 bits
        "[device]\npartial_writes = 0:1\n",               // writes count from 1
        "[device]\npartial_writes = 2:1,\n",              // missing pair
        "[device]\nreply_delay = soon\n",                 // not a number
        "[device]\nreply.f = delay:x normal\n",           // bad delay
        "[device]\nreply.f = delay:5 later\n",            // unknown token after a delay
    };
    for (const char* text : badTexts) {
        ASSERT_EQ(1, sim.Configure(kTwoConverters));
        EXPECT_EQ(0, sim.Configure(text)) << text;
        EXPECT_EQ(0u, AttachedCount()) << text;
    }
}

TEST_F(SimConfigTest, NoTextRestoresTheEmbeddedDefaultConverter) {
    ASSERT_EQ(1, sim.Configure(nullptr));
    ASSERT_EQ(1u, AttachedCount());
    FT_HANDLE handle = Open("K4700001");
    EXPECT_EQ("K4700001\r", Exchange(handle, "sn\r", 9));
    EXPECT_EQ("Version 4.2\r\n", Exchange(handle, "vr\r", 13));
}

TEST_F(SimConfigTest, CalibrationFileIsLoadedAtAddressZero) {
    const std::string path = TempFile("k47sim_image.bin");
    const std::string image = {1, 0x05, 0x00, 0x7F, -128, 3};
    std::ofstream(path, std::ios::binary) << image;
    ASSERT_EQ(1, sim.Configure(("[device]\ncalibration = file:" + path + "\n").c_str()));
    unsigned char memory[8] = {};
    ASSERT_EQ(1, sim.ReadMemory("K4700001", 0, memory, 8));
    EXPECT_EQ(std::string(image + "\xFF\xFF"), std::string(reinterpret_cast<char*>(memory), 8));
    std::remove(path.c_str());
}

// A second copy of the driver (the variant without FT_GetStatus) starts with
// its own bus, so it shows what a fresh process reads at its first call.
TEST_F(SimConfigTest, FirstCallReadsTheFileNamedByK47MXV_SIM) {
    const std::string path = TempFile("k47sim_startup.ini");
    std::ofstream(path) << "[simulator]\ntiming = virtual\n[device]\n[device]\n[device]\n";
    const std::string driverPath = BesideProgram(testplatform::incompleteDriverFile);
    for (const auto& [file, expected] : {std::make_pair(path, 3u), std::make_pair(path + ".missing", 0u)}) {
        testplatform::SetEnvironment("K47MXV_SIM", file.c_str());
        testplatform::Module fresh = testplatform::LoadLibraryAt(driverPath);
        ASSERT_NE(nullptr, fresh);
        DWORD count = 99;
        EXPECT_EQ(FT_OK, Resolve<FT_CreateDeviceInfoList_t>(fresh, "FT_CreateDeviceInfoList")(&count));
        EXPECT_EQ(expected, count) << file;
        testplatform::UnloadLibrary(fresh);
    }
    testplatform::SetEnvironment("K47MXV_SIM", nullptr);
    std::remove(path.c_str());
}

}  // namespace
