// The USB link of a CMXV object: binding the D2XX driver library found beside
// the API library, listing the converters on the bus, opening one by serial
// number, and the byte primitives the command layer builds on.
#include <cstring>
#include <memory>
#include <new>

#include "CMXV.h"

namespace {

// Device identifier of a converter: vendor 0x5A17 (high 16 bits), product 0x0C42.
constexpr ULONG converterDeviceId = 0x5A170C42;
// Room for bytes read only to be discarded: more than the line carries in
// any wait of the library (about one byte a millisecond).
constexpr DWORD discardBytes = 1024;

// Resolves one entry point by name into its typed slot; true when found.
template <typename EntryPoint>
bool Resolve(platform::ModuleHandle module, const char* name, EntryPoint& entry)
{
    entry = reinterpret_cast<EntryPoint>(platform::FindDriverFunction(module, name));
    return entry != nullptr;
}

}  // namespace

int CMXV::LoadDriver()
{
    if (DriverBound)
        return 1;
    Link.DriverModule = platform::LoadDriverLibrary(LibraryModule);
    if (!Link.DriverModule)
        return 0;
    if (!ResolveEntryPoints()) {
        platform::FreeDriverLibrary(Link.DriverModule);
        Link = LinkBlock{};
        return 0;
    }
    DriverBound = 1;
    return 1;
}

// All 14 entry points are required, even the four the library never calls.
// FT_SetLatencyTimer is optional: a driver without it is bound all the same.
bool CMXV::ResolveEntryPoints()
{
    platform::ModuleHandle m = Link.DriverModule;
    bool required = Resolve(m, "FT_Write", Link.FT_Write) && Resolve(m, "FT_Read", Link.FT_Read) &&
                    Resolve(m, "FT_OpenEx", Link.FT_OpenEx) && Resolve(m, "FT_ListDevices", Link.FT_ListDevices) &&
                    Resolve(m, "FT_Close", Link.FT_Close) && Resolve(m, "FT_ResetDevice", Link.FT_ResetDevice) &&
                    Resolve(m, "FT_Purge", Link.FT_Purge) && Resolve(m, "FT_SetTimeouts", Link.FT_SetTimeouts) &&
                    Resolve(m, "FT_GetQueueStatus", Link.FT_GetQueueStatus) &&
                    Resolve(m, "FT_CreateDeviceInfoList", Link.FT_CreateDeviceInfoList) &&
                    Resolve(m, "FT_GetDeviceInfoList", Link.FT_GetDeviceInfoList) &&
                    Resolve(m, "FT_GetStatus", Link.FT_GetStatus) &&
                    Resolve(m, "FT_SetFlowControl", Link.FT_SetFlowControl) &&
                    Resolve(m, "FT_SetBaudRate", Link.FT_SetBaudRate);
    Resolve(m, "FT_SetLatencyTimer", Link.FT_SetLatencyTimer);
    return required;
}

// Does not close a device handle: Close always runs first.
void CMXV::UnloadDriver()
{
    if (!DriverBound)
        return;
    platform::FreeDriverLibrary(Link.DriverModule);
    Link = LinkBlock{};
    DriverBound = 0;
}

// Fills the serial list with the converters among the driver's devices, in
// the driver's order; other FTDI-based devices are skipped. At most 64.
unsigned CMXV::EnumerateDevices()
{
    DeviceCount = 0;
    if (!DriverBound)
        return 0;
    LockScope lock(Lock);
    DWORD count = 0;
    if (Link.FT_CreateDeviceInfoList(&count) != FT_OK)
        return 0;
    memset(SerialList, 0, sizeof SerialList);
    if (count == 0)
        return 0;
    std::unique_ptr<FT_DEVICE_LIST_INFO_NODE[]> nodes(new (std::nothrow) FT_DEVICE_LIST_INFO_NODE[count]);
    DWORD listed = count;
    if (!nodes || Link.FT_GetDeviceInfoList(nodes.get(), &listed) != FT_OK)
        return 0;
    unsigned filled = 0;
    for (DWORD i = 0; i < listed && i < count && filled < serialListEntries; ++i) {
        const FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        if (node.ID == converterDeviceId)
            memcpy(SerialList[filled++], node.SerialNumber, strnlen(node.SerialNumber, maxSerialChars));
    }
    DeviceCount = filled;
    return filled;
}

int CMXV::GetSerialList(char* list)
{
    if (!list)
        return 0;
    memcpy(list, SerialList, DeviceCount * serialEntryBytes);
    return 1;
}

// Opens by serial number and configures the link: 100/100 ms time-outs,
// 9600 baud, no flow control, then the short latency timer where the driver
// offers it. Then loads the calibration header, whose outcome does not
// change the result.
int CMXV::Open(const char* serial)
{
    Link.OpenSerial[0] = '\0';
    if (!DriverBound || !serial || strnlen(serial, maxSerialChars + 1) > maxSerialChars)
        return 0;
    LockScope lock(Lock);
    FT_HANDLE handle = nullptr;
    if (Link.FT_OpenEx(const_cast<char*>(serial), FT_OPEN_BY_SERIAL_NUMBER, &handle) != FT_OK)
        return 0;
    if (!ConfigureLink(handle)) {
        Link.FT_Close(handle);
        return 0;
    }
    strcpy(Link.OpenSerial, serial);
    Link.LatencyMs = ShortenLatency(handle);
    Link.ReadTimeoutMs = readTimeoutMs;
    Link.Handle = handle;
    Opened = 1;
    LoadCalibrationHeader();
    return 1;
}

