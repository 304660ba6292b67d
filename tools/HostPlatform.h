// What k47mxv and the benchmark need of the operating system, one file pair
// per platform (HostPlatformWindows, HostPlatformLinux) behind this header:
// the libraries' file names, loading a library and its functions, the
// program's folder, files, consoles, the environment and temporary folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hostplatform {

// The API library's and the simulated driver's file names.
extern const char* const apiLibraryName;
extern const char* const driverName;
extern const char* const noLatencyDriverName;
// Between a folder and a name in a path.
extern const char separator;

// Loads a library by path; null with a one-line reason when it cannot.
void* LoadLibraryFile(const std::string& path, std::string& reason);
void* FindFunction(void* library, const char* name);
void FreeLibraryFile(void* library);
// A function of a library this process has already loaded from path; null
// when it has not or the library lacks it.
void* FindLoadedFunction(const std::string& path, const char* name);

// The folder of the running program, without a trailing separator.
std::string ProgramFolder();
// The system's folder for temporary files, with a trailing separator.
std::string TempFolder();
unsigned long ProcessId();
bool SetEnvironment(const char* name, const char* value);
bool MakeFolder(const std::string& path);
bool CopyFileTo(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
void RemoveFolder(const std::string& path);

enum class StandardStream { Input, Error };
// Whether the stream is a console (a terminal) rather than a file or pipe:
// a prompt and progress are for a person, not for a script.
bool IsConsole(StandardStream stream);

// The text of the last failed system call on this thread, on one line.
std::string LastErrorText();

// A file opened whole for reading or writing; closed when it goes.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading, or creates (or empties) one for writing.
    bool Open(const std::string& path, bool forWriting);
    bool Size(uint64_t& bytes);
    // Each moves exactly count bytes, or fails.
    bool Read(void* buffer, size_t count);
    bool Write(const void* bytes, size_t count);

private:
    intptr_t handle_ = -1;  // the system's file handle or descriptor; -1 while closed
};

}  // namespace hostplatform
