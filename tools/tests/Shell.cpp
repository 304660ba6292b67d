// End-to-end tests of k47mxv's shell: the lines of a script on standard
// input, run on one converter held open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLineFixture.h"

namespace {

const char* const kClosed = "K4700001 closed; closing clears its power\n";
const char* const kPowerClear = "write 43 50 0D";  // "CP" CR

class Shell : public CommandLine {
protected:
    RunResult RunScript(const std::string& lines) { return Run("shell K4700001", K47mxvProgram(), lines); }

    // The traffic's writes and closes in order, without time and serial:
    // "write 66 06 0D", "close".
    std::vector<std::string> WritesAndCloses() const
    {
        std::vector<std::string> events;
        std::istringstream lines(Traffic());
        for (std::string line; std::getline(lines, line);) {
            const std::string event = line.substr(line.find(' ', line.find(' ') + 1) + 1);
            if (event.rfind("write ", 0) == 0 || event == "close")
                events.push_back(event);
        }
        return events;
    }

    // The events from the first one equal to `from` on.
    std::vector<std::string> EventsFrom(const std::string& from) const
    {
        const std::vector<std::string> events = WritesAndCloses();
        return {std::find(events.begin(), events.end(), from), events.end()};
    }
};

TEST_F(Shell, HoldsTheRangeUntilOffAndClosesAtTheEndOfInput)
{
    ConfigureOneConverter();
    const RunResult result = RunScript("range 5\nalive\nrange 7\r\noff\n");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "range 5 selected\nK4700001 is alive\nrange 7 selected\npower cleared\n" +
                              std::string(kClosed));
    // No power clear until "off"; closing sends one more, then closes.
    const std::vector<std::string> expected = {"write 66 06 0D", "write 73 6E 0D", "write 66 08 0D",
                                               kPowerClear,      kPowerClear,      "close"};
    EXPECT_EQ(EventsFrom("write 66 06 0D"), expected) << Traffic();
}

TEST_F(Shell, ReportsBadLinesByNumberAndGoesOn)
{
    ConfigureOneConverter();
    const RunResult result = RunScript("range five\nfrobnicate\n\n  # a comment\noff now\nrange 14\n"
                                       "correction 10.5XHz\nsend a\\q\nalive");
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_EQ(result.err,
              "line 1: range: \"five\" is not a range number (0 to 13)\n"
              "line 2: unknown command \"frobnicate\"; expected one of config, range, off, alive, cal-read, "
              "cal-write, correction, send, help, quit\n"
              "line 5: off: takes no arguments\n"
              "line 6: range: SetRange failed with -3 (the range lies outside 0..13)\n"
              "line 7: correction: \"10.5XHz\": unknown unit; use Hz, kHz, MHz or GHz\n"
              "line 8: send: \"a\\q\" has a bad escape; use \\r \\n \\t \\\\ or \\xHH\n");
    // The last line has no line end and still runs.
    EXPECT_EQ(result.out, "K4700001 is alive\n" + std::string(kClosed));
}

TEST_F(Shell, QuitClosesTheConverterAndReadsNoFurther)
{
    Configure("[device]\nusb_serial = K4700001\nreply.f = \"X\\r\", \"X\\r\", \"X\\r\"\n");
    const RunResult result = RunScript("range 3\nconfig\nquit\nrange 5\n");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, "line 1: range: SetRange failed with -6 (the converter refused the range)\n");
    EXPECT_EQ(result.out.rfind("Serial    K4700001\nFirmware  Version 4.2\n", 0), 0u) << result.out;
    EXPECT_EQ(result.out.substr(result.out.size() - std::string(kClosed).size()), kClosed);
    EXPECT_EQ(EventsFrom(kPowerClear), (std::vector<std::string>{kPowerClear, "close"})) << Traffic();
}

TEST_F(Shell, CalibrationFileNamesMayHoldBlanksAndTheWriteSaysItsDuration)
{
    ConfigureOneConverter();
    const std::string file = PathOf("cal image.bin");
    const RunResult result = RunScript("cal-read " + file + "\ncal-write  " + file + "  \n");
    EXPECT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "wrote 5321 bytes to " + file + " (calibration mask 0x3FFF)\nwrote 5321 bytes of " + file +
                              " to K4700001\n" + kClosed);
    // Said before the write: its time on the 9600-baud line, 6 to 8 s.
    const std::string note = "writing 5321 bytes to K4700001 takes about ";
    ASSERT_EQ(result.err.rfind(note, 0), 0u) << result.err;
    const double seconds = std::atof(result.err.c_str() + note.size());
    EXPECT_TRUE(seconds >= 6.0 && seconds <= 8.0) << result.err;
    EXPECT_EQ(result.err.substr(result.err.find(" s\n")), " s\n") << result.err;
}

}  // namespace
