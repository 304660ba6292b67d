#include "SimConfig.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "SimDevice.h"

const char kDefaultSimConfig[] =
    "[simulator]\n"
    "timing = realtime\n"
    "link = bridge\n"
    "[device]\n"
    "usb_serial = K4700001\n";

namespace {

template <typename T>
struct Choice {
    const char* name;
    T value;
};

constexpr Choice<SimTiming> kTimings[] = {{"virtual", SimTiming::Virtual}, {"realtime", SimTiming::Realtime}};
constexpr Choice<SimLinkModel> kLinkModels[] = {{"ideal", SimLinkModel::Ideal}, {"bridge", SimLinkModel::Bridge}};
constexpr Choice<SimCalibration> kCalibrations[] = {{"generated", SimCalibration::Generated},
                                                    {"none", SimCalibration::None}};
constexpr Choice<bool> kOpenModes[] = {{"ok", false}, {"refuse", true}};
constexpr Choice<SimFailingStep> kFailingSteps[] = {{"none", SimFailingStep::None},
                                                    {"timeouts", SimFailingStep::Timeouts},
                                                    {"baud", SimFailingStep::Baud},
                                                    {"flow", SimFailingStep::Flow},
                                                    {"latency", SimFailingStep::Latency}};
constexpr Choice<SimCommand> kCommands[] = {
    {"f", SimCommand::Select},      {"cp", SimCommand::PowerClear},  {"sn", SimCommand::Serial},
    {"vr", SimCommand::Version},    {"rc", SimCommand::MemoryRead},  {"wf", SimCommand::MemoryWrite},
    {"raw", SimCommand::Raw}};
constexpr Choice<SimReply::Kind> kReplyWords[] = {{"silence", SimReply::Kind::Silence},
                                                  {"short", SimReply::Kind::Short},
                                                  {"normal", SimReply::Kind::Normal}};

// Largest count a key or token takes.
constexpr unsigned long kMaxCount = 1000000000UL;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// True when text has prefix (lower case) at pos, in any case.
bool HasPrefixAt(const std::string& text, size_t pos, const char* prefix) {
    return pos <= text.size() && Lower(text.substr(pos, std::strlen(prefix))) == prefix;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// True when text begins with prefix; gives the rest behind it.
bool HasPrefix(const std::string& text, const char* prefix, std::string& rest) {
    const size_t length = std::strlen(prefix);
    if (text.compare(0, length, prefix) != 0) return false;
    rest = text.substr(length);
    return true;
}

size_t SkipBlanks(const std::string& text, size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    return pos;
}

template <typename T, size_t N>
bool ParseChoice(const std::string& value, const Choice<T> (&choices)[N], T& out) {
    const std::string word = Lower(value);
    for (const Choice<T>& choice : choices) {
        if (word == choice.name) {
            out = choice.value;
            return true;
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decodes one escape behind a backslash at text[pos]; pos ends behind it.
bool ParseEscape(const std::string& text, size_t& pos, std::string& out) {
    if (pos >= text.size()) return false;
    switch (text[pos++]) {
        case 'r': out += '\r'; return true;
        case 'n': out += '\n'; return true;
        case 't': out += '\t'; return true;
        case '\\': out += '\\'; return true;
        case '"': out += '"'; return true;
        case 'x': break;
        default: return false;
    }
    if (pos + 2 > text.size()) return false;
    const int high = HexDigit(text[pos]);
    const int low = HexDigit(text[pos + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    pos += 2;
    return true;
}

// Reads a double-quoted text with C escapes that starts at text[pos]; pos
// ends behind the closing quote.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out) {
    out.clear();
    if (pos >= text.size() || text[pos] != '"') return false;
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
        } else if (!ParseEscape(text, pos, out)) {
            return false;
        }
    }
    return false;
}

// A value is either plain text (not empty) or one quoted text.
bool ParseText(const std::string& value, std::string& out) {
    if (value.empty() || value[0] != '"') {
        out = value;
        return !value.empty();
    }
    size_t pos = 0;
    return ParseQuoted(value, pos, out) && pos == value.size();
}

// Decimal, or hexadecimal after "0x"; no sign, no octal.
bool ParseNumber(const std::string& value, unsigned long max, unsigned long& out) {
    if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0]))) return false;
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(value.c_str(), &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0' && out <= max;
}

template <typename T>
bool ParseCount(const std::string& value, T& out) {
    unsigned long number = 0;
    if (!ParseNumber(value, kMaxCount, number)) return false;
    out = static_cast<T>(number);
    return true;
}

// A jitter seed: 0..4294967295, 0 = off.
bool ParseSeed(const std::string& value, uint32_t& seed) {
    unsigned long number = 0;
    if (!ParseNumber(value, 0xFFFFFFFFUL, number)) return false;
    seed = static_cast<uint32_t>(number);
    return true;
}

bool ParseLinkModel(const std::string& value, SimLinkModel& model) { return ParseChoice(value, kLinkModels, model); }

// A device's own value of a setting it may leave to the [simulator] section.
template <typename T>
bool ParseOverride(const std::string& value, std::optional<T>& out, bool (*parse)(const std::string&, T&)) {
    T parsed{};
    if (!parse(value, parsed)) return false;
    out = parsed;
    return true;
}

// "N:K, N:K, ...": successful write N (from 1) takes only K bytes.
bool ParsePartialWrites(const std::string& value, std::map<unsigned, unsigned>& writes) {
    size_t pos = 0;
    do {
        const size_t end = std::min(value.find(',', pos), value.size());
        const std::string item = Trim(value.substr(pos, end - pos));
        const size_t colon = item.find(':');
        unsigned long number = 0;
        unsigned long bytes = 0;
        if (colon == std::string::npos || !ParseNumber(Trim(item.substr(0, colon)), kMaxCount, number) ||
            number == 0 || !ParseNumber(Trim(item.substr(colon + 1)), kMaxCount, bytes)) {
            return false;
        }
        writes[static_cast<unsigned>(number)] = static_cast<unsigned>(bytes);
        pos = end + 1;
    } while (pos <= value.size());
    return true;
}

// An optional "delay:N" (ms) before a reply token; pos ends behind it and its blanks.
bool ParseDelayPrefix(const std::string& text, size_t& pos, long& delayMs) {
    constexpr char kPrefix[] = "delay:";
    if (!HasPrefixAt(text, pos, kPrefix)) return true;
    const size_t start = pos + sizeof kPrefix - 1;
    size_t end = start;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != ',') ++end;
    unsigned long ms = 0;
    if (!ParseNumber(text.substr(start, end - start), kMaxCount, ms)) return false;
    delayMs = static_cast<long>(ms);
    pos = SkipBlanks(text, end);
    return true;
}

