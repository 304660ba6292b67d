// The traffic log: one line per driver call on a device, kept in memory for
// SIM_GetTraffic and appended to the configured log file as it happens.
//   <ms with 3 decimals> <usb serial> <event>
#pragma once

#include <cstdint>
#include <string>

#include "SimPlatform.h"

class SimTraffic {
public:
    // Forgets every line; later lines also go to logPath ("" for none).
    // Returns false when the log file cannot be opened for appending.
    bool Reset(const std::string& logPath);
    void Add(uint64_t timeUs, const std::string& usbSerial, const std::string& event);
    void Clear() { text_.clear(); }
    // Copies the text into buffer, cut to size and zero-terminated; returns its full length.
    int Copy(char* buffer, int size) const;

private:
    std::string text_;
    simplatform::AppendFile file_;
};

// Bytes as the log shows them: " 66 06 0D" (each with a blank before it).
std::string HexBytes(const std::string& bytes);
