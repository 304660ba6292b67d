// The serial line between the host and one converter, as seen from the
// host's side of the bridge: when reply bytes arrive and what a read gets.
//
// Timing: 9600 baud, 10 bits a byte. A command of n bytes written at t
// reaches the converter after n byte times; its reply of m bytes follows at
// once and reaches the host in one piece 16 ms (the bridge's latency timer)
// after its last byte left the converter: at t + (n + m) byte times + 16 ms.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

constexpr uint64_t kSimBaudRate = 9600;
constexpr uint64_t kSimBitsPerByte = 10;
constexpr uint64_t kSimLatencyUs = 16000;
constexpr unsigned long kSimDefaultReadTimeoutMs = 100;

// Microseconds that bytes take on the wire, rounded up.
constexpr uint64_t WireTimeUs(uint64_t bytes) {
    return (bytes * kSimBitsPerByte * 1000000 + kSimBaudRate - 1) / kSimBaudRate;
}

class SimLink {
public:
    // Back to a freshly opened handle: default read time-out, nothing pending.
    void Reset();
    void SetReadTimeout(unsigned long readMs) { readTimeoutMs_ = readMs; }
    // A command of commandBytes written at writeUs and the converter's reply to it.
    void Deliver(uint64_t writeUs, size_t commandBytes, const std::string& reply);
    // When a read of count bytes called at callUs returns: once count bytes
    // have arrived, or when the read time-out has passed.
    uint64_t ReadReturnUs(uint64_t callUs, size_t count) const;
    // Takes up to count of the bytes that have arrived by atUs.
    std::string Take(uint64_t atUs, size_t count);
    // Bytes that have arrived by atUs.
    size_t Available(uint64_t atUs) const;
    // Discards every pending reply byte, arrived or still on its way.
    void Purge() { pending_.clear(); }

private:
    struct Arrival {
        uint64_t atUs;
        std::string bytes;
    };
    std::deque<Arrival> pending_;
    unsigned long readTimeoutMs_ = kSimDefaultReadTimeoutMs;
};
