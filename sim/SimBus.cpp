#include "SimBus.h"

#include "SimPlatform.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr char kConfigVariable[] = "K47MXV_SIM";
// Handle values are tagged counters, never pointers, and never reused.
constexpr uintptr_t kHandleTag = 0x4B470000;
// Node flag of an opened device and the bridge type (FT232R).
constexpr ULONG kFlagOpened = 1;
constexpr ULONG kDeviceType232R = 5;
// FT_ListDevices flags and the buffer size its callers provide, bytes.
constexpr DWORD kListNumberOnly = 0x80000000;
constexpr DWORD kListByIndex = 0x40000000;
constexpr DWORD kOpenByDescription = 2;
constexpr size_t kListTextBytes = 64;
// A write's traffic line shows at most this many bytes.
constexpr size_t kMaxLoggedBytes = 65536;

const char* Description(uint32_t id) { return id == kConverterId ? "K47MXV" : "FT232R USB UART"; }

// At most max characters of a caller's text.
std::string BoundedText(const char* text, size_t max) {
    size_t length = 0;
    while (length < max && text[length] != '\0') ++length;
    return std::string(text, length);
}

// A caller's serial as the traffic shows it: printable, never empty.
std::string LoggedSerial(const std::string& serial) {
    std::string shown = serial.empty() ? "-" : serial;
    for (char& c : shown) {
        if (c <= ' ' || c > '~') c = '?';
    }
    return shown;
}

std::string LoggedBytes(const std::string& bytes) {
    if (bytes.size() <= kMaxLoggedBytes) return HexBytes(bytes);
    return HexBytes(bytes.substr(0, kMaxLoggedBytes)) + " ...";
}

