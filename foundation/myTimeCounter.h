// TmyTimeCounter: turns the high-resolution performance counter into elapsed
// times. One static instance is the time base of every trace line.
#pragma once

#include <cstdint>

#include "myObject.h"

class TmyTimeCounter : public TmyObject {
public:
    // Throws 0 when the system has no performance counter.
    TmyTimeCounter();
    TmyTimeCounter(const TmyTimeCounter&) = delete;
    TmyTimeCounter& operator=(const TmyTimeCounter&) = delete;
    ~TmyTimeCounter() override;

    // Counts per second, never 0.
    uint64_t Frequency() const { return CountsPerSecond; }
    // The counter when this object was constructed.
    int64_t StartCount() const { return Start; }
    // count * scale / frequency, truncated (scale 1000: ms, 1000000: µs,
    // 1000000000: ns); exact even where the product exceeds 64 bits, as long
    // as the result fits.
    uint64_t ScaledTime(uint64_t count, uint64_t scale) const;

    // The performance counter now.
    static int64_t Now();

private:
    uint64_t CountsPerSecond;
    int64_t Start;
};

// The time base of the trace lines, built during static initialisation
// before the application object.
extern TmyTimeCounter myTraceTimeBase;
