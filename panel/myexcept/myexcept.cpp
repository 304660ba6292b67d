// The crash-report library myexcept.dll. The control panel loads it from its
// own folder at start-up and never calls into it: loading installs a filter
// for unhandled exceptions that leaves two files in the user's documents
// under Orvela\crash,
//   <program>_<yyyymmdd-hhmmss-mmm>_<pid>.txt  one report line, and
//   <program>_<yyyymmdd-hhmmss-mmm>_<pid>.dmp  a minidump from dbghelp,
// and then hands the exception on to the filter that was there before.
//
// The filter runs in a process that is already broken: it uses fixed buffers
// on its stack, no heap of its own, and loads dbghelp only when a crash
// happens, so a missing dbghelp costs nothing but the dump.
#include <windows.h>

#include <dbghelp.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

// Where the files go, below the documents folder.
constexpr const char* reportFolders[] = {"Orvela", "Orvela\\crash"};

// How long a second crashing thread waits for the first one's report before
// it lets the default handling end the process.
constexpr DWORD otherThreadWaitMs = 10000;
constexpr DWORD otherThreadPollMs = 10;

// Longest text of one report line, bytes.
constexpr size_t reportLineBytes = 512;

// Hex digits of a code address in the report: the width of a pointer.
constexpr int addressDigits = static_cast<int>(2 * sizeof(void*));

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);

LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = nullptr;

// The thread whose crash is being written, 0 while none is.
volatile LONG WritingThread = 0;

// What a crash is called by: the program's file name, the moment and the
// process, all fixed when the filter starts.
struct CrashName {
    char program[MAX_PATH];
    int stemLength;  // of the program's name without its extension
    SYSTEMTIME time;
    DWORD processId;
};

void ReadProgramName(CrashName& name)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const char* base = "unknown";
    if (length > 0 && length < sizeof path) {
        const char* separator = strrchr(path, '\\');
        base = separator ? separator + 1 : path;
    }
    lstrcpynA(name.program, base, sizeof name.program);
    const char* dot = strrchr(name.program, '.');
    name.stemLength = static_cast<int>(dot && dot != name.program ? dot - name.program : strlen(name.program));
}

// Fills folder with <documents>\Orvela\crash, creating the folders that are
// missing; false when there is no documents folder or the path is too long.
bool PrepareFolder(char (&folder)[MAX_PATH])
{
    char documents[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, documents)))
        return false;
    for (const char* part : reportFolders) {
        int length = snprintf(folder, sizeof folder, "%s\\%s", documents, part);
        if (length < 0 || static_cast<size_t>(length) >= sizeof folder)
            return false;
        if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

// Creates <folder>\<program>_<time>_<pid>.<extension>; INVALID_HANDLE_VALUE
// when the name does not fit or the file cannot be made.
HANDLE CreateCrashFile(const char* folder, const CrashName& name, const char* extension)
{
    char path[MAX_PATH];
    const SYSTEMTIME& t = name.time;
    int length = snprintf(path, sizeof path, "%s\\%.*s_%04u%02u%02u-%02u%02u%02u-%03u_%lu.%s", folder,
                          name.stemLength, name.program, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                          t.wMilliseconds, static_cast<unsigned long>(name.processId), extension);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One line: program, process id, exception code and address, local time.
// The line is made before the file, so a record that cannot be read leaves
// no empty report behind.
void WriteReport(const char* folder, const CrashName& name, const EXCEPTION_RECORD& record)
{
    char line[reportLineBytes];
    const SYSTEMTIME& t = name.time;
    int length = snprintf(line, sizeof line,
                          "%s pid %lu exception 0x%08lX at 0x%0*llX time %04u-%02u-%02u %02u:%02u:%02u.%03u\r\n",
                          name.program, static_cast<unsigned long>(name.processId),
                          static_cast<unsigned long>(record.ExceptionCode), addressDigits,
                          static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(record.ExceptionAddress)),
                          t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    if (length <= 0)
        return;
    HANDLE file = CreateCrashFile(folder, name, "txt");
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD size = static_cast<size_t>(length) < sizeof line ? static_cast<DWORD>(length)
                                                           : static_cast<DWORD>(sizeof line - 1);
    DWORD written;
    WriteFile(file, line, size, &written, nullptr);
    CloseHandle(file);
}

// The minidump writer of the system's dbghelp.dll, loaded by full path so a
// dbghelp beside the program is never taken; nullptr when there is none.
MiniDumpWriteDumpFn LoadDumpWriter()
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    const char name[] = "\\dbghelp.dll";
    if (length == 0 || length + sizeof name > sizeof path)
        return nullptr;
    lstrcpynA(path + length, name, sizeof name);
    HMODULE dbghelp = LoadLibraryA(path);
    if (!dbghelp)
        return nullptr;
    return reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
}

void WriteDump(const char* folder, const CrashName& name, EXCEPTION_POINTERS* pointers)
{
    MiniDumpWriteDumpFn writeDump = LoadDumpWriter();
    if (!writeDump)
        return;
    HANDLE file = CreateCrashFile(folder, name, "dmp");
    if (file == INVALID_HANDLE_VALUE)
        return;
    MINIDUMP_EXCEPTION_INFORMATION exception{GetCurrentThreadId(), pointers, FALSE};
    writeDump(GetCurrentProcess(), name.processId, file, MiniDumpNormal, &exception, nullptr, nullptr);
    CloseHandle(file);
}

void WriteCrashFiles(EXCEPTION_POINTERS* pointers)
{
    CrashName name;
    ReadProgramName(name);
    GetLocalTime(&name.time);
    name.processId = GetCurrentProcessId();
    char folder[MAX_PATH];
    if (!PrepareFolder(folder))
        return;
    // The report first: it is cheap, and it survives a dump writer that fails.
    WriteReport(folder, name, *pointers->ExceptionRecord);
    WriteDump(folder, name, pointers);
}

// Claims the writing for this thread. A crash inside the filter itself finds
// its own thread there and writes nothing more; another thread waits, bounded,
// for the running report before the default handling ends the process.
bool ClaimWriting()
{
    const LONG self = static_cast<LONG>(GetCurrentThreadId());
    for (DWORD waitedMs = 0;; waitedMs += otherThreadPollMs) {
        LONG owner = InterlockedCompareExchange(&WritingThread, self, 0);
        if (owner == 0)
            return true;
        if (owner == self || waitedMs >= otherThreadWaitMs)
            return false;
        Sleep(otherThreadPollMs);
    }
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers)
{
    if (ClaimWriting()) {
        if (pointers && pointers->ExceptionRecord)
            WriteCrashFiles(pointers);
        InterlockedExchange(&WritingThread, 0);
    }
    return PreviousFilter ? PreviousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

// Puts the earlier filter back unless another one has replaced ours since.
void RestorePreviousFilter()
{
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(PreviousFilter);
    if (current != CrashFilter)
        SetUnhandledExceptionFilter(current);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        PreviousFilter = SetUnhandledExceptionFilter(CrashFilter);
    } else if (reason == DLL_PROCESS_DETACH) {
        RestorePreviousFilter();
    }
    return TRUE;
}
