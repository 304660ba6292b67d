// IMXV: the device interface through which the export layer drives a
// converter object. It has no data, no base and no virtual destructor:
// objects are always created and destroyed as CMXV.
#pragma once

#include "OVK47MXV_API.h"

class IMXV {
public:
    // The slot order of these operations is part of the interface's contract;
    // new operations go at the end.

    // Binds the D2XX driver library found beside the API library; 1 when bound.
    virtual int LoadDriver() = 0;
    // Releases the driver library; the device must be closed first.
    virtual void UnloadDriver() = 0;
    // Lists the converters on the bus into the serial list; returns their number.
    virtual unsigned EnumerateDevices() = 0;
    // Copies the valid serial-list entries (20 bytes each) into list; returns 1.
    virtual int GetSerialList(char* list) = 0;
    // Opens and configures the converter with this USB serial; 1 when open.
    virtual int Open(const char* serial) = 0;
    // Clears the converter's power and closes its handle.
    virtual void Close() = 0;
    virtual int IsOpen() = 0;
    // The open converter's USB serial; empty while closed.
    virtual const char* GetSerial() = 0;
    // Selects range 0..13; 0 or a negative OVK47MXV_* code.
    virtual int SetRange(int range) = 0;
    // Maps an input frequency (Hz) to range, output frequency and inversion; 1 when covered.
    virtual int ConvertFrequency(long long input, long long* output, int* range, int* inverted) = 0;
    // Fills the record with serial, range table and firmware version; 1 when filled.
    virtual int GetConfig(DeviceConfig* config) = 0;
    // 1 when the converter answers its serial-number query.
    virtual int IsAlive() = 0;
    // Sends the power-clear command; 1 when it was written.
    virtual int SetClearPower() = 0;

protected:
    ~IMXV() = default;
};
