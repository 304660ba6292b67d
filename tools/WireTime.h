// The least time an exchange with a converter can take: every byte crosses
// the 9600-baud link, and every reply the host reads waits for the USB
// bridge's latency. The benchmark holds measured API calls against these
// floors. Byte counts follow the converter's command protocol.
#pragma once

namespace WireTime {

// Link: 9600 baud, 10 bits per byte (start bit, 8 data bits, stop bit).
constexpr double kBaudRate = 9600.0;
constexpr double kBitsPerByte = 10.0;
constexpr double kByteMs = 1000.0 * kBitsPerByte / kBaudRate;
// Delay of the USB bridge before a reply reaches the host, once per read.
constexpr double kUsbLatencyMs = 16.0;
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

constexpr double BytesMs(unsigned bytes)
{
    return bytes * kByteMs;
}

// A command whose reply is read: both directions, then the USB latency.
constexpr double ExchangeMs(unsigned written, unsigned replied)
{
    return BytesMs(written + replied) + kUsbLatencyMs;
}

// The version reply ends at its CR/LF, so its read waits for no time-out.
constexpr double VersionQueryMs(unsigned versionReplyBytes)
{
    return ExchangeMs(kQueryBytes, versionReplyBytes);
}

// Loading the calibration header: version query, then the 3 image header bytes.
constexpr double HeaderLoadMs(unsigned versionReplyBytes)
{
    return VersionQueryMs(versionReplyBytes) + ExchangeMs(kMemoryReadBytes, kImageHeaderBytes);
}

// Open talks to the converter only to load the calibration header.
constexpr double OpenMs(unsigned versionReplyBytes)
{
    return HeaderLoadMs(versionReplyBytes);
}

constexpr double SetRangeMs()
{
    return ExchangeMs(kSelectRangeBytes, kSelectReplyBytes);
}

constexpr double SetClearPowerMs()
{
    return BytesMs(kPowerClearBytes);
}

// A read that asks for more bytes than the reply holds returns only at its
// time-out, which runs from the read call just after the write: the reply's
// own wire time passes inside it unless the reply is slower still.
constexpr double TimedOutExchangeMs(unsigned written, unsigned replied)
{
    return ExchangeMs(written, replied) > kReadTimeoutMs ? ExchangeMs(written, replied) : kReadTimeoutMs;
}

// The serial query asks for up to 50 bytes and gets 9, so it waits out the
// read time-out; the version query follows.
constexpr double GetConfigMs(unsigned versionReplyBytes)
{
    return TimedOutExchangeMs(kQueryBytes, kSerialReplyBytes) + VersionQueryMs(versionReplyBytes);
}

constexpr double BlockReadMs()
{
    return ExchangeMs(kMemoryReadBytes, kBlockBytes);
}

// Number of blocks that hold the data offsets first..last.
constexpr unsigned BlocksSpanned(unsigned first, unsigned last)
{
    return last / kBlockBytes - first / kBlockBytes + 1;
}

// The first correction after opening reads the blocks of the frequency's
// calibration point and of the point after it.
constexpr double FirstCorrectionMs(unsigned pointOffset)
{
    return BlocksSpanned(pointOffset, pointOffset + 1) * BlockReadMs();
}

// All calibration data of a fully calibrated converter, block by block.
constexpr double FullReadMs()
{
    return kBlockCount * BlockReadMs();
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
constexpr double WriteImageMs(unsigned imageBytes, unsigned versionReplyBytes)
{
    return MemoryWriteCount(imageBytes) * ExchangeMs(kMemoryWriteBytes, kWriteAckBytes) +
           HeaderLoadMs(versionReplyBytes);
}

}  // namespace WireTime
