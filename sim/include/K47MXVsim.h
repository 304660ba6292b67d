// Test controls of the simulated converter driver (OVK47MXVusb.dll,
// libk47mxv_usb.so), for programs in the same process as the API library:
// reconfigure the simulated bus, script replies, read the traffic log and
// the virtual clock. Resolve them with GetProcAddress (dlsym) on the driver
// module; all use WINAPI (no convention outside 32-bit Windows).
//
// Traffic lines, one per driver call, "\n"-terminated:
//   <ms with 3 decimals> <usb serial> <event>
// with events
//   open | open-refused | close | purge 3 | timeouts <read> <write> | baud <rate>
//   flow <mode> <xon> <xoff> | latency <ms> | write <hex bytes>
//   write-partial <asked> -> <hex bytes written> | write-failed <hex bytes>
//   read <asked> -> <hex bytes delivered> | read-failed <asked>
//   unplugged (a device vanishing at a byte, at that byte's time)
// (a failed configuration step appends " failed"). Hex bytes are two upper-case
// digits separated by blanks.
#pragma once

#ifdef _WIN32
#include <windows.h>
#elif !defined(WINAPI)
#define WINAPI
#endif

// Replaces the whole simulated bus by the configuration in iniText (the format
// of the K47MXV_SIM file, sim/README.md); null or "" restores the embedded
// default (one converter, realtime). Open handles become invalid. Clears the
// traffic and sets the virtual clock to 0. Returns 1, or 0 when the text does
// not parse (the bus is then empty).
using SIM_Configure_t = int(WINAPI*)(const char* iniText);
// Appends scripted replies for the next exchanges of one command of a device:
// command "f", "CP", "sn", "vr", "RC", "WF" or "raw"; replies in the INI form
// (e.g. "\"DT\", silence, \"P\\r\""). Returns 1, or 0 for an unknown device,
// command or reply.
using SIM_ScriptReply_t = int(WINAPI*)(const char* usbSerial, const char* command, const char* replies);
// Copies the traffic text into buffer (zero-terminated, cut to size) and
// returns its full length in bytes.
using SIM_GetTraffic_t = int(WINAPI*)(char* buffer, int size);
// Forgets the traffic recorded so far.
using SIM_ClearTraffic_t = void(WINAPI*)();
// Microseconds of simulated time since the last configuration.
using SIM_GetClock_t = unsigned long long(WINAPI*)();
// Copies length bytes of a device's 12288-byte memory from address; returns 1,
// or 0 for an unknown device or a range beyond the memory.
using SIM_ReadMemory_t = int(WINAPI*)(const char* usbSerial, unsigned address, unsigned char* buffer,
                                      unsigned length);
// Unplugs a device after the given number of further writes (0: at once):
// its handle then fails every call and it leaves the device list.
using SIM_Unplug_t = int(WINAPI*)(const char* usbSerial, int afterWrites);
// Makes a device vanish once hostBytes further bytes have crossed the serial
// line from the host to the converter, or converterBytes from the converter
// to the host, whichever comes first (0: that side is not counted; both 0
// cancel a pending vanish). Every call on its handle then fails. Returns 1,
// or 0 for an unknown device or a negative count.
using SIM_UnplugAfterBytes_t = int(WINAPI*)(const char* usbSerial, int hostBytes, int converterBytes);
