// Starting, driving, reading and ending K47MXVcontrol.exe for the tests.
#include "panelProgram.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "wholeFile.h"

namespace {

constexpr const char* programName = "K47MXVcontrol.exe";
constexpr const char* apiName = "OVK47MXV_API.dll";
constexpr const char* driverName = "OVK47MXVusb.dll";
constexpr const char* incompleteDriverName = "OVK47MXVusb_incomplete.dll";
constexpr const char* sevenExportsApi = "fixtures\\seven_exports\\OVK47MXV_API.dll";
constexpr const char* configName = "sim.ini";
constexpr const char* trafficName = "traffic.log";
constexpr const char* configVariable = "K47MXV_SIM";

// The box's OK button sits this far below its text and above its bottom edge.
constexpr int errorButtonSpacing = 10;

// The test program's own folder: the build's bin folder.
std::string BinFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self(path, length);
    return self.substr(0, self.find_last_of('\\'));
}

// A text value of the simulator's INI file, quoted so that any path fits.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// This process's environment with the simulator's configuration file set,
// as a block for CreateProcessA.
std::vector<char> ChildEnvironment(const std::string& configPath)
{
    const std::string assignment = std::string(configVariable) + "=";
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += std::strlen(entry) + 1) {
        if (_strnicmp(entry, assignment.c_str(), assignment.size()) != 0)
            block.insert(block.end(), entry, entry + std::strlen(entry) + 1);
    }
    FreeEnvironmentStringsA(strings);
    const std::string own = assignment + configPath;
    block.insert(block.end(), own.begin(), own.end());
    block.push_back(0);
    block.push_back(0);
    return block;
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL done = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return done && written == text.size();
}

int Brightness(COLORREF color)
{
    return GetRValue(color) + GetGValue(color) + GetBValue(color);
}

struct WindowSearch {
    DWORD ProcessId;
    const char* Caption;  // exact caption; null: the unowned window whose caption starts with MainCaption
    bool VisibleOnly;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->ProcessId || (search->VisibleOnly && !IsWindowVisible(window)))
        return TRUE;
    const std::string caption = WindowCaption(window);
    const bool match = search->Caption ? caption == search->Caption
                                       : caption.compare(0, std::strlen(MainCaption), MainCaption) == 0 &&
                                             !GetWindow(window, GW_OWNER);
    if (!match)
        return TRUE;
    search->Found = window;
    return FALSE;
}

}  // namespace

std::string Device(const std::string& usbSerial, const std::string& keys)
{
    return "[device]\nusb_serial = " + usbSerial + "\n" + keys;
}

std::string Devices(int count)
{
    std::string devices;
    for (int i = 1; i <= count; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "K47000%02d", i);
        devices += Device(serial);
    }
    return devices;
}

// Bands 0..6 in the first row, 7..13 in the second, 85 pixels apart; About
// and On/Off in the column after them.
RECT BandRect(int band)
{
    const int x = 7 + 85 * (band % 7);
    const int y = 7 + 25 * (band / 7);
    return RECT{x, y, x + StripButtonWidth, y + StripButtonHeight};
}

RECT AboutRect()
{
    return RECT{602, 7, 602 + StripButtonWidth, 7 + StripButtonHeight};
}

RECT PowerRect()
{
    return RECT{602, 32, 602 + StripButtonWidth, 32 + StripButtonHeight};
}

