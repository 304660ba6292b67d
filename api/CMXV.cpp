// CMXV construction and the plain exchanges of the command protocol: closing,
// the alive check, raw text and the configuration query.
//
// Every exchange holds the object's lock from its first purge to its last
// read. Commands are two ASCII letters and CR (0x0D); replies are judged by
// their byte count and first bytes only.
#include <cstring>

#include "CMXV.h"
#include "RangeTable.h"

namespace {

// "sn" CR: the converter answers its 8-character serial and one more byte.
constexpr unsigned char serialCommand[] = {'s', 'n', '\r'};
constexpr DWORD serialReplyBytes = 9;
constexpr DWORD serialCharacters = 8;
// IsAlive reads up to this many bytes of the serial reply.
constexpr DWORD aliveReplyLimit = 64;
// GetConfig reads up to this many bytes of the serial reply.
constexpr DWORD configReplyLimit = 50;
// Characters of the version text kept in DeviceConfig.
constexpr size_t firmwareCharacters = sizeof(DeviceConfig::firmware) - 1;

// Copies at most maxChars characters of text, stopping at its terminator,
// into a zero-filled field.
template <size_t FieldBytes>
void FillTextField(char (&field)[FieldBytes], const char* text, size_t maxChars)
{
    static_assert(FieldBytes > 0, "a field has room");
    memset(field, 0, FieldBytes);
    memcpy(field, text, strnlen(text, maxChars < FieldBytes ? maxChars : FieldBytes - 1));
}

}  // namespace

CMXV::CMXV(platform::ModuleHandle libraryModule)
    : Opened(0), DriverBound(0), CurrentRange(-1), LibraryModule(libraryModule), DeviceCount(0), Lock(),
      CalibrationValid(0), CachedFrequency(0), CachedCorrection(0.0f), CalibrationMask(0), CalibrationData(),
      BlockPresent(), SerialList(), Link()
{
    ResetCalibrationCache();
}

CMXV::~CMXV()
{
    Close();
    UnloadDriver();
}

// Sends the power-clear command, then closes the handle once its bytes have
// crossed the line: closing drops bytes the bridge has not yet sent.
void CMXV::Close()
{
    Link.OpenSerial[0] = '\0';
    LockScope lock(Lock);
    if (!Opened)
        return;
    SetClearPower();
    CloseLink();
    CurrentRange = -1;
    Opened = 0;
}

int CMXV::IsOpen()
{
    return Opened;
}

// Sends "sn" CR and expects exactly 9 bytes within the read time-out.
int CMXV::IsAlive()
{
    LockScope lock(Lock);
    if (!Opened)
        return 0;
    PurgeLink();
    if (!WriteBytes(serialCommand, sizeof serialCommand))  // "sn" CR
        return 0;
    unsigned char reply[aliveReplyLimit];
    DWORD received = ReadReply(reply, sizeof reply, serialReplyBytes);
    if (received > serialReplyBytes)
        DiscardLateReply();
    return received == serialReplyBytes;
}

// Writes the text without its terminator, up to three attempts, and waits
// until it has crossed the line; no reply is read.
int CMXV::SendBuffer(const char* text)
{
    if (!text)
        return OVK47MXV_OK;
    LockScope lock(Lock);
    if (!Opened)
        return OVK47MXV_NOT_OPEN;
    DWORD length = static_cast<DWORD>(strlen(text));
    for (int attempt = 0; attempt < commandAttempts; ++attempt) {
        PurgeLink();
        if (WriteUnanswered(text, length))
            return OVK47MXV_OK;
    }
    return OVK47MXV_WRITE_FAILED;
}

// Serial from "sn" CR, the fixed range table, firmware version from "vr" CR.
// A failure after the purge leaves the record partly written.
int CMXV::GetConfig(DeviceConfig* config)
{
    if (!config)
        return 0;
    LockScope lock(Lock);
    if (!Opened)
        return 0;
    PurgeLink();
    config->rangeCount = rangeCount;
    if (!WriteBytes(serialCommand, sizeof serialCommand))  // "sn" CR
        return 0;
    char serial[configReplyLimit] = {};
    DWORD received = ReadReply(serial, configReplyLimit, serialReplyBytes);  // 8 characters + 1
    if (received != serialReplyBytes) {
        if (received > serialReplyBytes)
            DiscardLateReply();
        return 0;
    }
    FillTextField(config->serial, serial, serialCharacters);
    memcpy(config->ranges, rangeTable, sizeof config->ranges);
    if (!WriteBytes(versionCommand, sizeof versionCommand))  // "vr" CR
        return 0;
    char version[versionReplyBytes + 1];
    ReadTextReply(version);
    version[strcspn(version, "\r\n")] = '\0';
    FillTextField(config->firmware, version, firmwareCharacters);
    return 1;
}

// Reads a text reply of up to 50 bytes one byte at a time and stops at its
// line end, so a finished reply does not wait out the read time-out. Also
// stops at a read that times out and once the read time-out's worth of time
// has passed since the first read: the time-out bounds the whole reply. A
// reply that ends without its line end is unusable: its rest is discarded.
// The text is zero-terminated.
void CMXV::ReadTextReply(char (&text)[versionReplyBytes + 1])
{
    LockScope lock(Lock);
    memset(text, 0, sizeof text);
    uint32_t started = platform::NowMs();
    for (DWORD count = 0; count < versionReplyBytes && ReadBytes(text + count, 1) == 1;) {
        char last = text[count++];
        if (last == '\r' || last == '\n') {
            TakeLineEnd(last);
            return;
        }
        if (platform::NowMs() - started >= Link.ReadTimeoutMs)
            break;
    }
    DiscardLateReply();
}

// A line end is CR, LF, CR LF or LF CR, and the bridge may send its second
// byte in a later packet than the first: after the first, waits for a
// second as long as one more byte takes to cross the line and reach the
// host (the latency timer and two byte times), so that none of it is left
// for the next exchange. A byte other than the other line-end character
// means a reply longer than its line: its rest is discarded.
void CMXV::TakeLineEnd(char first)
{
    char second = 0;
    if (ReadWithin(LineEndWaitMs(Link.LatencyMs), &second, 1) == 1 && second != (first == '\r' ? '\n' : '\r'))
        DiscardLateReply();
}
