// The program the crash-report tests start. It loads myexcept.dll from its
// own folder as the panel does, then with "fault" writes through a null
// pointer, with "fault-in-filter" makes the library's filter itself fault,
// and with "exit" ends normally. Exit code 2: the library did not load.
#include <windows.h>

#include <cstring>

namespace {

HMODULE LoadCrashReports()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return nullptr;
    char* separator = strrchr(path, '\\');
    const char name[] = "myexcept.dll";
    if (!separator || (separator + 1 - path) + sizeof name > sizeof path)
        return nullptr;
    memcpy(separator + 1, name, sizeof name);
    return LoadLibraryA(path);
}

// An access violation the compiler cannot see through and replace.
void WriteThroughNull()
{
    volatile ULONG_PTR address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
}

// Hands the installed filter an exception record at an address that cannot
// be read, so the filter faults while it writes its report.
void FaultInsideTheFilter()
{
    LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(filter);
    CONTEXT context{};
    RtlCaptureContext(&context);
    volatile ULONG_PTR unreadable = 0x10;
    EXCEPTION_POINTERS pointers{reinterpret_cast<EXCEPTION_RECORD*>(unreadable), &context};
    filter(&pointers);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!LoadCrashReports())
        return 2;
    const char* mode = argc > 1 ? argv[1] : "";
    if (strcmp(mode, "fault") == 0)
        WriteThroughNull();
    else if (strcmp(mode, "fault-in-filter") == 0)
        FaultInsideTheFilter();
    return 0;
}
