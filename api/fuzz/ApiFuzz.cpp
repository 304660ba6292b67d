// libFuzzer target of the API library: each input sets up a simulated bus
// (link model, packet phases, reply delays, partial and failing writes,
// firmware text, a missing driver) and then runs a sequence of exports on
// it, with scripted replies and converters vanishing at a byte in between.
// Time is the simulator's virtual clock, so time-outs cost nothing.
//
// Checked on every call, aborting on a violation: the result is one the
// export documents; the call ends within its bound of virtual time (an
// invalid device index, a bad range or a parameter error within none); a
// device index is the lowest free one; a record, serial or calibration
// buffer is given exactly its size on the heap, so AddressSanitizer reports
// any byte written or read beyond it. While the converter's replies are
// ones a converter sends (no scripted bytes or garbage, delays within
// 50 ms), calibration read back equals the converter's memory and an image
// written is what the memory then holds.
//
// Input layout, bytes from the front (0 once they run out):
//   bus:  flags, jitter seed, reply delay ms, partial write number, its
//         byte count, failing writes, [firmware length and text],
//         [failing configuration step] (the flags say which are there)
//   then operations until the input ends: one byte (modulo the count of
//         operations) and that operation's argument bytes.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "CalibrationSegment.h"
#include "K47MXVsim.h"
#include "OVK47MXV_API.h"
#include "Platform.h"
#include "PlatformFuzz.h"
#include "RangeTable.h"

extern "C" {
int WINAPI SIM_Configure(const char* iniText);
int WINAPI SIM_ScriptReply(const char* usbSerial, const char* command, const char* replies);
unsigned long long WINAPI SIM_GetClock();
int WINAPI SIM_GetTraffic(char* buffer, int size);
int WINAPI SIM_ReadMemory(const char* usbSerial, unsigned address, unsigned char* buffer, unsigned length);
int WINAPI SIM_UnplugAfterBytes(const char* usbSerial, int hostBytes, int converterBytes);
}

