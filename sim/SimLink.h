// The link between the host and one converter as the host sees it through
// the driver: the 9600-baud serial line, the USB bridge and the converter's
// firmware at the far end. Two models share this interface:
// - SimIdealLink (here): each write is one command, each reply reaches the
//   host whole, the latency timer after its last byte left the converter;
// - SimBridgeLink (SimBridge.h): the bridge chip as the hardware behaves,
//   bytes one at a time, replies in USB packets.
// Both carry the same faults: reply delays, vanishing at a byte, jitter.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "SimConfig.h"
#include "SimDevice.h"

constexpr uint64_t kSimBaudRate = 9600;
constexpr uint64_t kSimBitsPerByte = 10;
constexpr unsigned kSimDefaultLatencyMs = 16;
// The latency timer takes 2..255 ms, as on the bridge chip.
constexpr unsigned kSimMinLatencyMs = 2;
constexpr unsigned long kSimDefaultReadTimeoutMs = 100;
// FT_Purge mask bits: the receive and the transmit side.
constexpr unsigned long kSimPurgeReceive = 1;
constexpr unsigned long kSimPurgeTransmit = 2;
constexpr uint64_t kSimNever = UINT64_MAX;

// Microseconds that bytes take on the wire, rounded up.
constexpr uint64_t WireTimeUs(uint64_t bytes) {
    return (bytes * kSimBitsPerByte * 1000000 + kSimBaudRate - 1) / kSimBaudRate;
}

// Bytes sent back to back: byte j has crossed the line at originUs +
// WireTimeUs(offset + j + 1).
struct SimBurst {
    uint64_t originUs;
    uint64_t offset;
    std::string bytes;

    uint64_t ByteUs(size_t j) const { return originUs + WireTimeUs(offset + j + 1); }
};

class SimLink {
public:
    // settings: the device's; jitterSeed 0 for none; noiseSeed for the
    // converter's garbage replies and, with jitter, the draws.
    SimLink(const SimDeviceSettings& settings, uint32_t jitterSeed, uint32_t noiseSeed);
    virtual ~SimLink() = default;

    // A handle opened at nowUs: read time-out 100 ms, latency 16 ms, nothing pending.
    virtual void Open(uint64_t nowUs);
    void SetReadTimeout(unsigned long readMs) { readTimeoutMs_ = readMs; }
    virtual void SetLatency(uint64_t nowUs, unsigned ms);
    unsigned LatencyMs() const { return latencyMs_; }
    // Bytes written at nowUs, on their way to the converter.
    virtual void Write(uint64_t nowUs, const std::string& bytes) = 0;
    // Brings the line and the bridge up to nowUs.
    virtual void Advance(uint64_t nowUs) = 0;
    // When a read of count bytes called at callUs returns: once count bytes
    // are there, at the read time-out, or when the device vanishes.
    virtual uint64_t ReadReturnUs(uint64_t callUs, size_t count) const = 0;
    // Takes up to count of the bytes the host has by atUs.
    virtual std::string Take(uint64_t atUs, size_t count) = 0;
    // Bytes the host has by atUs.
    virtual size_t Available(uint64_t atUs) = 0;
    // FT_Purge at nowUs with a mask of kSimPurgeReceive and kSimPurgeTransmit.
    virtual void Purge(uint64_t nowUs, unsigned long mask) = 0;
    // Closing or resetting the handle: nothing pending reaches the host.
    virtual void Clear() = 0;

    // The device leaves the bus at atUs.
    void Unplug(uint64_t atUs);
    // The device vanishes once this many further bytes crossed the line from
    // the host or from the converter (0: that side is not counted).
    void UnplugAfterBytes(unsigned hostBytes, unsigned converterBytes);
    // When the device leaves the bus; kSimNever while it stays.
    uint64_t GoneUs() const { return unpluggedUs_ < vanishUs_ ? unpluggedUs_ : vanishUs_; }
    // True when the device vanished at a byte, before any unplug.
    bool VanishedAtByte() const { return vanishUs_ < unpluggedUs_; }

    SimDevice& Converter() { return converter_; }

protected:
    // Whether a host byte that completes at atUs reaches the converter;
    // counts it toward vanishing.
    bool HostByteCrosses(uint64_t atUs);
    // How many bytes of a reply cross the line before the device vanishes;
    // counts them toward vanishing.
    size_t ConverterBytesCrossing(const SimBurst& reply);
    // The wait before an answer's first byte, us: its scripted delay, or
    // the device's reply delay (with jitter, a random one up to it).
    uint64_t DelayUs(const SimAnswer& answer);
    // With jitter: uniform in [0, bound].
    uint64_t Random(uint64_t bound);
    bool Jitter() const { return jitter_; }
    uint64_t LatencyUs() const { return latencyMs_ * uint64_t{1000}; }
    uint64_t ReadDeadlineUs(uint64_t callUs) const { return callUs + readTimeoutMs_ * uint64_t{1000}; }

    SimDevice converter_;

private:
    // Counts one byte toward vanishing: false when it crossed too late.
    bool Counted(uint64_t atUs, unsigned& bytesToVanish);

    unsigned long readTimeoutMs_ = kSimDefaultReadTimeoutMs;
    unsigned latencyMs_ = kSimDefaultLatencyMs;
    uint64_t replyDelayUs_;
    bool jitter_;
    uint64_t random_;  // the draws' state
    unsigned hostBytesToVanish_;
    unsigned converterBytesToVanish_;
    uint64_t unpluggedUs_ = kSimNever;
    uint64_t vanishUs_ = kSimNever;  // when the counted byte crossed
};

// Replies whole: a command of n bytes written at t is carried out as one;
// its reply of m bytes is there at t + delay + (n + m) byte times + latency
// (the latency in force at the write), never before an earlier reply. A
// receive purge discards every reply byte, arrived or on its way.
class SimIdealLink : public SimLink {
public:
    using SimLink::SimLink;

    void Open(uint64_t nowUs) override;
    void Write(uint64_t nowUs, const std::string& bytes) override;
    // Everything is settled at the write.
    void Advance(uint64_t) override {}
    uint64_t ReadReturnUs(uint64_t callUs, size_t count) const override;
    std::string Take(uint64_t atUs, size_t count) override;
    size_t Available(uint64_t atUs) override;
    void Purge(uint64_t nowUs, unsigned long mask) override;
    void Clear() override { pending_.clear(); }

private:
    struct Arrival {
        uint64_t atUs;
        std::string bytes;
    };
    std::deque<Arrival> pending_;
};

// The link of one device in the given model.
std::unique_ptr<SimLink> MakeSimLink(SimLinkModel model, const SimDeviceSettings& settings, uint32_t jitterSeed,
                                     uint32_t noiseSeed);
