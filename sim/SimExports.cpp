// The driver library's exports: the 14 D2XX entry points the API library
// binds, the latency timer's two and the test controls of K47MXVsim.h, all
// forwarding to the bus.
// Exported by plain name through the .def files.
#include <type_traits>

#include "D2xx.h"
#include "K47MXVsim.h"
#include "SimBus.h"
#include "SimPlatform.h"

void simplatform::LibraryUnloading() { SimBus::Release(); }

extern "C" {

FT_STATUS WINAPI FT_OpenEx(PVOID arg, DWORD flags, FT_HANDLE* handle) {
    return SimBus::Instance().OpenEx(arg, flags, handle);
}

FT_STATUS WINAPI FT_ListDevices(PVOID arg1, PVOID arg2, DWORD flags) {
    return SimBus::Instance().ListDevices(arg1, arg2, flags);
}

FT_STATUS WINAPI FT_Close(FT_HANDLE handle) { return SimBus::Instance().Close(handle); }

FT_STATUS WINAPI FT_Read(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD returned) {
    return SimBus::Instance().Read(handle, buffer, count, returned);
}

FT_STATUS WINAPI FT_Write(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD written) {
    return SimBus::Instance().Write(handle, buffer, count, written);
}

FT_STATUS WINAPI FT_ResetDevice(FT_HANDLE handle) { return SimBus::Instance().ResetDevice(handle); }

FT_STATUS WINAPI FT_Purge(FT_HANDLE handle, ULONG mask) { return SimBus::Instance().Purge(handle, mask); }

FT_STATUS WINAPI FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    return SimBus::Instance().SetTimeouts(handle, readMs, writeMs);
}

FT_STATUS WINAPI FT_GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes) {
    return SimBus::Instance().GetQueueStatus(handle, rxBytes);
}

FT_STATUS WINAPI FT_CreateDeviceInfoList(LPDWORD count) { return SimBus::Instance().CreateDeviceInfoList(count); }

FT_STATUS WINAPI FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* nodes, LPDWORD count) {
    return SimBus::Instance().GetDeviceInfoList(nodes, count);
}

FT_STATUS WINAPI FT_GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* events) {
    return SimBus::Instance().GetStatus(handle, rxBytes, txBytes, events);
}

FT_STATUS WINAPI FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
    return SimBus::Instance().SetFlowControl(handle, flow, xon, xoff);
}

FT_STATUS WINAPI FT_SetBaudRate(FT_HANDLE handle, ULONG baud) { return SimBus::Instance().SetBaudRate(handle, baud); }

FT_STATUS WINAPI FT_SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    return SimBus::Instance().SetLatencyTimer(handle, ms);
}

FT_STATUS WINAPI FT_GetLatencyTimer(FT_HANDLE handle, PUCHAR ms) {
    return SimBus::Instance().GetLatencyTimer(handle, ms);
}

int WINAPI SIM_Configure(const char* iniText) { return SimBus::Instance().Configure(iniText); }

int WINAPI SIM_ScriptReply(const char* usbSerial, const char* command, const char* replies) {
    return SimBus::Instance().ScriptReply(usbSerial, command, replies);
}

int WINAPI SIM_GetTraffic(char* buffer, int size) { return SimBus::Instance().GetTraffic(buffer, size); }

void WINAPI SIM_ClearTraffic() { SimBus::Instance().ClearTraffic(); }

unsigned long long WINAPI SIM_GetClock() { return SimBus::Instance().GetClock(); }

int WINAPI SIM_ReadMemory(const char* usbSerial, unsigned address, unsigned char* buffer, unsigned length) {
    return SimBus::Instance().ReadMemory(usbSerial, address, buffer, length);
}

int WINAPI SIM_Unplug(const char* usbSerial, int afterWrites) {
    return SimBus::Instance().Unplug(usbSerial, afterWrites);
}

int WINAPI SIM_UnplugAfterBytes(const char* usbSerial, int hostBytes, int converterBytes) {
    return SimBus::Instance().UnplugAfterBytes(usbSerial, hostBytes, converterBytes);
}

}  // extern "C"

// Every export has exactly the type its callers resolve it as.
template <typename Function, typename Expected>
constexpr bool kSameType = std::is_same<Function, Expected>::value;
static_assert(kSameType<decltype(&FT_OpenEx), FT_OpenEx_t>, "FT_OpenEx");
static_assert(kSameType<decltype(&FT_ListDevices), FT_ListDevices_t>, "FT_ListDevices");
static_assert(kSameType<decltype(&FT_Close), FT_Close_t>, "FT_Close");
static_assert(kSameType<decltype(&FT_Read), FT_Read_t>, "FT_Read");
static_assert(kSameType<decltype(&FT_Write), FT_Write_t>, "FT_Write");
static_assert(kSameType<decltype(&FT_ResetDevice), FT_ResetDevice_t>, "FT_ResetDevice");
static_assert(kSameType<decltype(&FT_Purge), FT_Purge_t>, "FT_Purge");
static_assert(kSameType<decltype(&FT_SetTimeouts), FT_SetTimeouts_t>, "FT_SetTimeouts");
static_assert(kSameType<decltype(&FT_GetQueueStatus), FT_GetQueueStatus_t>, "FT_GetQueueStatus");
static_assert(kSameType<decltype(&FT_CreateDeviceInfoList), FT_CreateDeviceInfoList_t>, "FT_CreateDeviceInfoList");
static_assert(kSameType<decltype(&FT_GetDeviceInfoList), FT_GetDeviceInfoList_t>, "FT_GetDeviceInfoList");
static_assert(kSameType<decltype(&FT_GetStatus), FT_GetStatus_t>, "FT_GetStatus");
static_assert(kSameType<decltype(&FT_SetFlowControl), FT_SetFlowControl_t>, "FT_SetFlowControl");
static_assert(kSameType<decltype(&FT_SetBaudRate), FT_SetBaudRate_t>, "FT_SetBaudRate");
static_assert(kSameType<decltype(&FT_SetLatencyTimer), FT_SetLatencyTimer_t>, "FT_SetLatencyTimer");
static_assert(kSameType<decltype(&FT_GetLatencyTimer), FT_GetLatencyTimer_t>, "FT_GetLatencyTimer");
static_assert(kSameType<decltype(&SIM_Configure), SIM_Configure_t>, "SIM_Configure");
static_assert(kSameType<decltype(&SIM_ScriptReply), SIM_ScriptReply_t>, "SIM_ScriptReply");
static_assert(kSameType<decltype(&SIM_GetTraffic), SIM_GetTraffic_t>, "SIM_GetTraffic");
static_assert(kSameType<decltype(&SIM_ClearTraffic), SIM_ClearTraffic_t>, "SIM_ClearTraffic");
static_assert(kSameType<decltype(&SIM_GetClock), SIM_GetClock_t>, "SIM_GetClock");
static_assert(kSameType<decltype(&SIM_ReadMemory), SIM_ReadMemory_t>, "SIM_ReadMemory");
static_assert(kSameType<decltype(&SIM_Unplug), SIM_Unplug_t>, "SIM_Unplug");
static_assert(kSameType<decltype(&SIM_UnplugAfterBytes), SIM_UnplugAfterBytes_t>, "SIM_UnplugAfterBytes");
