#include "SimDevice.h"

#include <algorithm>
#include <cmath>

namespace {

// Calibration image: format byte at 0, mask at 1-2, data from 3.
constexpr unsigned char kImageFormat = 1;
constexpr size_t kMaskAddress = 1;
constexpr size_t kDataAddress = 3;
constexpr size_t kDataBytes = 5318;
constexpr uint16_t kAllSegments = 0x3FFF;
constexpr double kGridStepHz = 4000000.0;

// The calibration grid of one range: frequency of point 0 and data offset.
struct GridSegment {
    double baseHz;
    size_t offset;
};
constexpr GridSegment kGrid[] = {
    {0.0, 0},           {2892000000.0, 728},  {4492000000.0, 1133}, {5892000000.0, 1488},
    {7992000000.0, 2018}, {8992000000.0, 2273}, {9892000000.0, 2503}, {11992000000.0, 3033},
    {13192000000.0, 3338}, {14892000000.0, 3768}, {15992000000.0, 4048}, {17092000000.0, 4328},
    {17892000000.0, 4533}, {19092000000.0, 4838}};

// Input frequency of data offset k.
double GridFrequencyHz(size_t k) {
    const GridSegment* segment = kGrid;
    for (const GridSegment& candidate : kGrid) {
        if (candidate.offset <= k) segment = &candidate;
    }
    return segment->baseHz + static_cast<double>(k - segment->offset) * kGridStepHz;
}

// A smooth made-up response: two slow waves over frequency, within -33..33 counts.
signed char GeneratedCount(size_t k) {
    constexpr double kTwoPi = 6.283185307179586;
    const double ghz = GridFrequencyHz(k) / 1e9;
    const double value = 24.0 * std::sin(kTwoPi * ghz / 7.3) + 9.0 * std::sin(kTwoPi * ghz / 1.1 + 0.5);
    return static_cast<signed char>(std::lround(value));
}

unsigned Word(const std::string& bytes, size_t pos) {
    return static_cast<unsigned char>(bytes[pos]) | static_cast<unsigned char>(bytes[pos + 1]) << 8;
}

bool StartsWith(const std::string& bytes, const char* prefix) { return bytes.compare(0, 3, prefix) == 0; }

// Range numbers the converter accepts in "f" <number> CR.
constexpr unsigned char kFirstRangeNumber = 1;
constexpr unsigned char kLastRangeNumber = 14;
// Command layout: 3 bytes of letters and CR, then the binary parameters.
constexpr size_t kCommandHead = 3;
constexpr size_t kMemoryCommandBytes = 7;

// The commands with a fixed head: their length, and whether the length word
// at 5-6 adds that many data bytes.
struct CommandShape {
    const char* head;
    size_t bytes;
    bool carriesData;
};
constexpr CommandShape kShapes[] = {{"CP\r", kCommandHead, false},
                                    {"sn\r", kCommandHead, false},
                                    {"vr\r", kCommandHead, false},
                                    {"RC\r", kMemoryCommandBytes, false},
                                    {"WF\r", kMemoryCommandBytes, true}};

}  // namespace

SimDevice::SimDevice(const SimDeviceSettings& settings, uint32_t noiseSeed)
    : answers_(settings.id == kConverterId),
      serial_(settings.serial),
      firmware_(settings.firmware),
      noise_(noiseSeed | 1) {
    for (int i = 0; i < kSimCommandCount; ++i) AddScript(static_cast<SimCommand>(i), settings.scripts[i]);
    LoadCalibration(settings);
}

void SimDevice::LoadCalibration(const SimDeviceSettings& settings) {
    memory_.fill(0xFF);
    if (settings.calibration == SimCalibration::File) {
        std::copy(settings.calibrationImage.begin(), settings.calibrationImage.end(), memory_.begin());
    } else if (settings.calibration == SimCalibration::Generated) {
        memory_[0] = kImageFormat;
        memory_[kMaskAddress] = kAllSegments & 0xFF;
        memory_[kMaskAddress + 1] = kAllSegments >> 8;
        for (size_t k = 0; k < kDataBytes; ++k) {
            memory_[kDataAddress + k] = static_cast<unsigned char>(GeneratedCount(k));
        }
    }
}

SimAnswer SimDevice::Execute(const std::string& command) {
    if (!answers_) return SimAnswer();
    const SimCommand kind = Classify(command);
    const std::string normal = Carry(kind, command);
    std::deque<SimReply>& script = scripts_[static_cast<int>(kind)];
    if (script.empty()) return {normal};
    const SimReply reply = script.front();
    script.pop_front();
    return {Substitute(reply, normal), reply.delayMs};
}

bool SimDevice::Receive(char byte, uint64_t atUs, SimAnswer& answer) {
    if (!input_.empty() && atUs > lastInputUs_ + kSimCommandGapUs) {
        input_.clear();
        skipping_ = false;
    }
    lastInputUs_ = atUs;
    input_ += byte;
    if (!skipping_) {
        const Framing framing = Frame(input_);
        if (framing == Framing::Partial) return false;
        skipping_ = framing == Framing::Unknown;
    }
    if (skipping_ && byte != '\r') return false;
    answer = Execute(input_);
    input_.clear();
    skipping_ = false;
    return true;
}