namespace {

// The bus: a converter, optionally a second one and another FTDI product.
constexpr const char* firstSerial = "K4700001";
constexpr const char* secondSerial = "K4700002";
constexpr const char* foreignSerial = "FTX12345";
// Serials Open is tried with: the three above, one no device has, one too long.
constexpr const char* openSerials[] = {firstSerial, secondSerial, foreignSerial, "K4799999",
                                       "K47000011234567890"};
constexpr const char* scriptCommands[] = {"f", "CP", "sn", "vr", "RC", "WF", "raw"};
constexpr const char* failingSteps[] = {"timeouts", "baud", "flow", "latency"};

// Bus flags (first input byte).
constexpr uint8_t bridgeLinkFlag = 0x01;
constexpr uint8_t noCalibrationFlag = 0x02;
constexpr uint8_t secondConverterFlag = 0x04;
constexpr uint8_t foreignDeviceFlag = 0x08;
constexpr uint8_t refuseOpenFlag = 0x10;
constexpr uint8_t firmwareTextFlag = 0x20;
constexpr uint8_t failConfigFlag = 0x40;
constexpr uint8_t oldDriverFlag = 0x80;  // no latency timer; with failing config: no driver at all

// Replies a converter may send arrive within this delay; later ones, and
// scripted bytes, may be taken for the next exchange's reply.
constexpr unsigned trustedDelayMs = 50;
constexpr unsigned maxGarbageBytes = 64;
constexpr unsigned maxScriptedBytes = 16;
constexpr unsigned maxFirmwareBytes = 24;

// Bounds in virtual time. An exchange waits at most three read time-outs
// (the reply, the rest of a late one, an unusable remainder discarded) plus
// the short waits for a line end's second byte (up to 19 ms) and for an
// incomplete command to be dropped (its bytes' line time and 11 ms: 19 ms
// for 7 bytes, 152 ms for an image chunk's 135).
constexpr uint64_t readTimeoutMs = 100;
constexpr uint64_t imageReadTimeoutMs = 200;
constexpr uint64_t exchangeMs = 3 * readTimeoutMs + 40;
constexpr uint64_t imageExchangeMs = 3 * imageReadTimeoutMs + 175;
constexpr unsigned imageChunkBytes = 128;
// Correction values: half a unit per signed count, interpolated.
constexpr float maxCorrection = 64.0f;

const bool tracing = getenv("K47MXV_FUZZ_TRACE") != nullptr;

// With K47MXV_FUZZ_TRACE set, a failure shows the traffic that led to it.
[[noreturn]] void Fail(const char* export_, const char* what)
{
    if (tracing) {
        std::string traffic(SIM_GetTraffic(nullptr, 0) + 1, '\0');
        SIM_GetTraffic(&traffic[0], static_cast<int>(traffic.size()));
        fputs(traffic.c_str(), stderr);
    }
    fprintf(stderr, "ApiFuzz: %s: %s\n", export_, what);
    abort();
}

void Require(bool holds, const char* export_, const char* what)
{
    if (!holds)
        Fail(export_, what);
}

// Input bytes, consumed from the front; 0 once they run out.
class Input {
public:
    Input(const uint8_t* data, size_t size) : Data(data), Size(size) {}
    bool Empty() const { return Next >= Size; }
    uint8_t Byte() { return Next < Size ? Data[Next++] : 0; }
    unsigned Word()
    {
        unsigned low = Byte();
        return low | unsigned{Byte()} << 8;
    }
    uint64_t Bytes(int count)
    {
        uint64_t value = 0;
        for (int i = 0; i < count; ++i)
            value |= uint64_t{Byte()} << (8 * i);
        return value;
    }
    std::string Text(unsigned length)
    {
        std::string text;
        while (length-- > 0 && !Empty())
            text += static_cast<char>(Byte());
        return text;
    }

private:
    const uint8_t* Data;
    size_t Size;
    size_t Next = 0;
};

// A quoted configuration text with every byte escaped.
std::string Quoted(const std::string& bytes)
{
    std::string text = "\"";
    char escape[5];
    for (unsigned char byte : bytes) {
        snprintf(escape, sizeof escape, "\\x%02X", byte);
        text += escape;
    }
    return text + "\"";
}

// A heap block of exactly its size, so that AddressSanitizer catches an
// access beyond either end.
template <typename T>
std::unique_ptr<T[]> Exact(size_t count)
{
    return std::unique_ptr<T[]>(new T[count]());
}

// One input's run: the bus it configures, the devices the library opened,
// and whether the converters' replies can be trusted for data checks.
class Session {
public:
    explicit Session(Input& input) : In(input) {}

    void Run()
    {
        Require(SIM_Configure(BusText().c_str()) == 1, "SIM_Configure", "the bus text does not parse");
        LibraryLoaded(&In);
        while (!In.Empty())
            RunOperation(In.Byte());
        LibraryUnloading();
        fuzzplatform::driverPresent = true;
        fuzzplatform::latencyTimerPresent = true;
    }

private:
    std::string BusText()
    {
        uint8_t flags = In.Byte();
        std::string text = "[simulator]\ntiming = virtual\n";
        text += flags & bridgeLinkFlag ? "link = bridge\n" : "link = ideal\n";
        text += "jitter = " + std::to_string(In.Byte()) + "\n";
        if (flags & foreignDeviceFlag)
            text += std::string("[device]\nusb_serial = ") + foreignSerial + "\nid = 0x04036001\n";
        text += std::string("[device]\nusb_serial = ") + firstSerial + "\n";
        unsigned delayMs = In.Byte();
        Trusted = delayMs <= trustedDelayMs;
        text += "reply_delay = " + std::to_string(delayMs) + "\n";
        unsigned partialWrite = In.Byte();
        unsigned partialBytes = In.Byte();
        if (partialWrite)
            text += "partial_writes = " + std::to_string(partialWrite) + ":" + std::to_string(partialBytes) + "\n";
        text += "fail_writes = " + std::to_string(In.Byte() % 8) + "\n";
        if (flags & noCalibrationFlag)
            text += "calibration = none\n";
        if (flags & refuseOpenFlag)
            text += "open = refuse\n";
        if (flags & firmwareTextFlag)
            text += "firmware = " + Quoted(In.Text(In.Byte() % (maxFirmwareBytes + 1))) + "\n";
        if (flags & failConfigFlag)
            text += std::string("fail_config = ") + failingSteps[In.Byte() % 4] + "\n";
        if (flags & secondConverterFlag)
            text += std::string("[device]\nusb_serial = ") + secondSerial + "\n";
        Converters = flags & secondConverterFlag ? 2 : 1;
        ForeignDevice = flags & foreignDeviceFlag;
        fuzzplatform::latencyTimerPresent = !(flags & oldDriverFlag);
        fuzzplatform::driverPresent = (flags & (oldDriverFlag | failConfigFlag)) != (oldDriverFlag | failConfigFlag);
        return text;
    }

