// A small program built on the foundation that the application tests start
// with chosen command lines. It prints what the application object made of
// its command line and hands every debugger text to its standard output, so
// the shutdown reports can be read by the starting test. Mode "window" leaves
// a window of the framework class open at exit.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "myApplication.h"
#include "myFile.h"

namespace {

void WriteOut(const char* text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

// What the application object read at start-up, one line.
void ReportStartup()
{
    char line[512];
    snprintf(line, sizeof line, "flags=%u own=%u profiler=%d log=%d open=%d count=%u\n",
             myDefaultTraceFlags, Application.TraceFlags, Application.Profiler != nullptr,
             Application.LogFile != nullptr,
             Application.LogFile != nullptr && Application.LogFile->Handle() != nullptr,
             Application.GetArgumentCount());
    WriteOut(line);
    for (unsigned i = 1; i < 6; ++i) {
        snprintf(line, sizeof line, "arg%u=[%s]\n", i, Application.GetArgument(i).c_str());
        WriteOut(line);
    }
}

DWORD WINAPI TraceFromThread(void* object)
{
    Trace(static_cast<TmyObject*>(object), 0, "from thread");
    return 0;
}

// Traces a line, then one from a second thread, then one more from this thread.
void TraceFromTwoThreads()
{
    myDefaultTraceFlags |= myTraceToDebugger;
    TmyObject object;
    Trace(&object, 0, "first line");
    HANDLE thread = CreateThread(nullptr, 0, TraceFromThread, &object, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    Trace(&object, 0, "after thread");
}

// A framework-class window whose own procedure is the default one; it stays
// open, so the class is still in use when the application shuts down.
void OpenWindow()
{
    HWND window = nullptr;
    Application.BeginWindowCreation(&DefWindowProcA, &window);
    CreateWindowExA(0, MAKEINTATOM(Application.WindowClass), "left open", WS_POPUP, 0, 0, 10, 10,
                    nullptr, nullptr, Application.ModuleInstance, nullptr);
    WriteOut(window ? "window open\n" : "no window\n");
}

}  // namespace

int main(int argc, char** argv)
{
    SetDebugOutputHook(&WriteOut);
    const char* mode = argc > 1 ? argv[argc - 1] : "";
    if (strcmp(mode, "report") == 0)
        ReportStartup();
    else if (strcmp(mode, "threads") == 0)
        TraceFromTwoThreads();
    else if (strcmp(mode, "window") == 0)
        OpenWindow();
    return 0;
}
