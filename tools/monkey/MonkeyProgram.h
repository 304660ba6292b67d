// TmyMonkeyProgram: one test build of a program (with the resource probe)
// started for a random-input run: its windows, the probe's answers, the
// simulator's traffic log and the watchdog's bounds.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Bounds of the watchdog, ms: the main window to appear, one probe answer,
// the program to end after WM_CLOSE.
constexpr DWORD MonkeyStartWaitMs = 30000;
constexpr DWORD MonkeyAnswerWaitMs = 10000;
constexpr DWORD MonkeyExitWaitMs = 15000;

class TmyMonkeyProgram {
public:
    // exe lies in the driver's own folder; arguments follow its name. The
    // simulator configuration, when given, is written to a private folder
    // together with the traffic log it names.
    TmyMonkeyProgram(const std::string& exe, const std::string& arguments, const std::string& simulatorDevices);
    // Ends a program still running and removes the private folder.
    ~TmyMonkeyProgram();
    TmyMonkeyProgram(const TmyMonkeyProgram&) = delete;
    TmyMonkeyProgram& operator=(const TmyMonkeyProgram&) = delete;

    // Starts it and waits for its main window; false with Failure set.
    bool Start();
    bool IsRunning() const;
    // The probe's line once every input queued before the call was taken;
    // empty (with Failure set) when the program died or did not answer.
    std::string Settle();
    // Closes every pop-up, then the main window; the exit code, or -1 (with
    // Failure set) when it did not end in time and had to be killed.
    int Close();
    // The probe's report written at exit; empty when there is none.
    std::string ExitReport() const;
    // Closes the program's visible pop-ups (owned windows), innermost first;
    // false when some stay open.
    bool ClosePopups();

    // Visible captioned top-level windows of the program (no tooltips),
    // the main window first.
    std::vector<HWND> Windows() const;
    HWND Main() const { return MainWindow; }
    // Traffic lines ("<serial> <event>") logged since the last call.
    std::vector<std::string> NewTraffic();

    std::string Failure;

private:
    std::string PathOf(const char* name) const { return Folder + "\\" + name; }
    bool Query(unsigned sequence, std::string& line);

    std::string Exe;
    std::string Arguments;
    std::string Folder;
    bool Simulated;
    PROCESS_INFORMATION Process{};
    HWND MainWindow = nullptr;
    UINT QueryMessage;
    unsigned Sequence = 0;
    size_t TrafficRead = 0;
};
