// ApiBinding: the control panel's view of the device API library, bound at
// run time by name. The panel uses eight of the library's exports; a library
// that lacks any of them is not used at all.
#pragma once

#include <windows.h>

#include <cstdint>

#include "OVK47MXV_API.h"

// Device handle while no converter is open.
constexpr int32_t NoDevice = -1;

struct ApiBinding {
    HMODULE Library = nullptr;         // null while not bound
    int32_t DeviceHandle = NoDevice;   // what Open returned
    int32_t SelectedBand = 0;          // band last set successfully, 0..13
    decltype(&::GetDeviceCount) GetDeviceCount = nullptr;
    decltype(&::GetDeviceSerial) GetDeviceSerial = nullptr;
    decltype(&::Open) Open = nullptr;
    decltype(&::Close) Close = nullptr;
    decltype(&::SetRange) SetRange = nullptr;
    decltype(&::GetConfig) GetConfig = nullptr;
    decltype(&::SetClearPower) SetClearPower = nullptr;
    decltype(&::SendBuffer) SendBuffer = nullptr;

    // Loads "OVK47MXV_API.dll" through the system's search order and resolves
    // the eight exports; all or nothing. 1 when bound.
    int Load();
    // Forgets the eight function references.
    void ClearFunctions();
};
