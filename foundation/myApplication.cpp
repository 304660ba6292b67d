#include "myApplication.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "myBinaryTree.h"
#include "myFile.h"
#include "myList.h"
#include "myProfiler.h"
#include "myTimeCounter.h"

// The process-wide objects, in the order they must come to life: the shared
// empty string, the trace time base, the application (which may trace while it
// is constructed), then the shared empty wide string. One translation unit
// keeps that order.
const TmyString myEmptyString;
TmyTimeCounter myTraceTimeBase;
TmyApplication Application;
const TmyWideString myEmptyWideString{TmyReserve{16}};
MSG myMessage;

namespace {

// Regions MemoryReport lists at exit: PAGE_READWRITE | MEM_COMMIT | MEM_PRIVATE.
constexpr unsigned leftoverMemoryMask = 0x21004;
// MemoryReport walks the address space up to here.
constexpr uintptr_t memoryReportEnd = 0x7FFFFFFF;
// The application's own type id.
constexpr int applicationTypeId = 34;

// Names of the protection, state and type bits, by bit number.
const char* const memoryBitNames[32] = {
    "NOACCESS", "RDONLY",   "RW",         "WRTCPY",      "EXEC",       "EXEC_RD",   "EXEC_RW",
    "EXEC_WRTCPY", "GUARD", "NOCACHE",    "WRTCOMB",     "",           "COMMIT",    "RESERVE",
    "DECOMMIT", "RELEASE",  "FREE",       "PRIVATE",     "MAPPED",     "RESET",     "TOP_DOWN",
    "WRT_WATCH", "PHYSICAL", "SEC_FILE",  "SEC_IMAGE",   "SEC_VLM",    "SEC_RESERVE",
    "SEC_COMMIT", "SEC_NOCACHE", "",      "",            "4MB_PAGES",
};

// Appends formatted text to a line of used characters in room bytes (the
// terminator included) and returns the new length. A text that does not fit
// is cut; the length stops at the last cell, since snprintf reports the length
// a cut text would have had and room - length must never wrap.
size_t AppendToLine(char* line, size_t room, size_t used, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
size_t AppendToLine(char* line, size_t room, size_t used, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = vsnprintf(line + used, room - used, format, args);
    va_end(args);
    size_t end = used + (written < 0 ? 0 : static_cast<size_t>(written));
    return end < room ? end : room - 1;
}

// Appends ",NAME" for every set bit of value, from bit 0 upwards.
size_t AppendBitNames(char* line, size_t room, size_t used, unsigned value)
{
    for (unsigned bit = 0; bit < 32; ++bit) {
        if (value & (1u << bit))
            used = AppendToLine(line, room, used, ",%s", memoryBitNames[bit]);
    }
    return used;
}

// A region MemoryReport lists: readable and matching the mask in all of
// protection, state and type.
bool IsReportedRegion(const MEMORY_BASIC_INFORMATION& region, unsigned mask)
{
    return !(region.Protect & PAGE_NOACCESS) && !(region.State & MEM_FREE) &&
           (mask & region.Protect) && (mask & region.State) && (mask & region.Type);
}

void ReportRegion(const MEMORY_BASIC_INFORMATION& region)
{
    char line[1024];
    DebugOutput(FormatMemoryRegion(line, sizeof line, region));
}

// The allocation base of the module that holds this code: the program's or
// the library's own, whichever the foundation is linked into.
HMODULE OwnModule()
{
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(reinterpret_cast<void*>(&OwnModule), &region, sizeof region);
    return static_cast<HMODULE>(region.AllocationBase);
}

// The window a component of this thread is creating: its thunk and the
// component's window field. Lives from the component's construction to the
// new window's first message.
struct TmyWindowUnderCreation {
    WNDPROC Thunk;
    HWND* WindowField;
};
thread_local TmyWindowUnderCreation windowUnderCreation;

// The framework window class's procedure, which sees only a window's first
// message: it hands the window to the component under creation, installs the
// component's thunk as the window procedure and lets the thunk answer. With
// no component under creation the message is refused (0).
LRESULT CALLBACK InitialWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TmyWindowUnderCreation pending = windowUnderCreation;
    if (!pending.Thunk)
        return 0;
    windowUnderCreation = {};
    if (pending.WindowField)
        *pending.WindowField = window;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pending.Thunk));
    return CallWindowProcA(pending.Thunk, window, message, wParam, lParam);
}

}  // namespace

