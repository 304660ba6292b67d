// The FTDI D2XX driver interface as the API library uses it: the status and
// handle types, the device-information node, the 14 entry points and the
// latency timer's two, all with the WINAPI convention (none outside 32-bit
// Windows). The simulated converter exports the same functions.
#pragma once

#include "D2xxTypes.h"

#include <cstddef>

using FT_STATUS = ULONG;
using FT_HANDLE = PVOID;

// Status values the library relies on; every non-zero status is a failure.
constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_OTHER_ERROR = 18;

// FT_OpenEx: open by serial number.
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
// FT_Purge: the receive queue; both the receive and the transmit queue.
constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_RX_TX = 3;

// One entry of FT_GetDeviceInfoList: 100 bytes on 32-bit, 104 on 64-bit
// (Windows and Linux alike: ULONG and DWORD are 32 bits on both).
struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;  // vendor identifier in the high 16 bits, product identifier in the low 16
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, ID) == 8, "identifier at 8");
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, SerialNumber) == 16, "serial at 16");
static_assert(sizeof(FT_DEVICE_LIST_INFO_NODE) == 96 + sizeof(void*), "node is 100 or 104 bytes");

// Entry-point types, named after the functions.
using FT_OpenEx_t = FT_STATUS(WINAPI*)(PVOID arg, DWORD flags, FT_HANDLE* handle);
using FT_ListDevices_t = FT_STATUS(WINAPI*)(PVOID arg1, PVOID arg2, DWORD flags);
using FT_Close_t = FT_STATUS(WINAPI*)(FT_HANDLE handle);
using FT_Read_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD returned);
using FT_Write_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD written);
using FT_ResetDevice_t = FT_STATUS(WINAPI*)(FT_HANDLE handle);
using FT_Purge_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, ULONG mask);
using FT_SetTimeouts_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, ULONG readMs, ULONG writeMs);
using FT_GetQueueStatus_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, DWORD* rxBytes);
using FT_CreateDeviceInfoList_t = FT_STATUS(WINAPI*)(LPDWORD count);
using FT_GetDeviceInfoList_t = FT_STATUS(WINAPI*)(FT_DEVICE_LIST_INFO_NODE* nodes, LPDWORD count);
using FT_GetStatus_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* events);
using FT_SetFlowControl_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff);
using FT_SetBaudRate_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, ULONG baud);
// The bridge's latency timer: how long it holds fewer than 62 received bytes
// before it sends them to the host, 2..255 ms (16 from the open).
// FT_SetLatencyTimer refuses other values with FT_INVALID_PARAMETER.
using FT_SetLatencyTimer_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, UCHAR ms);
using FT_GetLatencyTimer_t = FT_STATUS(WINAPI*)(FT_HANDLE handle, PUCHAR ms);
