// Support for the API library's tests: the simulated driver's test controls,
// bus texts, traffic lines, private copies of the libraries in a temporary
// folder, and the fixture every device test starts from.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "K47MXVsim.h"
#include "OVK47MXV_API.h"
#include "OVK47MXV_Exports.h"
#include "TestPlatform.h"

namespace apitest {

constexpr const char* apiFileName = testplatform::apiFile;
constexpr const char* driverFileName = testplatform::driverFile;
constexpr const char* incompleteDriverFileName = testplatform::incompleteDriverFile;
constexpr const char* noLatencyDriverFileName = testplatform::noLatencyDriverFile;

// The test program's folder, where the build puts both libraries; ends in a separator.
inline std::string BinFolder()
{
    return testplatform::ProgramFolder();
}

// Resolves an export by name into a typed pointer.
template <typename Function>
bool ResolveExport(testplatform::Module module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(testplatform::FindSymbol(module, name));
    return function != nullptr;
}

// Two upper-case hex digits per byte, separated by blanks.
inline std::string Hex(const std::string& bytes)
{
    std::string text;
    char digits[4];
    for (unsigned char byte : bytes) {
        snprintf(digits, sizeof digits, "%s%02X", text.empty() ? "" : " ", byte);
        text += digits;
    }
    return text;
}

inline std::string WriteLine(const std::string& bytes)
{
    return "write " + Hex(bytes);
}

// "read <asked> -> <bytes>" as the traffic log shows it.
inline std::string ReadLine(unsigned asked, const std::string& bytes)
{
    return "read " + std::to_string(asked) + " ->" + (bytes.empty() ? "" : " " + Hex(bytes));
}

// The reads of a text reply: one byte at a time up to its first line-end
// byte, then the wait for a second one under a read time-out of 5 ms (the
// latency timer of 2 ms and two byte times) with the byte after it in reply.
inline std::vector<std::string> ByteReads(const std::string& reply)
{
    std::vector<std::string> lines;
    size_t end = reply.find_first_of("\r\n");
    for (size_t i = 0; i <= end && i < reply.size(); ++i)
        lines.push_back(ReadLine(1, reply.substr(i, 1)));
    if (end != std::string::npos)
        lines.insert(lines.end(), {"timeouts 5 100", ReadLine(1, reply.substr(end + 1, 1)), "timeouts 100 100"});
    return lines;
}

// A power clear: its purge and write, then the wait until its 3 bytes have
// crossed the line (4 ms and 2 ms for the bridge to take them) under a read
// time-out set for that one read.
inline const std::vector<std::string> powerClearExchange = {"purge 1", WriteLine("CP\r"), "timeouts 6 100",
                                                           ReadLine(1024, ""), "timeouts 100 100"};

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const std::vector<std::string>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// What Close sends: a power clear, then the handle's close.
inline const std::vector<std::string> closingTraffic = Concat({powerClearExchange, {"close"}});

// One [device] section; extra holds further "key = value" lines.
inline std::string Device(const std::string& usbSerial, const std::string& extra = "")
{
    return "[device]\nusb_serial = " + usbSerial + "\n" + extra;
}

// A bus of the given devices with virtual timing (nothing sleeps) behind the
// USB bridge as the hardware behaves: replies in packets on the latency timer.
inline std::string VirtualBus(const std::string& devices)
{
    return "[simulator]\ntiming = virtual\nlink = bridge\n" + devices;
}

// The same with packet phases and reply delays drawn from seed.
inline std::string JitterBus(unsigned seed, const std::string& devices)
{
    return VirtualBus("jitter = " + std::to_string(seed) + "\n" + devices);
}

// The lines of a traffic text (the simulator's memory or its log file) as
// "<usb serial> <event>", without the time column.
inline std::vector<std::string> TrafficLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        lines.push_back(line.substr(line.find(' ') + 1));
    }
    return lines;
}

// The events of one device among traffic lines, in order.
inline std::vector<std::string> EventsOf(const std::vector<std::string>& lines, const std::string& usbSerial)
{
    std::vector<std::string> events;
    std::string prefix = usbSerial + " ";
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            events.push_back(line.substr(prefix.size()));
    }
    return events;
}

// The simulated driver's test controls, from one loaded copy of the driver,
// which stays loaded while this object lives.
class SimDriver {
public:
    explicit SimDriver(const std::string& path) : Module(testplatform::LoadLibraryAt(path))
    {
        Ready = Module && ResolveExport(Module, "SIM_Configure", ConfigureBus) &&
                ResolveExport(Module, "SIM_ScriptReply", ScriptReply) &&
                ResolveExport(Module, "SIM_GetTraffic", GetTraffic) &&
                ResolveExport(Module, "SIM_ClearTraffic", ClearTrafficLog) &&
                ResolveExport(Module, "SIM_GetClock", GetClock) &&
                ResolveExport(Module, "SIM_ReadMemory", ReadMemoryOf) &&
                ResolveExport(Module, "SIM_Unplug", UnplugDevice) &&
                ResolveExport(Module, "SIM_UnplugAfterBytes", UnplugDeviceAfterBytes);
    }
    ~SimDriver()
    {
        if (Module)
            testplatform::UnloadLibrary(Module);
    }
    SimDriver(const SimDriver&) = delete;
    SimDriver& operator=(const SimDriver&) = delete;

