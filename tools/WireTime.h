// The wire-time floor of an exchange with a converter: every byte crosses
// the 9600-baud link, and every reply the host reads waits for the USB
// bridge, which passes on what its receive FIFO holds when its latency timer
// expires, so the last byte of a reply reaches the host at most one latency
// period after it crossed the line; the floor counts that period whole. The
// benchmark holds measured API calls against these floors. Byte counts follow
// the converter's command protocol; the latency, the bridge's timer in force,
// is a parameter of every floor that reads a reply.
#pragma once

namespace WireTime {

// Link: 9600 baud, 10 bits per byte (start bit, 8 data bits, stop bit).
constexpr double kBaudRate = 9600.0;
constexpr double kBitsPerByte = 10.0;
constexpr double kByteMs = 1000.0 * kBitsPerByte / kBaudRate;
// The bridge's latency timer after opening, and the one the library sets
// when the driver offers FT_SetLatencyTimer.
constexpr double kDefaultLatencyMs = 16.0;
constexpr double kShortLatencyMs = 2.0;
// The read time-out, waited out in full when fewer bytes arrive than asked for.
constexpr double kReadTimeoutMs = 100.0;

// Commands and replies, in bytes.
constexpr unsigned kSelectRangeBytes = 3;    // 'f', range + 1, CR
constexpr unsigned kSelectReplyBytes = 2;    // 'P' and one more byte
constexpr unsigned kPowerClearBytes = 3;     // "CP" CR; no reply is read
constexpr unsigned kQueryBytes = 3;          // "sn" CR or "vr" CR
constexpr unsigned kSerialReplyBytes = 9;    // the serial query's reply (asked for up to 50)
constexpr unsigned kMemoryReadBytes = 7;     // "RC" CR, address, length
constexpr unsigned kImageHeaderBytes = 3;    // format byte and calibration mask
constexpr unsigned kBlockBytes = 50;         // one calibration block
constexpr unsigned kMemoryWriteBytes = 135;  // "WF" CR, address, 128, then a chunk
constexpr unsigned kChunkBytes = 128;        // image bytes per memory write
constexpr unsigned kWriteAckBytes = 2;       // "OK"
constexpr unsigned kCalibrationBytes = 5318;
constexpr unsigned kBlockCount = (kCalibrationBytes + kBlockBytes - 1) / kBlockBytes;

// The converter's version reply: its text, then a line end of one byte (CR
// or LF) or two (CR LF or LF CR).
struct VersionReply {
    unsigned textBytes;
    unsigned lineEndBytes;
};

constexpr double BytesMs(unsigned bytes)
{
    return bytes * kByteMs;
}

// Whole milliseconds at or above ms (ms >= 0).
constexpr double CeilMs(double ms)
{
    return static_cast<double>(static_cast<long long>(ms)) < ms ? static_cast<double>(static_cast<long long>(ms) + 1)
                                                                : ms;
}

// A command whose reply is read: both directions, then at most one latency
// period until the reply's last byte reaches the host.
constexpr double ExchangeMs(unsigned written, unsigned replied, double latencyMs)
{
    return BytesMs(written + replied) + latencyMs;
}

// After the first line-end byte of a text reply the library waits this long
// for a second one: a second byte in the next packet arrives within one
// latency period and its own byte time.
constexpr double LineEndWaitMs(double latencyMs)
{
    return CeilMs(latencyMs + 2 * kByteMs);
}

// A two-byte line end ends the read when its second byte arrives, at most
// one latency period after it crossed; after a one-byte line end the library
// waits out the line-end wait.
constexpr double VersionQueryMs(VersionReply reply, double latencyMs)
{
    return ExchangeMs(kQueryBytes, reply.textBytes + reply.lineEndBytes, latencyMs) +
           (reply.lineEndBytes < 2 ? LineEndWaitMs(latencyMs) : 0.0);
}

// Loading the calibration header: version query, then the 3 image header bytes.
constexpr double HeaderLoadMs(VersionReply reply, double latencyMs)
{
    return VersionQueryMs(reply, latencyMs) + ExchangeMs(kMemoryReadBytes, kImageHeaderBytes, latencyMs);
}

// Open talks to the converter only to load the calibration header.
constexpr double OpenMs(VersionReply reply, double latencyMs)
{
    return HeaderLoadMs(reply, latencyMs);
}

constexpr double SetRangeMs(double latencyMs)
{
    return ExchangeMs(kSelectRangeBytes, kSelectReplyBytes, latencyMs);
}

// A command answered by nothing is waited out under a read time-out of its
// bytes' line time, rounded up to whole ms, and a margin for the bridge to
// take them from the USB; the wait runs its whole length.
constexpr double kLineDrainMarginMs = 2.0;
constexpr double UnansweredCommandMs(unsigned written)
{
    return CeilMs(BytesMs(written)) + kLineDrainMarginMs;
}

constexpr double SetClearPowerMs()
{
    return UnansweredCommandMs(kPowerClearBytes);
}

// A read that asks for more bytes than the reply holds returns only at its
// time-out, which runs from the read call just after the write: the reply's
// own wire time passes inside it unless the reply is slower still.
constexpr double TimedOutExchangeMs(unsigned written, unsigned replied, double latencyMs)
{
    return ExchangeMs(written, replied, latencyMs) > kReadTimeoutMs ? ExchangeMs(written, replied, latencyMs)
                                                                     : kReadTimeoutMs;
}

// The serial query asks for up to 50 bytes and gets 9, so it waits out the
// read time-out; the version query follows.
constexpr double GetConfigMs(VersionReply reply, double latencyMs)
{
    return TimedOutExchangeMs(kQueryBytes, kSerialReplyBytes, latencyMs) + VersionQueryMs(reply, latencyMs);
}

constexpr double BlockReadMs(double latencyMs)
{
    return ExchangeMs(kMemoryReadBytes, kBlockBytes, latencyMs);
}

// Number of blocks that hold the data offsets first..last.
constexpr unsigned BlocksSpanned(unsigned first, unsigned last)
{
    return last / kBlockBytes - first / kBlockBytes + 1;
}

// The first correction after opening reads the blocks of the frequency's
// calibration point and of the point after it.
constexpr double FirstCorrectionMs(unsigned pointOffset, double latencyMs)
{
    return BlocksSpanned(pointOffset, pointOffset + 1) * BlockReadMs(latencyMs);
}

// All calibration data of a fully calibrated converter, block by block.
constexpr double FullReadMs(double latencyMs)
{
    return kBlockCount * BlockReadMs(latencyMs);
}

constexpr unsigned ChunkCount(unsigned imageBytes)
{
    return (imageBytes + kChunkBytes - 1) / kChunkBytes;
}

// Memory writes of an image: an image of several chunks writes chunk 0
// twice (first with format byte 0, last as it is).
constexpr unsigned MemoryWriteCount(unsigned imageBytes)
{
    return ChunkCount(imageBytes) + (ChunkCount(imageBytes) > 1 ? 1 : 0);
}

// A whole image in memory writes, each acknowledged, then the header reload.
constexpr double WriteImageMs(unsigned imageBytes, VersionReply reply, double latencyMs)
{
    return MemoryWriteCount(imageBytes) * ExchangeMs(kMemoryWriteBytes, kWriteAckBytes, latencyMs) +
           HeaderLoadMs(reply, latencyMs);
}

}  // namespace WireTime
