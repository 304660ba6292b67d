// The Linux half of the platform layer: the driver library libk47mxv_usb.so
// from the API library's own folder (found with dladdr), the monotonic clock,
// errno, and the library's constructor and destructor.
#include <dlfcn.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "Platform.h"
#include "PlatformLinuxUnload.h"

namespace {

// The driver library's one file name in the API library's folder: the
// simulator in the build, the bridge maker's libftd2xx placed or linked
// there under this name for a real converter.
constexpr const char* driverFileName = "/libk47mxv_usb.so";

// Runs when the library is loaded.
__attribute__((constructor)) void OnLoad()
{
    Dl_info self{};
    dladdr(reinterpret_cast<void*>(&OnLoad), &self);
    platform::WatchForProcessEnd();
    LibraryLoaded(self.dli_fbase);
}

// A dlclose unloads the export layer, which closes every converter still
// open (power clear first) and releases the driver library. At the end of
// the process it touches nothing: the driver library, loaded after this one,
// is finalised before it, and other threads may still be inside an exchange.
__attribute__((destructor)) void OnUnload()
{
    if (platform::UnloadedByHost())
        LibraryUnloading();
}

}  // namespace

// The folder is that of the file the dynamic loader mapped the library
// from; a name without a slash gives no folder, and no driver is loaded.
void* platform::LoadDriverLibrary(void* apiModule)
{
    Dl_info library{};
    if (!dladdr(apiModule, &library) || !library.dli_fname)
        return nullptr;
    std::string path = library.dli_fname;
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return nullptr;
    path.replace(slash, std::string::npos, driverFileName);
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* platform::FindDriverFunction(void* driver, const char* name)
{
    return dlsym(driver, name);
}

void platform::FreeDriverLibrary(void* driver)
{
    dlclose(driver);
}

uint32_t platform::NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

void platform::SetInvalidParameterError()
{
    errno = EINVAL;
}