bool ParseReplyWord(const std::string& word, SimReply& reply) {
    std::string number;
    if (!HasPrefix(word, "garbage:", number)) return ParseChoice(word, kReplyWords, reply.kind);
    unsigned long count = 0;
    if (!ParseNumber(number, kGarbageMaxBytes, count) || count == 0) return false;
    reply.kind = SimReply::Kind::Garbage;
    reply.count = static_cast<unsigned>(count);
    return true;
}

bool LoadFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (bytes.size() > kSimMemoryBytes) bytes.resize(kSimMemoryBytes);
    return !file.bad();
}

bool ParseCalibration(const std::string& value, SimDeviceSettings& device) {
    constexpr char kFilePrefix[] = "file:";
    constexpr size_t kFilePrefixLength = sizeof kFilePrefix - 1;
    if (!HasPrefixAt(value, 0, kFilePrefix)) {
        return ParseChoice(value, kCalibrations, device.calibration);
    }
    std::string path;
    if (!ParseText(Trim(value.substr(kFilePrefixLength)), path) || !LoadFile(path, device.calibrationImage)) {
        return false;
    }
    device.calibration = SimCalibration::File;
    return true;
}

bool SetSimulatorKey(SimBusSettings& settings, const std::string& key, const std::string& value) {
    if (key == "timing") return ParseChoice(value, kTimings, settings.timing);
    if (key == "log") return ParseText(value, settings.logPath);
    if (key == "link") return ParseLinkModel(value, settings.link);
    if (key == "jitter") return ParseSeed(value, settings.jitterSeed);
    return false;
}

bool AddScript(SimDeviceSettings& device, const std::string& key, const std::string& value) {
    SimCommand command;
    SimReplyList replies;
    if (!ParseSimCommand(key, command) || !ParseSimReplies(value, replies)) return false;
    SimReplyList& script = device.scripts[static_cast<int>(command)];
    script.insert(script.end(), replies.begin(), replies.end());
    return true;
}

bool SetDeviceKey(SimDeviceSettings& device, const std::string& key, const std::string& value) {
    if (key == "usb_serial") return ParseText(value, device.usbSerial);
    if (key == "id") {
        unsigned long id = 0;
        if (!ParseNumber(value, 0xFFFFFFFFUL, id)) return false;
        device.id = static_cast<uint32_t>(id);
        return true;
    }
    if (key == "serial") return ParseText(value, device.serial);
    if (key == "firmware") return ParseText(value, device.firmware);
    if (key == "calibration") return ParseCalibration(value, device);
    if (key == "open") return ParseChoice(value, kOpenModes, device.refuseOpen);
    if (key == "fail_config") return ParseChoice(value, kFailingSteps, device.failingStep);
    if (key == "fail_writes") return ParseCount(value, device.failWrites);
    if (key == "unplug_after") return ParseCount(value, device.unplugAfter);
    if (key == "unplug_after_host_bytes") return ParseCount(value, device.unplugAfterHostBytes);
    if (key == "unplug_after_converter_bytes") return ParseCount(value, device.unplugAfterConverterBytes);
    if (key == "partial_writes") return ParsePartialWrites(value, device.partialWrites);
    if (key == "reply_delay") return ParseCount(value, device.replyDelayMs);
    if (key == "link") return ParseOverride(value, device.link, ParseLinkModel);
    if (key == "jitter") return ParseOverride(value, device.jitterSeed, ParseSeed);
    std::string command;
    if (HasPrefix(key, "reply.", command)) return AddScript(device, command, value);
    return false;
}