POINT CentreOf(const RECT& rect)
{
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The outermost pixel row along the top edge against the one along the
// bottom edge, corners left out.
bool IsDrawnDown(const TmyTestCanvas& canvas, const RECT& button)
{
    int top = 0;
    int bottom = 0;
    for (int x = button.left + 2; x < button.right - 2; ++x) {
        top += Brightness(canvas.Pixel(x, button.top));
        bottom += Brightness(canvas.Pixel(x, button.bottom - 1));
    }
    return top < bottom;
}

bool IsFilled(const TmyTestCanvas& canvas, const RECT& area, COLORREF color)
{
    return canvas.Count(color, area) == (area.right - area.left) * (area.bottom - area.top);
}

// Captions wider than the face reach its sides, never its top and bottom lines.
bool IsButtonAt(const TmyTestCanvas& canvas, const RECT& button)
{
    const LONG left = button.left;
    const LONG top = button.top;
    const LONG right = button.right;
    const LONG bottom = button.bottom;
    return IsFilled(canvas, RECT{left + 2, top + 2, right - 2, top + 3}, ButtonFaceColor) &&
           IsFilled(canvas, RECT{left + 2, bottom - 3, right - 2, bottom - 2}, ButtonFaceColor) &&
           IsFilled(canvas, RECT{left - 1, top - 1, right + 1, top}, MainBackColor) &&
           IsFilled(canvas, RECT{left - 1, bottom, right + 1, bottom + 1}, MainBackColor) &&
           IsFilled(canvas, RECT{left - 1, top, left, bottom}, MainBackColor) &&
           IsFilled(canvas, RECT{right, top, right + 1, bottom}, MainBackColor);
}

bool IsStripDrawn(const TmyTestCanvas& canvas)
{
    for (int band = 0; band < Bands; ++band)
        if (!IsButtonAt(canvas, BandRect(band)))
            return false;
    return IsButtonAt(canvas, AboutRect()) && IsButtonAt(canvas, PowerRect());
}

std::string PanelState(const TmyTestCanvas& canvas)
{
    std::string state;
    for (int band = 0; band < Bands; ++band)
        state += IsDrawnDown(canvas, BandRect(band)) ? 'D' : '-';
    return state + (IsDrawnDown(canvas, PowerRect()) ? " D" : " -");
}

void PanelProgramTest::TearDown()
{
    if (Process.hProcess)
        Close();
    RemoveFolder();
}

void PanelProgramTest::Start(const std::string& devices, ProgramFolder folder, bool bareName)
{
    ASSERT_EQ(nullptr, Process.hProcess) << "a program is still running";
    RemoveFolder();
    MakeFolder();
    ASSERT_NO_FATAL_FAILURE(PlaceFiles(folder));
    const std::string config = "[simulator]\ntiming = virtual\nlog = " + Quoted(PathOf(trafficName)) + "\n" + devices;
    ASSERT_TRUE(WriteWholeFile(PathOf(configName), config));
    Files.push_back(configName);
    Files.push_back(trafficName);

    const std::string programFolder = folder == ProgramFolder::Bin ? BinFolder() : Folder;
    ProgramFolderPath = programFolder;
    const std::string path = programFolder + "\\" + programName;
    std::string command = bareName ? std::string(programName) : "\"" + path + "\"";
    std::vector<char> environment = ChildEnvironment(PathOf(configName));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // The program's folder is also the current one, so no other folder's
    // libraries can stand in for missing ones.
    ASSERT_TRUE(CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, environment.data(),
                               programFolder.c_str(), &startup, &Process))
        << "cannot start " << command;
    CloseHandle(Process.hThread);
    Process.hThread = nullptr;
    Main = nullptr;
}

int PanelProgramTest::Close()
{
    if (!Process.hProcess)
        return -1;
    HWND window = Main ? Main : FindWindowOf(nullptr, false);
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    int code = -1;
    if (WaitForSingleObject(Process.hProcess, ProgramExitWaitMs) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(Process.hProcess, &exitCode);
        code = static_cast<int>(exitCode);
    } else {
        EndStuckProgram();
    }
    CloseHandle(Process.hProcess);
    Process = PROCESS_INFORMATION{};
    Main = nullptr;
    return code;
}

void PanelProgramTest::EndStuckProgram()
{
    ADD_FAILURE() << "the program did not end within " << ProgramExitWaitMs << " ms of WM_CLOSE";
    TerminateProcess(Process.hProcess, 1);
    WaitForSingleObject(Process.hProcess, ProgramExitWaitMs);
}

HWND PanelProgramTest::FindWindowOf(const char* caption, bool visibleOnly) const
{
    WindowSearch search{Process.dwProcessId, caption, visibleOnly, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND PanelProgramTest::WaitForWindow(const char* caption) const
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowOf(caption, true)) != nullptr; }, ProgramWindowWaitMs);
    return window;
}

HWND PanelProgramTest::WaitForMainWindow()
{
    WaitUntil([&] { return (Main = FindWindowOf(nullptr, true)) != nullptr; }, ProgramWindowWaitMs);
    return Main;
}

bool PanelProgramTest::IsShowing(const char* caption) const
{
    return FindWindowOf(caption, true) != nullptr;
}

bool PanelProgramTest::IsMainShowing() const
{
    return FindWindowOf(nullptr, true) != nullptr;
}

std::string WindowCaption(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The single OK button is centred in the box, between its text panel and
// its bottom edge.
void PanelProgramTest::DismissError()
{
    HWND box = WaitForWindow(ErrorCaption);
    ASSERT_NE(nullptr, box) << "no \"Error\" box";
    HWND text = FindWindowExA(box, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, text) << "the box has no text window";
    RECT client{};
    GetClientRect(box, &client);
    RECT panel{};
    GetWindowRect(text, &panel);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&panel), 2);
    const int buttonTop = panel.bottom + errorButtonSpacing;
    const int buttonBottom = client.bottom - errorButtonSpacing;
    ASSERT_LT(buttonTop, buttonBottom) << "no room for the OK button";
    Click(box, POINT{client.right / 2, (buttonTop + buttonBottom) / 2});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(box); })) << "OK did not close the box";
}

