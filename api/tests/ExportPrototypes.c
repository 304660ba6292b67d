/* Names every function of the public header through its import, as a host
 * that links the import library does. The object is compiled, never linked:
 * its undefined symbols carry each export's name and, on 32-bit, the
 * argument bytes its prototype passes (__imp__SetRange@8). The export checks
 * compare the library against them. */
#include "OVK47MXV_API.h"

typedef void (*AnyFunction)(void);

/* The library has 14 exports. */
AnyFunction volatile everyExport[14];

void NameEveryExport(void)
{
    AnyFunction volatile* slot = everyExport;
    *slot++ = (AnyFunction)GetDeviceCount;
    *slot++ = (AnyFunction)GetDeviceSerial;
    *slot++ = (AnyFunction)Open;
    *slot++ = (AnyFunction)Close;
    *slot++ = (AnyFunction)IsOpen;
    *slot++ = (AnyFunction)SetRange;
    *slot++ = (AnyFunction)ConvertFrequency;
    *slot++ = (AnyFunction)SetClearPower;
    *slot++ = (AnyFunction)WriteCalibrationData;
    *slot++ = (AnyFunction)GetCalibrationData;
    *slot++ = (AnyFunction)GetSSCorrection;
    *slot++ = (AnyFunction)SendBuffer;
    *slot++ = (AnyFunction)GetConfig;
    *slot = (AnyFunction)IsAlive;
}
