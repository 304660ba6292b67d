#include "myApplication.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "debugCapture.h"
#include "hostRun.h"
#include "myString.h"

namespace {

// Runs the foundation's application host with the given command-line tail.
std::string RunHost(const std::string& arguments)
{
    return ::RunHost("foundation_apphost.exe", arguments);
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
    std::string output = RunHost("/L report");
    EXPECT_TRUE(Contains(output, "flags=1 own=1 profiler=1 log=0")) << output;
    output = RunHost("/l /ll report");
    EXPECT_TRUE(Contains(output, "flags=3 own=3 profiler=1 log=1 open=1")) << output;
    output = RunHost("/x -l report");
    EXPECT_TRUE(Contains(output, "flags=0 own=0 profiler=0 log=0")) << output;
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

TEST(ApplicationMemoryReport, LineTooLongForItsBufferIsCutAndStillEnds)
{
    // Every bit named in all four bit fields and wide numbers: the line outgrows
    // 1024 bytes at both word sizes.
    MEMORY_BASIC_INFORMATION region{};
    region.BaseAddress = region.AllocationBase = reinterpret_cast<void*>(~uintptr_t(0) << 16);
    region.RegionSize = 0x7FFF0000;
    region.Protect = region.State = region.Type = region.AllocationProtect = ~0u;
    std::string longest;
    for (size_t size : {1024, 40, 4}) {
        std::string buffer(2048, '#');
        std::string line = FormatMemoryRegion(&buffer[0], size, region);
        ASSERT_LT(line.size(), size);
        EXPECT_EQ("]\r\n", line.substr(line.size() - 3));
        EXPECT_EQ(std::string(buffer.size() - size, '#'), buffer.substr(size)) << size;
        if (longest.empty())
            longest = line;
        EXPECT_EQ(0u, longest.find(line.substr(0, line.size() - 3))) << size;
    }
}

TEST(ApplicationShutdown, WindowLeftOpenAtExitKeepsTheClassRegistered)
{
    std::string output = RunHost("window");
    EXPECT_TRUE(Contains(output, "window open\n")) << output;
    EXPECT_TRUE(Contains(output, "Class failed to unregister\r\n"));
    EXPECT_FALSE(Contains(RunHost("report"), "Class failed to unregister"));
}

// A message a window procedure under test received.
struct ReceivedMessage {
    HWND Window;
    UINT Message;
    WPARAM WParam;
};
std::vector<ReceivedMessage> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back({window, message, wParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

bool WasReceived(UINT message)
{
    for (const ReceivedMessage& item : received) {
        if (item.Message == message)
            return true;
    }
    return false;
}

// Windows of the framework class, created the way components create theirs.
class ApplicationWindows : public ::testing::Test {
protected:
    void SetUp() override { received.clear(); }
    void TearDown() override
    {
        Application.BeginWindowCreation(nullptr, nullptr);
        if (window)
            DestroyWindow(window);
    }

    HWND CreateFrameworkWindow()
    {
        return CreateWindowExA(0, MAKEINTATOM(Application.WindowClass), "test", WS_POPUP, 0, 0, 20, 20,
                               nullptr, nullptr, Application.ModuleInstance, nullptr);
    }
    // A window whose procedure is RecordingProc, installed by the first message.
    void OpenRecordingWindow()
    {
        Application.BeginWindowCreation(&RecordingProc, &window);
        CreateFrameworkWindow();
    }

    HWND window = nullptr;
};

TEST_F(ApplicationWindows, ClassIsRegisteredByAtomWithArrowCursorAndBlackBackground)
{
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    ATOM atom = static_cast<ATOM>(GetClassInfoExA(Application.ModuleInstance, "TmyComponent", &info));
    ASSERT_NE(0, atom);
    EXPECT_EQ(Application.WindowClass, atom);
    EXPECT_EQ(0u, info.style);
    EXPECT_EQ(0, info.cbClsExtra);
    EXPECT_EQ(0, info.cbWndExtra);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), info.hCursor);
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), info.hbrBackground);
    EXPECT_EQ(nullptr, info.hIcon);
}

TEST_F(ApplicationWindows, FirstMessageInstallsThePendingProcedureAndStoresTheWindow)
{
    OpenRecordingWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&RecordingProc), GetWindowLongPtrA(window, GWLP_WNDPROC));
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(window, received.front().Window);
    EXPECT_TRUE(WasReceived(WM_NCCREATE));
    EXPECT_TRUE(WasReceived(WM_CREATE));

    SendMessageA(window, WM_USER + 3, 7, 0);
    EXPECT_EQ(WM_USER + 3u, received.back().Message);
    EXPECT_EQ(7u, received.back().WParam);
}

TEST_F(ApplicationWindows, WindowWithoutPendingProcedureIsRefused)
{
    EXPECT_EQ(nullptr, CreateFrameworkWindow());

    OpenRecordingWindow();
    ASSERT_NE(nullptr, window);
    HWND second = CreateFrameworkWindow();
    EXPECT_EQ(nullptr, second) << "the pending procedure serves one window only";

    HWND withdrawn = nullptr;
    Application.BeginWindowCreation(&RecordingProc, &withdrawn);
    Application.BeginWindowCreation(nullptr, nullptr);
    EXPECT_EQ(nullptr, CreateFrameworkWindow());
    EXPECT_EQ(nullptr, withdrawn);
}

TEST_F(ApplicationWindows, RunDispatchesTranslatedInputUntilQuit)
{
    OpenRecordingWindow();
    ASSERT_NE(nullptr, window);
    received.clear();
    PostMessageA(window, WM_KEYDOWN, 'A', 0x001E0001);
    PostQuitMessage(5);

    EXPECT_EQ(0, Application.Run());
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), myMessage.message);
    EXPECT_EQ(5u, myMessage.wParam);
    ASSERT_EQ(2u, received.size());
    EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), received[0].Message);
    EXPECT_EQ(static_cast<UINT>(WM_CHAR), received[1].Message);
    EXPECT_EQ(static_cast<WPARAM>('a'), received[1].WParam);
}

TEST_F(ApplicationWindows, RunTakesNoMessageWhileTerminated)
{
    OpenRecordingWindow();
    ASSERT_NE(nullptr, window);
    received.clear();
    PostMessageA(window, WM_USER + 9, 0, 0);
    Application.Terminated = 1;
    int result = Application.Run();
    Application.Terminated = 0;

    EXPECT_EQ(0, result);
    EXPECT_TRUE(received.empty());
    MSG pending;
    EXPECT_TRUE(PeekMessageA(&pending, window, WM_USER + 9, WM_USER + 9, PM_REMOVE));
}

}  // namespace