    bool Loaded() const { return Ready; }
    bool Configure(const std::string& ini) const { return ConfigureBus(ini.c_str()) == 1; }
    bool Script(const char* usbSerial, const char* command, const char* replies) const
    {
        return ScriptReply(usbSerial, command, replies) == 1;
    }
    void ClearTraffic() const { ClearTrafficLog(); }
    unsigned long long ClockUs() const { return GetClock(); }
    bool Unplug(const char* usbSerial, int afterWrites) const { return UnplugDevice(usbSerial, afterWrites) == 1; }
    // The converter vanishes once hostBytes more bytes crossed the line to it.
    bool UnplugAfterHostBytes(const char* usbSerial, int hostBytes) const
    {
        return UnplugDeviceAfterBytes(usbSerial, hostBytes, 0) == 1;
    }
    std::string Memory(const char* usbSerial, unsigned address, unsigned length) const
    {
        std::string bytes(length, '\0');
        ReadMemoryOf(usbSerial, address, reinterpret_cast<unsigned char*>(&bytes[0]), length);
        return bytes;
    }

    // Every traffic line as "<usb serial> <event>", without the time column.
    std::vector<std::string> Traffic() const
    {
        std::string text(static_cast<size_t>(GetTraffic(nullptr, 0)) + 1, '\0');
        GetTraffic(&text[0], static_cast<int>(text.size()));
        return TrafficLines(text);
    }

    // The events of one device, in order.
    std::vector<std::string> TrafficOf(const std::string& usbSerial) const
    {
        return EventsOf(Traffic(), usbSerial);
    }

private:
    testplatform::Module Module;
    bool Ready = false;
    SIM_Configure_t ConfigureBus = nullptr;
    SIM_ScriptReply_t ScriptReply = nullptr;
    SIM_GetTraffic_t GetTraffic = nullptr;
    SIM_ClearTraffic_t ClearTrafficLog = nullptr;
    SIM_GetClock_t GetClock = nullptr;
    SIM_ReadMemory_t ReadMemoryOf = nullptr;
    SIM_Unplug_t UnplugDevice = nullptr;
    SIM_UnplugAfterBytes_t UnplugDeviceAfterBytes = nullptr;
};

// A fresh temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        static unsigned counter;
        Path = testplatform::TempFolder() + "k47api-" + std::to_string(testplatform::ProcessId()) + "-" +
               std::to_string(++counter) + testplatform::separator;
        testplatform::MakeFolder(Path);
    }
    ~TempFolder() { testplatform::RemoveFolder(Path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Copies a file of the bin folder into this folder under a new name.
    bool CopyFromBin(const char* fileName, const char* newName) const
    {
        return testplatform::CopyFileTo(BinFolder() + fileName, Path + newName);
    }
    bool Write(const char* fileName, const std::string& bytes) const
    {
        FILE* file = fopen((Path + fileName).c_str(), "wb");
        if (!file)
            return false;
        bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return fclose(file) == 0 && written;
    }

    std::string Path;
};

// The 14 exports of one loaded copy of the API library.
using ApiExports = OVK47MXV_Exports;

// A private copy of the API library in a temporary folder, with a fresh
// library state: no enumeration yet, an empty device table.
class LibraryCopy {
public:
    explicit LibraryCopy(const TempFolder& folder)
    {
        if (folder.CopyFromBin(apiFileName, apiFileName))
            Module = testplatform::LoadLibraryAt(folder.Path + apiFileName);
        Ready = Module && !Api.Resolve(Module);
    }
    ~LibraryCopy() { Unload(); }
    LibraryCopy(const LibraryCopy&) = delete;
    LibraryCopy& operator=(const LibraryCopy&) = delete;

    bool Loaded() const { return Ready; }
    void Unload()
    {
        if (Module)
            testplatform::UnloadLibrary(Module);
        Module = nullptr;
    }

    ApiExports Api;

private:
    testplatform::Module Module = nullptr;
    bool Ready = false;
};

// Every device test starts from the library linked into the test program and
// the simulated driver beside it, whose bus each test configures; every
// device index is closed again after the test.
class DeviceTest : public ::testing::Test {
protected:
    DeviceTest() : Sim(BinFolder() + driverFileName) {}

    void SetUp() override { ASSERT_TRUE(Sim.Loaded()) << "the simulated driver is missing from the bin folder"; }
    void TearDown() override
    {
        for (int n = 0; n < OVK47MXV_MAX_DEVICES; ++n)
            ::Close(n);
    }

    void UseBus(const std::string& devices) { ASSERT_TRUE(Sim.Configure(VirtualBus(devices))); }
    // Opens a converter and forgets the traffic of its opening.
    int OpenQuietly(const char* usbSerial)
    {
        int dev = ::Open(usbSerial);
        Sim.ClearTraffic();
        return dev;
    }

    SimDriver Sim;
};

// The traffic of opening a converter whose firmware replies versionReply and
// whose image header is header (format byte and mask).
inline std::vector<std::string> OpeningTraffic(const std::string& versionReply, const std::string& header)
{
    return Concat({{"open", "timeouts 100 100", "baud 9600", "flow 0 0 0", "latency 2", WriteLine("vr\r")},
                   ByteReads(versionReply),
                   {"purge 1", WriteLine(std::string("RC\r\0\0\3\0", 7)), ReadLine(3, header)}});
}

}  // namespace apitest
