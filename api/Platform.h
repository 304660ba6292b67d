// What the API library needs of the operating system, behind one interface
// with one file pair per platform (PlatformWindows, PlatformLinux); the build
// compiles the pair of its target. The protocol code (CMXV*, the range table,
// the calibration code, the export layer) uses only what this header
// declares, so it compiles unchanged everywhere.
//
// The platform header defines, in namespace platform:
//   ModuleHandle   a loaded library; null for none.
//   RecursiveLock  Enter() and Leave(); the thread that holds it may enter
//                  it again. One per converter object.
//   TableLock      Acquire() and Release(); Wait() releases it until another
//                  thread calls WakeAll(), then takes it again. Constant-
//                  initialised, so a namespace-scope one is usable at load.
//
// A build may put a pair of its own in place of the platform's .cpp file, e.g.
// to give the library driver functions and a clock of a test's own: it
// defines the five functions below and calls LibraryLoaded before the first
// export runs.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include "PlatformWindows.h"
#else
#include "PlatformLinux.h"
#endif

namespace platform {

// Loads the D2XX driver library from the folder of the library apiModule,
// under its platform's file name(s), never from anywhere else; null when it
// cannot be loaded or that folder cannot be told.
ModuleHandle LoadDriverLibrary(ModuleHandle apiModule);
// The driver function of that name, or null when the driver lacks it.
void* FindDriverFunction(ModuleHandle driver, const char* name);
void FreeDriverLibrary(ModuleHandle driver);

// Milliseconds of a clock that never goes back, wrapping at 2^32: only
// differences of two readings mean something.
uint32_t NowMs();

// Records a parameter error where the host reads the last error:
// ERROR_INVALID_PARAMETER (87) for GetLastError on Windows, EINVAL in errno on
// Linux. Touches nothing else.
void SetInvalidParameterError();

}  // namespace platform

// The export layer's side of the library's load and unload, called by the
// platform file. LibraryLoaded runs once, before any export, with the
// library's own module. LibraryUnloading runs when a host unloads the library
// (FreeLibrary, dlclose), never while the process ends.
void LibraryLoaded(platform::ModuleHandle self);
void LibraryUnloading();
