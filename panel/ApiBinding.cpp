// Run-time binding of the device API library.
#include "ApiBinding.h"

namespace {

// The library's file name, without a folder: the program's own folder is
// searched first.
constexpr const char* apiLibraryName = "OVK47MXV_API.dll";

template <typename Function>
bool Resolve(HMODULE library, const char* name, Function& slot)
{
    // void (*)() converts to and from any function pointer type.
    slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    return slot != nullptr;
}

}  // namespace

int ApiBinding::Load()
{
    HMODULE library = LoadLibraryA(apiLibraryName);
    if (!library)
        return 0;
    // Resolved in this order; each is looked up even after one is missing.
    bool bound = Resolve(library, "GetDeviceCount", GetDeviceCount);
    bound = Resolve(library, "GetDeviceSerial", GetDeviceSerial) && bound;
    bound = Resolve(library, "Open", Open) && bound;
    bound = Resolve(library, "Close", Close) && bound;
    bound = Resolve(library, "SetRange", SetRange) && bound;
    bound = Resolve(library, "SetClearPower", SetClearPower) && bound;
    bound = Resolve(library, "GetConfig", GetConfig) && bound;
    bound = Resolve(library, "SendBuffer", SendBuffer) && bound;
    if (!bound) {
        ClearFunctions();
        FreeLibrary(library);
        return 0;
    }
    Library = library;
    return 1;
}

void ApiBinding::ClearFunctions()
{
    GetDeviceCount = nullptr;
    GetDeviceSerial = nullptr;
    Open = nullptr;
    Close = nullptr;
    SetRange = nullptr;
    GetConfig = nullptr;
    SetClearPower = nullptr;
    SendBuffer = nullptr;
}
