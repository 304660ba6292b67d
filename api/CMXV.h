// CMXV: one K47MXV converter (or, for enumeration, the driver binding alone):
// the USB link through the D2XX driver library, the command protocol, range
// selection and the calibration cache. Every exchange with the converter runs
// under the object's recursive lock.
//
// Implementation files: CMXV.cpp (construction, plain exchanges),
// CMXVLink.cpp (driver binding, enumeration, open, byte primitives),
// CMXVRanges.cpp (ranges, power, frequency conversion),
// CMXVCalibration.cpp (calibration image and SS correction).
#pragma once

#include <cstdint>

#include "CalibrationSegment.h"
#include "D2xx.h"
#include "IMXV.h"
#include "Platform.h"

// Link settings of an open converter.
constexpr ULONG readTimeoutMs = 100;
constexpr ULONG writeTimeoutMs = 100;
constexpr ULONG imageWriteReadTimeoutMs = 200;  // while a calibration image is written
constexpr ULONG linkBaudRate = 9600;
// The bridge's latency timer: what it is from the open, and what the library
// sets where the driver offers FT_SetLatencyTimer.
constexpr UCHAR defaultLatencyMs = 16;
constexpr UCHAR shortLatencyMs = 2;
// After the first line-end byte of a text reply the library waits at most the
// latency timer plus this many byte times, rounded up to whole ms, for a second.
constexpr ULONG lineEndWaitByteTimes = 2;
// Whole milliseconds count bytes of 10 bits take on the line, rounded up.
constexpr ULONG LineTimeMs(ULONG count)
{
    return (count * 10 * 1000 + linkBaudRate - 1) / linkBaudRate;
}
constexpr ULONG LineEndWaitMs(ULONG latencyMs)
{
    return latencyMs + LineTimeMs(lineEndWaitByteTimes);
}
static_assert(LineEndWaitMs(shortLatencyMs) == 5 && LineEndWaitMs(defaultLatencyMs) == 19, "line-end waits");
// A command that is answered by nothing is waited out until its bytes have
// crossed the line: their line time and this margin for the bridge to take
// them from the USB, so that the next command is not queued behind them and
// a closing power clear reaches the converter before the handle closes.
constexpr ULONG lineDrainMarginMs = 2;
// The converter drops an incomplete command when its next byte comes more
// than this long after the previous one.
constexpr ULONG incompleteCommandGapMs = 10;
// Attempts of a command that is repeated on failure.
constexpr int commandAttempts = 3;
// The serial list of the enumeration object.
constexpr unsigned serialListEntries = 64;
constexpr unsigned serialEntryBytes = 20;
// Longest USB serial the driver accepts, characters.
constexpr unsigned maxSerialChars = 16;
// "vr" CR: the converter answers "Version %d.%d" ended by CR or LF, at most 50 bytes.
inline constexpr unsigned char versionCommand[] = {'v', 'r', '\r'};
constexpr unsigned versionReplyBytes = 50;

class CMXV final : public IMXV {
public:
    // Builds an unbound, closed object that will look for the driver library
    // beside libraryModule.
    explicit CMXV(platform::ModuleHandle libraryModule);
    // Closes the converter (power clear first), releases the driver, deletes the lock.
    ~CMXV();
    CMXV(const CMXV&) = delete;
    CMXV& operator=(const CMXV&) = delete;

    // IMXV, in its slot order.
    int LoadDriver() override;
    void UnloadDriver() override;
    unsigned EnumerateDevices() override;
    int GetSerialList(char* list) override;
    int Open(const char* serial) override;
    void Close() override;
    int IsOpen() override;
    const char* GetSerial() override;
    int SetRange(int range) override;
    int ConvertFrequency(long long input, long long* output, int* range, int* inverted) override;
    int GetConfig(DeviceConfig* config) override;
    int IsAlive() override;
    int SetClearPower() override;

    // Writes a raw zero-terminated text; 0, OVK47MXV_NOT_OPEN or OVK47MXV_WRITE_FAILED.
    int SendBuffer(const char* text);

