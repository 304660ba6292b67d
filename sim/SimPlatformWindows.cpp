#include <windows.h>
#include <mmsystem.h>

#include "SimPlatform.h"

int64_t simplatform::Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t simplatform::CounterFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void simplatform::SleepMs(unsigned ms) { Sleep(ms); }

// Detach by FreeLibrary (reserved is null) frees what the simulator holds;
// detach at the end of the process (reserved is not null) leaves it, as the
// API library may still call in.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && !reserved) simplatform::LibraryUnloading();
    return TRUE;
}

// 1 ms scheduler ticks; without them a sleep may last a 15.6 ms tick.
void simplatform::RaiseTimerResolution() {
    static LONG raised = 0;
    if (InterlockedExchange(&raised, 1) == 0) timeBeginPeriod(1);
}

bool simplatform::ReadEnvironment(const char* name, std::string& value) {
    char text[MAX_PATH * 4];
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    if (length == 0) return false;
    value = length < sizeof text ? std::string(text, length) : std::string();
    return true;
}

void simplatform::Report(const std::string& message) {
    OutputDebugStringA(("K47MXV simulator: " + message + "\n").c_str());
}

bool simplatform::AppendFile::Open(const std::string& path) {
    Close();
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<intptr_t>(file);
    return file != INVALID_HANDLE_VALUE;
}

void simplatform::AppendFile::Close() {
    if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kClosed;
}

void simplatform::AppendFile::Append(const std::string& text) {
    if (!IsOpen()) return;
    DWORD written = 0;
    WriteFile(reinterpret_cast<HANDLE>(handle_), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
