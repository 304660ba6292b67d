/*
 * OVK47MXV_Exports.h - run-time binding of the API library for C++ hosts.
 *
 * A host that loads the library at run time instead of linking it resolves
 * the 14 exports by plain name into this record:
 *
 *     HMODULE module = LoadLibraryA("OVK47MXV_API.dll");          // Windows
 *     void* module = dlopen("libk47mxv_api.so.1", RTLD_NOW);      // Linux
 *     OVK47MXV_Exports api;
 *     if (module && !api.Resolve(module))
 *         int count = api.GetDeviceCount();
 */
#ifndef OVK47MXV_EXPORTS_H
#define OVK47MXV_EXPORTS_H

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "OVK47MXV_API.h"

struct OVK47MXV_Exports {
#ifdef _WIN32
    using Module = HMODULE;
#else
    using Module = void*;
#endif

    decltype(&::GetDeviceCount) GetDeviceCount = nullptr;
    decltype(&::GetDeviceSerial) GetDeviceSerial = nullptr;
    decltype(&::Open) Open = nullptr;
    decltype(&::Close) Close = nullptr;
    decltype(&::IsOpen) IsOpen = nullptr;
    decltype(&::SetRange) SetRange = nullptr;
    decltype(&::ConvertFrequency) ConvertFrequency = nullptr;
    decltype(&::SetClearPower) SetClearPower = nullptr;
    decltype(&::WriteCalibrationData) WriteCalibrationData = nullptr;
    decltype(&::GetCalibrationData) GetCalibrationData = nullptr;
    decltype(&::GetSSCorrection) GetSSCorrection = nullptr;
    decltype(&::SendBuffer) SendBuffer = nullptr;
    decltype(&::GetConfig) GetConfig = nullptr;
    decltype(&::IsAlive) IsAlive = nullptr;

    // Resolves every export of module. Returns null when all were found,
    // else the name of the first one missing.
    const char* Resolve(Module module)
    {
        if (!(Bind(module, "GetDeviceCount", GetDeviceCount) && Bind(module, "GetDeviceSerial", GetDeviceSerial) &&
              Bind(module, "Open", Open) && Bind(module, "Close", Close) && Bind(module, "IsOpen", IsOpen) &&
              Bind(module, "SetRange", SetRange) && Bind(module, "ConvertFrequency", ConvertFrequency) &&
              Bind(module, "SetClearPower", SetClearPower) &&
              Bind(module, "WriteCalibrationData", WriteCalibrationData) &&
              Bind(module, "GetCalibrationData", GetCalibrationData) &&
              Bind(module, "GetSSCorrection", GetSSCorrection) && Bind(module, "SendBuffer", SendBuffer) &&
              Bind(module, "GetConfig", GetConfig) && Bind(module, "IsAlive", IsAlive)))
            return Missing;
        return nullptr;
    }

private:
    template <typename Function>
    bool Bind(Module module, const char* name, Function& slot)
    {
#ifdef _WIN32
        auto address = reinterpret_cast<void (*)()>(GetProcAddress(module, name));
#else
        auto address = reinterpret_cast<void (*)()>(dlsym(module, name));
#endif
        Missing = name;
        // void (*)() converts to and from any function pointer type.
        slot = reinterpret_cast<Function>(address);
        return address != nullptr;
    }

    const char* Missing = nullptr;
};

#endif