TmyApplication::TmyApplication()
    : Profiler(nullptr), HoverMonitor(nullptr), LogFile(nullptr), ArrowCursor(nullptr),
      WindowClass(0), ThunkSpace(nullptr), ThunkSlots(0, myThunkSlotCount - 1), HighestThunkIndex(0),
      MainComponent(nullptr), ActiveComponent(nullptr), Terminated(0), ModuleInstance(nullptr),
      ToolTip(nullptr)
{
    RegisterType(this, applicationTypeId, "Application");
    myTypeRegistry = new TmyBinaryTree;
    ReadSwitches();
    if (myDefaultTraceFlags & myTraceToLogFile)
        OpenLogFile();
    ModuleInstance = OwnModule();
    ArrowCursor = LoadCursorA(nullptr, IDC_ARROW);
    ThunkSpace = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, myThunkSpaceBytes, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    RegisterWindowClass();
    if (myDefaultTraceFlags)
        Profiler = new TmyProfiler;
}

TmyApplication::~TmyApplication()
{
    delete HoverMonitor;
    HoverMonitor = nullptr;
    delete Profiler;
    Profiler = nullptr;
    delete ToolTip;
    ToolTip = nullptr;
    if (TraceFlags & myTraceToLogFile)
        MemoryReport(leftoverMemoryMask);
    if (!UnregisterClassA(MAKEINTATOM(WindowClass), ModuleInstance))
        DebugOutput("Class failed to unregister\r\n");
    ReleaseThunkSpace();
    ReportRegistry();
    delete LogFile;
    LogFile = nullptr;
}

void TmyApplication::SetTraceFlags(void*, unsigned flags)
{
    TraceFlags = flags;
    Terminated = 0;
    myDefaultTraceFlags = flags;
    if (flags == 0 && Profiler) {
        delete Profiler;
        Profiler = nullptr;
    } else if (flags != 0 && !Profiler) {
        Profiler = new TmyProfiler;
    }
}

TmyString TmyApplication::GetArgument(unsigned n) const
{
    if (n == 0) {
        char path[4096];
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        return TmyString(path, length < sizeof path ? length : sizeof path - 1);
    }
    TmyString token;
    const char* rest = token.NextToken(GetCommandLineA());
    for (unsigned i = 1; i <= n; ++i)
        rest = token.NextToken(rest);
    return token;
}

unsigned TmyApplication::GetArgumentCount() const
{
    TmyString token;
    const char* rest = token.NextToken(GetCommandLineA());
    unsigned count = 0;
    do {
        rest = token.NextToken(rest);
        ++count;
    } while (token.Length() != 0);
    return count;
}

const char* FormatMemoryRegion(char* line, size_t size, const MEMORY_BASIC_INFORMATION& region)
{
    // Room is kept for the "]\r\n" that ends every line, however much is cut.
    const size_t room = size - 3;
    uintptr_t base = reinterpret_cast<uintptr_t>(region.BaseAddress);
    size_t n = AppendToLine(line, room, 0, "Allocated remains: %08llx-%08llX", static_cast<unsigned long long>(base),
                            static_cast<unsigned long long>(base + region.RegionSize));
    n = AppendBitNames(line, room, n, region.Protect);
    n = AppendBitNames(line, room, n, region.State);
    n = AppendBitNames(line, room, n, region.Type);
    n = AppendToLine(line, room, n, " [%08llx,%dkB",
                     static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(region.AllocationBase)),
                     static_cast<int>(region.RegionSize / 1024));
    n = AppendBitNames(line, room, n, region.AllocationProtect);
    memcpy(line + n, "]\r\n", 4);
    return line;
}

