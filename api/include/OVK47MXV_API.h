/*
 * OVK47MXV_API.h - the K47MXV device API library (OVK47MXV_API.dll on
 * Windows, libk47mxv_api.so.1 on Linux).
 *
 * The K47MXV is a USB-attached microwave down-converter covering 0 to 21 GHz
 * in 14 ranges. This library lists the converters on the USB bus, opens up to
 * 32 of them at once, selects ranges, clears the converter's power, converts
 * input frequencies to range, output frequency and inversion, and reads and
 * writes the calibration image kept in the converter.
 *
 * Loading: the library expects the FTDI D2XX driver library in its own
 * folder, named OVK47MXVusb.dll (or 47KMXVusb.dll) on Windows and
 * libk47mxv_usb.so on Linux.
 *
 * Calling convention: __stdcall on 32-bit Windows (the WINAPI convention),
 * the native convention on x64 Windows and on Linux. Exports carry plain,
 * undecorated names, so hosts may resolve them with GetProcAddress or dlsym
 * ("Open" and the like).
 *
 * Results: every function reports failure through its result; nothing throws.
 *   - counts and indices: -1 on failure (GetDeviceCount, Open);
 *   - truth values: 1 on success, 0 on failure (Close returns non-zero);
 *   - SetRange and SendBuffer: 0 on success, a negative OVK47MXV_* code.
 *
 * Last-error code: WriteCalibrationData and GetCalibrationData, given a
 * valid device index, mark the parameter errors they name, before any
 * traffic: ERROR_INVALID_PARAMETER (87) for GetLastError() on Windows,
 * EINVAL in errno on Linux. No function sets another code on purpose or
 * clears one, but the system and driver calls a function makes may leave
 * theirs: on Windows GetDeviceCount and Open leave LoadLibrary's code
 * (ERROR_MOD_NOT_FOUND, 126) when the driver library is missing and
 * GetProcAddress's (ERROR_PROC_NOT_FOUND, 127) when it lacks a function, and
 * may change the code when they succeed; on Linux any call may change
 * errno. To tell a parameter error, set the code (errno) to 0 before a
 * calibration call and read it right after its 0.
 *
 * Threads: calls on different open devices run in parallel on different
 * threads. Calls on one device are serialised, and so is its Close: a call
 * that starts after Close has begun finds the device not open, and calls
 * already running finish before Close clears the power. Open and Close may
 * run on any thread; GetDeviceCount and GetDeviceSerial must not run
 * concurrently with each other. The library starts no thread.
 *
 * Exit: FreeLibrary (dlclose on Linux) clears the power of every converter
 * still open and closes it. When the process ends with the library loaded
 * (returning from main, exit()), the library touches no converter (the
 * driver library may already be gone): a host clears power by calling Close
 * for each device before it exits.
 *
 * Every exchange with a converter is bounded: 100 ms read time-out (200 ms
 * while a calibration image is written) and at most three attempts. An
 * attempt whose reply is short or unusable waits one time-out more for the
 * rest of a late reply, so that no later exchange reads it as its own.
 */
#ifndef OVK47MXV_API_H
#define OVK47MXV_API_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define OVK47MXV_CALL __stdcall
#else
#define OVK47MXV_CALL
#endif

#if defined(_WIN32) && !defined(OVK47MXV_BUILDING)
#define OVK47MXV_EXPORT __declspec(dllimport)
#elif defined(OVK47MXV_BUILDING) && defined(__GNUC__)
#define OVK47MXV_EXPORT __attribute__((visibility("default")))
#else
#define OVK47MXV_EXPORT
#endif

enum {
    OVK47MXV_MAX_DEVICES = 32,          /* device indices run from 0 to 31; -1 means none */
    OVK47MXV_RANGE_COUNT = 14,          /* frequency ranges */
    OVK47MXV_SERIAL_BYTES = 17,         /* a serial buffer: 16 characters and the terminator */
    OVK47MXV_MAX_IMAGE_BYTES = 5400,    /* largest image WriteCalibrationData accepts */
    OVK47MXV_CALIBRATION_BYTES = 5318   /* calibration data offsets 0..5317 */
};

/* Results of SetRange and SendBuffer. */
enum {
    OVK47MXV_OK = 0,
    OVK47MXV_NOT_OPEN = -1,      /* invalid device index, or the converter is not open */
    OVK47MXV_BAD_RANGE = -3,     /* range outside 0..13 */
    OVK47MXV_WRITE_FAILED = -4,  /* the command could not be written */
    OVK47MXV_NO_REPLY = -5,      /* fewer than 2 reply bytes within two time-outs */
    OVK47MXV_REFUSED = -6,       /* the converter replied "X" */
    OVK47MXV_BAD_REPLY = -7,     /* any other reply */
    OVK47MXV_BUSY = -8           /* the converter answered "DT" (busy) to every attempt */
};

#pragma pack(push, 4)

/* One frequency range: inputs from..to (inclusive) mix with the local
 * oscillator; output = lo - input when inverted, input - lo otherwise.
 * Frequencies in Hz. 28 bytes. */
typedef struct RangeEntry {
    long long from;
    long long to;
    long long lo;
    int inverted;
} RangeEntry;

/* What GetConfig reports of an open converter. 432 bytes. */
typedef struct DeviceConfig {
    char serial[20];                         /* the converter's 8-character serial, zero-filled */
    int rangeCount;                          /* always 14 */
    RangeEntry ranges[OVK47MXV_RANGE_COUNT]; /* the fixed range table */
    char firmware[16];                       /* firmware version text, zero-terminated */
} DeviceConfig;

#pragma pack(pop)

