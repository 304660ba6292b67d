#include "SimLink.h"

#include <algorithm>

#include "SimBridge.h"

SimLink::SimLink(const SimDeviceSettings& settings, uint32_t jitterSeed, uint32_t noiseSeed)
    : converter_(settings, noiseSeed),
      replyDelayUs_(settings.replyDelayMs * uint64_t{1000}),
      jitter_(jitterSeed != 0),
      random_(uint64_t{jitterSeed} << 32 | noiseSeed),
      hostBytesToVanish_(settings.unplugAfterHostBytes),
      converterBytesToVanish_(settings.unplugAfterConverterBytes) {}

void SimLink::Open(uint64_t) {
    readTimeoutMs_ = kSimDefaultReadTimeoutMs;
    latencyMs_ = kSimDefaultLatencyMs;
}

void SimLink::SetLatency(uint64_t, unsigned ms) { latencyMs_ = ms; }

void SimLink::Unplug(uint64_t atUs) { unpluggedUs_ = std::min(unpluggedUs_, atUs); }

void SimLink::UnplugAfterBytes(unsigned hostBytes, unsigned converterBytes) {
    hostBytesToVanish_ = hostBytes;
    converterBytesToVanish_ = converterBytes;
}

bool SimLink::Counted(uint64_t atUs, unsigned& bytesToVanish) {
    if (atUs > GoneUs()) return false;
    if (bytesToVanish != 0 && --bytesToVanish == 0) vanishUs_ = atUs;
    return true;
}

bool SimLink::HostByteCrosses(uint64_t atUs) { return Counted(atUs, hostBytesToVanish_); }

size_t SimLink::ConverterBytesCrossing(const SimBurst& reply) {
    size_t crossing = 0;
    while (crossing < reply.bytes.size() && Counted(reply.ByteUs(crossing), converterBytesToVanish_)) ++crossing;
    return crossing;
}

uint64_t SimLink::DelayUs(const SimAnswer& answer) {
    if (answer.delayMs >= 0) return static_cast<uint64_t>(answer.delayMs) * 1000;
    return jitter_ ? Random(replyDelayUs_) : replyDelayUs_;
}

// splitmix64: the same draws for the same seed on every run.
uint64_t SimLink::Random(uint64_t bound) {
    random_ += 0x9E3779B97F4A7C15ULL;
    uint64_t z = random_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return z % (bound + 1);
}

void SimIdealLink::Open(uint64_t nowUs) {
    SimLink::Open(nowUs);
    pending_.clear();
}

void SimIdealLink::Write(uint64_t nowUs, const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        // A command cut off by the device vanishing is never carried out.
        if (!HostByteCrosses(nowUs + WireTimeUs(i + 1))) return;
    }
    const SimAnswer answer = converter_.Execute(bytes);
    if (answer.bytes.empty()) return;
    SimBurst reply{nowUs + DelayUs(answer), bytes.size(), answer.bytes};
    uint64_t atUs = reply.ByteUs(reply.bytes.size() - 1) + LatencyUs();
    reply.bytes.resize(ConverterBytesCrossing(reply));
    if (reply.bytes.empty()) return;
    // Replies come over one line: a later one never overtakes an earlier one.
    if (!pending_.empty()) atUs = std::max(atUs, pending_.back().atUs);
    pending_.push_back({atUs, reply.bytes});
}

uint64_t SimIdealLink::ReadReturnUs(uint64_t callUs, size_t count) const {
    const uint64_t stopUs = std::min(ReadDeadlineUs(callUs), GoneUs());
    if (count == 0) return callUs;
    size_t arrived = 0;
    for (const Arrival& arrival : pending_) {
        arrived += arrival.bytes.size();
        if (arrived >= count) return std::max(callUs, std::min(arrival.atUs, stopUs));
    }
    return stopUs;
}

std::string SimIdealLink::Take(uint64_t atUs, size_t count) {
    std::string bytes;
    while (bytes.size() < count && !pending_.empty() && pending_.front().atUs <= atUs) {
        std::string& front = pending_.front().bytes;
        const size_t part = std::min(count - bytes.size(), front.size());
        bytes.append(front, 0, part);
        front.erase(0, part);
        if (front.empty()) pending_.pop_front();
    }
    return bytes;
}

size_t SimIdealLink::Available(uint64_t atUs) {
    size_t arrived = 0;
    for (const Arrival& arrival : pending_) {
        if (arrival.atUs <= atUs) arrived += arrival.bytes.size();
    }
    return arrived;
}

void SimIdealLink::Purge(uint64_t, unsigned long mask) {
    if ((mask & kSimPurgeReceive) != 0) pending_.clear();
}

std::unique_ptr<SimLink> MakeSimLink(SimLinkModel model, const SimDeviceSettings& settings, uint32_t jitterSeed,
                                     uint32_t noiseSeed) {
    if (model == SimLinkModel::Bridge) return std::make_unique<SimBridgeLink>(settings, jitterSeed, noiseSeed);
    return std::make_unique<SimIdealLink>(settings, jitterSeed, noiseSeed);
}
