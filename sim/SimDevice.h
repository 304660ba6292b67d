// One converter's firmware as the host sees it through the bridge: it carries
// out each command written to it and answers byte for byte. Timing and the
// USB side are the link's and the bus's business.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>

#include "SimConfig.h"

// The converter's memory, bytes; the calibration image starts at address 0.
constexpr size_t kSimMemoryBytes = 12288;
// Silence on the line after which the firmware drops a command whose bytes
// stopped coming, us: a host that writes again after a time-out starts clean.
constexpr uint64_t kSimCommandGapUs = 10000;

// What the converter sends back for one command: the bytes, and how long it
// waits before the first of them (-1: its own reply delay).
struct SimAnswer {
    std::string bytes;
    long delayMs = -1;
};

class SimDevice {
public:
    SimDevice(const SimDeviceSettings& settings, uint32_t noiseSeed);

    // Carries out one whole command (with the ideal link, one host write)
    // and returns its answer.
    SimAnswer Execute(const std::string& command);
    // Takes one byte that reached the converter at atUs, framing commands by
    // their length: true when it completes a command (or a line of bytes that
    // begin none, skipped through its CR), carried out with the given answer.
    // Bytes of a command that stop coming are dropped after kSimCommandGapUs.
    bool Receive(char byte, uint64_t atUs, SimAnswer& answer);
    // Queues scripted replies for the next exchanges of a command.
    void AddScript(SimCommand command, const SimReplyList& replies);
    // Copies memory; false when the range reaches beyond the memory.
    bool ReadMemory(size_t address, unsigned char* buffer, size_t length) const;

    // The range last selected (0..13), -1 after a power clear or none yet.
    int Range() const { return range_; }
    // True from an accepted range selection to the next power clear.
    bool Powered() const { return powered_; }

private:
    enum class Framing { Whole, Partial, Unknown };

    // Whether input is a whole command, the start of one, or begins none.
    static Framing Frame(const std::string& input);
    static SimCommand Classify(const std::string& command);
    // Carries out a command and returns the reply a healthy converter sends.
    std::string Carry(SimCommand kind, const std::string& command);
    // The reply a scripted token makes of the normal one.
    std::string Substitute(const SimReply& reply, const std::string& normal);
    std::string SelectRange(unsigned char number);
    std::string ReadBlock(size_t address, size_t length) const;
    std::string WriteBlock(size_t address, const std::string& data);
    void LoadCalibration(const SimDeviceSettings& settings);

    bool answers_;
    std::string serial_;
    std::string firmware_;
    std::array<unsigned char, kSimMemoryBytes> memory_;
    std::deque<SimReply> scripts_[kSimCommandCount];
    int range_ = -1;
    bool powered_ = false;
    uint32_t noise_;
    std::string input_;         // received bytes not yet a whole command
    uint64_t lastInputUs_ = 0;  // when the last of them arrived
    bool skipping_ = false;     // input_ begins no command: skipped through its CR
};
