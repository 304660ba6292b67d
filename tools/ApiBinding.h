// The run-time binding of the device API library, as a third-party host makes
// it: the library (OVK47MXV_API.dll, libk47mxv_api.so.1) is loaded from the
// program's own folder and each of its fourteen exports is resolved by plain
// name.
#pragma once

#include <string>

#include "HostPlatform.h"
#include "OVK47MXV_Exports.h"

// The library's file name; it is looked up beside the running program.
inline const char* const kApiLibraryName = hostplatform::apiLibraryName;

using hostplatform::ProgramFolder;

// The exports are the inherited OVK47MXV_Exports members.
class ApiBinding : public OVK47MXV_Exports {
public:
    ApiBinding() = default;
    ~ApiBinding();
    ApiBinding(const ApiBinding&) = delete;
    ApiBinding& operator=(const ApiBinding&) = delete;

    // Loads the library from folder (the program's own by default) and
    // resolves every export. On failure returns false with a one-line reason
    // in error; the binding then holds no library and its exports must not be
    // called.
    bool Load(std::string& error, const std::string& folder = ProgramFolder());

private:
    void Unload();

    Module Library = nullptr;
};
