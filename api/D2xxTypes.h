// The Windows type names the D2XX interface is written in. On Windows they
// come from the system's headers; elsewhere they are defined as the bridge
// maker's Linux D2XX library defines them, so that the entry points and the
// device-information node have that library's layout: DWORD and ULONG are
// 32-bit unsigned int (not long), handles and PVOID pointers, and WINAPI
// names no calling convention.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
using DWORD = unsigned int;
using ULONG = unsigned int;
using USHORT = unsigned short;
using UCHAR = unsigned char;
using PUCHAR = UCHAR*;
using PVOID = void*;
using LPVOID = void*;
using LPDWORD = DWORD*;
#define WINAPI
static_assert(sizeof(DWORD) == 4 && sizeof(ULONG) == 4, "the D2XX library's 32-bit DWORD and ULONG");
#endif
