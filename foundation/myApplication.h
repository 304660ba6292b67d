// TmyApplication: the one process-wide application object of each deliverable.
// It reads the trace switches, owns the type registry, the log file and the
// profiler, and prints the shutdown reports.
#pragma once

#include <windows.h>

#include "myObject.h"
#include "mySet.h"
#include "myString.h"

class TmyProfiler;
class TmyFile;
class TmyHoveringMonitor;
class TmyComponent;
class TmyToolTip;

// Slots of the window-procedure thunk space.
constexpr unsigned myThunkSlotCount = 5041;
// Bytes of executable memory reserved for the thunks.
constexpr unsigned myThunkSpaceBytes = 65536;

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

    // Fields, in the order the rest of the system relies on.
    TmyProfiler* Profiler;
    TmyHoveringMonitor* HoverMonitor;
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
    TmyToolTip* ToolTip;

private:
    void ReadSwitches();
    void OpenLogFile();
    void ReportRegistry();
};

// The deliverable's application object.
extern TmyApplication Application;
