// The fuzz target's platform functions: the driver's functions are the
// simulator's, resolved by name in the program's own symbols; the clock is
// the simulator's virtual one; parameter errors set errno as on Linux.
#include <dlfcn.h>

#include <cerrno>
#include <cstring>

#include "K47MXVsim.h"
#include "Platform.h"
#include "PlatformFuzz.h"

extern "C" unsigned long long WINAPI SIM_GetClock();

bool fuzzplatform::driverPresent = true;
bool fuzzplatform::latencyTimerPresent = true;

namespace {

// Stands for the loaded driver library: any non-null handle does.
int driverToken;

bool IsLatencyTimerFunction(const char* name)
{
    return strcmp(name, "FT_SetLatencyTimer") == 0 || strcmp(name, "FT_GetLatencyTimer") == 0;
}

}  // namespace

void* platform::LoadDriverLibrary(void*)
{
    return fuzzplatform::driverPresent ? &driverToken : nullptr;
}

void* platform::FindDriverFunction(void*, const char* name)
{
    if (!fuzzplatform::latencyTimerPresent && IsLatencyTimerFunction(name))
        return nullptr;
    return dlsym(RTLD_DEFAULT, name);
}

void platform::FreeDriverLibrary(void*) {}

uint32_t platform::NowMs()
{
    return static_cast<uint32_t>(SIM_GetClock() / 1000);
}

void platform::SetInvalidParameterError()
{
    errno = EINVAL;
}
