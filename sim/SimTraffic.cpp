#include "SimTraffic.h"

#include <algorithm>
#include <climits>

namespace {

// The oldest half of the lines is dropped beyond this many bytes, so an
// endless run cannot exhaust a 32-bit process's memory.
constexpr size_t kMaxTrafficBytes = 16u << 20;

// "21.209" for 21209 us.
std::string FormatMs(uint64_t us) {
    std::string fraction = std::to_string(us % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(us / 1000) + "." + fraction;
}

}  // namespace

bool SimTraffic::Reset(const std::string& logPath) {
    text_.clear();
    file_.Close();
    return logPath.empty() || file_.Open(logPath);
}

void SimTraffic::Add(uint64_t timeUs, const std::string& usbSerial, const std::string& event) {
    const std::string line = FormatMs(timeUs) + " " + usbSerial + " " + event + "\n";
    if (text_.size() + line.size() > kMaxTrafficBytes) {
        const size_t cut = text_.find('\n', text_.size() / 2);
        text_.erase(0, cut == std::string::npos ? text_.size() : cut + 1);
    }
    text_ += line;
    file_.Append(line);
}

int SimTraffic::Copy(char* buffer, int size) const {
    if (buffer != nullptr && size > 0) {
        const size_t copied = std::min(text_.size(), static_cast<size_t>(size) - 1);
        std::copy_n(text_.data(), copied, buffer);
        buffer[copied] = '\0';
    }
    return static_cast<int>(std::min(text_.size(), static_cast<size_t>(INT_MAX)));
}

std::string HexBytes(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}
