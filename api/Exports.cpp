// The library's exports, its device table of 32 slots and the enumeration
// object, and what the library's load and unload do. The export layer checks
// device indices and forwards to the CMXV object of the slot; it does no
// input or output of its own.
//
// Threads: the slots are read and changed under one table lock that is held
// only for those few steps, never across an exchange with a converter, so
// calls on different devices run in parallel. Each slot counts the calls in
// flight on its object: Close first marks the slot closing, so that calls
// starting later find the device not open, then waits for the calls in
// flight to return before it destroys the object. Calls on one device are
// serialised by the object's own lock. Enumeration (GetDeviceCount,
// GetDeviceSerial) takes no lock: hosts do not enumerate concurrently.
#include <cstring>
#include <new>

#include "CMXV.h"

namespace {

constexpr int deviceSlots = OVK47MXV_MAX_DEVICES;

// One slot of the device table; its fields change only under tableLock.
struct DeviceSlot {
    CMXV* Device;    // the open converter's object; null while the slot is free
    unsigned Calls;  // calls on Device in flight
    bool Closing;    // Close has begun: calls starting now find the device not open
};

// The API library's own module: every CMXV looks for the driver beside it.
platform::ModuleHandle libraryModule;
// Guards every slot; held briefly, and released while Close waits. Woken
// whenever the last call in flight on a slot returns.
platform::TableLock tableLock;
// Slot n holds the object of the converter opened as device index n.
DeviceSlot deviceTable[deviceSlots];
// Binds the driver for enumeration only; lives until the library is unloaded.
CMXV* enumerationObject;
// Result of the last successful GetDeviceCount.
int lastDeviceCount;

// Holds the table lock for one scope.
class TableScope {
public:
    TableScope() { tableLock.Acquire(); }
    ~TableScope() { tableLock.Release(); }
    TableScope(const TableScope&) = delete;
    TableScope& operator=(const TableScope&) = delete;
};

// The slot of a valid device index, or null.
DeviceSlot* SlotAt(int dev)
{
    return dev >= 0 && dev < deviceSlots ? &deviceTable[dev] : nullptr;
}

// One export's call on a device index: while it lives, Close leaves the
// slot's object alone. False when the index holds no open converter or its
// Close has begun.
class DeviceCall {
public:
    explicit DeviceCall(int dev) : Slot(SlotAt(dev))
    {
        TableScope table;
        if (Slot && Slot->Device && !Slot->Closing)
            ++Slot->Calls;
        else
            Slot = nullptr;
    }
    ~DeviceCall()
    {
        if (!Slot)
            return;
        TableScope table;
        if (--Slot->Calls == 0)
            tableLock.WakeAll();
    }
    DeviceCall(const DeviceCall&) = delete;
    DeviceCall& operator=(const DeviceCall&) = delete;

    explicit operator bool() const { return Slot != nullptr; }
    CMXV* operator->() const { return Slot->Device; }

private:
    DeviceSlot* Slot;
};

// Marks the slot closing, waits until its calls in flight have returned (each
// is bounded by its exchanges' time-outs) and hands over its object; null
// when the index holds no open converter or another Close has begun.
CMXV* BeginClose(int dev)
{
    DeviceSlot* slot = SlotAt(dev);
    TableScope table;
    if (!slot || !slot->Device || slot->Closing)
        return nullptr;
    slot->Closing = true;
    while (slot->Calls > 0)
        tableLock.Wait();
    return slot->Device;
}

// Empties the slot of a closed converter, for the next Open.
void EndClose(int dev)
{
    TableScope table;
    deviceTable[dev] = DeviceSlot{};
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

// Stores device in the lowest empty slot and returns its index, or -1 when
// all are taken. A slot whose Close has not finished is not empty.
int ClaimLowestFreeSlot(CMXV* device)
{
    TableScope table;
    for (int n = 0; n < deviceSlots; ++n) {
        if (!deviceTable[n].Device) {
            deviceTable[n].Device = device;
            return n;
        }
    }
    return -1;
}

}  // namespace

void LibraryLoaded(platform::ModuleHandle self)
{
    libraryModule = self;
    lastDeviceCount = 0;
}

// Destroying an object closes its converter (power clear first) and releases
// the driver. Runs while a host unloads the library, when no call can be in
// flight; never while the process ends (hosts call Close before they exit).
void LibraryUnloading()
{
    delete enumerationObject;
    enumerationObject = nullptr;
    for (DeviceSlot& slot : deviceTable) {
        delete slot.Device;
        slot = DeviceSlot{};
    }
}

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
    int slot = device && device->LoadDriver() && device->Open(serial) ? ClaimLowestFreeSlot(device) : -1;
    if (slot < 0)
        delete device;
    return slot;
}

// Calls on the index that start from now on find it not open; those in
// flight return before the converter's power is cleared and the object goes.
int OVK47MXV_CALL Close(int dev)
{
    CMXV* device = BeginClose(dev);
    if (!device)
        return 0;
    delete device;
    EndClose(dev);
    return 1;
}

int OVK47MXV_CALL IsOpen(int dev)
{
    DeviceCall device(dev);
    return device ? device->IsOpen() : 0;
}

int OVK47MXV_CALL SetRange(int dev, int range)
{
    DeviceCall device(dev);
    return device ? device->SetRange(range) : OVK47MXV_NOT_OPEN;
}

// Needs only the fixed range table, so an invalid index falls back to the
// enumeration object when one exists.
int OVK47MXV_CALL ConvertFrequency(int dev, long long in, long long* out, int* range, int* inverted)
{
    DeviceCall device(dev);
    if (device)
        return device->ConvertFrequency(in, out, range, inverted);
    return enumerationObject ? enumerationObject->ConvertFrequency(in, out, range, inverted) : 0;
}

int OVK47MXV_CALL SetClearPower(int dev)
{
    DeviceCall device(dev);
    return device ? device->SetClearPower() : 0;
}

int OVK47MXV_CALL WriteCalibrationData(int dev, const unsigned char* image, unsigned short length)
{
    DeviceCall device(dev);
    return device ? device->WriteCalibrationData(image, length) : 0;
}

int OVK47MXV_CALL GetCalibrationData(int dev, unsigned start, unsigned char* buf, unsigned length,
                                     unsigned* header)
{
    DeviceCall device(dev);
    return device ? device->GetCalibrationData(start, buf, length, header) : 0;
}

float OVK47MXV_CALL GetSSCorrection(int dev, unsigned long long frequency)
{
    DeviceCall device(dev);
    return device ? device->GetSSCorrection(frequency) : 0.0f;
}

int OVK47MXV_CALL SendBuffer(int dev, const char* text)
{
    DeviceCall device(dev);
    return device ? device->SendBuffer(text) : OVK47MXV_NOT_OPEN;
}

int OVK47MXV_CALL GetConfig(int dev, DeviceConfig* config)
{
    DeviceCall device(dev);
    return device ? device->GetConfig(config) : 0;
}

int OVK47MXV_CALL IsAlive(int dev)
{
    DeviceCall device(dev);
    return device ? device->IsAlive() : 0;
}
