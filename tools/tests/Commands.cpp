// End-to-end tests of k47mxv's one-shot commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "CommandLineFixture.h"

namespace {

// A whole image: format byte 1, every segment calibrated (mask 0x3FFF),
// then data counts running through negative and positive values.
std::string CalibrationImage()
{
    std::string image = {'\x01', '\xFF', '\x3F'};
    for (int k = 0; k < 5318; ++k)
        image += static_cast<char>(k * 7 % 251 - 125);
    return image;
}

// The converter memory that the traffic's memory-write commands to one
// device filled: "WF" CR, address (16-bit), 128 (16-bit), 128 data bytes.
std::string MemoryWritten(const std::string& traffic, const std::string& usbSerial)
{
    const std::string marker = " " + usbSerial + " write 57 46 0D ";
    std::string memory;
    std::istringstream lines(traffic);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(marker);
        if (at == std::string::npos)
            continue;
        std::istringstream hex(line.substr(at + marker.size()));
        std::string command;
        for (unsigned byte; hex >> std::hex >> byte;)
            command += static_cast<char>(byte);
        if (command.size() != 132)
            return "malformed memory write: " + line;
        const size_t address = static_cast<unsigned char>(command[0]) | static_cast<unsigned char>(command[1]) << 8;
        memory.resize(std::max(memory.size(), address + 128));
        memory.replace(address, 128, command.substr(4));
    }
    return memory;
}

TEST_F(CommandLine, ListShowsBothConvertersInBusOrderAndSkipsOtherDevices)
{
    Configure("[device]\nusb_serial = K4700002\n\n"
              "[device]\nusb_serial = FT4X0042\nid = 0x04036001\n\n"
              "[device]\nusb_serial = K4700001\n");
    const RunResult result = Run("list");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "2 converters found\nK4700002\nK4700001\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(CommandLine, InfoShowsSerialFirmwareAndRangeTableInGigahertz)
{
    Configure("[device]\nusb_serial = K4700001\nserial = K47A0815\nfirmware = Version 4.7\n");
    const RunResult result = Run("info K4700001");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_TRUE(Contains(result.out, "Serial    K47A0815\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "Firmware  Version 4.7\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "    0        0      2.9        0   0 - 2.9       upright\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "    6      9.9       12     12.2   2.3 - 0.2     inverted\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "   13     19.1       21       19   0.1 - 2       upright\n")) << result.out;
}

TEST_F(CommandLine, RangeSelectsTheRangeThenSaysClosingClearsThePower)
{
    ConfigureOneConverter();
    const RunResult result = Run("range K4700001 5");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "range 5 selected; the power is cleared again as k47mxv closes the converter "
                          "(k47mxv shell holds a range)\n");
    const std::string traffic = Traffic();
    const size_t select = traffic.find("K4700001 write 66 06 0D\n");
    const size_t clear = traffic.find("K4700001 write 43 50 0D\n");
    ASSERT_NE(select, std::string::npos) << traffic;
    ASSERT_NE(clear, std::string::npos) << traffic;
    EXPECT_LT(select, clear);
    EXPECT_LT(clear, traffic.find("K4700001 close\n"));
}

TEST_F(CommandLine, RangeRefusedOnEveryAttemptExitsWithTheRefusalLine)
{
    Configure("[device]\nusb_serial = K4700001\nreply.f = \"X\\r\", \"X\\r\", \"X\\r\"\n");
    const RunResult result = Run("range K4700001 5");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "range: SetRange failed with -6 (the converter refused the range)\n");
}

TEST_F(CommandLine, RangeOutsideTheTableIsReportedWithoutTraffic)
{
    ConfigureOneConverter();
    const RunResult result = Run("range K4700001 14");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, "range: SetRange failed with -3 (the range lies outside 0..13)\n");
    EXPECT_FALSE(Contains(Traffic(), "write 66")) << Traffic();
}

TEST_F(CommandLine, UnknownSerialNamesTheFailedOpen)
{
    ConfigureOneConverter();
    const RunResult result = Run("alive K4799999");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err,
              "alive: Open(\"K4799999\") failed with -1 (no converter with this serial is attached, or it is "
              "already open)\n");
}

TEST_F(CommandLine, AliveAndOffTalkToTheConverter)
{
    ConfigureOneConverter();
    EXPECT_EQ(Run("alive K4700001").out, "K4700001 is alive\n");
    EXPECT_TRUE(Contains(Traffic(), "K4700001 write 73 6E 0D\n"));
    const RunResult off = Run("off K4700001");
    EXPECT_EQ(off.exitCode, 0u) << off.err;
    EXPECT_EQ(off.out, "power cleared\n");
}