// Commands by their length: "f" n CR, "CP" CR, "sn" CR, "vr" CR (3 bytes),
// "RC" CR addr len (7), "WF" CR addr len + len data bytes.
SimDevice::Framing SimDevice::Frame(const std::string& input) {
    if (input[0] == 'f') {
        if (input.size() < kCommandHead) return Framing::Partial;
        return input[2] == '\r' ? Framing::Whole : Framing::Unknown;
    }
    for (const CommandShape& shape : kShapes) {
        const size_t compared = std::min(input.size(), kCommandHead);
        if (input.compare(0, compared, shape.head, compared) != 0) continue;
        size_t length = shape.bytes;
        if (shape.carriesData && input.size() >= kMemoryCommandBytes) length += Word(input, 5);
        return input.size() < length ? Framing::Partial : Framing::Whole;
    }
    return Framing::Unknown;
}

void SimDevice::AddScript(SimCommand command, const SimReplyList& replies) {
    std::deque<SimReply>& script = scripts_[static_cast<int>(command)];
    script.insert(script.end(), replies.begin(), replies.end());
}

bool SimDevice::ReadMemory(size_t address, unsigned char* buffer, size_t length) const {
    if (address > kSimMemoryBytes || length > kSimMemoryBytes - address) return false;
    if (length != 0 && buffer == nullptr) return false;
    std::copy_n(memory_.begin() + address, length, buffer);
    return true;
}

// "f" n CR (n binary), "CP" CR, "sn" CR, "vr" CR, "RC" CR addr len,
// "WF" CR addr len data; everything else is raw text.
SimCommand SimDevice::Classify(const std::string& command) {
    if (command.size() == kCommandHead && command[0] == 'f' && command[2] == '\r') return SimCommand::Select;
    if (command == "CP\r") return SimCommand::PowerClear;
    if (command == "sn\r") return SimCommand::Serial;
    if (command == "vr\r") return SimCommand::Version;
    if (command.size() == kMemoryCommandBytes && StartsWith(command, "RC\r")) return SimCommand::MemoryRead;
    if (command.size() >= kMemoryCommandBytes && StartsWith(command, "WF\r") &&
        command.size() == kMemoryCommandBytes + Word(command, 5)) {
        return SimCommand::MemoryWrite;
    }
    return SimCommand::Raw;
}

std::string SimDevice::Carry(SimCommand kind, const std::string& command) {
    switch (kind) {
        case SimCommand::Select:
            return SelectRange(static_cast<unsigned char>(command[1]));
        case SimCommand::PowerClear:
            powered_ = false;
            range_ = -1;
            return std::string();
        case SimCommand::Serial:
            return serial_ + "\r";
        case SimCommand::Version:
            return firmware_ + "\r\n";
        case SimCommand::MemoryRead:
            return ReadBlock(Word(command, 3), Word(command, 5));
        case SimCommand::MemoryWrite:
            return WriteBlock(Word(command, 3), command.substr(kMemoryCommandBytes));
        case SimCommand::Raw:
            break;
    }
    return std::string();
}

// Accepted: "P" CR; a number outside 1..14: "X" CR.
std::string SimDevice::SelectRange(unsigned char number) {
    if (number < kFirstRangeNumber || number > kLastRangeNumber) return "X\r";
    range_ = number - kFirstRangeNumber;
    powered_ = true;
    return "P\r";
}

// Exactly length bytes; addresses beyond the memory read as 0xFF.
std::string SimDevice::ReadBlock(size_t address, size_t length) const {
    std::string reply(length, '\xFF');
    if (address < kSimMemoryBytes) {
        const size_t inside = std::min(length, kSimMemoryBytes - address);
        std::copy_n(memory_.begin() + address, inside, reply.begin());
    }
    return reply;
}

// Stores what fits into the memory and answers "OK".
std::string SimDevice::WriteBlock(size_t address, const std::string& data) {
    if (address < kSimMemoryBytes) {
        const size_t inside = std::min(data.size(), kSimMemoryBytes - address);
        std::copy_n(data.begin(), inside, memory_.begin() + address);
    }
    return "OK";
}

std::string SimDevice::Substitute(const SimReply& reply, const std::string& normal) {
    switch (reply.kind) {
        case SimReply::Kind::Bytes:
            return reply.bytes;
        case SimReply::Kind::Silence:
            return std::string();
        case SimReply::Kind::Short:
            return normal.substr(0, 1);
        case SimReply::Kind::Normal:
            break;
        case SimReply::Kind::Garbage: {
            std::string noise(reply.count, '\0');
            for (char& c : noise) {
                noise_ ^= noise_ << 13;  // xorshift32: deterministic for a given configuration
                noise_ ^= noise_ >> 17;
                noise_ ^= noise_ << 5;
                c = static_cast<char>(noise_ >> 24);
            }
            return noise;
        }
    }
    return normal;
}