// Copies text into a fixed field, zero-filled and always terminated.
template <size_t N>
void CopyField(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

// The file named by K47MXV_SIM, or the embedded default without one.
bool StartupConfig(std::string& text) {
    std::string path;
    if (!simplatform::ReadEnvironment(kConfigVariable, path)) {
        text = kDefaultSimConfig;
        return true;
    }
    std::ifstream file(path, std::ios::binary);
    if (path.empty() || !file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

using simplatform::Report;

}  // namespace

// Holds the bus lock for a scope; a realtime read waits with it released.
class SimBus::Lock {
public:
    explicit Lock(platform::RecursiveLock& section) : section_(section) { section_.Enter(); }
    ~Lock() { section_.Leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // Lets other threads use the bus until the performance counter reaches target.
    void WaitUnlocked(int64_t target) {
        section_.Leave();
        SimClock::WaitForCounter(target);
        section_.Enter();
    }

private:
    platform::RecursiveLock& section_;
};

SimPort::SimPort(const SimDeviceSettings& settings, const SimBusSettings& bus, size_t position)
    : usbSerial(settings.usbSerial),
      id(settings.id),
      refuseOpen(settings.refuseOpen),
      failingStep(settings.failingStep),
      failWrites(settings.failWrites),
      writesUntilUnplug(settings.unplugAfter),
      partialWrites(settings.partialWrites),
      link(MakeSimLink(settings.link.value_or(bus.link), settings, settings.jitterSeed.value_or(bus.jitterSeed),
                       static_cast<uint32_t>(0x9E3779B9u * (position + 1)))) {}

namespace {

// The bus Instance made, for Release.
SimBus* madeBus = nullptr;

}  // namespace

SimBus& SimBus::Instance() {
    static SimBus* const bus = madeBus = new SimBus;
    return *bus;
}

void SimBus::Release() {
    delete madeBus;
    madeBus = nullptr;
}

SimBus::SimBus() : lastHandle_(kHandleTag) {
    std::string text;
    if (StartupConfig(text)) {
        ConfigureText(text);
    } else {
        Rebuild(SimBusSettings());
        Report(std::string("cannot read the file named by ") + kConfigVariable);
    }
}

bool SimBus::ConfigureText(const std::string& text) {
    SimBusSettings settings;
    std::string error;
    if (!ParseSimConfig(text, settings, error)) {
        Rebuild(SimBusSettings());
        Report(error);
        return false;
    }
    if (!Rebuild(settings)) {
        Rebuild(SimBusSettings());
        Report("cannot open the log file " + settings.logPath);
        return false;
    }
    return true;
}

bool SimBus::Rebuild(const SimBusSettings& settings) {
    ports_.clear();
    ports_.reserve(settings.devices.size());
    for (size_t i = 0; i < settings.devices.size(); ++i) ports_.emplace_back(settings.devices[i], settings, i);
    clock_.Reset(settings.timing);
    return traffic_.Reset(settings.logPath);
}

SimPort* SimBus::FindHandle(FT_HANDLE handle) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0) return nullptr;
    for (SimPort& port : ports_) {
        if (port.handle == value) return &port;
    }
    return nullptr;
}

SimPort* SimBus::FindSerial(const char* usbSerial) {
    if (usbSerial == nullptr) return nullptr;
    const std::string serial = BoundedText(usbSerial, kUsbSerialMaxLength + 1);
    for (SimPort& port : ports_) {
        if (port.usbSerial == serial) return &port;
    }
    return nullptr;
}

std::vector<SimPort*> SimBus::Attached() {
    std::vector<SimPort*> attached;
    for (SimPort& port : ports_) {
        if (Present(port)) attached.push_back(&port);
    }
    return attached;
}

bool SimBus::Present(SimPort& port) {
    const uint64_t nowUs = clock_.NowUs();
    port.link->Advance(nowUs);
    if (nowUs < port.link->GoneUs()) return true;
    if (port.link->VanishedAtByte() && !port.vanishLogged) {
        port.vanishLogged = true;
        traffic_.Add(port.link->GoneUs(), port.usbSerial, "unplugged");
    }
    return false;
}

FT_STATUS SimBus::Reach(FT_HANDLE handle, SimPort*& port) {
    port = FindHandle(handle);
    if (port == nullptr) return FT_INVALID_HANDLE;
    return Present(*port) ? FT_OK : FT_IO_ERROR;
}

void SimBus::Log(const SimPort& port, const std::string& event) { traffic_.Add(clock_.NowUs(), port.usbSerial, event); }

void SimBus::UnplugNow(SimPort& port) {
    port.writesUntilUnplug = 0;
    port.link->Unplug(clock_.NowUs());
}

template <typename Apply>
FT_STATUS SimBus::Setting(FT_HANDLE handle, SimFailingStep step, const std::string& event, Apply apply) {
    Lock lock(lock_);
    SimPort* port = nullptr;
    FT_STATUS status = Reach(handle, port);
    if (status == FT_INVALID_HANDLE) return status;
    if (status == FT_OK && step != SimFailingStep::None && port->failingStep == step) status = FT_IO_ERROR;
    if (status == FT_OK && !apply(*port)) status = FT_INVALID_PARAMETER;
    Log(*port, status == FT_OK ? event : event + " failed");
    return status;
}

FT_STATUS SimBus::OpenEx(PVOID arg, DWORD flags, FT_HANDLE* handle) {
    if (handle != nullptr) *handle = nullptr;
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || arg == nullptr || handle == nullptr) return FT_INVALID_PARAMETER;
    const std::string serial = BoundedText(static_cast<const char*>(arg), kUsbSerialMaxLength + 1);
    Lock lock(lock_);
    SimPort* port = FindSerial(serial.c_str());
    if (port == nullptr || !Present(*port) || port->refuseOpen || port->handle != 0) {
        traffic_.Add(clock_.NowUs(), LoggedSerial(serial), "open-refused");
        return FT_DEVICE_NOT_FOUND;
    }
    port->handle = ++lastHandle_;
    port->link->Open(clock_.NowUs());
    *handle = reinterpret_cast<FT_HANDLE>(port->handle);
    Log(*port, "open");
    return FT_OK;
}

FT_STATUS SimBus::ListDevices(PVOID arg1, PVOID arg2, DWORD flags) {
    Lock lock(lock_);
    const std::vector<SimPort*> attached = Attached();
    if (flags == kListNumberOnly) {
        if (arg1 == nullptr) return FT_INVALID_PARAMETER;
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(attached.size());
        return FT_OK;
    }
    const DWORD what = flags & ~kListByIndex;
    if ((flags & kListByIndex) == 0 || arg2 == nullptr ||
        (what != FT_OPEN_BY_SERIAL_NUMBER && what != kOpenByDescription)) {
        return FT_INVALID_PARAMETER;
    }
    const size_t index = reinterpret_cast<uintptr_t>(arg1);
    if (index >= attached.size()) return FT_DEVICE_NOT_FOUND;
    const SimPort& port = *attached[index];
    const std::string text = what == FT_OPEN_BY_SERIAL_NUMBER ? port.usbSerial : Description(port.id);
    const size_t length = std::min(text.size(), kListTextBytes - 1);
    std::memcpy(arg2, text.data(), length);
    static_cast<char*>(arg2)[length] = '\0';
    return FT_OK;
}

FT_STATUS SimBus::Close(FT_HANDLE handle) {
    Lock lock(lock_);
    SimPort* port = FindHandle(handle);
    if (port == nullptr) return FT_INVALID_HANDLE;
    port->handle = 0;
    port->link->Clear();
    Log(*port, "close");
    return FT_OK;
}