    void RunOperation(uint8_t code)
    {
        switch (code % 12) {
        case 0: return Count();
        case 1: return OpenOne();
        case 2: return SelectRange();
        case 3: return QueryConfig();
        case 4: return CheckAlive();
        case 5: return ClearPower();
        case 6: return ReadCalibration();
        case 7: return WriteCalibration();
        case 8: return Correction();
        case 9: return CloseOne();
        case 10: return Script();
        default: return Vanish();
        }
    }

    // A device index: the last one opened, the lowest open one, -1 or 32, or
    // any of -1..32.
    int PickDevice()
    {
        uint8_t b = In.Byte();
        switch (b % 4) {
        case 0: return LastOpened;
        case 1:
            for (int n = 0; n < OVK47MXV_MAX_DEVICES; ++n) {
                if (IsOpenIndex(n))
                    return n;
            }
            return 0;
        case 2: return b & 4 ? -1 : OVK47MXV_MAX_DEVICES;
        default: return static_cast<int>(b / 4 % (OVK47MXV_MAX_DEVICES + 2)) - 1;
        }
    }

    bool OnBus(const char* serial) const
    {
        return strcmp(serial, firstSerial) == 0 || (strcmp(serial, secondSerial) == 0 && Converters > 1) ||
               (strcmp(serial, foreignSerial) == 0 && ForeignDevice);
    }

    bool IsOpenIndex(int dev) const { return dev >= 0 && dev < OVK47MXV_MAX_DEVICES && !OpenSerial[dev].empty(); }

    // Runs one export and checks that it ended within boundMs of virtual
    // time; one bound by 0 must not reach a converter at all, unless it
    // enumerates (the driver's device list notices a converter gone). With
    // K47MXV_FUZZ_TRACE set, says what it returned and how long it took.
    template <typename Call>
    auto Timed(const char* export_, uint64_t boundMs, Call call, bool enumerates = false) -> decltype(call())
    {
        unsigned long long started = SIM_GetClock();
        int traffic = SIM_GetTraffic(nullptr, 0);
        auto result = call();
        unsigned long long tookUs = SIM_GetClock() - started;
        if (tracing)
            fprintf(stderr, "%s -> %g in %.3f ms\n", export_, static_cast<double>(result), tookUs / 1000.0);
        Require(tookUs <= boundMs * 1000, export_, "ended beyond its time bound");
        Require(boundMs > 0 || enumerates || SIM_GetTraffic(nullptr, 0) == traffic, export_, "reached a converter");
        return result;
    }

