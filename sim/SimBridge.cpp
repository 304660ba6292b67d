#include "SimBridge.h"

#include <algorithm>

namespace {

// Payload of a full USB packet of the bridge chip: 64 bytes less 2 status bytes.
constexpr size_t kPacketPayloadBytes = 62;

}  // namespace

void SimBridgeLink::Open(uint64_t nowUs) {
    SimLink::Open(nowUs);
    Clear();
    expiryUs_ = nowUs + (Jitter() ? 1 + Random(LatencyUs() - 1) : LatencyUs());
}

void SimBridgeLink::SetLatency(uint64_t nowUs, unsigned ms) {
    Advance(nowUs);
    SimLink::SetLatency(nowUs, ms);
    expiryUs_ = nowUs + LatencyUs();
}

void SimBridgeLink::Write(uint64_t nowUs, const std::string& bytes) {
    Advance(nowUs);
    if (Jitter()) expiryUs_ = nowUs + 1 + Random(LatencyUs() - 1);
    const uint64_t startUs = std::max(nowUs, hostLineFreeUs_);
    for (size_t i = 0; i < bytes.size(); ++i) toConverter_.push_back({startUs + WireTimeUs(i + 1), bytes[i]});
    if (!bytes.empty()) hostLineFreeUs_ = toConverter_.back().atUs;
}

// Events at the same time: host byte, converter byte, then the timer, so a
// byte that crosses as the timer expires goes with that packet.
void SimBridgeLink::Advance(uint64_t nowUs) {
    for (uint64_t nextUs = NextEventUs(); nextUs <= nowUs; nextUs = NextEventUs()) {
        if (!toConverter_.empty() && toConverter_.front().atUs == nextUs) {
            HostByteArrives();
        } else if (!toHost_.empty() && toHost_.front().atUs == nextUs) {
            ConverterByteArrives();
        } else {
            SendPacket();
            expiryUs_ += LatencyUs();
        }
    }
}

uint64_t SimBridgeLink::NextEventUs() const {
    uint64_t nextUs = fifo_.empty() ? kSimNever : expiryUs_;
    if (!toConverter_.empty()) nextUs = std::min(nextUs, toConverter_.front().atUs);
    if (!toHost_.empty()) nextUs = std::min(nextUs, toHost_.front().atUs);
    return nextUs;
}

void SimBridgeLink::HostByteArrives() {
    const LineByte arrived = toConverter_.front();
    toConverter_.pop_front();
    if (!HostByteCrosses(arrived.atUs)) {
        toConverter_.clear();  // the device has gone
        return;
    }
    SimAnswer answer;
    if (converter_.Receive(arrived.byte, arrived.atUs, answer) && !answer.bytes.empty()) Reply(arrived.atUs, answer);
}

void SimBridgeLink::Reply(uint64_t commandUs, const SimAnswer& answer) {
    const SimBurst reply{std::max(commandUs + DelayUs(answer), converterLineFreeUs_), 0, answer.bytes};
    converterLineFreeUs_ = reply.ByteUs(reply.bytes.size() - 1);
    const size_t crossing = ConverterBytesCrossing(reply);
    for (size_t j = 0; j < crossing; ++j) toHost_.push_back({reply.ByteUs(j), reply.bytes[j]});
}

void SimBridgeLink::ConverterByteArrives() {
    const LineByte arrived = toHost_.front();
    toHost_.pop_front();
    if (fifo_.empty()) CatchUpTimer(arrived.atUs);
    fifo_ += arrived.byte;
    if (fifo_.size() == kPacketPayloadBytes) {
        SendPacket();
        expiryUs_ = arrived.atUs + LatencyUs();
    }
}

void SimBridgeLink::CatchUpTimer(uint64_t atUs) {
    const uint64_t periodUs = LatencyUs();
    if (expiryUs_ < atUs) expiryUs_ += (atUs - expiryUs_ + periodUs - 1) / periodUs * periodUs;
}

void SimBridgeLink::SendPacket() {
    received_ += fifo_;
    fifo_.clear();
}

// Plays a copy of the link forward: only taking bytes changes what a read sees.
uint64_t SimBridgeLink::ReadReturnUs(uint64_t callUs, size_t count) const {
    SimBridgeLink ahead(*this);
    ahead.Advance(callUs);
    const uint64_t deadlineUs = ReadDeadlineUs(callUs);
    uint64_t nowUs = callUs;
    while (ahead.received_.size() < count) {
        const uint64_t nextUs = ahead.NextEventUs();
        if (nextUs > deadlineUs || nextUs >= ahead.GoneUs()) return std::min(deadlineUs, ahead.GoneUs());
        ahead.Advance(nextUs);
        nowUs = nextUs;
    }
    return nowUs;
}

std::string SimBridgeLink::Take(uint64_t atUs, size_t count) {
    Advance(atUs);
    const std::string bytes = received_.substr(0, count);
    received_.erase(0, bytes.size());
    return bytes;
}

size_t SimBridgeLink::Available(uint64_t atUs) {
    Advance(atUs);
    return received_.size();
}

void SimBridgeLink::Purge(uint64_t nowUs, unsigned long mask) {
    Advance(nowUs);
    if ((mask & kSimPurgeReceive) != 0) {
        fifo_.clear();
        received_.clear();
    }
    if ((mask & kSimPurgeTransmit) != 0 && !toConverter_.empty()) {
        // The byte on the line goes on (a write's first byte is on it when the
        // write returns); those after it are dropped.
        toConverter_.resize(1);
        hostLineFreeUs_ = toConverter_.front().atUs;
    }
}

void SimBridgeLink::Clear() {
    toConverter_.clear();
    toHost_.clear();
    fifo_.clear();
    received_.clear();
    hostLineFreeUs_ = 0;
}