FT_STATUS SimBus::Read(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD returned) {
    if (returned == nullptr) return FT_INVALID_PARAMETER;
    *returned = 0;
    if (buffer == nullptr && count != 0) return FT_INVALID_PARAMETER;
    Lock lock(lock_);
    SimPort* port = nullptr;
    FT_STATUS status = Reach(handle, port);
    uint64_t returnUs = 0;
    if (status == FT_OK) {
        returnUs = port->link->ReadReturnUs(clock_.NowUs(), count);
        if (clock_.IsVirtual()) {
            clock_.AdvanceTo(returnUs);
        } else if (returnUs > clock_.NowUs()) {
            lock.WaitUnlocked(clock_.CounterAt(returnUs));
        }
        // The device may have vanished meanwhile, and in real time the bus
        // may have changed: the handle is looked up again.
        status = Reach(handle, port);
    }
    if (status == FT_IO_ERROR) Log(*port, "read-failed " + std::to_string(count));
    if (status != FT_OK) return status;
    const std::string bytes = port->link->Take(returnUs, count);
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(buffer));
    *returned = static_cast<DWORD>(bytes.size());
    traffic_.Add(returnUs, port->usbSerial, "read " + std::to_string(count) + " ->" + LoggedBytes(bytes));
    return FT_OK;
}

FT_STATUS SimBus::Write(FT_HANDLE handle, LPVOID buffer, DWORD count, LPDWORD written) {
    if (written == nullptr) return FT_INVALID_PARAMETER;
    *written = 0;
    if (buffer == nullptr && count != 0) return FT_INVALID_PARAMETER;
    Lock lock(lock_);
    SimPort* port = nullptr;
    const FT_STATUS status = Reach(handle, port);
    if (status == FT_INVALID_HANDLE) return status;
    const std::string bytes = count == 0 ? std::string() : std::string(static_cast<const char*>(buffer), count);
    if (status != FT_OK || port->failWrites > 0) {
        if (status == FT_OK) --port->failWrites;
        Log(*port, "write-failed" + LoggedBytes(bytes));
        return FT_IO_ERROR;
    }
    const auto partial = port->partialWrites.find(++port->writes);
    const size_t taken = partial == port->partialWrites.end() ? count : std::min<size_t>(count, partial->second);
    port->link->Write(clock_.NowUs(), bytes.substr(0, taken));
    *written = static_cast<DWORD>(taken);
    if (taken < count) {
        Log(*port, "write-partial " + std::to_string(count) + " ->" + LoggedBytes(bytes.substr(0, taken)));
    } else {
        Log(*port, "write" + LoggedBytes(bytes));
    }
    if (port->writesUntilUnplug != 0 && --port->writesUntilUnplug == 0) UnplugNow(*port);
    return FT_OK;
}

FT_STATUS SimBus::ResetDevice(FT_HANDLE handle) {
    Lock lock(lock_);
    SimPort* port = nullptr;
    const FT_STATUS status = Reach(handle, port);
    if (status == FT_OK) port->link->Clear();
    return status;
}

FT_STATUS SimBus::Purge(FT_HANDLE handle, ULONG mask) {
    return Setting(handle, SimFailingStep::None, "purge " + std::to_string(mask), [this, mask](SimPort& port) {
        port.link->Purge(clock_.NowUs(), mask);
        return true;
    });
}

FT_STATUS SimBus::SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    const std::string event = "timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs);
    return Setting(handle, SimFailingStep::Timeouts, event,
                   [readMs](SimPort& port) {
                       port.link->SetReadTimeout(readMs);
                       return true;
                   });
}

FT_STATUS SimBus::GetQueueStatus(FT_HANDLE handle, DWORD* rxBytes) {
    if (rxBytes == nullptr) return FT_INVALID_PARAMETER;
    *rxBytes = 0;
    Lock lock(lock_);
    SimPort* port = nullptr;
    const FT_STATUS status = Reach(handle, port);
    if (status == FT_OK) *rxBytes = static_cast<DWORD>(port->link->Available(clock_.NowUs()));
    return status;
}

FT_STATUS SimBus::CreateDeviceInfoList(LPDWORD count) {
    if (count == nullptr) return FT_INVALID_PARAMETER;
    Lock lock(lock_);
    *count = static_cast<DWORD>(Attached().size());
    return FT_OK;
}

