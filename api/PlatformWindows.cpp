// The Windows half of the platform layer: the driver library OVK47MXVusb.dll
// (or 47KMXVusb.dll) from the API library's own folder, GetTickCount, the
// thread's last-error code and the DLL entry point.
#include <cstdio>

#include "ModuleFolder.h"
#include "Platform.h"

namespace {

// The driver library's file names, tried in this order in the API library's folder.
constexpr const char* driverFileNames[] = {"\\OVK47MXVusb.dll", "\\47KMXVusb.dll"};
// Room for the API library's own file name.
constexpr DWORD moduleFileNameBytes = 10240;

// The folder of the module's file name; false when the name cannot be read whole.
bool GetModuleFolder(HMODULE module, char (&folder)[moduleFileNameBytes])
{
    DWORD nameLength = GetModuleFileNameA(module, folder, moduleFileNameBytes);
    int length = ModuleFolderLength(folder, nameLength, moduleFileNameBytes);
    if (length < 0)
        return false;
    folder[length] = '\0';
    return true;
}

}  // namespace

// Loads the first driver library found in the API library's own folder;
// never looks elsewhere.
HMODULE platform::LoadDriverLibrary(HMODULE apiModule)
{
    char folder[moduleFileNameBytes];
    if (!GetModuleFolder(apiModule, folder))
        return nullptr;
    for (const char* fileName : driverFileNames) {
        char path[moduleFileNameBytes + 32];
        snprintf(path, sizeof path, "%s%s", folder, fileName);
        if (HMODULE module = LoadLibraryA(path))
            return module;
    }
    return nullptr;
}

void* platform::FindDriverFunction(HMODULE driver, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(driver, name));
}

void platform::FreeDriverLibrary(HMODULE driver)
{
    FreeLibrary(driver);
}

uint32_t platform::NowMs()
{
    return GetTickCount();
}

void platform::SetInvalidParameterError()
{
    SetLastError(ERROR_INVALID_PARAMETER);
}

// Process attach hands the module to the export layer. Detach by FreeLibrary
// (reserved is null) unloads the export layer, which closes every converter
// still open (power clear first) and releases the driver library. Detach at
// the end of the process (reserved is not null) touches nothing: the driver
// library, loaded after this one, may already be detached, and other threads
// were stopped wherever they were, perhaps inside a converter's exchange.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        LibraryLoaded(instance);
    else if (reason == DLL_PROCESS_DETACH && !reserved)
        LibraryUnloading();
    return TRUE;
}
