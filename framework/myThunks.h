// Window-procedure and timer-procedure thunks: small pieces of machine code in
// the application's thunk space that bind a Win32 callback to an object. A
// thunk replaces the callback's first argument (the window handle) by the
// object's address and jumps to a target routine that calls the object.
#pragma once

#include <windows.h>

#include <cstdint>

// Binds target to object in the lowest free slot; null when all 5041 slots are
// in use ("No free WndProc thunk" goes to the debugger output).
void* AllocThunk(const void* target, void* object);
// The object bound to the thunk starting at address; null (with a trace line
// of the application) when address is not a slot start in the thunk space.
// A released slot still names its last object.
void* ControlByThunk(const void* address);
// Returns the slot; calls through the thunk reach OrphanWndProc from now on.
void FreeThunk(void* thunk);
// Where a released thunk leads: reports the call on the debugger output and
// answers 0 without touching the object.
LRESULT CALLBACK OrphanWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Bytes of the x86 thunk.
constexpr unsigned myX86ThunkBytes = 13;
// Writes the 13 bytes of the x86 thunk that sits at slotAddress and binds
// object to target:
//   0  C7 44 24 04 <object:4>          mov dword [esp+4], object
//   8  E9 <target - (slot + 13):4>     jmp target
// Addresses are 32-bit values: the 32-bit build writes its thunks with it,
// and the 64-bit build's tests check the layout byte for byte.
void WriteX86Thunk(unsigned char* bytes, uint32_t slotAddress, uint32_t object, uint32_t target);

// Target of a component's window procedure: calls its WndProc(message, wParam, lParam).
void* myWindowTarget();
// Target of a windowless control's timer procedure: calls its Timer(id).
void* myTimerTarget();
