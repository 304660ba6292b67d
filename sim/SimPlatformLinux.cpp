#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "PlatformLinuxUnload.h"
#include "SimPlatform.h"

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;

__attribute__((constructor)) void OnLoad() { platform::WatchForProcessEnd(); }

// A dlclose frees what the simulator holds; the end of the process leaves
// it, as the API library may still call in.
__attribute__((destructor)) void OnUnload() {
    if (platform::UnloadedByHost()) simplatform::LibraryUnloading();
}

}  // namespace

int64_t simplatform::Counter() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

int64_t simplatform::CounterFrequency() { return kNanosecondsPerSecond; }

void simplatform::SleepMs(unsigned ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
    }
}

// Linux sleeps are precise to well below 1 ms already.
void simplatform::RaiseTimerResolution() {}

bool simplatform::ReadEnvironment(const char* name, std::string& value) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return false;
    value = text;
    return true;
}

void simplatform::Report(const std::string& message) { std::fprintf(stderr, "K47MXV simulator: %s\n", message.c_str()); }

bool simplatform::AppendFile::Open(const std::string& path) {
    Close();
    handle_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return IsOpen();
}

void simplatform::AppendFile::Close() {
    if (IsOpen()) close(static_cast<int>(handle_));
    handle_ = kClosed;
}

void simplatform::AppendFile::Append(const std::string& text) {
    if (!IsOpen()) return;
    for (size_t done = 0; done < text.size();) {
        const ssize_t written = write(static_cast<int>(handle_), text.data() + done, text.size() - done);
        if (written <= 0) return;
        done += static_cast<size_t>(written);
    }
}