bool CMXV::ConfigureLink(FT_HANDLE handle)
{
    return Link.FT_SetTimeouts(handle, readTimeoutMs, writeTimeoutMs) == FT_OK &&
           Link.FT_SetBaudRate(handle, linkBaudRate) == FT_OK &&
           Link.FT_SetFlowControl(handle, 0, 0, 0) == FT_OK;
}

// The bridge holds received bytes until its latency timer expires: 16 ms
// from the open, most of a range selection's time. Sets it to 2 ms where the
// driver exports FT_SetLatencyTimer; returns the latency in force.
UCHAR CMXV::ShortenLatency(FT_HANDLE handle)
{
    if (Link.FT_SetLatencyTimer && Link.FT_SetLatencyTimer(handle, shortLatencyMs) == FT_OK)
        return shortLatencyMs;
    return defaultLatencyMs;
}

const char* CMXV::GetSerial()
{
    return Link.OpenSerial;
}

// Discards what has come in. Host bytes not yet on the line stay queued: a
// transmit purge would cut a command written just before (a power clear)
// and leave the converter a fragment.
void CMXV::PurgeLink()
{
    LockScope lock(Lock);
    if (Link.Handle)
        Link.FT_Purge(Link.Handle, FT_PURGE_RX);
}

// 1 when all count bytes were written. A driver that takes part of them is
// given the rest until a write makes no progress. A command left incomplete
// on the line is waited out: the converter drops it once the line has been
// quiet for its command gap, so the next command starts clean.
int CMXV::WriteBytes(const void* bytes, DWORD count)
{
    LockScope lock(Lock);
    if (!Opened)
        return 0;
    const char* next = static_cast<const char*>(bytes);
    DWORD sent = 0;
    for (;;) {
        DWORD written = 0;
        if (Link.FT_Write(Link.Handle, const_cast<char*>(next + sent), count - sent, &written) != FT_OK)
            break;
        sent += written < count - sent ? written : count - sent;
        if (sent == count)
            return 1;
        if (written == 0)
            break;
    }
    if (sent > 0) {
        char discarded[discardBytes];
        ReadWithin(LineTimeMs(sent) + incompleteCommandGapMs + 1, discarded, sizeof discarded);
    }
    return 0;
}

// Writes a command the converter does not answer, then waits, bounded, until
// its bytes have crossed the line: a write returns once the driver has
// taken the bytes, and bytes still queued would hold back the next
// command's reply or be lost when the handle closes. Whatever comes in
// meanwhile is no exchange's reply and is discarded. 1 or 0 as WriteBytes.
int CMXV::WriteUnanswered(const void* bytes, DWORD count)
{
    LockScope lock(Lock);
    if (!WriteBytes(bytes, count))
        return 0;
    char discarded[discardBytes];
    ReadWithin(LineTimeMs(count) + lineDrainMarginMs, discarded, sizeof discarded);
    return 1;
}

// Bytes read within the read time-out (0..count); 0 also on any failure.
DWORD CMXV::ReadBytes(void* buffer, DWORD count)
{
    LockScope lock(Lock);
    if (!Opened)
        return 0;
    DWORD received = 0;
    if (Link.FT_Read(Link.Handle, buffer, count, &received) != FT_OK)
        return 0;
    return received < count ? received : count;
}

// Reads up to limit bytes of a reply whose length should be expected. A reply
// still short at the read time-out may be late: it gets one more read
// time-out for the rest. Nothing else was written since the exchange's
// purge, so late bytes are this command's own reply.
DWORD CMXV::ReadReply(void* buffer, DWORD limit, DWORD expected)
{
    LockScope lock(Lock);
    DWORD received = ReadBytes(buffer, limit);
    if (received < expected)
        received += ReadBytes(static_cast<char*>(buffer) + received, limit - received);
    return received;
}

// Reads under a read time-out of timeoutMs, then sets back the one in force.
// A time-out that cannot be set reads nothing.
DWORD CMXV::ReadWithin(ULONG timeoutMs, void* buffer, DWORD count)
{
    LockScope lock(Lock);
    ULONG inForce = Link.ReadTimeoutMs;
    if (!SetLinkTimeouts(timeoutMs, writeTimeoutMs))
        return 0;
    DWORD received = ReadBytes(buffer, count);
    SetLinkTimeouts(inForce, writeTimeoutMs);
    return received;
}

// After a reply the exchange cannot use (wrong bytes, too long, a text
// without its line end): lets the rest of it arrive for one read time-out
// and discards it, so that the next command reads only its own reply.
void CMXV::DiscardLateReply()
{
    LockScope lock(Lock);
    char discarded[discardBytes];
    ReadBytes(discarded, sizeof discarded);
    PurgeLink();
}

void CMXV::CloseLink()
{
    if (!Link.Handle)
        return;
    Link.FT_Close(Link.Handle);
    Link.Handle = nullptr;
}

int CMXV::SetLinkTimeouts(ULONG readMs, ULONG writeMs)
{
    LockScope lock(Lock);
    if (!Link.Handle || Link.FT_SetTimeouts(Link.Handle, readMs, writeMs) != FT_OK)
        return 0;
    Link.ReadTimeoutMs = readMs;
    return 1;
}
