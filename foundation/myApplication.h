// TmyApplication: the one process-wide application object of each deliverable.
// It reads the trace switches, owns the type registry, the log file and the
// profiler, the window-procedure thunk space and the framework window class,
// runs the main message loop and prints the shutdown reports.
#pragma once

#include <windows.h>

#include "myObject.h"
#include "mySet.h"
#include "myString.h"

class TmyProfiler;
class TmyFile;
class TmyComponent;

// Slots of the window-procedure thunk space.
constexpr unsigned myThunkSlotCount = 5041;
// Bytes of one thunk: the 13-byte x86 stub, or the 24-byte x64 stub
// (mov rcx, object; jmp [rip]; target).
constexpr unsigned myThunkSlotBytes = sizeof(void*) == 8 ? 24 : 13;
// Where a thunk holds the address of its bound object.
constexpr unsigned myThunkObjectOffset = sizeof(void*) == 8 ? 2 : 4;
// Bytes of executable memory reserved for the thunks: all slots, rounded up
// to whole 64 KiB allocation units (65536 on 32-bit, 131072 on 64-bit).
constexpr unsigned myThunkSpaceBytes = (myThunkSlotCount * myThunkSlotBytes + 0xFFFF) & ~0xFFFFu;
// Name of the window class of every framework window.
constexpr const char* myWindowClassName = "TmyComponent";

// Builds the line MemoryReport prints for one region into line, which holds
// size bytes (at least 4). A line that does not fit is cut and still ends
// with "]\r\n". Returns line.
const char* FormatMemoryRegion(char* line, size_t size, const MEMORY_BASIC_INFORMATION& region);

class TmyApplication : public TmyObject {
public:
    // Runs once, from static initialisation.
    TmyApplication();
    ~TmyApplication() override;
    TmyApplication(const TmyApplication&) = delete;
    TmyApplication& operator=(const TmyApplication&) = delete;

    // Sets the own and the default trace flags; creates or deletes the profiler.
    // The first argument is not read.
    void SetTraceFlags(void* ignored, unsigned flags);
    // Argument 0 is the program file's full path; n >= 1 the n-th command-line token.
    TmyString GetArgument(unsigned n) const;
    // Number of command-line tokens, program name included.
    unsigned GetArgumentCount() const;
    // Lists the regions still allocated whose protection, state and type all
    // meet the mask (0x21004: committed private read-write memory).
    void MemoryReport(unsigned mask) const;
    // The main message loop: runs while the terminated flag is 0; returns the
    // last GetMessageA result (0 after WM_QUIT, -1 on error).
    int Run();
    // Publishes the calling thread's window under creation: the framework
    // window class's first message for this thread stores the window handle
    // in *windowField and installs thunk as the window's procedure. A null
    // thunk withdraws a pending record.
    void BeginWindowCreation(WNDPROC thunk, HWND* windowField);
    // The object address written in a thunk slot (also in a released one).
    void* ThunkObject(unsigned slot) const;

    // Fields, in the order the rest of the system relies on.
    TmyProfiler* Profiler;
    // The hover monitor and the tooltip are framework objects, held (and
    // deleted) through their TmyObject base.
    TmyObject* HoverMonitor;
    TmyFile* LogFile;
    HCURSOR ArrowCursor;
    ATOM WindowClass;
    unsigned char* ThunkSpace;
    TmySet ThunkSlots;
    unsigned HighestThunkIndex;
    TmyComponent* MainComponent;
    TmyComponent* ActiveComponent;
    int Terminated;
    HMODULE ModuleInstance;
    TmyObject* ToolTip;

private:
    void ReadSwitches();
    void OpenLogFile();
    void RegisterWindowClass();
    void ReleaseThunkSpace();
    void ReportRegistry();
};

// The deliverable's application object.
extern TmyApplication Application;
// The message record shared by the main loop and every modal loop of the GUI thread.
extern MSG myMessage;
