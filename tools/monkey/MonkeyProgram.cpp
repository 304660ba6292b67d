// Starting, asking, watching and ending one program of a random-input run.
#include "MonkeyProgram.h"

#include <cstring>

#include "myResourceProbe.h"
#include "wholeFile.h"

namespace {

constexpr DWORD pollMs = 2;
// Input still queued: asked again after this pause.
constexpr DWORD pendingPauseMs = 5;
constexpr int popupCloseRounds = 8;

std::string DriverFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self(path, length);
    return self.substr(0, self.find_last_of('\\'));
}

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The simulator's INI text value: quoted with backslashes escaped.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return quoted + "\"";
}

// This process's environment with the given variables replaced or added.
std::vector<char> Environment(const std::vector<std::pair<std::string, std::string>>& variables)
{
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) {
        bool replaced = false;
        for (const auto& variable : variables)
            replaced = replaced || _strnicmp(entry, (variable.first + "=").c_str(), variable.first.size() + 1) == 0;
        if (!replaced)
            block.insert(block.end(), entry, entry + std::strlen(entry) + 1);
    }
    FreeEnvironmentStringsA(strings);
    for (const auto& variable : variables) {
        const std::string assignment = variable.first + "=" + variable.second;
        block.insert(block.end(), assignment.c_str(), assignment.c_str() + assignment.size() + 1);
    }
    block.push_back(0);
    return block;
}

struct TmyWindowList {
    DWORD ProcessId;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    auto* list = reinterpret_cast<TmyWindowList*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const bool captioned = (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    if (processId == list->ProcessId && IsWindowVisible(window) && captioned)
        list->Found.push_back(window);
    return TRUE;
}

}  // namespace

TmyMonkeyProgram::TmyMonkeyProgram(const std::string& exe, const std::string& arguments,
                                   const std::string& simulatorDevices)
    : Exe(DriverFolder() + "\\" + exe), Arguments(arguments), Simulated(!simulatorDevices.empty()),
      QueryMessage(RegisterWindowMessageA(myProbeQueryName))
{
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    Folder = std::string(temp) + "k47monkey-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    CreateDirectoryA(Folder.c_str(), nullptr);
    if (Simulated)
        WriteText(PathOf("sim.ini"), "[simulator]\ntiming = virtual\nlog = " + Quoted(PathOf("traffic.log")) + "\n" +
                                         simulatorDevices);
}

TmyMonkeyProgram::~TmyMonkeyProgram()
{
    if (Process.hProcess) {
        if (IsRunning()) {
            TerminateProcess(Process.hProcess, 1);
            WaitForSingleObject(Process.hProcess, MonkeyExitWaitMs);
        }
        CloseHandle(Process.hProcess);
        CloseHandle(Process.hThread);
    }
    for (const char* name : {"sim.ini", "traffic.log", "probe.txt", "probe.txt.exit"})
        DeleteFileA(PathOf(name).c_str());
    RemoveDirectoryA(Folder.c_str());
}

bool TmyMonkeyProgram::Start()
{
    std::vector<std::pair<std::string, std::string>> variables{{myProbeFileVariable, PathOf("probe.txt")}};
    if (Simulated)
        variables.emplace_back("K47MXV_SIM", PathOf("sim.ini"));
    std::vector<char> environment = Environment(variables);
    std::string command = "\"" + Exe + "\" " + Arguments;
    const std::string folder = DriverFolder();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(Exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, environment.data(), folder.c_str(),
                        &startup, &Process)) {
        Failure = "cannot start " + command;
        return false;
    }
    const DWORD start = GetTickCount();
    while (!MainWindow && IsRunning() && GetTickCount() - start < MonkeyStartWaitMs) {
        for (HWND window : Windows())
            if (!GetWindow(window, GW_OWNER))
                MainWindow = window;
        Sleep(20);
    }
    if (!MainWindow)
        Failure = IsRunning() ? "no main window within the bound" : "the program ended during its start-up";
    return MainWindow != nullptr;
}

bool TmyMonkeyProgram::IsRunning() const
{
    return Process.hProcess && WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> TmyMonkeyProgram::Windows() const
{
    TmyWindowList list{Process.dwProcessId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
    for (size_t i = 1; i < list.Found.size(); ++i)
        if (list.Found[i] == MainWindow)
            std::swap(list.Found[0], list.Found[i]);
    return list.Found;
}

// A query is posted once more when the first gets no answer: a loop that
// is not the framework's (the system's own) would have dropped it.
bool TmyMonkeyProgram::Query(unsigned sequence, std::string& line)
{
    const std::string expected = "seq=" + std::to_string(sequence) + " ";
    for (int attempt = 0; attempt < 2; ++attempt) {
        PostThreadMessageA(Process.dwThreadId, QueryMessage, sequence, 0);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < MonkeyAnswerWaitMs / 2) {
            line = ReadWholeFile(PathOf("probe.txt"));
            if (line.compare(0, expected.size(), expected) == 0 && line.find(" end\n") != std::string::npos)
                return true;
            if (!IsRunning())
                return false;
            Sleep(pollMs);
        }
    }
    return false;
}

std::string TmyMonkeyProgram::Settle()
{
    const DWORD start = GetTickCount();
    std::string line;
    while (GetTickCount() - start < MonkeyAnswerWaitMs) {
        if (!Query(++Sequence, line)) {
            Failure = IsRunning() ? "the program did not answer within " + std::to_string(MonkeyAnswerWaitMs) + " ms"
                                  : "the program ended";
            return "";
        }
        if (ProbeValue(line, "pending") == 0)
            return line;
        Sleep(pendingPauseMs);
    }
    Failure = "input stayed queued for " + std::to_string(MonkeyAnswerWaitMs) + " ms";
    return "";
}

bool TmyMonkeyProgram::ClosePopups()
{
    for (int round = 0; round < popupCloseRounds; ++round) {
        std::vector<HWND> windows = Windows();
        if (windows.size() <= 1)
            return true;
        // The last one found is the most recent; a nested loop ends first.
        PostMessageA(windows.back(), WM_CLOSE, 0, 0);
        if (Settle().empty())
            return false;
    }
    return Windows().size() <= 1;
}

int TmyMonkeyProgram::Close()
{
    if (!IsRunning()) {
        Failure = "the program ended before it was closed";
        DWORD code = 0;
        GetExitCodeProcess(Process.hProcess, &code);
        return static_cast<int>(code);
    }
    ClosePopups();
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(Process.hProcess, MonkeyExitWaitMs) != WAIT_OBJECT_0) {
        Failure = "the program did not end within " + std::to_string(MonkeyExitWaitMs) + " ms of WM_CLOSE";
        TerminateProcess(Process.hProcess, 1);
        WaitForSingleObject(Process.hProcess, MonkeyExitWaitMs);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(Process.hProcess, &code);
    return static_cast<int>(code);
}

std::string TmyMonkeyProgram::ExitReport() const
{
    return ReadWholeFile(PathOf("probe.txt.exit"));
}

std::vector<std::string> TmyMonkeyProgram::NewTraffic()
{
    const std::string text = ReadWholeFile(PathOf("traffic.log"));
    std::vector<std::string> lines;
    size_t start = TrafficRead;
    for (size_t end = text.find('\n', start); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
        const size_t event = text.find(' ', start);
        if (event < end)
            lines.push_back(text.substr(event + 1, end - event - 1));
    }
    TrafficRead = start;
    return lines;
}
