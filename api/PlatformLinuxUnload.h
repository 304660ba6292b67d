// Telling a library's unload by its host (dlclose) from its finalisation at
// the end of the process, on Linux: both run the library's destructor
// functions, but only the first may touch other libraries. The exit handler
// a library registers while it loads runs before the destructors of loaded
// libraries when the process ends, and only after the library's own
// destructor functions when dlclose unloads it. Each library that includes
// this header has its own flag and its own handler.
#pragma once

#include <atomic>
#include <cstdlib>

namespace platform {

inline std::atomic<bool> processEnding{false};

inline void NoteProcessEnd()
{
    processEnding = true;
}

// Called from the library's constructor function.
inline void WatchForProcessEnd()
{
    atexit(NoteProcessEnd);
}

// In the library's destructor function: true when a host unloads it, false
// while the process ends.
inline bool UnloadedByHost()
{
    return !processEnding;
}

}  // namespace platform