// count: in, the nodes the array holds; out, the nodes filled.
FT_STATUS SimBus::GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* nodes, LPDWORD count) {
    if (nodes == nullptr || count == nullptr) return FT_INVALID_PARAMETER;
    Lock lock(lock_);
    const std::vector<SimPort*> attached = Attached();
    const size_t filled = std::min<size_t>(*count, attached.size());
    for (size_t i = 0; i < filled; ++i) {
        const SimPort& port = *attached[i];
        FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        std::memset(&node, 0, sizeof node);
        node.Flags = port.handle != 0 ? kFlagOpened : 0;
        node.Type = kDeviceType232R;
        node.ID = port.id;
        node.LocId = static_cast<DWORD>(&port - ports_.data() + 1);
        CopyField(node.SerialNumber, port.usbSerial.c_str());
        CopyField(node.Description, Description(port.id));
        node.ftHandle = reinterpret_cast<FT_HANDLE>(port.handle);
    }
    *count = static_cast<DWORD>(filled);
    return FT_OK;
}

FT_STATUS SimBus::GetStatus(FT_HANDLE handle, DWORD* rxBytes, DWORD* txBytes, DWORD* events) {
    if (txBytes == nullptr || events == nullptr) return FT_INVALID_PARAMETER;
    *txBytes = 0;
    *events = 0;
    return GetQueueStatus(handle, rxBytes);
}

FT_STATUS SimBus::SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
    const std::string event = "flow " + std::to_string(flow) + " " + std::to_string(xon) + " " + std::to_string(xoff);
    return Setting(handle, SimFailingStep::Flow, event, [](SimPort&) { return true; });
}

// The converter talks at 9600 baud whatever is set; the rate is only logged.
FT_STATUS SimBus::SetBaudRate(FT_HANDLE handle, ULONG baud) {
    return Setting(handle, SimFailingStep::Baud, "baud " + std::to_string(baud), [](SimPort&) { return true; });
}

FT_STATUS SimBus::SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    return Setting(handle, SimFailingStep::Latency, "latency " + std::to_string(ms), [this, ms](SimPort& port) {
        if (ms < kSimMinLatencyMs) return false;
        port.link->SetLatency(clock_.NowUs(), ms);
        return true;
    });
}

FT_STATUS SimBus::GetLatencyTimer(FT_HANDLE handle, PUCHAR ms) {
    if (ms == nullptr) return FT_INVALID_PARAMETER;
    Lock lock(lock_);
    SimPort* port = nullptr;
    const FT_STATUS status = Reach(handle, port);
    if (status == FT_OK) *ms = static_cast<UCHAR>(port->link->LatencyMs());
    return status;
}

int SimBus::Configure(const char* iniText) {
    Lock lock(lock_);
    return ConfigureText(iniText != nullptr && *iniText != '\0' ? iniText : kDefaultSimConfig) ? 1 : 0;
}

int SimBus::ScriptReply(const char* usbSerial, const char* command, const char* replies) {
    if (command == nullptr || replies == nullptr) return 0;
    SimCommand kind;
    SimReplyList list;
    if (!ParseSimCommand(command, kind) || !ParseSimReplies(replies, list)) return 0;
    Lock lock(lock_);
    SimPort* port = FindSerial(usbSerial);
    if (port == nullptr) return 0;
    port->link->Converter().AddScript(kind, list);
    return 1;
}

int SimBus::GetTraffic(char* buffer, int size) {
    Lock lock(lock_);
    return traffic_.Copy(buffer, size);
}

void SimBus::ClearTraffic() {
    Lock lock(lock_);
    traffic_.Clear();
}

unsigned long long SimBus::GetClock() {
    Lock lock(lock_);
    return clock_.NowUs();
}

int SimBus::ReadMemory(const char* usbSerial, unsigned address, unsigned char* buffer, unsigned length) {
    Lock lock(lock_);
    SimPort* port = FindSerial(usbSerial);
    if (port == nullptr) return 0;
    port->link->Advance(clock_.NowUs());
    return port->link->Converter().ReadMemory(address, buffer, length) ? 1 : 0;
}

int SimBus::Unplug(const char* usbSerial, int afterWrites) {
    Lock lock(lock_);
    SimPort* port = FindSerial(usbSerial);
    if (port == nullptr || afterWrites < 0) return 0;
    if (afterWrites == 0) {
        UnplugNow(*port);
    } else {
        port->writesUntilUnplug = static_cast<unsigned>(afterWrites);
    }
    return 1;
}

int SimBus::UnplugAfterBytes(const char* usbSerial, int hostBytes, int converterBytes) {
    Lock lock(lock_);
    SimPort* port = FindSerial(usbSerial);
    if (port == nullptr || hostBytes < 0 || converterBytes < 0) return 0;
    port->link->UnplugAfterBytes(static_cast<unsigned>(hostBytes), static_cast<unsigned>(converterBytes));
    return 1;
}