    void Count()
    {
        int count = Timed("GetDeviceCount", 0, [] { return GetDeviceCount(); }, true);
        if (!fuzzplatform::driverPresent) {
            Require(count == -1, "GetDeviceCount", "not -1 without a driver library");
            return;
        }
        Require(count >= 0 && count <= Converters, "GetDeviceCount", "not the converters on the bus");
        for (int n = 0; n <= count; ++n) {
            std::unique_ptr<char[]> serial = Exact<char>(OVK47MXV_SERIAL_BYTES);
            int copied = Timed("GetDeviceSerial", 0, [&] { return GetDeviceSerial(n, serial.get()); });
            Require(copied == (n < count), "GetDeviceSerial", "not 1 exactly for indices below the count");
            Require(!copied || strcmp(serial.get(), firstSerial) == 0 || strcmp(serial.get(), secondSerial) == 0,
                    "GetDeviceSerial", "not a converter's serial");
        }
    }

    void OpenOne()
    {
        const char* serial = openSerials[In.Byte() % 5];
        int expected = 0;
        bool alreadyOpen = false;
        for (int n = OVK47MXV_MAX_DEVICES - 1; n >= 0; --n) {
            if (!IsOpenIndex(n))
                expected = n;
            else if (OpenSerial[n] == serial)
                alreadyOpen = true;
        }
        int dev = Timed("Open", 2 * exchangeMs, [&] { return Open(serial); });
        if (dev == -1)
            return;
        Require(dev == expected, "Open", "not -1 or the lowest free index");
        Require(!alreadyOpen && OnBus(serial), "Open", "opened a serial that is open already or that no device has");
        OpenSerial[dev] = serial;
        LastOpened = dev;
        Require(IsOpen(dev) == 1, "IsOpen", "not 1 after Open");
    }

    void SelectRange()
    {
        int dev = PickDevice();
        int range = In.Byte() % 17 - 1;
        bool immediate = !IsOpenIndex(dev) || range < 0 || range >= OVK47MXV_RANGE_COUNT;
        int result = Timed("SetRange", immediate ? 0 : 3 * exchangeMs, [&] { return SetRange(dev, range); });
        if (!IsOpenIndex(dev))
            Require(result == OVK47MXV_NOT_OPEN, "SetRange", "not -1 for an invalid index");
        else if (immediate)
            Require(result == OVK47MXV_BAD_RANGE, "SetRange", "not -3 for a range outside 0..13");
        else
            Require(result == OVK47MXV_OK || (result <= OVK47MXV_WRITE_FAILED && result >= OVK47MXV_BUSY),
                    "SetRange", "not a documented result");
    }

    void QueryConfig()
    {
        int dev = PickDevice();
        bool giveRecord = In.Byte() & 1;
        std::unique_ptr<DeviceConfig[]> config = Exact<DeviceConfig>(1);
        DeviceConfig* record = giveRecord ? config.get() : nullptr;
        bool immediate = !IsOpenIndex(dev) || !giveRecord;
        int result = Timed("GetConfig", immediate ? 0 : 2 * exchangeMs, [&] { return GetConfig(dev, record); });
        Require(result == 0 || (result == 1 && !immediate), "GetConfig", "not 0 or 1, or 1 without a record");
        if (!result)
            return;
        Require(config[0].rangeCount == OVK47MXV_RANGE_COUNT &&
                    memcmp(config[0].ranges, rangeTable, sizeof rangeTable) == 0,
                "GetConfig", "range table not the fixed one");
        Require(memchr(config[0].serial, 0, sizeof config[0].serial) && memchr(config[0].firmware, 0, 16),
                "GetConfig", "serial or firmware text not terminated");
        Require(!Trusted || strcmp(config[0].serial, OpenSerial[dev].c_str()) == 0, "GetConfig",
                "serial not the converter's");
    }

    void CheckAlive()
    {
        int dev = PickDevice();
        int result = Timed("IsAlive", IsOpenIndex(dev) ? exchangeMs : 0, [&] { return IsAlive(dev); });
        Require(result == 1 ? IsOpenIndex(dev) : result == 0, "IsAlive", "not 0 or 1, or 1 for an invalid index");
    }

