#include "SimClock.h"

#include "SimPlatform.h"

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;
// The last stretch of a wait is spun on the performance counter, because a
// sleep may overshoot by about one scheduler tick.
constexpr int64_t kSpinMs = 2;

using simplatform::Counter;

}  // namespace

void SimClock::Reset(SimTiming timing) {
    timing_ = timing;
    virtualUs_ = 0;
    frequency_ = simplatform::CounterFrequency();
    start_ = Counter();
    if (timing == SimTiming::Realtime) simplatform::RaiseTimerResolution();
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
    const int64_t frequency = simplatform::CounterFrequency();
    for (int64_t now = Counter(); now < target; now = Counter()) {
        const int64_t remainingMs = (target - now) * 1000 / frequency;
        simplatform::SleepMs(remainingMs > kSpinMs ? static_cast<unsigned>(remainingMs - kSpinMs) : 0);
    }
}
