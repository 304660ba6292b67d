// startup_bench: how long the control panel takes from its start until its
// main window is on screen with the converter open, set beside a minimal
// Win32 program, and how much of that the converter's own exchanges take.
// What remains is the panel's own start-up. Runs against the simulator's
// embedded default converter in real time. A report, not a test: it exits 0
// when every measurement succeeded, else 1.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "OVK47MXV_Exports.h"

namespace {

constexpr const char* panelFile = "K47MXVcontrol.exe";
// The panel shows its main window with this caption once the converter is open.
constexpr const char* panelCaption = "OV-K47MXV - K4700001";
constexpr const char* minimalFile = "minimal_window.exe";
constexpr const char* minimalCaption = "K47MXV minimal window";
// The caption of the panel's start-up error boxes.
constexpr const char* errorCaption = "Error";
constexpr const char* apiFile = "OVK47MXV_API.dll";
// The simulator reads its configuration from this variable; without it the
// embedded default converter K4700001 is attached.
constexpr const char* simulatorVariable = "K47MXV_SIM";

// Runs per program (the two alternate) and of the converter work.
constexpr int programRuns = 10;
constexpr int converterRuns = 10;
// How long a program may take to show its window, and to end after WM_CLOSE.
constexpr DWORD showTimeoutMs = 30000;
constexpr DWORD exitTimeoutMs = 10000;
// How often the bench looks for the window.
constexpr DWORD pollMs = 1;
// The panel's own start-up counts as no wait up to this much.
constexpr double ownStartupGoalMs = 50.0;

double Median(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// The folder of this program, with its trailing backslash: the panel, the
// minimal program and the API library are beside it.
std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file(path, length < MAX_PATH ? length : 0);
    return file.substr(0, file.find_last_of('\\') + 1);
}

// A program whose start-up is timed, with the caption of its main window.
struct Program {
    const char* file;
    const char* caption;
    std::vector<double> runs;
};

struct WindowSearch {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char caption[128] = {};
    if (processId != search.processId || !IsWindowVisible(window) ||
        GetWindowTextA(window, caption, sizeof caption) <= 0 || std::strcmp(caption, search.caption) != 0)
        return TRUE;
    search.found = window;
    return FALSE;
}

// The visible top-level window of the process with this caption, or null.
HWND FindVisibleWindow(DWORD processId, const char* caption)
{
    WindowSearch search{processId, caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Ends a program that failed its run, so the next run starts alone.
void Abandon(const PROCESS_INFORMATION& process)
{
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, exitTimeoutMs);
}

// Waits until the program's main window is visible. Returns it, or null
// with the reason on stderr: an error box, the program ended, or the bound
// passed.
HWND AwaitMainWindow(const Program& program, const PROCESS_INFORMATION& process, double startMs)
{
    while (NowMs() - startMs < showTimeoutMs) {
        if (HWND window = FindVisibleWindow(process.dwProcessId, program.caption))
            return window;
        if (FindVisibleWindow(process.dwProcessId, errorCaption)) {
            std::fprintf(stderr, "startup_bench: %s showed an error box instead of its window\n", program.file);
            return nullptr;
        }
        // Waiting on the process is the poll interval and notices an early end.
        if (WaitForSingleObject(process.hProcess, pollMs) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "startup_bench: %s ended before showing \"%s\"\n", program.file, program.caption);
            return nullptr;
        }
    }
    std::fprintf(stderr, "startup_bench: %s showed no \"%s\" within %lu ms\n", program.file, program.caption,
                 showTimeoutMs);
    return nullptr;
}

// Starts the program, times it until its main window is visible, closes the
// window and waits for the program to end. Returns the ms to the window, or
// nothing when the run failed (the reason is on stderr).
std::optional<double> TimeStartup(const std::string& folder, const Program& program)
{
    const std::string path = folder + program.file;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    const double startMs = NowMs();
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "startup_bench: cannot start %s (error %lu)\n", path.c_str(), GetLastError());
        return std::nullopt;
    }
    std::optional<double> shownMs;
    if (HWND window = AwaitMainWindow(program, process, startMs)) {
        shownMs = NowMs() - startMs;
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, exitTimeoutMs) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "startup_bench: %s did not end within %lu ms of WM_CLOSE\n", program.file,
                         exitTimeoutMs);
            shownMs.reset();
        }
    }
    if (!shownMs)
        Abandon(process);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shownMs;
}

