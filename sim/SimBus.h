// The simulated USB bus: the attached devices, their handles and every
// driver call and test control, behind one lock. The exports forward here.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "D2xx.h"
#include "Platform.h"
#include "SimClock.h"
#include "SimConfig.h"
#include "SimDevice.h"
#include "SimLink.h"
#include "SimTraffic.h"

// One attached device as the driver sees it: its USB side, and the link
// with the converter behind the bridge.
struct SimPort {
    // position: 0 for the first device on the bus.
    SimPort(const SimDeviceSettings& settings, const SimBusSettings& bus, size_t position);

    std::string usbSerial;
    uint32_t id;
    bool refuseOpen;
    SimFailingStep failingStep;
    unsigned failWrites;                         // further writes that fail
    unsigned writesUntilUnplug;                  // 0 = no unplug pending
    std::map<unsigned, unsigned> partialWrites;  // successful write number -> bytes it takes
    unsigned writes = 0;                         // successful writes so far
    std::unique_ptr<SimLink> link;
    uintptr_t handle = 0;          // value of the open handle, 0 while closed
    bool vanishLogged = false;     // the "unplugged" line of a vanish at a byte is out
};

class SimBus {
public:
    // The process's bus, configured on first use from the file named by
    // K47MXV_SIM, or the embedded default without it. Not destroyed while
    // the process ends: the API library may still call in after this
    // library's own detach.
    static SimBus& Instance();
    // Destroys the bus when a host unloads the library: nobody can call in
    // any more, and a library loaded again makes a fresh one.
    static void Release();

    // D2XX entry points, arguments and results as in D2xx.h.
    FT_STATUS OpenEx(PVOID arg, DWORD flags, FT_HANDLE* handle);
    FT_STATUS ListDevices(PVOID arg1, PVOID arg2, DWORD flags);
    FT_STATUS Close(FT_HANDLE handle);
    FT_STATUS Read(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD returned);
    FT_STATUS Write(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD written);
    FT_STATUS ResetDevice(FT_HANDLE handle);
    FT_STATUS Purge(FT_HANDLE handle, ULONG mask);
    FT_STATUS SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs);
    FT_STATUS GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes);
    FT_STATUS CreateDeviceInfoList(LPDWORD count);
    FT_STATUS GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* nodes, LPDWORD count);
    FT_STATUS GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* events);
    FT_STATUS SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff);
    FT_STATUS SetBaudRate(FT_HANDLE handle, ULONG baud);
    FT_STATUS SetLatencyTimer(FT_HANDLE handle, UCHAR ms);
    FT_STATUS GetLatencyTimer(FT_HANDLE handle, PUCHAR ms);

    // Test controls, arguments and results as in K47MXVsim.h.
    int Configure(const char* iniText);
    int ScriptReply(const char* usbSerial, const char* command, const char* replies);
    int GetTraffic(char* buffer, int size);
    void ClearTraffic();
    unsigned long long GetClock();
    int ReadMemory(const char* usbSerial, unsigned address, unsigned char* buffer, unsigned length);
    int Unplug(const char* usbSerial, int afterWrites);
    int UnplugAfterBytes(const char* usbSerial, int hostBytes, int converterBytes);

private:
    class Lock;

    SimBus();
    // Replaces the bus by the configuration text; an empty bus when it fails.
    bool ConfigureText(const std::string& text);
    bool Rebuild(const SimBusSettings& settings);
    SimPort* FindHandle(FT_HANDLE handle);
    SimPort* FindSerial(const char* usbSerial);
    std::vector<SimPort*> Attached();
    // Whether the device is still on the bus now; logs its vanishing at a byte once.
    bool Present(SimPort& port);
    // Whether a call on handle reaches its device: FT_OK with port set, or the failure.
    FT_STATUS Reach(FT_HANDLE handle, SimPort*& port);
    // A configuration call: applied and logged as event, or refused (apply
    // returns false for a bad value) and logged as failed.
    template <typename Apply>
    FT_STATUS Setting(FT_HANDLE handle, SimFailingStep step, const std::string& event, Apply apply);
    void Log(const SimPort& port, const std::string& event);
    void UnplugNow(SimPort& port);

    platform::RecursiveLock lock_;
    SimClock clock_;
    SimTraffic traffic_;
    std::vector<SimPort> ports_;
    uintptr_t lastHandle_;
};