    // Calibration. Parameter errors set the platform's parameter error
    // (ERROR_INVALID_PARAMETER on Windows, errno EINVAL on Linux).
    // Writes a whole image (format byte, mask, data) from address 0; 1 or 0.
    int WriteCalibrationData(const unsigned char* image, unsigned short length);
    // Copies length data bytes from offset start and reports the header word; 1 or 0.
    int GetCalibrationData(unsigned start, unsigned char* buffer, unsigned length, unsigned* header);
    // Interpolated correction at frequency (Hz); 0.0 when none can be given.
    float GetSSCorrection(unsigned long long frequency);
    // Reads firmware version, format byte and mask; rebuilds the cache from nothing.
    void LoadCalibrationHeader();
    // Makes the cache block holding dataOffset present; 1 when it is.
    int LoadCalibrationBlock(unsigned dataOffset);
    // Reads exactly length bytes of converter memory from address; 1 or 0.
    int ReadMemory(uint16_t address, unsigned char* destination, uint16_t length);

private:
    // Holds the object's lock for one scope.
    class LockScope {
    public:
        explicit LockScope(platform::RecursiveLock& lock) : Lock(lock) { Lock.Enter(); }
        ~LockScope() { Lock.Leave(); }
        LockScope(const LockScope&) = delete;
        LockScope& operator=(const LockScope&) = delete;

    private:
        platform::RecursiveLock& Lock;
    };

    // Driver module, device handle, entry points and open serial: zeroed as a whole.
    struct LinkBlock {
        platform::ModuleHandle DriverModule;
        FT_HANDLE Handle;
        FT_OpenEx_t FT_OpenEx;
        FT_ListDevices_t FT_ListDevices;
        FT_Close_t FT_Close;
        FT_Read_t FT_Read;
        FT_Write_t FT_Write;
        FT_ResetDevice_t FT_ResetDevice;
        FT_Purge_t FT_Purge;
        FT_SetTimeouts_t FT_SetTimeouts;
        FT_GetQueueStatus_t FT_GetQueueStatus;
        FT_CreateDeviceInfoList_t FT_CreateDeviceInfoList;
        FT_GetDeviceInfoList_t FT_GetDeviceInfoList;
        FT_GetStatus_t FT_GetStatus;
        FT_SetFlowControl_t FT_SetFlowControl;
        FT_SetBaudRate_t FT_SetBaudRate;
        FT_SetLatencyTimer_t FT_SetLatencyTimer;  // optional: null when the driver lacks it
        char OpenSerial[serialEntryBytes];
        UCHAR LatencyMs;      // the bridge's latency timer in force
        ULONG ReadTimeoutMs;  // the read time-out in force
    };

    // Link primitives (CMXVLink.cpp).
    bool ResolveEntryPoints();
    bool ConfigureLink(FT_HANDLE handle);
    UCHAR ShortenLatency(FT_HANDLE handle);
    void PurgeLink();
    int WriteBytes(const void* bytes, DWORD count);
    int WriteUnanswered(const void* bytes, DWORD count);
    DWORD ReadBytes(void* buffer, DWORD count);
    DWORD ReadReply(void* buffer, DWORD limit, DWORD expected);
    DWORD ReadWithin(ULONG timeoutMs, void* buffer, DWORD count);
    void DiscardLateReply();
    void CloseLink();
    int SetLinkTimeouts(ULONG readMs, ULONG writeMs);
    // Reads a text reply up to its line end; see CMXV.cpp.
    void ReadTextReply(char (&text)[versionReplyBytes + 1]);
    void TakeLineEnd(char first);

    // Calibration helpers (CMXVCalibration.cpp).
    void ResetCalibrationCache();
    void PresetUncalibratedBlocks();
    void ZeroUncalibratedBytes(unsigned block);
    bool SendImageChunk(const unsigned char* image, unsigned length, uint16_t address);
    bool SendImage(const unsigned char* image, unsigned length);

    // Fields, in their fixed order.
    int Opened;
    int DriverBound;
    int CurrentRange;
    platform::ModuleHandle LibraryModule;
    unsigned DeviceCount;
    platform::RecursiveLock Lock;
    uint8_t CalibrationValid;
    uint64_t CachedFrequency;
    float CachedCorrection;
    uint16_t CalibrationMask;
    uint8_t CalibrationData[calibrationBytes];
    uint8_t BlockPresent[calibrationBlockCount];
    char SerialList[serialListEntries][serialEntryBytes];
    LinkBlock Link;
};
