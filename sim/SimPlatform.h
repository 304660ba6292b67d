// What the simulated driver needs of the operating system, one file pair per
// platform (SimPlatformWindows, SimPlatformLinux) behind this header: the
// high-resolution counter and sleeping, the environment, diagnostic text and
// the traffic log file. Its lock is the API library's platform lock.
#pragma once

#include <cstdint>
#include <string>

namespace simplatform {

// A monotonic counter and its ticks per second.
int64_t Counter();
int64_t CounterFrequency();
// Sleeps about ms milliseconds (0: gives up the rest of the time slice).
void SleepMs(unsigned ms);
// Asks for sleeps precise to about 1 ms, where the system needs asking; once per process.
void RaiseTimerResolution();

// The simulator's side of the library's unload by its host (FreeLibrary,
// dlclose), which the platform file calls; never called while the process
// ends, when the API library may still call the driver.
void LibraryUnloading();

// The value of an environment variable; false when it is not set.
bool ReadEnvironment(const char* name, std::string& value);
// A diagnostic line for whoever watches the process: the debugger output on
// Windows, standard error on Linux.
void Report(const std::string& message);

// A file that text is appended to, shared with other writers of the same file.
class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile() { Close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens (creating it when missing) for appending; false when it cannot.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return handle_ != kClosed; }
    void Append(const std::string& text);

private:
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;  // the system's file handle or descriptor
};

}  // namespace simplatform
