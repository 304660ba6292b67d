// framework_bench: runs the registered timing runs and prints their results.
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench.h"

namespace {

struct TmyBenchRun {
    const char* Name;
    TmyBenchFunction Run;
};

// Built on first use, so registrations from any source's static
// initialisation find it.
std::vector<TmyBenchRun>& Runs()
{
    static std::vector<TmyBenchRun> runs;
    return runs;
}

// A run is selected when no filter was given or its name contains one of them.
bool IsSelected(const char* name, int argc, char** argv)
{
    if (argc < 2)
        return true;
    for (int i = 1; i < argc; ++i) {
        if (strstr(name, argv[i]))
            return true;
    }
    return false;
}

}  // namespace

TmyBenchRegistration::TmyBenchRegistration(const char* name, TmyBenchFunction run)
{
    Runs().push_back(TmyBenchRun{name, run});
}

int main(int argc, char** argv)
{
    for (const TmyBenchRun& run : Runs()) {
        if (!IsSelected(run.Name, argc, argv))
            continue;
        printf("== %s\n", run.Name);
        run.Run();
    }
    return 0;
}