// The message is the window text of the box's one child window.
void PanelProgramTest::ExpectError(const char* text)
{
    HWND box = WaitForWindow(ErrorCaption);
    ASSERT_NE(nullptr, box) << "no \"Error\" box";
    HWND panel = FindWindowExA(box, nullptr, nullptr, nullptr);
    EXPECT_EQ(text, panel ? WindowCaption(panel) : "(no text window)");
    EXPECT_FALSE(IsMainShowing()) << "the main window shows before the message was dismissed";
    DismissError();
}

// The cursor is moved first, and the press and release follow once the
// program has taken the move: a window that has just appeared may still get
// a move to the cursor's earlier place, which would cancel a press already
// made. The position is normalised to 0..65535 over the primary screen
// (rounded up, so that it maps back to the same pixel).
void PanelProgramTest::Click(HWND window, POINT client)
{
    POINT at = client;
    ClientToScreen(window, &at);
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = (at.x * 65536 + width - 1) / width;
    move.mi.dy = (at.y * 65536 + height - 1) / height;
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ASSERT_EQ(1u, SendInput(1, &move, sizeof move));
    POINT cursor{};
    ASSERT_TRUE(WaitUntil([&] { return GetCursorPos(&cursor) && cursor.x == at.x && cursor.y == at.y; }))
        << "the cursor went to " << cursor.x << "," << cursor.y << " instead of " << at.x << "," << at.y;
    WaitForInputIdle(Process.hProcess, ProgramReactionWaitMs);
    INPUT press[2] = {};
    press[0].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].type = INPUT_MOUSE;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(2u, SendInput(2, press, sizeof(INPUT)));
}

void PanelProgramTest::CloseWindow(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); })) << "\"" << WindowCaption(window) << "\" stays";
}

void PanelProgramTest::Capture(HWND window, TmyTestCanvas& canvas)
{
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Get(), 0, 0, canvas.Width, canvas.Height, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
}

std::string PanelProgramTest::WaitForPanel(const std::string& expected)
{
    std::string state;
    WaitForPicture([&](const TmyTestCanvas& canvas) {
        state = IsStripDrawn(canvas) ? PanelState(canvas) : "not drawn";
        return state == expected;
    });
    return state;
}

std::vector<std::string> PanelProgramTest::Traffic() const
{
    std::vector<std::string> lines;
    const std::string text = ReadWholeFile(PathOf(trafficName));
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
        const size_t event = text.find(' ', start);
        if (event < end)
            lines.push_back(text.substr(event + 1, end - event - 1));
    }
    return lines;
}

bool PanelProgramTest::HasLoadedFromItsFolder(const char* library) const
{
    HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, Process.dwProcessId);
    if (modules == INVALID_HANDLE_VALUE)
        return false;
    const std::string wanted = ProgramFolderPath + "\\" + library;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    bool found = false;
    for (BOOL more = Module32First(modules, &module); more && !found; more = Module32Next(modules, &module))
        found = lstrcmpiA(module.szExePath, wanted.c_str()) == 0;
    CloseHandle(modules);
    return found;
}

int PanelProgramTest::CountTraffic(const std::string& line) const
{
    int count = 0;
    for (const std::string& logged : Traffic())
        count += logged == line;
    return count;
}

bool PanelProgramTest::WaitForTraffic(const std::string& line) const
{
    return WaitUntil([&] { return CountTraffic(line) > 0; });
}

void PanelProgramTest::MakeFolder()
{
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    Folder = std::string(temp) + "k47panel-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(++serial);
    CreateDirectoryA(Folder.c_str(), nullptr);
}

void PanelProgramTest::RemoveFolder()
{
    if (Folder.empty())
        return;
    for (const std::string& name : Files)
        DeleteFileA(PathOf(name).c_str());
    RemoveDirectoryA(Folder.c_str());
    Files.clear();
    Folder.clear();
}

void PanelProgramTest::PlaceFiles(ProgramFolder folder)
{
    if (folder == ProgramFolder::Bin)
        return;
    const std::string bin = BinFolder() + "\\";
    ASSERT_NO_FATAL_FAILURE(CopyIn(bin + programName, programName));
    if (folder == ProgramFolder::SevenExports) {
        ASSERT_NO_FATAL_FAILURE(CopyIn(bin + sevenExportsApi, apiName));
    }
    if (folder == ProgramFolder::NoDriver || folder == ProgramFolder::IncompleteDriver) {
        ASSERT_NO_FATAL_FAILURE(CopyIn(bin + apiName, apiName));
    }
    if (folder == ProgramFolder::IncompleteDriver) {
        ASSERT_NO_FATAL_FAILURE(CopyIn(bin + incompleteDriverName, driverName));
    }
}

void PanelProgramTest::CopyIn(const std::string& source, const char* name)
{
    ASSERT_TRUE(CopyFileA(source.c_str(), PathOf(name).c_str(), FALSE)) << "cannot copy " << source;
    Files.push_back(name);
}
