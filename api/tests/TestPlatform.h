// What the API's and the simulator's tests need of the operating system, on
// Windows and on Linux: the built libraries' file names, loading a library
// and its functions, the test program's folder, temporary folders, the
// environment and the last-error code.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#endif

namespace testplatform {

#ifdef _WIN32

using Module = HMODULE;
constexpr char separator = '\\';
constexpr const char* apiFile = "OVK47MXV_API.dll";
constexpr const char* driverFile = "OVK47MXVusb.dll";
constexpr const char* incompleteDriverFile = "OVK47MXVusb_incomplete.dll";
constexpr const char* noLatencyDriverFile = "OVK47MXVusb_nolatency.dll";
constexpr const char* exitHostFile = "api_exithost.exe";
// What the calibration operations leave for a parameter error.
constexpr unsigned long invalidParameterCode = ERROR_INVALID_PARAMETER;

inline Module LoadLibraryAt(const std::string& path) { return LoadLibraryA(path.c_str()); }
inline void* FindSymbol(Module module, const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); }
inline void UnloadLibrary(Module module) { FreeLibrary(module); }

// The test program's folder, ending in a separator.
inline std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The system's folder for temporary files, ending in a separator.
inline std::string TempFolder()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

inline unsigned long ProcessId() { return GetCurrentProcessId(); }
inline bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

// Removes a folder (path ends in a separator) and the files in it.
inline void RemoveFolder(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileA((path + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

inline bool CopyFileTo(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

// Sets an environment variable; null removes it.
inline void SetEnvironment(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

inline void SetErrorCode(unsigned long code) { SetLastError(code); }
inline unsigned long ErrorCode() { return GetLastError(); }

#else

using Module = void*;
constexpr char separator = '/';
constexpr const char* apiFile = "libk47mxv_api.so.1";
constexpr const char* driverFile = "libk47mxv_usb.so";
constexpr const char* incompleteDriverFile = "libk47mxv_usb_incomplete.so";
constexpr const char* noLatencyDriverFile = "libk47mxv_usb_nolatency.so";
constexpr const char* exitHostFile = "api_exithost";
constexpr unsigned long invalidParameterCode = EINVAL;

inline Module LoadLibraryAt(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
inline void* FindSymbol(Module module, const char* name) { return dlsym(module, name); }
inline void UnloadLibrary(Module module) { dlclose(module); }

inline std::string ProgramFolder()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    std::string folder(path, length > 0 ? static_cast<size_t>(length) : 0);
    return folder.substr(0, folder.rfind('/') + 1);
}

inline std::string TempFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/";
}

inline unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }
inline bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }

inline void RemoveFolder(const std::string& path)
{
    if (DIR* folder = opendir(path.c_str())) {
        while (dirent* entry = readdir(folder))
            unlink((path + entry->d_name).c_str());
        closedir(folder);
    }
    rmdir(path.c_str());
}

inline bool CopyFileTo(const std::string& from, const std::string& to)
{
    std::ifstream source(from, std::ios::binary);
    std::ofstream target(to, std::ios::binary | std::ios::trunc);
    target << source.rdbuf();
    return source.good() && target.good();
}

inline void SetEnvironment(const char* name, const char* value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

inline void SetErrorCode(unsigned long code) { errno = static_cast<int>(code); }
inline unsigned long ErrorCode() { return static_cast<unsigned long>(errno); }

#endif

}  // namespace testplatform
