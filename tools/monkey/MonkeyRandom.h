// TmyMonkeyRandom: the random-input driver's only source of chance, a
// splitmix64 sequence: the same seed gives the same events on every run and
// every machine, so a failing seed replays.
#pragma once

#include <cstdint>

class TmyMonkeyRandom {
public:
    explicit TmyMonkeyRandom(uint64_t seed) : State(seed) {}

    uint64_t Next()
    {
        uint64_t z = (State += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. bound - 1; 0 for a bound of 0.
    int Below(int bound) { return bound > 0 ? static_cast<int>(Next() % static_cast<uint64_t>(bound)) : 0; }
    // low .. high, both included.
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Percent(int chance) { return Below(100) < chance; }

private:
    uint64_t State;
};
