// The simulated bus's configuration: the INI text (the K47MXV_SIM file or
// SIM_Configure's argument) parsed into settings for the clock, the traffic
// log and every attached device.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Identifier of a K47MXV converter: vendor 0x5A17, product 0x0C42.
constexpr uint32_t kConverterId = 0x5A170C42;
// A USB serial fits the 16-byte serial field of a device-information node.
constexpr size_t kUsbSerialMaxLength = 15;
// The converter's own serial, as its "sn" reply carries it.
constexpr size_t kConverterSerialLength = 8;
// Bounds of a garbage:N reply token, in bytes.
constexpr unsigned kGarbageMaxBytes = 4096;

enum class SimTiming { Realtime, Virtual };
// How the bridge hands the converter's bytes to the host: each reply whole
// after the latency timer (ideal), or in USB packets as the chip sends them
// (bridge); see SimLink.h and SimBridge.h.
enum class SimLinkModel { Ideal, Bridge };
enum class SimCalibration { Generated, None, File };
// The configuration call of a device that fails (fail_config).
enum class SimFailingStep { None, Timeouts, Baud, Flow, Latency };

// The commands the converter tells apart; the value indexes a device's
// script queues. Keys: f, CP, sn, vr, RC, WF, raw.
enum class SimCommand { Select, PowerClear, Serial, Version, MemoryRead, MemoryWrite, Raw };
constexpr int kSimCommandCount = 7;

// One scripted reply: literal bytes, nothing, the first byte of the normal
// reply, the normal reply, or count pseudo-random bytes; sent after delayMs,
// or after the device's own reply delay when delayMs is -1.
struct SimReply {
    enum class Kind { Bytes, Silence, Short, Normal, Garbage };
    Kind kind = Kind::Normal;
    std::string bytes;
    unsigned count = 0;
    long delayMs = -1;
};
using SimReplyList = std::vector<SimReply>;

struct SimDeviceSettings {
    std::string usbSerial;
    uint32_t id = kConverterId;
    std::string serial;
    std::string firmware = "Version 4.2";
    SimCalibration calibration = SimCalibration::Generated;
    std::string calibrationImage;  // the file's bytes for SimCalibration::File
    bool refuseOpen = false;
    SimFailingStep failingStep = SimFailingStep::None;
    unsigned failWrites = 0;
    unsigned unplugAfter = 0;  // writes; 0 = never
    // The device vanishes once this many bytes crossed the serial line from
    // the host or from the converter (0 = never).
    unsigned unplugAfterHostBytes = 0;
    unsigned unplugAfterConverterBytes = 0;
    // Successful write number (1 = the first) -> bytes that write takes.
    std::map<unsigned, unsigned> partialWrites;
    unsigned replyDelayMs = 0;  // before every reply; the bound of a random delay with jitter
    std::optional<SimLinkModel> link;     // unset: the [simulator] setting
    std::optional<uint32_t> jitterSeed;   // unset: the [simulator] setting; 0 = no jitter
    SimReplyList scripts[kSimCommandCount];
};

struct SimBusSettings {
    SimTiming timing = SimTiming::Realtime;
    std::string logPath;
    SimLinkModel link = SimLinkModel::Ideal;  // of devices that set none
    uint32_t jitterSeed = 0;                  // of devices that set none; 0 = no jitter
    std::vector<SimDeviceSettings> devices;   // in bus order
};

// The bus used when nothing is configured: one converter K4700001, realtime.
extern const char kDefaultSimConfig[];

// Parses a whole INI text; on failure error names the line and the fault.
bool ParseSimConfig(const std::string& text, SimBusSettings& settings, std::string& error);
// Parses a command key (case-insensitive).
bool ParseSimCommand(const std::string& key, SimCommand& command);
// Parses a comma-separated list of reply tokens.
bool ParseSimReplies(const std::string& text, SimReplyList& replies);