/* Layout checks that hold in every C and C++ dialect: an array of negative
 * size stops the build when a record's size or a field's offset is not the
 * one the library and its hosts read by. */
typedef char OVK47MXV_RangeEntryIs28Bytes[sizeof(RangeEntry) == 28 ? 1 : -1];
typedef char OVK47MXV_DeviceConfigIs432Bytes[sizeof(DeviceConfig) == 432 ? 1 : -1];
typedef char OVK47MXV_RangeCountAt20[offsetof(DeviceConfig, rangeCount) == 20 ? 1 : -1];
typedef char OVK47MXV_RangeTableAt24[offsetof(DeviceConfig, ranges) == 24 ? 1 : -1];
typedef char OVK47MXV_FirmwareAt416[offsetof(DeviceConfig, firmware) == 416 ? 1 : -1];

/* Counts the converters on the USB bus and remembers their serials.
 * Returns the count (0 or more), or -1 when the driver library cannot be bound. */
OVK47MXV_EXPORT int OVK47MXV_CALL GetDeviceCount(void);

/* Copies the n-th serial of the last GetDeviceCount into buf (at least
 * OVK47MXV_SERIAL_BYTES bytes). Returns 1, or 0 when n is outside
 * 0..count-1 or buf is null. Does not enumerate again. */
OVK47MXV_EXPORT int OVK47MXV_CALL GetDeviceSerial(int n, char* buf);

/* Opens the converter with this USB serial. Returns its device index
 * 0..31 (the lowest free one), or -1 when it cannot be opened. */
OVK47MXV_EXPORT int OVK47MXV_CALL Open(const char* serial);

/* Clears the converter's power, closes it and frees its index, after the
 * calls on the device running on other threads have finished; calls that
 * start later find the device not open. Hosts call it for each open device
 * before they exit: the end of the process clears no converter's power.
 * Returns non-zero when a device was closed, 0 for an invalid index. */
OVK47MXV_EXPORT int OVK47MXV_CALL Close(int dev);

/* Returns 1 while the converter is open, else 0. */
OVK47MXV_EXPORT int OVK47MXV_CALL IsOpen(int dev);

/* Selects range 0..13. Returns OVK47MXV_OK (also when the range already
 * was selected, without traffic) or a negative OVK47MXV_* code. */
OVK47MXV_EXPORT int OVK47MXV_CALL SetRange(int dev, int range);

/* Converts an input frequency (Hz) to its range, output frequency (Hz) and
 * inversion flag; each out pointer may be null. Needs no open device once
 * GetDeviceCount has run. Returns 1 when a range covers the input
 * (0..21000000000 Hz), else 0 and writes nothing. */
OVK47MXV_EXPORT int OVK47MXV_CALL ConvertFrequency(int dev, long long in, long long* out,
                                                   int* range, int* inverted);

/* Sends the power-clear command and returns once it has crossed the serial
 * line (about 6 ms), so that the next command is not queued behind it.
 * Returns 1 when it was written, else 0. */
OVK47MXV_EXPORT int OVK47MXV_CALL SetClearPower(int dev);

/* Writes a whole calibration image (format byte, mask, data) to the
 * converter's memory from address 0 in 128-byte chunks, one memory write of
 * about 150 ms each, and reloads the calibration header. An image of several
 * chunks goes in as chunk 0 with format byte 0, chunks 1, 2, ... in order,
 * then chunk 0 as it is: a write interrupted at any point leaves calibration
 * that reads as invalid, never new and old data under a valid header. That
 * costs one write more (a full 5321-byte image: 43 writes, about 6.9 s).
 * Stops at the first chunk not answered "OK"; the header is reloaded then
 * too, so GetCalibrationData reports what the converter holds.
 * Returns 1, or 0; a null image or a length above OVK47MXV_MAX_IMAGE_BYTES
 * sets ERROR_INVALID_PARAMETER (errno EINVAL on Linux). */
OVK47MXV_EXPORT int OVK47MXV_CALL WriteCalibrationData(int dev, const unsigned char* image,
                                                       unsigned short length);

/* Copies length calibration bytes from data offset start into buf and, when
 * header is not null, stores 0x00010000 | mask (0 when the converter has no
 * valid calibration). A null buf or a length of 0 asks for the header only.
 * Returns 1, or 0; start + length above OVK47MXV_CALIBRATION_BYTES sets
 * ERROR_INVALID_PARAMETER (errno EINVAL on Linux). */
OVK47MXV_EXPORT int OVK47MXV_CALL GetCalibrationData(int dev, unsigned start, unsigned char* buf,
                                                     unsigned length, unsigned* header);

/* The SS correction for an input frequency (Hz), interpolated between two
 * calibration points; 0.0 when none can be given. */
OVK47MXV_EXPORT float OVK47MXV_CALL GetSSCorrection(int dev, unsigned long long frequency);

/* Writes a raw zero-terminated text to the converter (no reply is read) and
 * returns once it has crossed the serial line (its bytes at 9600 baud and
 * about 2 ms; any reply in that time is discarded). Returns OVK47MXV_OK (also for a null text), OVK47MXV_NOT_OPEN or
 * OVK47MXV_WRITE_FAILED after three failed attempts. */
OVK47MXV_EXPORT int OVK47MXV_CALL SendBuffer(int dev, const char* text);

/* Fills config with the converter's serial, range table and firmware
 * version. Returns 1, or 0 (the record may then be partly written). */
OVK47MXV_EXPORT int OVK47MXV_CALL GetConfig(int dev, DeviceConfig* config);

/* Returns 1 when the converter answers its serial-number query, else 0. */
OVK47MXV_EXPORT int OVK47MXV_CALL IsAlive(int dev);

#ifdef __cplusplus
}
#endif

#endif