    void ClearPower()
    {
        int dev = PickDevice();
        int result = Timed("SetClearPower", IsOpenIndex(dev) ? 3 * exchangeMs : 0, [&] { return SetClearPower(dev); });
        Require(result == 1 ? IsOpenIndex(dev) : result == 0, "SetClearPower", "not 0 or 1, or 1 for an invalid index");
    }

    void ReadCalibration()
    {
        int dev = PickDevice();
        unsigned start = In.Word() % (calibrationBytes + 100);
        unsigned length = In.Word() % (calibrationBytes + 100);
        uint8_t shape = In.Byte();
        std::unique_ptr<unsigned char[]> buffer = Exact<unsigned char>(length ? length : 1);
        std::unique_ptr<unsigned[]> header = Exact<unsigned>(1);
        unsigned char* data = shape & 1 ? nullptr : buffer.get();
        unsigned* word = shape & 2 ? nullptr : header.get();
        bool tooLong = start + length > calibrationBytes;
        unsigned blocks = data && length ? (start + length - 1) / calibrationBlockBytes - start / calibrationBlockBytes + 1 : 0;
        bool immediate = !IsOpenIndex(dev) || tooLong;
        errno = 0;
        int result = Timed("GetCalibrationData", immediate ? 0 : blocks * exchangeMs,
                           [&] { return GetCalibrationData(dev, start, data, length, word); });
        Require(result == 0 || (result == 1 && !immediate), "GetCalibrationData", "not 0 or 1, or 1 for bad arguments");
        Require(!IsOpenIndex(dev) || !tooLong || errno == EINVAL, "GetCalibrationData",
                "past the data end without EINVAL");
        if (!result)
            return;
        unsigned char memoryHeader[3] = {};
        SIM_ReadMemory(OpenSerial[dev].c_str(), imageFormatAddress, memoryHeader, sizeof memoryHeader);
        unsigned mask = memoryHeader[1] | memoryHeader[2] << 8;
        bool readData = data && length > 0;
        if (word)
            Require(*word == 0 ? !readData : (*word & 0xFFFF0000u) == 0x00010000u, "GetCalibrationData",
                    "header word malformed, or 0 while data was read");
        if (!Trusted)
            return;
        if (word && *word)
            Require(*word == (0x00010000u | mask) && memoryHeader[0] == imageFormat, "GetCalibrationData",
                    "header word not the converter's");
        if (readData)
            ExpectCalibration(dev, start, data, length, mask);
    }

    // Data of segments the mask marks calibrated are the converter's memory;
    // those of the others read as 0.
    void ExpectCalibration(int dev, unsigned start, const unsigned char* data, unsigned length, unsigned mask)
    {
        std::unique_ptr<unsigned char[]> memory = Exact<unsigned char>(length);
        SIM_ReadMemory(OpenSerial[dev].c_str(), imageDataAddress + start, memory.get(), length);
        for (unsigned s = 0; s < calibrationSegmentCount; ++s) {
            const CalibrationSegment& segment = calibrationSegments[s];
            for (unsigned k = segment.offset; k < segment.offset + segment.size; ++k) {
                if (k < start || k >= start + length)
                    continue;
                unsigned char expected = mask & (1u << s) ? memory[k - start] : 0;
                Require(data[k - start] == expected, "GetCalibrationData", "data not the converter's memory");
            }
        }
    }

