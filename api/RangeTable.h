// The converter's 14 frequency ranges. Each range's upper end equals the next
// range's lower end; a boundary frequency belongs to the lower range because
// the table is searched from range 0 upwards.
#pragma once

#include <cstddef>

#include "OVK47MXV_API.h"

static_assert(offsetof(RangeEntry, to) == 8, "RangeEntry.to at 8");
static_assert(offsetof(RangeEntry, lo) == 16, "RangeEntry.lo at 16");
static_assert(offsetof(RangeEntry, inverted) == 24, "RangeEntry.inverted at 24");

constexpr int rangeCount = OVK47MXV_RANGE_COUNT;

// from Hz, to Hz (inclusive), local oscillator Hz, inverted (output = lo - input).
inline constexpr RangeEntry rangeTable[rangeCount] = {
    {0LL, 2900000000LL, 0LL, 0},                     // 0: 0 to 2.9 GHz, passed through
    {2900000000LL, 4500000000LL, 5700000000LL, 1},   // 1: out 2.8 to 1.2 GHz
    {4500000000LL, 5900000000LL, 6000000000LL, 1},   // 2: out 1.5 to 0.1 GHz
    {5900000000LL, 8000000000LL, 5700000000LL, 0},   // 3: out 0.2 to 2.3 GHz
    {8000000000LL, 9000000000LL, 9200000000LL, 1},   // 4: out 1.2 to 0.2 GHz
    {9000000000LL, 9900000000LL, 8700000000LL, 0},   // 5: out 0.3 to 1.2 GHz
    {9900000000LL, 12000000000LL, 12200000000LL, 1}, // 6: out 2.3 to 0.2 GHz
    {12000000000LL, 13200000000LL, 11700000000LL, 0},// 7: out 0.3 to 1.5 GHz
    {13200000000LL, 14900000000LL, 15000000000LL, 1},// 8: out 1.8 to 0.1 GHz
    {14900000000LL, 16000000000LL, 14700000000LL, 0},// 9: out 0.2 to 1.3 GHz
    {16000000000LL, 17100000000LL, 17200000000LL, 1},// 10: out 1.2 to 0.1 GHz
    {17100000000LL, 17900000000LL, 18000000000LL, 1},// 11: out 0.9 to 0.1 GHz
    {17900000000LL, 19100000000LL, 17800000000LL, 0},// 12: out 0.1 to 1.3 GHz
    {19100000000LL, 21000000000LL, 19000000000LL, 0},// 13: out 0.1 to 2.0 GHz
};

// Highest input frequency any range covers, Hz.
constexpr long long highestInputHz = rangeTable[rangeCount - 1].to;
