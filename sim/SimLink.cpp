#include "SimLink.h"

#include <algorithm>

void SimLink::Reset() {
    pending_.clear();
    readTimeoutMs_ = kSimDefaultReadTimeoutMs;
}

void SimLink::Deliver(uint64_t writeUs, size_t commandBytes, const std::string& reply) {
    if (reply.empty()) return;
    uint64_t atUs = writeUs + WireTimeUs(commandBytes + reply.size()) + kSimLatencyUs;
    // Replies come over one line: a later one never overtakes an earlier one.
    if (!pending_.empty()) atUs = std::max(atUs, pending_.back().atUs);
    pending_.push_back({atUs, reply});
}

uint64_t SimLink::ReadReturnUs(uint64_t callUs, size_t count) const {
    if (count == 0) return callUs;
    const uint64_t deadlineUs = callUs + readTimeoutMs_ * uint64_t{1000};
    size_t arrived = 0;
    for (const Arrival& arrival : pending_) {
        arrived += arrival.bytes.size();
        if (arrived >= count) return std::max(callUs, std::min(arrival.atUs, deadlineUs));
    }
    return deadlineUs;
}

std::string SimLink::Take(uint64_t atUs, size_t count) {
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

size_t SimLink::Available(uint64_t atUs) const {
    size_t arrived = 0;
    for (const Arrival& arrival : pending_) {
        if (arrival.atUs <= atUs) arrived += arrival.bytes.size();
    }
    return arrived;
}
