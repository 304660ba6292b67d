#include "myObject.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <regex>
#include <string>

#include "debugCapture.h"
#include "myApplication.h"
#include "myFile.h"

namespace {

// Classes of their own for each registry case: a class registers only once
// per process.
struct First : TmyObject {
    First() { RegisterType(this, 901, "First"); }
};
struct FirstAgain : TmyObject {
    FirstAgain() { RegisterType(this, 902, "Again"); }
};
struct Nameless : TmyObject {
    Nameless() { RegisterType(this, 903, nullptr); }
};
struct Unregistered : First {};
struct Chain : First {
    Chain() { RegisterType(this, 904, "Chain"); }
};

// Sets the default trace flags for objects constructed in a test.
class TraceTest : public ::testing::Test {
protected:
    void SetUp() override { myDefaultTraceFlags = myTraceToDebugger; }
    void TearDown() override { myDefaultTraceFlags = 0; }

    std::string Last() const { return capture.Texts().back(); }
    // The message part of a line: behind the second tab, without "\r\n".
    static std::string Message(const std::string& line)
    {
        size_t tab = line.find('\t', line.find('\t') + 1);
        return line.substr(tab + 1, line.size() - tab - 3);
    }

    DebugCapture capture;
};

TEST(TypeRegistry, EveryConstructorLevelRegistersAndLookupFindsMostDerived)
{
    Chain chain;
    const char* name = nullptr;
    EXPECT_EQ(904, GetTypeId(&chain, &name));
    EXPECT_STREQ("Chain", name);
    First first;
    EXPECT_EQ(901, GetTypeId(&first, &name));
    EXPECT_STREQ("First", name);
    TmyObject plain;
    EXPECT_EQ(36, GetTypeId(&plain, &name));
    EXPECT_STREQ("Object", name);
}

TEST(TypeRegistry, FirstRegistrationOfAClassWins)
{
    FirstAgain object;
    RegisterType(&object, 999, "Later");
    const char* name = nullptr;
    EXPECT_EQ(902, GetTypeId(&object, &name));
    EXPECT_STREQ("Again", name);
}

TEST(TypeRegistry, UnregisteredClassHasIdZeroAndLeavesNameAlone)
{
    Unregistered object;
    const char* name = "untouched";
    EXPECT_EQ(0, GetTypeId(&object, &name));
    EXPECT_STREQ("untouched", name);
}

TEST_F(TraceTest, LineHasNumberDelayTypeAddressAndMessage)
{
    First object;
    Trace(&object, 0, "value %d", 42);
    Trace(&object, 0, "next");
    ASSERT_EQ(2u, capture.Texts().size());
    std::smatch first, second;
    std::regex format(R"(^( {0,3}\d+): \[( {0,7}\d+)\]\t<( *[^:]+):([0-9A-Fa-fx]+)>\t(.*)\r\n$)");
    ASSERT_TRUE(std::regex_match(capture.Texts()[0], first, format)) << capture.Texts()[0];
    ASSERT_TRUE(std::regex_match(capture.Texts()[1], second, format));
    EXPECT_EQ(4u, first[1].length());
    EXPECT_EQ(std::stoul(first[1]) + 1, std::stoul(second[1]));
    EXPECT_EQ(8u, first[2].length());
    EXPECT_EQ("     First", first[3].str());
    char address[32];
    snprintf(address, sizeof address, "%p", static_cast<void*>(&object));
    EXPECT_EQ(address, first[4].str());
    EXPECT_EQ("value 42", first[5].str());
}

TEST_F(TraceTest, TypeNameFallsBackToNumberOrUnknown)
{
    Nameless nameless;
    Unregistered unregistered;
    Trace(&nameless, 0, "a");
    EXPECT_NE(std::string::npos, Last().find("<  Type:903:"));
    Trace(&unregistered, 0, "b");
    EXPECT_NE(std::string::npos, Last().find("<   unknown:"));
}

TEST_F(TraceTest, ObjectKeepsTheFlagsItWasConstructedWith)
{
    myDefaultTraceFlags = 0;
    TmyObject silent;
    myDefaultTraceFlags = myTraceToDebugger;
    Trace(&silent, 1, "never");
    EXPECT_TRUE(capture.Texts().empty());
    TmyObject loud;
    Trace(&loud, 0, "shown");
    ASSERT_EQ(1u, capture.Texts().size());
    // The silent object's indent change was not applied either.
    EXPECT_EQ("shown", Message(Last()));
}

TEST_F(TraceTest, NestingIndentsTheOpeningLineAndRestoresAfterTheClosingOne)
{
    TmyObject object;
    Trace(&object, 0, "outer");
    Trace(&object, 1, "open");
    Trace(&object, 0, "inside");
    Trace(&object, -1, "close");
    Trace(&object, 0, "after");
    ASSERT_EQ(5u, capture.Texts().size());
    EXPECT_EQ("outer", Message(capture.Texts()[0]));
    EXPECT_EQ(" open", Message(capture.Texts()[1]));
    EXPECT_EQ(" inside", Message(capture.Texts()[2]));
    EXPECT_EQ(" close", Message(capture.Texts()[3]));
    EXPECT_EQ("after", Message(capture.Texts()[4]));
}

TEST_F(TraceTest, IndentStaysWithinZeroAndFiveHundred)
{
    TmyObject object;
    Trace(&object, 400, "a");
    Trace(&object, 400, "b");
    EXPECT_EQ(std::string(500, ' ') + "b", Message(Last()));
    Trace(&object, -3000, "c");
    EXPECT_EQ(std::string(500, ' ') + "c", Message(Last()));
    Trace(&object, -1, "d");
    EXPECT_EQ("d", Message(Last()));
}

TEST_F(TraceTest, IndentChangesAtTheIntLimitsAreClampedWithoutOverflow)
{
    TmyObject object;
    Trace(&object, 1, "a");
    Trace(&object, INT_MAX, "b");
    EXPECT_EQ(std::string(500, ' ') + "b", Message(Last()));
    Trace(&object, INT_MIN, "c");
    EXPECT_EQ(std::string(500, ' ') + "c", Message(Last()));
    Trace(&object, 0, "d");
    EXPECT_EQ("d", Message(Last()));
}

TEST_F(TraceTest, OverlongMessageIsCutAndLineStillEnds)
{
    TmyObject object;
    Trace(&object, 300, "%s", std::string(3000, 'x').c_str());
    Trace(&object, -300, "short");
    const std::string& line = capture.Texts()[0];
    EXPECT_LT(line.size(), 1024u);
    EXPECT_EQ("\r\n", line.substr(line.size() - 2));
    EXPECT_EQ('x', line[line.size() - 3]);
    EXPECT_EQ("short", Message(Last()).substr(300));
}

TEST_F(TraceTest, LogFileOnlyFlagWritesTheLogAndNotTheDebugger)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + "k47-trace-sink.log";
    TmyFile* previous = Application.LogFile;
    Application.LogFile = new TmyFile(path.c_str(), GENERIC_WRITE, CREATE_ALWAYS, 0, FILE_ATTRIBUTE_NORMAL);
    myDefaultTraceFlags = myTraceToLogFile;
    TmyObject object;
    Trace(&object, 0, "to the log");
    delete Application.LogFile;
    Application.LogFile = previous;

    EXPECT_TRUE(capture.Texts().empty());
    FILE* file = fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    char text[256] = {};
    size_t size = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    DeleteFileA(path.c_str());
    EXPECT_EQ("to the log", Message(std::string(text, size)));
}

}  // namespace
