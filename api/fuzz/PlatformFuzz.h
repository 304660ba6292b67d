// The platform layer of the API's fuzz target: the simulated driver linked
// into the program itself, and the simulator's virtual clock as the
// library's clock, so that time-outs cost no real time. The driver the
// library finds can be made to lack a library file or its latency timer.
#pragma once

namespace fuzzplatform {

// Whether LoadDriverLibrary finds a driver library at all.
extern bool driverPresent;
// Whether the driver offers FT_SetLatencyTimer and FT_GetLatencyTimer.
extern bool latencyTimerPresent;

}  // namespace fuzzplatform
