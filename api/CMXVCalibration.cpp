// The calibration image of a CMXV object: the header read at open, the block
// cache filled on demand, raw data for hosts, writing a new image, and the SS
// correction interpolated between two calibration points.
//
// Memory commands carry 16-bit little-endian numbers after their CR:
//   memory read  "RC" CR <address> <length>            -> exactly length bytes
//   memory write "WF" CR <address> <128> <128 bytes>   -> "OK"
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "CMXV.h"

namespace {

// Reads must end below this address.
constexpr unsigned converterMemoryBytes = 12288;
// Firmware older than this keeps no calibration image.
constexpr int firstCalibratedFirmware = 4;
// Bytes of data each memory-write command declares and carries.
constexpr unsigned imageChunkBytes = 128;
// Header word bit that reports the format byte 1 beside the mask.
constexpr unsigned headerFormatBit = 0x00010000;
// The cached frequency while no correction is cached. Its correction, 0.0, is
// also what a query at this frequency computes, since no segment covers it.
constexpr uint64_t noCachedFrequency = UINT64_MAX;
// One data count is half a unit of the correction.
constexpr float unitsPerCount = 0.5f;

constexpr uint8_t LowByte(unsigned value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

constexpr uint8_t HighByte(unsigned value)
{
    return static_cast<uint8_t>((value >> 8) & 0xFF);
}

// Data bytes of a block: 50, only 18 for the last one.
constexpr unsigned BlockDataBytes(unsigned block)
{
    unsigned first = block * calibrationBlockBytes;
    return calibrationBytes - first < calibrationBlockBytes ? calibrationBytes - first : calibrationBlockBytes;
}

}  // namespace

// A reply still short after its waits comes from a converter answering
// slowly: its rest is let in and discarded, so that it is never taken as
// the next read's data.
int CMXV::ReadMemory(uint16_t address, unsigned char* destination, uint16_t length)
{
    LockScope lock(Lock);
    if (!Opened || !destination || unsigned{address} + length >= converterMemoryBytes)
        return 0;
    PurgeLink();
    const unsigned char command[] = {'R', 'C', '\r', LowByte(address), HighByte(address), LowByte(length),
                                     HighByte(length)};
    if (!WriteBytes(command, sizeof command))  // "RC" CR <address> <length>
        return 0;
    memset(destination, 0, length);
    if (ReadReply(destination, length, length) == length)  // exactly length bytes
        return 1;
    DiscardLateReply();
    return 0;
}

// Forgets the header, every cached block and the cached correction.
void CMXV::ResetCalibrationCache()
{
    CalibrationValid = 0;
    CachedFrequency = noCachedFrequency;
    CachedCorrection = 0.0f;
    CalibrationMask = 0;
    memset(BlockPresent, 0, sizeof BlockPresent);
}

// Calibration becomes valid with firmware 4 or later and format byte 1.
// "vr" is written without a purge. The header counts only when all three of
// its bytes arrived.
void CMXV::LoadCalibrationHeader()
{
    LockScope lock(Lock);
    ResetCalibrationCache();
    if (!WriteBytes(versionCommand, sizeof versionCommand))  // "vr" CR
        return;
    char version[versionReplyBytes + 1];
    ReadTextReply(version);  // "Version 4.2" CR
    int major = 0;
    int minor = 0;
    if (sscanf(version, "Version %d.%d", &major, &minor) < 1 || major < firstCalibratedFirmware)
        return;
    unsigned char header[3] = {};
    if (!ReadMemory(imageFormatAddress, header, sizeof header) || header[0] != imageFormat)
        return;
    CalibrationMask = static_cast<uint16_t>(header[1] | header[2] << 8);
    PresetUncalibratedBlocks();
    CalibrationValid = 1;
}

// Whole blocks inside segments without calibration read as zeros and are
// never fetched; partial blocks at a segment's ends stay absent.
void CMXV::PresetUncalibratedBlocks()
{
    for (unsigned s = 0; s < calibrationSegmentCount; ++s) {
        if (CalibrationMask & (1u << s))
            continue;
        const CalibrationSegment& segment = calibrationSegments[s];
        unsigned firstBlock = (segment.offset + calibrationBlockBytes - 1) / calibrationBlockBytes;
        unsigned endBlock = (segment.offset + segment.size) / calibrationBlockBytes;
        for (unsigned b = firstBlock; b < endBlock; ++b) {
            memset(CalibrationData + b * calibrationBlockBytes, 0, calibrationBlockBytes);
            BlockPresent[b] = 1;
        }
    }
}

// Zeroes the bytes of a freshly fetched block that belong to segments without
// calibration, whichever end of the segment the block holds.
void CMXV::ZeroUncalibratedBytes(unsigned block)
{
    unsigned blockStart = block * calibrationBlockBytes;
    unsigned blockEnd = blockStart + BlockDataBytes(block);
    for (unsigned s = 0; s < calibrationSegmentCount; ++s) {
        const CalibrationSegment& segment = calibrationSegments[s];
        unsigned start = segment.offset > blockStart ? segment.offset : blockStart;
        unsigned end = segment.offset + segment.size < blockEnd ? segment.offset + segment.size : blockEnd;
        if (!(CalibrationMask & (1u << s)) && start < end)
            memset(CalibrationData + start, 0, end - start);
    }
}

// Fetches the 50-byte block holding dataOffset unless it is present. The
// transfer goes through a block-sized buffer: the last block's transfer
// carries 32 bytes from beyond the data area, which are dropped.
int CMXV::LoadCalibrationBlock(unsigned dataOffset)
{
    LockScope lock(Lock);
    if (!CalibrationValid || dataOffset >= calibrationBytes)
        return 0;
    unsigned block = dataOffset / calibrationBlockBytes;
    if (BlockPresent[block])
        return 1;
    unsigned blockStart = block * calibrationBlockBytes;
    unsigned char transfer[calibrationBlockBytes];
    if (!ReadMemory(static_cast<uint16_t>(imageDataAddress + blockStart), transfer, calibrationBlockBytes))
        return 0;
    memcpy(CalibrationData + blockStart, transfer, BlockDataBytes(block));
    BlockPresent[block] = 1;
    ZeroUncalibratedBytes(block);
    return 1;
}

// A null buffer or a length of 0 asks for the header word only.
int CMXV::GetCalibrationData(unsigned start, unsigned char* buffer, unsigned length, unsigned* header)
{
    if (uint64_t{start} + length > calibrationBytes) {
        platform::SetInvalidParameterError();
        return 0;
    }
    LockScope lock(Lock);
    if (header)
        *header = CalibrationValid ? headerFormatBit | CalibrationMask : 0;
    if (!buffer || length == 0)
        return 1;
    if (!CalibrationValid)
        return 0;
    unsigned last = start + length - 1;
    for (unsigned k = start; k < last; k += calibrationBlockBytes) {
        if (!LoadCalibrationBlock(k))
            return 0;
    }
    if (!LoadCalibrationBlock(last))
        return 0;
    memcpy(buffer, CalibrationData + start, length);
    return 1;
}

// Sends one memory-write command: 128 data bytes, a shorter chunk
// zero-padded; the converter answers exactly "OK".
bool CMXV::SendImageChunk(const unsigned char* image, unsigned length, uint16_t address)
{
    unsigned char command[7 + imageChunkBytes] = {'W', 'F', '\r', LowByte(address), HighByte(address),
                                                  LowByte(imageChunkBytes), HighByte(imageChunkBytes)};
    memcpy(command + 7, image, length);
    if (!WriteBytes(command, sizeof command))  // "WF" CR <address> <128> <data>
        return false;
    char reply[2] = {};
    if (ReadReply(reply, sizeof reply, sizeof reply) < sizeof reply)
        return false;
    if (reply[0] == 'O' && reply[1] == 'K')
        return true;
    DiscardLateReply();
    return false;
}

// Sends the image's chunks so that the converter never holds the format byte
// 1 over a mix of new and old data: an image of several chunks first gets
// chunk 0 with format byte 0, then chunks 1, 2, ... in order, and chunk 0 as
// it is last. An image of one chunk is sent once: its last write would be
// the same command either way. Stops at the first chunk that fails.
bool CMXV::SendImage(const unsigned char* image, unsigned length)
{
    unsigned firstChunk = length < imageChunkBytes ? length : imageChunkBytes;
    if (length > imageChunkBytes) {
        unsigned char invalidFirstChunk[imageChunkBytes];
        memcpy(invalidFirstChunk, image, imageChunkBytes);
        invalidFirstChunk[imageFormatAddress] = 0;
        if (!SendImageChunk(invalidFirstChunk, imageChunkBytes, 0))
            return false;
    }
    for (unsigned address = imageChunkBytes; address < length; address += imageChunkBytes) {
        unsigned chunk = length - address < imageChunkBytes ? length - address : imageChunkBytes;
        if (!SendImageChunk(image + address, chunk, static_cast<uint16_t>(address)))
            return false;
    }
    return length == 0 || SendImageChunk(image, firstChunk, 0);
}

// Writes the image from address 0 under a 200 ms read time-out, then reloads
// the header whether the write succeeded or not, so that the cache says what
// the converter now holds: after a failure the old calibration when no chunk
// was stored, the new one when every chunk was, none in between or when the
// converter cannot be read.
int CMXV::WriteCalibrationData(const unsigned char* image, unsigned short length)
{
    if (!image || length > OVK47MXV_MAX_IMAGE_BYTES) {
        platform::SetInvalidParameterError();
        return 0;
    }
    LockScope lock(Lock);
    if (!Opened || !SetLinkTimeouts(imageWriteReadTimeoutMs, writeTimeoutMs))
        return 0;
    PurgeLink();
    bool sent = SendImage(image, length);
    SetLinkTimeouts(readTimeoutMs, writeTimeoutMs);
    LoadCalibrationHeader();
    return sent ? 1 : 0;
}

// Interpolates linearly between the grid point at or below f and the next
// one, in extended precision rounded once to single; returns the negated
// value. The last frequency and its result are cached.
float CMXV::GetSSCorrection(unsigned long long frequency)
{
    LockScope lock(Lock);
    if (!CalibrationValid)
        return 0.0f;
    if (frequency == CachedFrequency)
        return CachedCorrection;
    CalibrationPoint point{};
    if (!LocateCalibrationPoint(frequency, calibrationSegments, point))
        return 0.0f;
    uint32_t p = point.dataOffset;
    if (!LoadCalibrationBlock(p) || !LoadCalibrationBlock(p + 1))
        return 0.0f;
    float a = static_cast<int8_t>(CalibrationData[p]) * unitsPerCount;
    float c = static_cast<int8_t>(CalibrationData[p + 1]) * unitsPerCount;
    long double sinceGridHz = static_cast<long double>(frequency - point.gridHz);
    float correction = -static_cast<float>(a + (static_cast<long double>(c) - a) * sinceGridHz / calibrationStepHz);
    CachedFrequency = frequency;
    CachedCorrection = correction;
    return correction;
}
