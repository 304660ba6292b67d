// monkey: random input for the test builds of the widget gallery and the
// control panel under a watchdog, with the programs' own resource probe.
//
//   monkey.exe gallery|hostile|panel SEED[,SEED...] EVENTS
//
// Runs EVENTS seeded random events per seed; exits 0 when every run passed.
// A failure prints the seed, the event and the command that replays it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "MonkeyRun.h"

namespace {

bool ParseTarget(const char* name, TmyMonkeyTarget& target)
{
    const struct {
        const char* Name;
        TmyMonkeyTarget Target;
    } targets[] = {{"gallery", TmyMonkeyTarget::Gallery},
                   {"hostile", TmyMonkeyTarget::HostileGallery},
                   {"panel", TmyMonkeyTarget::Panel}};
    for (const auto& entry : targets)
        if (std::strcmp(name, entry.Name) == 0) {
            target = entry.Target;
            return true;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    TmyMonkeyTarget target{};
    if (argc != 4 || !ParseTarget(argv[1], target) || std::atoi(argv[3]) < 0) {
        std::fprintf(stderr, "usage: monkey gallery|hostile|panel SEED[,SEED...] EVENTS\n");
        return 2;
    }
    const int events = std::atoi(argv[3]);
    bool passed = true;
    for (const char* seed = argv[2]; *seed;) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(seed, &end, 10);
        const DWORD start = GetTickCount();
        passed = TmyMonkeyRun(target, value, events).Run() && passed;
        std::printf("  (%lu ms)\n", GetTickCount() - start);
        seed = *end == ',' ? end + 1 : end;
        if (end == seed && *seed) {
            std::fprintf(stderr, "bad seed list: %s\n", argv[2]);
            return 2;
        }
    }
    return passed ? 0 : 1;
}