// Runs the two programs in turn, programRuns times each, so both meet the
// same machine load. False when a run failed.
bool TimePrograms(const std::string& folder, Program& minimal, Program& panel)
{
    for (int run = 0; run < programRuns; ++run)
        for (Program* program : {&minimal, &panel}) {
            const std::optional<double> elapsed = TimeStartup(folder, *program);
            if (!elapsed)
                return false;
            program->runs.push_back(*elapsed);
        }
    return true;
}

// The converter work the panel does at start-up, step by step, in ms; Close
// is what the panel does when it ends.
struct ConverterSteps {
    std::vector<double> load;
    std::vector<double> enumerate;
    std::vector<double> serial;
    std::vector<double> open;
    std::vector<double> startup;
    std::vector<double> close;
};

// Opens the first converter as the panel does and closes it again, timing
// each step. False, with the reason on stderr, when a step failed.
bool TimeConverterRun(ConverterSteps& steps)
{
    double mark = NowMs();
    const auto lap = [&mark](std::vector<double>& step) {
        const double now = NowMs();
        step.push_back(now - mark);
        mark = now;
    };
    const double startMs = mark;
    HMODULE library = LoadLibraryA(apiFile);
    OVK47MXV_Exports api;
    const char* missing = library ? api.Resolve(library) : apiFile;
    lap(steps.load);
    if (missing) {
        std::fprintf(stderr, "startup_bench: %s is not usable: %s not found\n", apiFile, missing);
        if (library)
            FreeLibrary(library);
        return false;
    }
    const int count = api.GetDeviceCount();
    lap(steps.enumerate);
    char serial[OVK47MXV_SERIAL_BYTES] = {};
    const int listed = count > 0 ? api.GetDeviceSerial(0, serial) : 0;
    lap(steps.serial);
    const int device = listed ? api.Open(serial) : -1;
    lap(steps.open);
    steps.startup.push_back(mark - startMs);
    if (device >= 0)
        api.Close(device);
    lap(steps.close);
    FreeLibrary(library);
    if (device < 0)
        std::fprintf(stderr, "startup_bench: no converter opened (GetDeviceCount %d, serial \"%s\")\n", count,
                     serial);
    return device >= 0;
}

bool TimeConverter(ConverterSteps& steps)
{
    for (int run = 0; run < converterRuns; ++run)
        if (!TimeConverterRun(steps))
            return false;
    return true;
}

void PrintRow(const char* name, double ms)
{
    std::printf("  %-34s %9.1f ms\n", name, ms);
}

// Prints the medians, the panel's own start-up and the verdict.
void Report(const Program& minimal, const Program& panel, const ConverterSteps& steps)
{
    const double minimalMs = Median(minimal.runs);
    const double panelMs = Median(panel.runs);
    const double converterMs = Median(steps.startup);
    std::printf("start-up to the visible main window, median of %d runs each:\n", programRuns);
    PrintRow(minimal.file, minimalMs);
    PrintRow(panel.file, panelMs);
    std::printf("  %-34s %9.2f\n", "ratio panel / minimal", panelMs / minimalMs);
    std::printf("the panel's converter work in this process, median of %d runs:\n", converterRuns);
    PrintRow("LoadLibraryA and bind the API", Median(steps.load));
    PrintRow("GetDeviceCount (enumeration)", Median(steps.enumerate));
    PrintRow("GetDeviceSerial", Median(steps.serial));
    PrintRow("Open (with calibration header)", Median(steps.open));
    PrintRow("converter start-up, all four", converterMs);
    PrintRow("Close (when the panel ends)", Median(steps.close));
    const double ownMs = panelMs - minimalMs - converterMs;
    std::printf("the panel's own start-up beyond the converter: %.1f ms (%.1f %% of its start-up)\n", ownMs,
                100.0 * ownMs / panelMs);
    std::printf("goal: the panel adds no wait beyond the converter's own exchanges (own start-up at or "
                "below %.0f ms): %s\n",
                ownStartupGoalMs, ownMs <= ownStartupGoalMs ? "met" : "missed");
}

}  // namespace

int main()
{
    SetEnvironmentVariableA(simulatorVariable, nullptr);
    const std::string folder = OwnFolder();
    Program minimal{minimalFile, minimalCaption, {}};
    Program panel{panelFile, panelCaption, {}};
    std::printf("startup_bench: %d runs of %s and %s, then %d of the converter work\n", programRuns, minimalFile,
                panelFile, converterRuns);
    std::fflush(stdout);
    ConverterSteps steps;
    if (!TimePrograms(folder, minimal, panel) || !TimeConverter(steps))
        return 1;
    Report(minimal, panel, steps);
    return 0;
}