TEST_F(CommandLine, SendTurnsEscapesIntoBytes)
{
    ConfigureOneConverter();
    const RunResult result = Run("send K4700001 \"vr\\r\\x41\"");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "sent 4 bytes\n");
    EXPECT_TRUE(Contains(Traffic(), "K4700001 write 76 72 0D 41\n")) << Traffic();
}

TEST_F(CommandLine, ConvertShowsRangeOutputAndInversion)
{
    ConfigureOneConverter();
    const RunResult result = Run("convert 10.5GHz");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "input     10.5 GHz\nrange     6\noutput    1.7 GHz\nspectrum  inverted\n");
}

TEST_F(CommandLine, ConvertBeyondTheTopRangeFails)
{
    ConfigureOneConverter();
    const RunResult result = Run("convert 21000000001");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err,
              "convert: ConvertFrequency failed with 0 (no range covers 21.000000001 GHz; the converter covers 0 to "
              "21 GHz)\n");
}

TEST_F(CommandLine, CalibrationImageCopiesFromOneConverterToAnother)
{
    const std::string image = CalibrationImage();
    WriteWholeFile(PathOf("stored.bin"), image);
    Configure("[device]\nusb_serial = K4700001\ncalibration = file:" + PathOf("stored.bin") +
              "\n\n[device]\nusb_serial = K4700002\n");

    RunResult result = Run("cal-read K4700001 " + PathOf("a.bin"));
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "wrote 5321 bytes to " + PathOf("a.bin") + " (calibration mask 0x3FFF)\n");
    EXPECT_EQ(ReadWholeFile(PathOf("a.bin")), image);

    result = Run("cal-write K4700002 " + PathOf("a.bin"));
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "wrote 5321 bytes of " + PathOf("a.bin") + " to K4700002\n");
    // 42 chunks of 128 bytes, the last one zero-padded.
    EXPECT_EQ(MemoryWritten(Traffic(), "K4700002"), image + std::string(42 * 128 - image.size(), '\0'));
}

TEST_F(CommandLine, CalibrationWriteRefusesOversizedFileBeforeOpening)
{
    ConfigureOneConverter();
    WriteWholeFile(PathOf("big.bin"), std::string(5401, '\x01'));
    const RunResult result = Run("cal-write K4700001 " + PathOf("big.bin"));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_TRUE(Contains(result.err, "big.bin holds 5401 bytes; a calibration image holds 1 to 5400\n"))
        << result.err;
    EXPECT_FALSE(Contains(Traffic(), "K4700001 open")) << Traffic();
}

TEST_F(CommandLine, CalibrationReadOfUncalibratedConverterFails)
{
    Configure("[device]\nusb_serial = K4700001\nfirmware = Version 3.9\n");
    const RunResult result = Run("cal-read K4700001 " + PathOf("a.bin"));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err,
              "cal-read: GetCalibrationData failed with 0 (the converter holds no valid calibration or did not "
              "answer)\n");
}

TEST_F(CommandLine, CorrectionPrintsOneValuePerFrequency)
{
    ConfigureOneConverter();
    const RunResult result = Run("correction K4700001 10.5GHz 2900MHz");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    std::istringstream lines(result.out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first.rfind("10.5 GHz  ", 0), 0u) << result.out;
    EXPECT_EQ(second.rfind("2.9 GHz  ", 0), 0u) << result.out;
}

TEST_F(CommandLine, UsageErrorsExitWithTwoAndTouchNoConverter)
{
    ConfigureOneConverter();
    for (const char* arguments : {"", "frobnicate", "range K4700001", "range K4700001 five", "convert 10.5XHz",
                                  "correction K4700001 -1GHz", "send K4700001 \"a\\q\"", "list extra", "shell",
                                  "shell K4700001 extra"}) {
        const RunResult result = Run(arguments);
        EXPECT_EQ(result.exitCode, 2u) << arguments;
        EXPECT_NE(result.err, "") << arguments;
    }
    EXPECT_FALSE(Contains(Traffic(), "open")) << Traffic();
}

TEST_F(CommandLine, MissingApiLibraryIsNamedInTheError)
{
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\k47mxv.exe").c_str(), PathOf("k47mxv.exe").c_str(), FALSE));
    const RunResult result = Run("list", PathOf("k47mxv.exe"));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err.rfind("list: cannot load OVK47MXV_API.dll from " + Folder + ": error 126", 0), 0u)
        << result.err;
}

}  // namespace
