// Tests of the crash-report library: a child program that faults with the
// library loaded, and the filter's installation and hand-over in this process.
// The reports land in the real documents folder; every test removes the files
// of the processes it ran (their names end in _<pid>) and the folders it made.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "childProcess.h"
#include "wholeFile.h"

namespace {

// Bound for a child program to end, crash report and all.
constexpr DWORD childEndBoundMs = 30000;

std::string ThisFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

std::string DocumentsFolder()
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool FolderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folders the reports go to, and the clean-up of what a test made there.
class CrashFolder {
public:
    CrashFolder()
        : orvela_(DocumentsFolder() + "\\Orvela"),
          crash_(orvela_ + "\\crash"),
          orvelaExisted_(FolderExists(orvela_)),
          crashExisted_(FolderExists(crash_))
    {
    }

    ~CrashFolder()
    {
        for (DWORD processId : processes_)
            for (const std::string& path : FilesOf(processId, "*"))
                DeleteFileA(path.c_str());
        if (!crashExisted_)
            RemoveDirectoryA(crash_.c_str());
        if (!orvelaExisted_)
            RemoveDirectoryA(orvela_.c_str());
    }

    // Marks the files of this process for removal at the end of the test.
    void Own(DWORD processId) { processes_.push_back(processId); }

    // The paths of the process's files with this extension ("txt", "dmp").
    std::vector<std::string> FilesOf(DWORD processId, const char* extension) const
    {
        std::vector<std::string> paths;
        std::string pattern = crash_ + "\\*_" + std::to_string(processId) + "." + extension;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return paths;
        do
            paths.push_back(crash_ + "\\" + found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
        return paths;
    }

private:
    std::string orvela_;
    std::string crash_;
    bool orvelaExisted_;
    bool crashExisted_;
    std::vector<DWORD> processes_;
};

// How a child run of crash_host.exe ended.
struct ChildRun {
    DWORD processId = 0;
    DWORD exitCode = STILL_ACTIVE;
};

ChildRun RunCrashHost(const char* mode, CrashFolder& folder)
{
    const std::string line = "\"" + ThisFolder() + "\\crash_host.exe\" " + mode;
    // The child's output, and the crash backtrace Wine's debugger prints
    // into it, would only clutter the test log.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    PROCESS_INFORMATION process;
    ChildRun run;
    const bool started = StartChild(line, nul, nul, nul, process);
    CloseHandle(nul);
    if (!started)
        return run;
    run.processId = process.dwProcessId;
    folder.Own(run.processId);
    if (WaitForSingleObject(process.hProcess, childEndBoundMs) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, STILL_ACTIVE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

bool StartsWithDumpSignature(const std::string& path)
{
    return ReadWholeFile(path).compare(0, 4, "MDMP") == 0;
}

TEST(CrashReportChild, FaultLeavesOneReportLineAndOneDumpThenEndsWithTheCode)
{
    CrashFolder folder;
    ChildRun run = RunCrashHost("fault", folder);
    ASSERT_NE(run.processId, 0u);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

    std::vector<std::string> reports = folder.FilesOf(run.processId, "txt");
    std::vector<std::string> dumps = folder.FilesOf(run.processId, "dmp");
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_TRUE(StartsWithDumpSignature(dumps[0]));
    EXPECT_NE(dumps[0].find("\\crash_host_"), std::string::npos) << dumps[0];

    std::string report = ReadWholeFile(reports[0]);
    EXPECT_EQ(report.find("crash_host.exe pid " + std::to_string(run.processId) + " exception 0xC0000005 at 0x"),
              0u) << report;
    EXPECT_EQ(report.find('\n'), report.size() - 1) << report;
}

// The second pass through the filter, for the fault inside the first, writes
// nothing and lets the program end with that fault.
TEST(CrashReportChild, FaultInsideTheFilterEndsTheProgramWithoutFiles)
{
    CrashFolder folder;
    ChildRun run = RunCrashHost("fault-in-filter", folder);
    ASSERT_NE(run.processId, 0u);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_TRUE(folder.FilesOf(run.processId, "*").empty());
}

TEST(CrashReportChild, NormalEndLeavesNoFiles)
{
    CrashFolder folder;
    ChildRun run = RunCrashHost("exit", folder);
    ASSERT_NE(run.processId, 0u);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(folder.FilesOf(run.processId, "*").empty());
}

// A filter that stands for the one the library finds at load: it counts its
// calls and asks for the handler to run, so the hand-over is visible.
int EarlierFilterCalls = 0;
EXCEPTION_POINTERS* EarlierFilterSaw = nullptr;

LONG WINAPI EarlierFilter(EXCEPTION_POINTERS* pointers)
{
    ++EarlierFilterCalls;
    EarlierFilterSaw = pointers;
    return EXCEPTION_EXECUTE_HANDLER;
}

LONG WINAPI LaterFilter(EXCEPTION_POINTERS*)
{
    return EXCEPTION_CONTINUE_SEARCH;
}

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter()
{
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(current);
    return current;
}

// Each test starts with EarlierFilter installed and puts the process's own
// filter back at the end.
class CrashReportFilter : public ::testing::Test {
protected:
    void SetUp() override
    {
        EarlierFilterCalls = 0;
        EarlierFilterSaw = nullptr;
        own_ = SetUnhandledExceptionFilter(EarlierFilter);
    }
    void TearDown() override { SetUnhandledExceptionFilter(own_); }

    static HMODULE Load() { return LoadLibraryA((ThisFolder() + "\\myexcept.dll").c_str()); }

private:
    LPTOP_LEVEL_EXCEPTION_FILTER own_ = nullptr;
};

TEST_F(CrashReportFilter, SecondLoadKeepsTheFilterAndLastUnloadRestoresTheEarlierOne)
{
    HMODULE first = Load();
    ASSERT_NE(first, nullptr);
    LPTOP_LEVEL_EXCEPTION_FILTER installed = CurrentFilter();
    EXPECT_NE(installed, EarlierFilter);

    HMODULE second = Load();
    ASSERT_EQ(second, first);
    EXPECT_EQ(CurrentFilter(), installed);
    FreeLibrary(second);
    EXPECT_EQ(CurrentFilter(), installed);

    FreeLibrary(first);
    EXPECT_EQ(CurrentFilter(), EarlierFilter);
}

TEST_F(CrashReportFilter, UnloadLeavesAFilterInstalledAfterIt)
{
    HMODULE library = Load();
    ASSERT_NE(library, nullptr);
    SetUnhandledExceptionFilter(LaterFilter);
    FreeLibrary(library);
    EXPECT_EQ(CurrentFilter(), LaterFilter);
}

// The report names the code and the address of the record it was given.
TEST_F(CrashReportFilter, ReportsThenHandsTheExceptionToTheEarlierFilter)
{
    CrashFolder folder;
    folder.Own(GetCurrentProcessId());
    HMODULE library = Load();
    ASSERT_NE(library, nullptr);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = 0xE0471234;
    record.ExceptionAddress = reinterpret_cast<void*>(&ThisFolder);
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_POINTERS pointers{&record, &context};
    EXPECT_EQ(CurrentFilter()(&pointers), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_EQ(EarlierFilterCalls, 1);
    EXPECT_EQ(EarlierFilterSaw, &pointers);
    FreeLibrary(library);

    std::vector<std::string> reports = folder.FilesOf(GetCurrentProcessId(), "txt");
    ASSERT_EQ(reports.size(), 1u);
    char address[2 * sizeof(void*) + 1];
    snprintf(address, sizeof address, "%0*llX", static_cast<int>(2 * sizeof(void*)),
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(record.ExceptionAddress)));
    std::string report = ReadWholeFile(reports[0]);
    EXPECT_EQ(report.find("myexcept_tests.exe pid " + std::to_string(GetCurrentProcessId()) +
                          " exception 0xE0471234 at 0x" + address + " time "),
              0u) << report;
}

}  // namespace