void TmyApplication::MemoryReport(unsigned mask) const
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uintptr_t address = 0;
    size_t total = 0;
    while (address < memoryReportEnd) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) ||
            !IsReportedRegion(region, mask)) {
            address += system.dwPageSize;
            continue;
        }
        ReportRegion(region);
        total += region.RegionSize;
        address += region.RegionSize;
    }
    if (total != 0) {
        TmyString line;
        DebugOutput(line.Format("TotalSize: %.3fMB\r\n\r\n", total / 1048576.0).c_str());
    }
}

int TmyApplication::Run()
{
    int result = 0;
    while (!Terminated) {
        result = GetMessageA(&myMessage, nullptr, 0, 0);
        if (result <= 0)
            break;
        TranslateMessage(&myMessage);
        DispatchMessageA(&myMessage);
    }
    return result;
}

void TmyApplication::BeginWindowCreation(WNDPROC thunk, HWND* windowField)
{
    windowUnderCreation = {thunk, windowField};
}

void* TmyApplication::ThunkObject(unsigned slot) const
{
    void* object;
    memcpy(&object, ThunkSpace + slot * myThunkSlotBytes + myThunkObjectOffset, sizeof object);
    return object;
}

// Reads "/l" and "/ll" (in any case) from the command line into the default
// trace flags, which every object constructed from now on copies.
void TmyApplication::ReadSwitches()
{
    unsigned count = GetArgumentCount();
    for (unsigned i = 1; i < count; ++i) {
        TmyString argument = GetArgument(i).LowerCase();
        if (argument == "/l")
            myDefaultTraceFlags |= myTraceToDebugger;
        else if (argument == "/ll")
            myDefaultTraceFlags |= myTraceToDebugger | myTraceToLogFile;
        else
            continue;
        TraceFlags = myDefaultTraceFlags;
    }
}

// Opens <documents>\Orvela\<program name>.log, replacing an earlier log;
// other processes may read it meanwhile.
void TmyApplication::OpenLogFile()
{
    TmyString folder = GetSpecialFolder(CSIDL_PERSONAL) + "\\Orvela";
    EnsureDirectory(folder.c_str());
    TmyString path = folder + "\\" + GetArgument(0).FileNamePart().WithoutExtension() + ".log";
    LogFile = new TmyFile(path.c_str(), GENERIC_WRITE, CREATE_ALWAYS, FILE_SHARE_READ,
                          FILE_ATTRIBUTE_NORMAL);
}

// Registers the class of every framework window; components create their
// windows by its atom.
void TmyApplication::RegisterWindowClass()
{
    WNDCLASSA windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = &InitialWindowProc;
    windowClass.hInstance = ModuleInstance;
    windowClass.hCursor = ArrowCursor;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = myWindowClassName;
    WindowClass = RegisterClassA(&windowClass);
}

// Lists every thunk still bound to an object, then releases the thunk space.
void TmyApplication::ReleaseThunkSpace()
{
    for (int slot = ThunkSlots.FirstIncluded(); slot >= 0; slot = ThunkSlots.FirstIncluded()) {
        Trace(this, 0, "Undeleted thunk control: %p", ThunkObject(slot));
        ThunkSlots.Exclude(slot);
    }
    if (ThunkSpace)
        VirtualFree(ThunkSpace, 0, MEM_RELEASE);
    ThunkSpace = nullptr;
}

// Frees the type registry and, while tracing, prints its statistics and the
// thunk high-water mark.
void TmyApplication::ReportRegistry()
{
    if (!myTypeRegistry)
        return;
    int empty = myTypeRegistry->EmptyLinks();
    int depth = myTypeRegistry->Depth();
    TmyList records;
    int count = myTypeRegistry->CollectValues(records);
    for (unsigned i = 0; i < records.Count(); ++i)
        delete static_cast<TmyTypeRecord*>(records.Item(i));
    delete myTypeRegistry;
    myTypeRegistry = nullptr;
    if (myDefaultTraceFlags == 0)
        return;
    TmyString line;
    DebugOutput(line.Format("Type IDs count: %d [empty %d, depth=%d]\r\n", count, empty, depth).c_str());
    DebugOutput(line.Format("Max. thunk index: %d / %d\r\n", HighestThunkIndex, myThunkSlotCount).c_str());
}
