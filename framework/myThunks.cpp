#include "myThunks.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "myApplication.h"
#include "myComponents.h"

// Thunk layouts, one slot each (myThunkSlotBytes), object address at
// myThunkObjectOffset:
//
// x86 (13 bytes, WriteX86Thunk), called with the callback's four arguments
// on the stack: stores the object over the first argument and jumps.
//
// x64 (24 bytes), called with the first argument in rcx:
//   0  48 B9 <object:8>         mov rcx, object
//   10 FF 25 00 00 00 00        jmp [rip+0]                 ; the next 8 bytes
//   16 <target:8>
//
// Either way the target runs as if called with (object, second, third, fourth
// argument) and returns straight to the system.

namespace {

constexpr bool wideThunks = sizeof(void*) == 8;

constexpr unsigned char x86StoreObject[4] = {0xC7, 0x44, 0x24, 0x04};
constexpr unsigned char x86Jump = 0xE9;
constexpr unsigned x86ObjectOffset = 4;
constexpr unsigned x86JumpOffset = 9;

constexpr unsigned char x64LoadObject[2] = {0x48, 0xB9};
constexpr unsigned char x64JumpIndirect[6] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
constexpr unsigned x64JumpOffset = 10;
constexpr unsigned x64TargetOffset = 16;

// Bytes of the space that hold slots; the rest is never used.
constexpr uintptr_t usedSpaceBytes = uintptr_t{myThunkSlotCount} * myThunkSlotBytes;

static_assert(myX86ThunkBytes == x86JumpOffset + 4, "the x86 thunk ends with its jump");
static_assert(myThunkSlotBytes == (wideThunks ? x64TargetOffset + 8 : myX86ThunkBytes),
              "a slot holds one thunk of the build's word size");
static_assert(myThunkObjectOffset == (wideThunks ? sizeof x64LoadObject : x86ObjectOffset),
              "the object address follows the first instruction's code");
static_assert(usedSpaceBytes <= myThunkSpaceBytes, "all slots fit in the space");

unsigned char* SlotAddress(unsigned slot)
{
    return Application.ThunkSpace + slot * myThunkSlotBytes;
}

void StoreLittleEndian32(unsigned char* bytes, uint32_t value)
{
    for (unsigned i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t Address32(const void* address)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address));
}

// Writes the whole stub: code, object address, jump to target.
void WriteThunk(unsigned char* thunk, const void* target, void* object)
{
    if (wideThunks) {
        memcpy(thunk, x64LoadObject, sizeof x64LoadObject);
        memcpy(thunk + myThunkObjectOffset, &object, sizeof object);
        memcpy(thunk + x64JumpOffset, x64JumpIndirect, sizeof x64JumpIndirect);
        memcpy(thunk + x64TargetOffset, &target, sizeof target);
    } else {
        WriteX86Thunk(thunk, Address32(thunk), Address32(object), Address32(target));
    }
    FlushInstructionCache(GetCurrentProcess(), thunk, myThunkSlotBytes);
}

// Byte offset of address in the thunk space; addresses below the space give
// huge offsets.
uintptr_t SpaceOffset(const void* address)
{
    return reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(Application.ThunkSpace);
}

// The slot that starts at address, or -1.
int SlotAt(const void* address)
{
    uintptr_t offset = SpaceOffset(address);
    if (!Application.ThunkSpace || offset >= usedSpaceBytes || offset % myThunkSlotBytes != 0)
        return -1;
    return static_cast<int>(offset / myThunkSlotBytes);
}

LRESULT CALLBACK WindowTarget(void* object, UINT message, WPARAM wParam, LPARAM lParam)
{
    return static_cast<TmyComponent*>(object)->WndProc(message, wParam, lParam);
}

void CALLBACK TimerTarget(void* object, UINT, UINT_PTR id, DWORD)
{
    static_cast<TmyControl*>(object)->Timer(id);
}

}  // namespace

void* AllocThunk(const void* target, void* object)
{
    int slot = Application.ThunkSpace ? Application.ThunkSlots.FirstExcluded() : -1;
    if (slot < 0) {
        DebugOutput("No free WndProc thunk\r\n");
        return nullptr;
    }
    if (static_cast<unsigned>(slot) > Application.HighestThunkIndex)
        Application.HighestThunkIndex = slot;
    Application.ThunkSlots.Include(slot);
    unsigned char* thunk = SlotAddress(slot);
    WriteThunk(thunk, target, object);
    return thunk;
}

void* ControlByThunk(const void* address)
{
    uintptr_t offset = SpaceOffset(address);
    if (!Application.ThunkSpace || offset >= usedSpaceBytes) {
        Trace(&Application, 0, "ControlByThunk not found, thunk=%p, Space=%p, Size=%x", address,
              static_cast<void*>(Application.ThunkSpace), myThunkSpaceBytes);
        return nullptr;
    }
    if (offset % myThunkSlotBytes != 0) {
        Trace(&Application, 0, "ControlByThunk not aligned, thunk=%p, Space=%p, Size=%x", address,
              static_cast<void*>(Application.ThunkSpace), myThunkSpaceBytes);
        return nullptr;
    }
    return Application.ThunkObject(static_cast<unsigned>(offset / myThunkSlotBytes));
}

// A null thunk (a control that never got one) is ignored. Anything else that
// is not a slot in use changes nothing: rewriting it would corrupt a slot of
// another object, or memory outside the space.
void FreeThunk(void* thunk)
{
    if (!thunk)
        return;
    int slot = SlotAt(thunk);
    if (slot < 0 || !Application.ThunkSlots.Contains(slot)) {
        Trace(&Application, 0, "Trying to free nonexisting WNDPROC thunk");
        return;
    }
    // The object bytes stay: they name the control the late call was meant for.
    WriteThunk(static_cast<unsigned char*>(thunk), reinterpret_cast<const void*>(&OrphanWndProc),
               Application.ThunkObject(static_cast<unsigned>(slot)));
    Application.ThunkSlots.Exclude(slot);
}

// The window argument is the object address still written in the thunk.
LRESULT CALLBACK OrphanWndProc(HWND window, UINT message, WPARAM, LPARAM)
{
    char line[64];
    snprintf(line, sizeof line, "Message %x to non-existing control %llx\r\n", message,
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    DebugOutput(line);
    return 0;
}

void WriteX86Thunk(unsigned char* bytes, uint32_t slotAddress, uint32_t object, uint32_t target)
{
    memcpy(bytes, x86StoreObject, sizeof x86StoreObject);
    StoreLittleEndian32(bytes + x86ObjectOffset, object);
    bytes[x86JumpOffset - 1] = x86Jump;
    // The distance is signed; unsigned arithmetic wraps to the same 32 bits.
    StoreLittleEndian32(bytes + x86JumpOffset, target - (slotAddress + myX86ThunkBytes));
}

void* myWindowTarget()
{
    return reinterpret_cast<void*>(&WindowTarget);
}

void* myTimerTarget()
{
    return reinterpret_cast<void*>(&TimerTarget);
}