    void WriteCalibration()
    {
        int dev = PickDevice();
        unsigned length = In.Word() % (OVK47MXV_MAX_IMAGE_BYTES + 2);
        uint8_t shape = In.Byte();
        uint8_t pattern = In.Byte();
        std::unique_ptr<unsigned char[]> image = Exact<unsigned char>(length ? length : 1);
        for (unsigned i = 0; i < length; ++i)
            image[i] = static_cast<unsigned char>(pattern * (i + 1) >> (shape >> 5));
        if (length > 0)
            image[0] = shape & 2 ? 1 : pattern;
        const unsigned char* given = shape & 1 ? nullptr : image.get();
        bool invalid = !given || length > OVK47MXV_MAX_IMAGE_BYTES;
        bool immediate = !IsOpenIndex(dev) || invalid;
        unsigned chunks = (length + imageChunkBytes - 1) / imageChunkBytes + (length > imageChunkBytes);
        errno = 0;
        int result = Timed("WriteCalibrationData",
                           immediate ? 0 : chunks * imageExchangeMs + 2 * exchangeMs,
                           [&] { return WriteCalibrationData(dev, given, static_cast<unsigned short>(length)); });
        Require(result == 0 || (result == 1 && !immediate), "WriteCalibrationData", "not 0 or 1, or 1 for bad arguments");
        Require(!IsOpenIndex(dev) || !invalid || errno == EINVAL, "WriteCalibrationData",
                "bad image without EINVAL");
        if (!result || !Trusted || length == 0)
            return;
        std::unique_ptr<unsigned char[]> memory = Exact<unsigned char>(length);
        SIM_ReadMemory(OpenSerial[dev].c_str(), 0, memory.get(), length);
        Require(memcmp(memory.get(), image.get(), length) == 0, "WriteCalibrationData", "memory not the image");
    }

    void Correction()
    {
        int dev = PickDevice();
        uint64_t frequency = In.Bytes(5) % 21100000000ULL;
        float value = Timed("GetSSCorrection", IsOpenIndex(dev) ? 2 * exchangeMs : 0,
                            [&] { return GetSSCorrection(dev, frequency); });
        Require(std::isfinite(value) && std::fabs(value) <= maxCorrection && (IsOpenIndex(dev) || value == 0.0f),
                "GetSSCorrection", "not a correction value");
    }

    void CloseOne()
    {
        int dev = PickDevice();
        bool open = IsOpenIndex(dev);
        int result = Timed("Close", open ? 3 * exchangeMs : 0, [&] { return Close(dev); });
        Require((result != 0) == open, "Close", "not non-zero exactly for an open index");
        if (!open)
            return;
        OpenSerial[dev].clear();
        Require(IsOpen(dev) == 0, "IsOpen", "not 0 after Close");
    }

    // Appends one scripted reply for a command of a converter: literal bytes,
    // silence, the first byte, the normal reply or garbage, perhaps delayed.
    void Script()
    {
        const char* serial = In.Byte() & 1 ? secondSerial : firstSerial;
        const char* command = scriptCommands[In.Byte() % 7];
        uint8_t kind = In.Byte();
        uint8_t delay = In.Byte();
        std::string reply;
        if (delay & 0x80) {
            unsigned delayMs = (delay & 0x7F) * 2u;
            Trusted = Trusted && delayMs <= trustedDelayMs;
            reply = "delay:" + std::to_string(delayMs) + " ";
        }
        switch (kind % 5) {
        case 0:
            reply += Quoted(In.Text(In.Byte() % (maxScriptedBytes + 1)));
            Trusted = false;
            break;
        case 1: reply += "silence"; break;
        case 2: reply += "short"; break;
        case 3: reply += "normal"; break;
        default:
            reply += "garbage:" + std::to_string(1 + In.Byte() % maxGarbageBytes);
            Trusted = false;
        }
        if (serial == secondSerial && Converters < 2)
            return;
        Require(SIM_ScriptReply(serial, command, reply.c_str()) == 1, "SIM_ScriptReply", "reply not understood");
    }

    // Makes a converter vanish once so many more bytes crossed the line.
    void Vanish()
    {
        const char* serial = In.Byte() & 1 && Converters > 1 ? secondSerial : firstSerial;
        int hostBytes = In.Byte();
        int converterBytes = In.Byte();
        SIM_UnplugAfterBytes(serial, hostBytes, converterBytes);
    }

    Input& In;
    int Converters = 1;
    bool ForeignDevice = false;
    bool Trusted = true;
    int LastOpened = -1;
    std::string OpenSerial[OVK47MXV_MAX_DEVICES];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input input(data, size);
    Session(input).Run();
    return 0;
}
