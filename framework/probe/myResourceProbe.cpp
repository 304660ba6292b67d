// The resource probe of the test builds: a static object that replaces
// import address table entries of the program module at start-up, counts
// what the replaced calls create and free, answers queries from inside the
// GUI thread's message retrieval and writes its report at exit.
#include "myResourceProbe.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "myApplication.h"
#include "myComponents.h"
#include "myObject.h"
#include "my_Btn.h"

namespace {

// Debugger texts that mark a fault the probe reports.
constexpr const char* orphanText = "to non-existing control";
constexpr const char* noThunkText = "No free WndProc thunk";

// Everything the replaced calls recorded; one GUI thread uses it.
struct TmyProbeState {
    std::map<HGDIOBJ, DWORD> Objects;    // GDI object -> GetObjectType at creation
    std::multiset<HDC> WindowDcs;        // GetDC results not yet released
    std::set<UINT_PTR> Timers;           // window-less timer ids
    int Orphans = 0;
    int NoThunk = 0;
    UINT QueryMessage = 0;
    bool ExitReportArmed = false;
    std::string File;
};

TmyProbeState& State()
{
    static TmyProbeState* state = new TmyProbeState();  // never freed: used until the process ends
    return *state;
}

// ---- Import address table ----------------------------------------------------

// Replaces the program module's import of dll!name by replacement; the
// original address is stored in *original. False when the module does not
// import it.
bool ReplaceImport(const char* dll, const char* name, void* replacement, void** original)
{
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; imports.VirtualAddress && descriptor->Name; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
            *original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<uintptr_t>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), protection, &protection);
            return true;
        }
    }
    return false;
}

// One replaced import: Call forwards to the original and lets Note see the
// result and the arguments. Id tells apart imports of the same signature.
template <int Id, typename Note, typename Result, typename... Args>
struct TmyImportHook {
    using Function = Result(WINAPI*)(Args...);
    static inline Function Original = nullptr;
    static Result WINAPI Call(Args... args)
    {
        Result result = Original(args...);
        Note::Seen(result, args...);
        return result;
    }
    static void Install(const char* dll, const char* name)
    {
        void* original = nullptr;
        if (ReplaceImport(dll, name, reinterpret_cast<void*>(&Call), &original))
            Original = reinterpret_cast<Function>(original);
    }
};

// ---- What the replaced calls record ----------------------------------------

struct NoteCreated {
    template <typename... Args>
    static void Seen(HGDIOBJ object, Args...)
    {
        if (object)
            State().Objects[object] = GetObjectType(object);
    }
};

struct NoteDeleted {
    static void Seen(BOOL deleted, HGDIOBJ object)
    {
        if (deleted)
            State().Objects.erase(object);
    }
};

struct NoteWindowDc {
    template <typename... Args>
    static void Seen(HDC dc, Args...)
    {
        if (dc)
            State().WindowDcs.insert(dc);
    }
};

struct NoteReleasedDc {
    static void Seen(int released, HWND, HDC dc)
    {
        auto found = State().WindowDcs.find(dc);
        if (released && found != State().WindowDcs.end())
            State().WindowDcs.erase(found);
    }
};

struct NoteTimer {
    static void Seen(UINT_PTR id, HWND window, UINT_PTR, UINT, TIMERPROC)
    {
        if (id && !window)
            State().Timers.insert(id);
    }
};

struct NoteKilledTimer {
    static void Seen(BOOL killed, HWND window, UINT_PTR id)
    {
        if (killed && !window)
            State().Timers.erase(id);
    }
};

void WriteExitReport();

// The first window is made by the program's entry function, after static
// initialisation: an exit handler registered now runs before the
// application object is destroyed, while its thunk table still exists.
struct NoteWindowCreated {
    template <typename... Args>
    static void Seen(HWND, Args...)
    {
        if (!State().ExitReportArmed) {
            State().ExitReportArmed = true;
            std::atexit(WriteExitReport);
        }
    }
};

