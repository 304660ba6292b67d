// The library's exports, its device table of 32 slots and the enumeration
// object, and the library entry point. The export layer checks device
// indices and forwards to the CMXV object of the slot; it does no input or
// output of its own and takes no lock, so hosts do not open, close or
// enumerate concurrently.
#include <cstring>
#include <new>

#include "CMXV.h"

namespace {

constexpr int deviceSlots = OVK47MXV_MAX_DEVICES;

// The API library's own module: every CMXV looks for the driver beside it.
HMODULE libraryModule;
// Slot n holds the object of the converter opened as device index n.
CMXV* deviceTable[deviceSlots];
// Binds the driver for enumeration only; lives until the library is unloaded.
CMXV* enumerationObject;
// Result of the last successful GetDeviceCount.
int lastDeviceCount;

// The object of a valid device index, or null.
CMXV* DeviceAt(int dev)
{
    return dev >= 0 && dev < deviceSlots ? deviceTable[dev] : nullptr;
}

// Creates the enumeration object on first use; false when the driver cannot be bound.
bool EnsureEnumerationObject()
{
    if (enumerationObject)
        return true;
    CMXV* candidate = new (std::nothrow) CMXV(libraryModule);
    if (!candidate || !candidate->LoadDriver()) {
        delete candidate;
        return false;
    }
    enumerationObject = candidate;
    return true;
}

// Index of the lowest empty slot, or -1 when all are taken.
int LowestFreeSlot()
{
    for (int n = 0; n < deviceSlots; ++n) {
        if (!deviceTable[n])
            return n;
    }
    return -1;
}

// Destroying an object closes its converter (power clear first) and releases the driver.
void DestroyAll()
{
    delete enumerationObject;
    enumerationObject = nullptr;
    for (CMXV*& slot : deviceTable) {
        delete slot;
        slot = nullptr;
    }
}

}  // namespace

int OVK47MXV_CALL GetDeviceCount(void)
{
    if (!EnsureEnumerationObject())
        return -1;
    lastDeviceCount = static_cast<int>(enumerationObject->EnumerateDevices());
    return lastDeviceCount;
}

// Does not enumerate again: the serials are those of the last GetDeviceCount.
int OVK47MXV_CALL GetDeviceSerial(int n, char* buf)
{
    if (!buf || n < 0 || n >= lastDeviceCount || !EnsureEnumerationObject())
        return 0;
    char list[serialListEntries][serialEntryBytes] = {};
    enumerationObject->GetSerialList(&list[0][0]);
    memcpy(buf, list[n], strlen(list[n]) + 1);
    return 1;
}

// Binds the driver anew for the object, opens the converter, then takes the
// lowest free slot; with all 32 taken the converter is closed again.
int OVK47MXV_CALL Open(const char* serial)
{
    CMXV* device = new (std::nothrow) CMXV(libraryModule);
    int slot = device && device->LoadDriver() && device->Open(serial) ? LowestFreeSlot() : -1;
    if (slot < 0) {
        delete device;
        return -1;
    }
    deviceTable[slot] = device;
    return slot;
}

int OVK47MXV_CALL Close(int dev)
{
    CMXV* device = DeviceAt(dev);
    if (!device)
        return 0;
    delete device;
    deviceTable[dev] = nullptr;
    return 1;
}

int OVK47MXV_CALL IsOpen(int dev)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->IsOpen() : 0;
}

int OVK47MXV_CALL SetRange(int dev, int range)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->SetRange(range) : OVK47MXV_NOT_OPEN;
}

// Needs only the fixed range table, so an invalid index falls back to the
// enumeration object when one exists.
int OVK47MXV_CALL ConvertFrequency(int dev, long long in, long long* out, int* range, int* inverted)
{
    CMXV* device = DeviceAt(dev);
    if (!device)
        device = enumerationObject;
    return device ? device->ConvertFrequency(in, out, range, inverted) : 0;
}

int OVK47MXV_CALL SetClearPower(int dev)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->SetClearPower() : 0;
}

int OVK47MXV_CALL WriteCalibrationData(int dev, const unsigned char* image, unsigned short length)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->WriteCalibrationData(image, length) : 0;
}

int OVK47MXV_CALL GetCalibrationData(int dev, unsigned start, unsigned char* buf, unsigned length,
                                     unsigned* header)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->GetCalibrationData(start, buf, length, header) : 0;
}

float OVK47MXV_CALL GetSSCorrection(int dev, unsigned long long frequency)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->GetSSCorrection(frequency) : 0.0f;
}

int OVK47MXV_CALL SendBuffer(int dev, const char* text)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->SendBuffer(text) : OVK47MXV_NOT_OPEN;
}

int OVK47MXV_CALL GetConfig(int dev, DeviceConfig* config)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->GetConfig(config) : 0;
}

int OVK47MXV_CALL IsAlive(int dev)
{
    CMXV* device = DeviceAt(dev);
    return device ? device->IsAlive() : 0;
}

// Process attach remembers the module. Detach by FreeLibrary (reserved is
// null) closes every converter still open (power clear first) and releases
// the driver library. Detach at the end of the process (reserved is not null)
// touches nothing: the driver library, loaded after this one, may already be
// detached, and other threads were stopped wherever they were, perhaps
// inside a converter's exchange. Hosts clear power by calling Close first.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        libraryModule = instance;
        lastDeviceCount = 0;
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        DestroyAll();
    }
    return TRUE;
}
