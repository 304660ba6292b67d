// The simulator's one process-wide clock, in microseconds since the last
// configuration: a virtual clock that jumps to the moment each driver call
// would return, or the real performance counter.
#pragma once

#include <cstdint>

#include "SimConfig.h"

class SimClock {
public:
    // Restarts at 0 in the given mode.
    void Reset(SimTiming timing);

    bool IsVirtual() const { return timing_ == SimTiming::Virtual; }
    uint64_t NowUs() const;
    // Virtual mode: moves the clock forward to us (never back).
    void AdvanceTo(uint64_t us);
    // Realtime mode: the performance-counter value at which the clock reads us.
    int64_t CounterAt(uint64_t us) const;
    // Realtime mode: returns when the performance counter reaches target.
    // Touches no clock state, so callers run it without the bus lock.
    static void WaitForCounter(int64_t target);

private:
    SimTiming timing_ = SimTiming::Realtime;
    uint64_t virtualUs_ = 0;
    int64_t start_ = 0;
    int64_t frequency_ = 1;  // performance-counter ticks per second
};