template <int Id, typename... Args>
using Created = TmyImportHook<Id, NoteCreated, HGDIOBJ, Args...>;

// ---- Counting ------------------------------------------------------------------

BOOL CALLBACK CountChildWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountThreadWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountChildWindow, count);
    return TRUE;
}

int CountThunks()
{
    int count = 0;
    for (unsigned slot = 0; slot < myThunkSlotCount; ++slot)
        count += Application.ThunkSlots.Contains(static_cast<int>(slot));
    return count;
}

TmyResourceCounts Count()
{
    TmyResourceCounts counts;
    for (const auto& object : State().Objects) {
        switch (object.second) {
        case OBJ_FONT: ++counts.Fonts; break;
        case OBJ_BITMAP: ++counts.Bitmaps; break;
        case OBJ_REGION: ++counts.Regions; break;
        case OBJ_PEN:
        case OBJ_EXTPEN: ++counts.Pens; break;
        case OBJ_BRUSH: ++counts.Brushes; break;
        default: ++counts.MemoryDcs; break;
        }
    }
    counts.WindowDcs = static_cast<int>(State().WindowDcs.size());
    counts.Timers = static_cast<int>(State().Timers.size());
    EnumThreadWindows(GetCurrentThreadId(), CountThreadWindow, reinterpret_cast<LPARAM>(&counts.Windows));
    counts.Controls = TmyControl::LiveCount();
    counts.Thunks = CountThunks();
    counts.Orphans = State().Orphans;
    counts.NoThunk = State().NoThunk;
    return counts;
}

// The down state of every image button of the main window, in child order:
// "D" down, "-" up.
std::string MainButtons()
{
    std::string buttons;
    TmyControl* main = Application.MainComponent;
    for (TmyControl* child = main ? main->FirstChildControl() : nullptr; child; child = child->NextSiblingControl())
        if (auto* button = dynamic_cast<Tmy_Btn*>(child))
            buttons += button->IsDown() ? 'D' : '-';
    return buttons.empty() ? "none" : buttons;
}

void WriteLine(const std::string& path, const std::string& line)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

// Input still queued for the thread: the asker waits until it has been taken.
void Answer(WPARAM sequence)
{
    const int pending = HIWORD(GetQueueStatus(QS_INPUT)) != 0;
    WriteLine(State().File, "seq=" + std::to_string(sequence) + " pending=" + std::to_string(pending) +
                                " buttons=" + MainButtons() + " " + FormatResourceCounts(Count()) + "end\n");
}

// The hover monitor and the tooltip belong to the application, which
// deletes them only in its own destructor: they go first, as there, so
// that whatever is left was left by the program.
void WriteExitReport()
{
    delete Application.HoverMonitor;
    Application.HoverMonitor = nullptr;
    delete Application.ToolTip;
    Application.ToolTip = nullptr;
    std::string line = "exit " + FormatResourceCounts(Count());
    for (unsigned slot = 0; slot < myThunkSlotCount; ++slot)
        if (Application.ThunkSlots.Contains(static_cast<int>(slot)))
            line += "thunk=" + std::to_string(reinterpret_cast<uintptr_t>(Application.ThunkObject(slot))) + " ";
    WriteLine(State().File + myProbeExitSuffix, line + "end\n");
}

// Queries are taken out of the stream every message loop of the framework
// reads; the loop never sees them.
struct TmyGetMessageHook {
    using Function = BOOL(WINAPI*)(MSG*, HWND, UINT, UINT);
    static inline Function Original = nullptr;
    static BOOL WINAPI Call(MSG* message, HWND window, UINT first, UINT last)
    {
        for (;;) {
            const BOOL result = Original(message, window, first, last);
            if (result <= 0 || message->hwnd || message->message != State().QueryMessage)
                return result;
            Answer(message->wParam);
        }
    }
};

