#include <windows.h>

#include "HostPlatform.h"

namespace {

// The system's text for an error code, on one line, e.g. "The specified
// module could not be found."
std::string SystemErrorText(DWORD code)
{
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        0, text, sizeof text, nullptr);
    std::string line(text, length);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    return line.empty() ? "unknown error" : line;
}

HANDLE AsHandle(intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

const char* const hostplatform::apiLibraryName = "OVK47MXV_API.dll";
const char* const hostplatform::driverName = "OVK47MXVusb.dll";
const char* const hostplatform::noLatencyDriverName = "OVK47MXVusb_nolatency.dll";
const char hostplatform::separator = '\\';

void* hostplatform::LoadLibraryFile(const std::string& path, std::string& reason)
{
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr) {
        const DWORD code = GetLastError();
        reason = "error " + std::to_string(code) + " (" + SystemErrorText(code) + ")";
    }
    return library;
}

void* hostplatform::FindFunction(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void hostplatform::FreeLibraryFile(void* library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}

void* hostplatform::FindLoadedFunction(const std::string& path, const char* name)
{
    const HMODULE library = GetModuleHandleA(path.c_str());
    return library ? FindFunction(library, name) : nullptr;
}

std::string hostplatform::ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

std::string hostplatform::TempFolder()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

unsigned long hostplatform::ProcessId()
{
    return GetCurrentProcessId();
}

bool hostplatform::SetEnvironment(const char* name, const char* value)
{
    return SetEnvironmentVariableA(name, value) != 0;
}

bool hostplatform::MakeFolder(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool hostplatform::CopyFileTo(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

void hostplatform::RemoveFile(const std::string& path)
{
    DeleteFileA(path.c_str());
}

void hostplatform::RemoveFolder(const std::string& path)
{
    RemoveDirectoryA(path.c_str());
}

bool hostplatform::IsConsole(StandardStream stream)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream == StandardStream::Input ? STD_INPUT_HANDLE : STD_ERROR_HANDLE), &mode) !=
           0;
}

std::string hostplatform::LastErrorText()
{
    return SystemErrorText(GetLastError());
}

hostplatform::File::~File()
{
    if (handle_ != -1)
        CloseHandle(AsHandle(handle_));
}

bool hostplatform::File::Open(const std::string& path, bool forWriting)
{
    HANDLE file = CreateFileA(path.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                              forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<intptr_t>(file);
    return file != INVALID_HANDLE_VALUE;
}

bool hostplatform::File::Size(uint64_t& bytes)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(handle_), &size))
        return false;
    bytes = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool hostplatform::File::Read(void* buffer, size_t count)
{
    DWORD got = 0;
    return ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(count), &got, nullptr) && got == count;
}

bool hostplatform::File::Write(const void* bytes, size_t count)
{
    DWORD written = 0;
    return WriteFile(AsHandle(handle_), bytes, static_cast<DWORD>(count), &written, nullptr) && written == count;
}
