// TmyTimeCounter.
#include "myTimeCounter.h"

#include <windows.h>

TmyTimeCounter::TmyTimeCounter() : CountsPerSecond(1), Start(0)
{
    RegisterType(this, 76, "TimeCounter");
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency))
        throw 0;
    if (frequency.QuadPart > 0)
        CountsPerSecond = static_cast<uint64_t>(frequency.QuadPart);
    Start = Now();
}

TmyTimeCounter::~TmyTimeCounter() = default;

// Whole seconds and the remainder are scaled apart, so a long count (a region
// timed for hours, scaled to nanoseconds) does not wrap round.
uint64_t TmyTimeCounter::ScaledTime(uint64_t count, uint64_t scale) const
{
    const uint64_t seconds = count / CountsPerSecond;
    const uint64_t rest = count % CountsPerSecond;
    return seconds * scale + rest * scale / CountsPerSecond;
}

int64_t TmyTimeCounter::Now()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}