void CollectDebugText(const char* text)
{
    State().Orphans += std::strstr(text, orphanText) != nullptr;
    State().NoThunk += std::strstr(text, noThunkText) != nullptr;
    OutputDebugStringA(text);
}

class TmyResourceProbe {
public:
    TmyResourceProbe()
    {
        char file[MAX_PATH] = {};
        if (!GetEnvironmentVariableA(myProbeFileVariable, file, sizeof file))
            return;
        State().File = file;
        State().QueryMessage = RegisterWindowMessageA(myProbeQueryName);
        SetDebugOutputHook(CollectDebugText);
        InstallGdiHooks();
        TmyImportHook<20, NoteWindowDc, HDC, HWND>::Install("user32.dll", "GetDC");
        TmyImportHook<21, NoteWindowDc, HDC, HWND>::Install("user32.dll", "GetWindowDC");
        TmyImportHook<22, NoteWindowDc, HDC, HWND, HRGN, DWORD>::Install("user32.dll", "GetDCEx");
        TmyImportHook<23, NoteReleasedDc, int, HWND, HDC>::Install("user32.dll", "ReleaseDC");
        TmyImportHook<24, NoteTimer, UINT_PTR, HWND, UINT_PTR, UINT, TIMERPROC>::Install("user32.dll", "SetTimer");
        TmyImportHook<25, NoteKilledTimer, BOOL, HWND, UINT_PTR>::Install("user32.dll", "KillTimer");
        TmyImportHook<26, NoteWindowCreated, HWND, DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU,
                      HINSTANCE, LPVOID>::Install("user32.dll", "CreateWindowExA");
        void* original = nullptr;
        if (ReplaceImport("user32.dll", "GetMessageA", reinterpret_cast<void*>(&TmyGetMessageHook::Call), &original))
            TmyGetMessageHook::Original = reinterpret_cast<TmyGetMessageHook::Function>(original);
    }

private:
    // Every GDI call that makes a pen, brush, font, bitmap, region or DC.
    static void InstallGdiHooks()
    {
        const char* gdi = "gdi32.dll";
        Created<1, int, int, COLORREF>::Install(gdi, "CreatePen");
        Created<2, COLORREF>::Install(gdi, "CreateSolidBrush");
        Created<3, const LOGBRUSH*>::Install(gdi, "CreateBrushIndirect");
        Created<4, int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR>::Install(
            gdi, "CreateFontA");
        Created<5, const LOGFONTA*>::Install(gdi, "CreateFontIndirectA");
        Created<6, const LOGFONTW*>::Install(gdi, "CreateFontIndirectW");
        Created<7, int, int, UINT, UINT, const void*>::Install(gdi, "CreateBitmap");
        Created<8, HDC, int, int>::Install(gdi, "CreateCompatibleBitmap");
        Created<9, HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD>::Install(gdi, "CreateDIBSection");
        Created<10, int, int, int, int>::Install(gdi, "CreateRectRgn");
        Created<11, const RECT*>::Install(gdi, "CreateRectRgnIndirect");
        Created<12, int, int, int, int, int, int>::Install(gdi, "CreateRoundRectRgn");
        Created<13, int, int, int, int>::Install(gdi, "CreateEllipticRgn");
        Created<14, HDC>::Install(gdi, "CreateCompatibleDC");
        Created<15, LPCSTR, LPCSTR, LPCSTR, const DEVMODEA*>::Install(gdi, "CreateDCA");
        TmyImportHook<16, NoteDeleted, BOOL, HGDIOBJ>::Install(gdi, "DeleteObject");
        TmyImportHook<17, NoteDeleted, BOOL, HGDIOBJ>::Install(gdi, "DeleteDC");
    }
};

// Constructed with the program's other static objects; it only counts
// what is made from then on, and the programs make their windows and
// drawing objects later, in their entry functions.
TmyResourceProbe probe;

}  // namespace
