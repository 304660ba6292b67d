// The clock of the benchmark programs: a steady clock in milliseconds.
#pragma once

#include <chrono>

inline double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
