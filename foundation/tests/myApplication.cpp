#include "myApplication.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "debugCapture.h"
#include "myString.h"

namespace {

// Runs the application host beside this test program with the given command
// line tail and returns what it printed, debugger texts included.
std::string RunHost(const std::string& arguments)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string host = TmyString(self).FolderPart().c_str() + std::string("\\foundation_apphost.exe");
    std::string commandLine = "\"" + host + "\" " + arguments;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return "pipe failed";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char chunk[4096];
        DWORD got;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
            output.append(chunk, got);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return started ? output : "start failed";
}

std::string DocumentsFolder()
{
    char path[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, path);
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(ApplicationSwitches, PlainCommandLineSetsNoFlagsAndCreatesNothing)
{
    std::string output = RunHost("report");
    EXPECT_TRUE(Contains(output, "flags=0 own=0 profiler=0 log=0 open=0 count=2\n")) << output;
    EXPECT_TRUE(Contains(output, "arg1=[report]\narg2=[]\n"));
    EXPECT_FALSE(Contains(output, "Type IDs count"));
    EXPECT_FALSE(Contains(output, "Allocated remains"));
}

TEST(ApplicationSwitches, SwitchesAreReadInAnyCaseAndCombine)
{
    EXPECT_TRUE(Contains(RunHost("/L report"), "flags=1 own=1 profiler=1 log=0"));
    EXPECT_TRUE(Contains(RunHost("/l /ll report"), "flags=3 own=3 profiler=1 log=1 open=1"));
    EXPECT_TRUE(Contains(RunHost("/x -l report"), "flags=0 own=0 profiler=0 log=0"));
}

TEST(ApplicationSwitches, ArgumentsFollowTheTokenRule)
{
    std::string output = RunHost("\"two words\" a\"b c\"d report");
    EXPECT_TRUE(Contains(output, "count=4\n")) << output;
    EXPECT_TRUE(Contains(output, "arg1=[two words]\narg2=[ab cd]\narg3=[report]\narg4=[]\narg5=[]\n"));
}

TEST(ApplicationShutdown, TracingRunPrintsRegistryAndThunkLines)
{
    std::string output = RunHost("/l report");
    // The profiler with its clock registered Object, TimeCounter and Profiler;
    // the list that collects the records adds Buffer and List.
    EXPECT_TRUE(Contains(output, "Type IDs count: 5 [empty 0, depth=2]\r\n")) << output;
    EXPECT_TRUE(Contains(output, "Max. thunk index: 0 / 5041\r\n"));
    EXPECT_FALSE(Contains(output, "Allocated remains"));
}

TEST(ApplicationShutdown, LogSwitchReportsLeftoverPrivateMemory)
{
    std::string output = RunHost("/ll report");
    std::regex region(R"(Allocated remains: [0-9a-f]{8,}-[0-9A-F]{8,},RW,COMMIT,PRIVATE \[[0-9a-f]{8,},\d+kB(,[A-Z_]+)*\]\r\n)");
    EXPECT_TRUE(std::regex_search(output, region)) << output;
    EXPECT_TRUE(std::regex_search(output, std::regex(R"(TotalSize: \d+\.\d{3}MB\r\n\r\n)")));
}

TEST(ApplicationLog, LogSwitchReplacesTheLogInTheDocumentsFolder)
{
    std::string path = DocumentsFolder() + "\\Orvela\\foundation_apphost.log";
    CreateDirectoryA((DocumentsFolder() + "\\Orvela").c_str(), nullptr);
    std::ofstream(path) << "stale text from an earlier run";
    RunHost("/ll threads");
    std::string log = ReadFile(path);
    EXPECT_FALSE(Contains(log, "stale")) << log;
    EXPECT_TRUE(Contains(log, "\tfirst line\r\n"));
    EXPECT_TRUE(Contains(log, "\tfrom thread\r\n"));
}

TEST(ApplicationTrace, FirstLineIsNumberedZeroAndThreadIdAppearsOnceASecondThreadTraced)
{
    std::string output = RunHost("threads");
    std::istringstream lines(output);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_EQ(0u, first.find("   0: [")) << output;
    EXPECT_TRUE(std::regex_search(first, std::regex(R"(<    Object:[0-9A-Fa-f]+>\tfirst line)")));
    EXPECT_TRUE(std::regex_search(second, std::regex(R"(<    Object:[0-9A-Fa-f]+-[ 0-9a-f]{6}>\tfrom thread)")));
    EXPECT_TRUE(std::regex_search(third, std::regex(R"(<    Object:[0-9A-Fa-f]+-[ 0-9a-f]{6}>\tafter thread)")));
    EXPECT_EQ(0u, third.find("   2: ["));
}

TEST(ApplicationTraceFlags, SetTraceFlagsCreatesAndDeletesTheProfiler)
{
    unsigned saved = Application.TraceFlags;
    Application.SetTraceFlags(nullptr, 1);
    EXPECT_NE(nullptr, Application.Profiler);
    EXPECT_EQ(1u, myDefaultTraceFlags);
    Application.SetTraceFlags(nullptr, 0);
    EXPECT_EQ(nullptr, Application.Profiler);
    EXPECT_EQ(0u, myDefaultTraceFlags);
    Application.TraceFlags = saved;
}

TEST(ApplicationMemoryReport, ListsAMatchingRegionWithItsBitNames)
{
    void* block = VirtualAlloc(nullptr, 65536, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(nullptr, block);
    DebugCapture capture;
    Application.MemoryReport(0x21004);
    VirtualFree(block, 0, MEM_RELEASE);

    char expected[128];
    unsigned long long base = reinterpret_cast<uintptr_t>(block);
    snprintf(expected, sizeof expected, "Allocated remains: %08llx-%08llX,RW,COMMIT,PRIVATE [%08llx,64kB,RW]\r\n",
             base, base + 65536, base);
    bool found = false;
    for (const std::string& text : capture.Texts())
        found = found || text == expected;
    EXPECT_TRUE(found) << expected;
    EXPECT_EQ(0u, capture.Texts().back().find("TotalSize: "));
}

TEST(ApplicationMemoryReport, PrintsNothingWhenNoRegionMatches)
{
    DebugCapture capture;
    Application.MemoryReport(0);
    EXPECT_TRUE(capture.Texts().empty());
}

}  // namespace
