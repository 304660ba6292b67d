// The control panel as a user starts it: K47MXVcontrol.exe in a process of
// its own on a simulated USB bus, its windows found by caption, read from the
// screen and driven with real mouse input, and the simulator's traffic log
// read back from a private folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "myTestCanvas.h"

// Bounds of the waits for the program, in ms: a window to appear (the first
// start of a program under Wine is slow), a picture or a traffic line to
// follow a click, the program to end after WM_CLOSE.
constexpr DWORD ProgramWindowWaitMs = 30000;
constexpr DWORD ProgramReactionWaitMs = 10000;
constexpr DWORD ProgramExitWaitMs = 10000;

// Window captions of the panel.
constexpr const char* MainCaption = "OV-K47MXV";
constexpr const char* NoDeviceCaption = "OV-K47MXV - No Device";
constexpr const char* ErrorCaption = "Error";
constexpr const char* SelectionCaption = "K47MXV";
constexpr const char* AboutCaption = "About";

// Main window: client area, colours (0x00BBGGRR) and the button strip.
constexpr int MainClientWidth = 685;
constexpr int MainClientHeight = 55;
constexpr COLORREF MainBackColor = 0x404040;
constexpr COLORREF ButtonFaceColor = 0x606060;
constexpr int StripButtonWidth = 80;
constexpr int StripButtonHeight = 20;
constexpr int Bands = 14;

// Selection window: client area, list colours and its buttons.
constexpr int SelectionClientWidth = 125;
constexpr int SelectionClientHeight = 195;
constexpr COLORREF SelectionListColor = 0x000000;
constexpr COLORREF SelectionRowColor = 0xFF0000;
constexpr POINT SelectionOk{5, 170};
constexpr POINT SelectionCancel{65, 170};
constexpr int SelectionButtonWidth = 55;
constexpr int SelectionButtonHeight = 20;

// About window: client width and the colours of the range table's rows.
constexpr int AboutWidth = 300;
constexpr COLORREF AboutEvenColor = 0x00AA00;
constexpr COLORREF AboutOddColor = 0x00FF00;

// Where the program starts from: the build's bin folder, or a private folder
// holding the program and some of the libraries beside it.
enum class ProgramFolder {
    Bin,               // the bin folder: API library and simulated driver
    ProgramOnly,       // no API library
    NoDriver,          // the API library without a driver
    IncompleteDriver,  // the API library with a driver lacking one export
    SevenExports,      // an API library lacking one of the panel's eight exports
};

// One [device] section: a K47MXV with this USB serial and further keys.
std::string Device(const std::string& usbSerial, const std::string& keys = "");
// count converters K4700001, K4700002, ...
std::string Devices(int count);

// Rectangles of the main window's buttons in its client area.
RECT BandRect(int band);
RECT AboutRect();
RECT PowerRect();
POINT CentreOf(const RECT& rect);
std::string WindowCaption(HWND window);

// A button of the framework is drawn down with a sunken border (dark top and
// left edges, light bottom and right ones) and up with a raised one.
bool IsDrawnDown(const TmyTestCanvas& canvas, const RECT& button);
// Every pixel of area has this colour.
bool IsFilled(const TmyTestCanvas& canvas, const RECT& area, COLORREF color);
// A button face just inside rect's 2-pixel border, the window's background
// just outside rect.
bool IsButtonAt(const TmyTestCanvas& canvas, const RECT& button);
// Every button of the main window is drawn in its place.
bool IsStripDrawn(const TmyTestCanvas& canvas);
// The buttons' states as text: one character per band, band 0 first, a
// blank and one for On/Off; "D" down, "-" up ("---D---------- D").
std::string PanelState(const TmyTestCanvas& canvas);

// The fixture: at most one program runs; it is closed, or ended with a
// failure, and its private folder removed after each test.
class PanelProgramTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Starts the program on a bus of these [device] sections in virtual
    // time, its traffic logged to a file; fails the test when it cannot.
    // With bareName its command line names it without a folder, as a
    // command prompt in its folder does.
    void Start(const std::string& devices, ProgramFolder folder = ProgramFolder::Bin, bool bareName = false);
    // Closes the program with WM_CLOSE to its main window; its exit code, or
    // -1 (with a failure) when it had to be ended.
    int Close();

    // A visible top-level window of the program with exactly this caption;
    // null when none appears within the bound.
    HWND WaitForWindow(const char* caption) const;
    // The main window, once visible (start-up is over then); null when it
    // does not show within the bound.
    HWND WaitForMainWindow();
    bool IsShowing(const char* caption) const;
    // The main window shows, whatever its caption.
    bool IsMainShowing() const;

    // Clicks the box's OK button and waits until the box has gone.
    void DismissError();
    // Expects the "Error" box with text, shown while the main window is still
    // hidden, and dismisses it.
    void ExpectError(const char* text);

    // A left click at a client position of window, by real mouse input.
    void Click(HWND window, POINT client);
    void ClickMain(const RECT& button) { Click(Main, CentreOf(button)); }
    // Closes a window of the program with WM_CLOSE and waits until it has gone.
    void CloseWindow(HWND window);

    // Copies window's client area, as far as canvas holds, from the screen.
    static void Capture(HWND window, TmyTestCanvas& canvas);
    // Captures the main window until its picture passes check, within the
    // bound; true when it passed. The last picture stays in Picture.
    template <typename Check>
    bool WaitForPicture(Check check)
    {
        return WaitUntil([&] {
            Capture(Main, Picture);
            return check(Picture);
        });
    }
    // Captures the main window until it shows the expected PanelState or
    // the bound passed; the state last seen.
    std::string WaitForPanel(const std::string& expected);

    // The program holds a library of this file name loaded from its own folder.
    bool HasLoadedFromItsFolder(const char* library) const;

    // The traffic so far: one "<usb serial> <event>" per driver call, times dropped.
    std::vector<std::string> Traffic() const;
    int CountTraffic(const std::string& line) const;
    // Waits until line has been logged; true when it has.
    bool WaitForTraffic(const std::string& line) const;

    // Polls until done() holds or the reaction bound has passed.
    template <typename Done>
    static bool WaitUntil(Done done, DWORD boundMs = ProgramReactionWaitMs)
    {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > boundMs)
                return false;
            Sleep(pollMs);
        }
        return true;
    }

    HWND Main = nullptr;
    TmyTestCanvas Picture{MainClientWidth, MainClientHeight};

private:
    static constexpr DWORD pollMs = 20;

    void MakeFolder();
    void RemoveFolder();
    void PlaceFiles(ProgramFolder folder);
    void CopyIn(const std::string& source, const char* name);
    std::string PathOf(const std::string& name) const { return Folder + "\\" + name; }
    // Ends a program that did not close; always a failure.
    void EndStuckProgram();
    HWND FindWindowOf(const char* caption, bool visibleOnly) const;

    PROCESS_INFORMATION Process{};
    std::string Folder;
    std::string ProgramFolderPath;
    std::vector<std::string> Files;
};
