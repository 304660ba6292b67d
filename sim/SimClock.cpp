#include "SimClock.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;
// The last stretch of a wait is spun on the performance counter, because a
// sleep may overshoot by about one scheduler tick.
constexpr int64_t kSpinMs = 2;

int64_t Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Asks for 1 ms scheduler ticks once per process, for precise sleeps.
void RaiseTimerResolution() {
    static LONG raised = 0;
    if (InterlockedExchange(&raised, 1) == 0) timeBeginPeriod(1);
}

}  // namespace

void SimClock::Reset(SimTiming timing) {
    timing_ = timing;
    virtualUs_ = 0;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    frequency_ = frequency.QuadPart;
    start_ = Counter();
    if (timing == SimTiming::Realtime) RaiseTimerResolution();
}

uint64_t SimClock::NowUs() const {
    if (IsVirtual()) return virtualUs_;
    const int64_t ticks = Counter() - start_;
    return static_cast<uint64_t>(ticks / frequency_ * kMicrosecondsPerSecond +
                                 ticks % frequency_ * kMicrosecondsPerSecond / frequency_);
}

void SimClock::AdvanceTo(uint64_t us) {
    if (us > virtualUs_) virtualUs_ = us;
}

int64_t SimClock::CounterAt(uint64_t us) const {
    const int64_t whole = static_cast<int64_t>(us) / kMicrosecondsPerSecond;
    const int64_t part = static_cast<int64_t>(us) % kMicrosecondsPerSecond;
    return start_ + whole * frequency_ + (part * frequency_ + kMicrosecondsPerSecond - 1) / kMicrosecondsPerSecond;
}

void SimClock::WaitForCounter(int64_t target) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int64_t now = Counter(); now < target; now = Counter()) {
        const int64_t remainingMs = (target - now) * 1000 / frequency.QuadPart;
        Sleep(remainingMs > kSpinMs ? static_cast<DWORD>(remainingMs - kSpinMs) : 0);
    }
}