// Cuts a comment: a line starting with ';' or '#', or ';' after a blank
// outside a quoted text.
std::string StripComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (quoted && line[i] == '\\') {
            ++i;
        } else if (line[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && line[i] == ';' && (i == 0 || IsBlank(line[i - 1]))) {
            return line.substr(0, i);
        }
    }
    const std::string trimmed = Trim(line);
    return !trimmed.empty() && trimmed[0] == '#' ? std::string() : line;
}

class ConfigParser {
public:
    explicit ConfigParser(SimBusSettings& settings) : settings_(settings) {}

    bool ParseLine(const std::string& rawLine) {
        const std::string line = Trim(StripComment(rawLine));
        if (line.empty()) return true;
        if (line.front() == '[') return ParseSection(line);
        const size_t equals = line.find('=');
        if (equals == std::string::npos) return false;
        const std::string key = Lower(Trim(line.substr(0, equals)));
        const std::string value = Trim(line.substr(equals + 1));
        if (section_ == Section::Simulator) return SetSimulatorKey(settings_, key, value);
        if (section_ == Section::Device) return SetDeviceKey(settings_.devices.back(), key, value);
        return false;
    }

    // Fills in the defaults that depend on the bus position and checks the devices.
    bool Finish(std::string& error) {
        auto& devices = settings_.devices;
        for (size_t i = 0; i < devices.size(); ++i) {
            SimDeviceSettings& device = devices[i];
            if (device.usbSerial.empty()) device.usbSerial = DefaultUsbSerial(i);
            if (device.serial.empty()) device.serial = device.usbSerial;
            const std::string name = "device " + std::to_string(i + 1) + ": ";
            if (device.usbSerial.size() > kUsbSerialMaxLength) {
                error = name + "usb_serial longer than 15 characters";
                return false;
            }
            if (device.serial.size() != kConverterSerialLength) {
                error = name + "serial must have 8 characters";
                return false;
            }
            for (size_t j = 0; j < i; ++j) {
                if (devices[j].usbSerial == device.usbSerial) {
                    error = name + "usb_serial " + device.usbSerial + " used twice";
                    return false;
                }
            }
        }
        return true;
    }

private:
    enum class Section { None, Simulator, Device };

    bool ParseSection(const std::string& line) {
        if (line.back() != ']') return false;
        const std::string name = Lower(Trim(line.substr(1, line.size() - 2)));
        if (name == "simulator") {
            section_ = Section::Simulator;
        } else if (name == "device") {
            section_ = Section::Device;
            settings_.devices.emplace_back();
        } else {
            return false;
        }
        return true;
    }

    static std::string DefaultUsbSerial(size_t index) {
        const std::string number = std::to_string(index + 1);
        return "K47000" + std::string(number.size() < 2 ? 1 : 0, '0') + number;
    }

    SimBusSettings& settings_;
    Section section_ = Section::None;
};

}  // namespace

bool ParseSimConfig(const std::string& text, SimBusSettings& settings, std::string& error) {
    settings = SimBusSettings();
    ConfigParser parser(settings);
    size_t start = 0;
    for (int number = 1; start <= text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!parser.ParseLine(line)) {
            error = "line " + std::to_string(number) + " not understood: " + line;
            return false;
        }
        start = end + 1;
    }
    return parser.Finish(error);
}

bool ParseSimCommand(const std::string& key, SimCommand& command) { return ParseChoice(key, kCommands, command); }

bool ParseSimReplies(const std::string& text, SimReplyList& replies) {
    size_t pos = 0;
    do {
        pos = SkipBlanks(text, pos);
        SimReply reply;
        if (!ParseDelayPrefix(text, pos, reply.delayMs)) return false;
        if (pos < text.size() && text[pos] == '"') {
            reply.kind = SimReply::Kind::Bytes;
            if (!ParseQuoted(text, pos, reply.bytes)) return false;
        } else {
            const size_t end = std::min(text.find(',', pos), text.size());
            const std::string word = Lower(Trim(text.substr(pos, end - pos)));
            // "delay:N" alone delays the normal reply.
            if (!(word.empty() && reply.delayMs >= 0) && !ParseReplyWord(word, reply)) return false;
            pos = end;
        }
        pos = SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] != ',') return false;
        replies.push_back(reply);
    } while (pos++ < text.size());
    return true;
}
