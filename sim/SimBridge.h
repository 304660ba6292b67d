// The link through the USB bridge chip as the hardware behaves.
//
// Host bytes cross the serial line one at a time (10 bits each at 9600 baud),
// after the bytes written before them. The converter frames commands by their
// length (SimDevice::Receive) and starts its reply when a command is whole,
// after its reply delay and once its earlier replies are out; reply bytes
// cross one at a time into the chip's receive FIFO. The chip sends what the
// FIFO holds to the host in one USB packet when its latency timer expires
// with data waiting, or at once when 62 bytes wait.
//
// The latency timer runs freely with the latency as its period, from the
// handle's open (first expiry: open + latency). A full packet and a new
// latency restart it (next expiry: then + latency). With jitter the next
// expiry is drawn afresh at each write, uniformly within (write, write +
// latency]: the host's writes fall at any phase of the timer.
//
// A receive purge empties the driver's buffer and the FIFO; bytes still on
// the line and the rest of a reply the converter is sending arrive after
// it. A transmit purge drops the host bytes behind the one on the line.
#pragma once

#include "SimLink.h"

class SimBridgeLink : public SimLink {
public:
    using SimLink::SimLink;

    void Open(uint64_t nowUs) override;
    void SetLatency(uint64_t nowUs, unsigned ms) override;
    void Write(uint64_t nowUs, const std::string& bytes) override;
    void Advance(uint64_t nowUs) override;
    uint64_t ReadReturnUs(uint64_t callUs, size_t count) const override;
    std::string Take(uint64_t atUs, size_t count) override;
    size_t Available(uint64_t atUs) override;
    void Purge(uint64_t nowUs, unsigned long mask) override;
    void Clear() override;

private:
    // A byte on the line and when it has crossed.
    struct LineByte {
        uint64_t atUs;
        char byte;
    };

    // When the next thing happens: a host byte reaches the converter, a
    // converter byte reaches the FIFO, or the timer expires over data.
    uint64_t NextEventUs() const;
    void HostByteArrives();
    void ConverterByteArrives();
    // The converter's answer to a command whole at commandUs goes on the line.
    void Reply(uint64_t commandUs, const SimAnswer& answer);
    // The timer's first expiry at or after atUs, from its current phase.
    void CatchUpTimer(uint64_t atUs);
    // The FIFO's bytes go to the host in one packet.
    void SendPacket();

    std::deque<LineByte> toConverter_;  // host bytes written, not yet at the converter
    std::deque<LineByte> toHost_;       // converter bytes not yet in the FIFO
    std::string fifo_;                  // the chip's receive FIFO
    std::string received_;              // the driver's receive buffer: what a read takes
    uint64_t hostLineFreeUs_ = 0;       // when the host's last byte is through
    uint64_t converterLineFreeUs_ = 0;  // when the converter's last byte is through
    uint64_t expiryUs_ = 0;             // the latency timer's next expiry
};
