// Layout of the calibration image in the converter's memory and the fixed
// table of its 14 segments, one per range. Each data byte is a signed count
// of half units for one point of a 4 MHz frequency grid.
#pragma once

#include <cstddef>
#include <cstdint>

// Image in converter memory: format byte at 0, mask at 1..2, data offset k at k + 3.
constexpr uint16_t imageFormatAddress = 0;
constexpr uint16_t imageDataAddress = 3;
constexpr uint8_t imageFormat = 1;
// Bytes of calibration data (data offsets 0..5317).
constexpr unsigned calibrationBytes = 5318;
// The cache is filled in blocks of this many data bytes; the last one holds 18.
constexpr unsigned calibrationBlockBytes = 50;
constexpr unsigned calibrationBlockCount = (calibrationBytes + calibrationBlockBytes - 1) / calibrationBlockBytes;
static_assert(calibrationBlockCount == 107, "107 blocks, the last one partial");
// Distance between two calibration points, Hz.
constexpr uint64_t calibrationStepHz = 4000000;
constexpr unsigned calibrationSegmentCount = 14;

struct CalibrationSegment {
    uint64_t from;      // lowest input frequency, Hz
    uint64_t to;        // first input frequency no longer in the segment, Hz
    uint64_t gridBase;  // frequency of point 0, Hz
    uint64_t gridEnd;   // frequency of the last point, Hz (for reference only)
    uint32_t offset;    // data offset of point 0
    uint32_t size;      // number of points (bytes)
};
static_assert(sizeof(CalibrationSegment) == 40, "CalibrationSegment is 40 bytes");
static_assert(offsetof(CalibrationSegment, offset) == 32, "offset at 32");

// Every grid starts 8 MHz below its segment's from (segment 0 at 0 Hz) and
// ends 8 MHz beyond its to. The stored images follow that grid for segment 1
// too: points from 2892000000 Hz, 405 of them, up to 4508000000 Hz.
inline constexpr CalibrationSegment calibrationSegments[calibrationSegmentCount] = {
    {0ULL, 2899999999ULL, 0ULL, 2908000000ULL, 0, 728},
    {2900000000ULL, 4499999999ULL, 2892000000ULL, 4508000000ULL, 728, 405},
    {4500000000ULL, 5899999999ULL, 4492000000ULL, 5908000000ULL, 1133, 355},
    {5900000000ULL, 7999999999ULL, 5892000000ULL, 8008000000ULL, 1488, 530},
    {8000000000ULL, 8999999999ULL, 7992000000ULL, 9008000000ULL, 2018, 255},
    {9000000000ULL, 9899999999ULL, 8992000000ULL, 9908000000ULL, 2273, 230},
    {9900000000ULL, 11999999999ULL, 9892000000ULL, 12008000000ULL, 2503, 530},
    {12000000000ULL, 13199999999ULL, 11992000000ULL, 13208000000ULL, 3033, 305},
    {13200000000ULL, 14899999999ULL, 13192000000ULL, 14908000000ULL, 3338, 430},
    {14900000000ULL, 15999999999ULL, 14892000000ULL, 16008000000ULL, 3768, 280},
    {16000000000ULL, 17099999999ULL, 15992000000ULL, 17108000000ULL, 4048, 280},
    {17100000000ULL, 17899999999ULL, 17092000000ULL, 17908000000ULL, 4328, 205},
    {17900000000ULL, 19099999999ULL, 17892000000ULL, 19108000000ULL, 4533, 305},
    {19100000000ULL, 21000000000ULL, 19092000000ULL, 21008000000ULL, 4838, 480},
};

// Checks at build time that the segments are packed, fill the data area and
// that every grid has exactly size points.
constexpr bool SegmentsAreConsistent()
{
    uint32_t next = 0;
    for (const CalibrationSegment& s : calibrationSegments) {
        if (s.offset != next || (s.gridEnd - s.gridBase) / calibrationStepHz + 1 != s.size)
            return false;
        next = s.offset + s.size;
    }
    return next == calibrationBytes;
}
static_assert(SegmentsAreConsistent(), "calibration segments are packed and their grids match their sizes");

// A frequency's place in the calibration data: the grid point at or below it.
struct CalibrationPoint {
    unsigned segment;
    uint32_t dataOffset;  // data offset of the point at or below the frequency
    uint64_t gridHz;      // frequency of that point
};

// Finds the first segment whose to lies above f and f's grid point in it.
// False when no segment covers f or f lies below that segment's grid base.
constexpr bool LocateCalibrationPoint(uint64_t f, const CalibrationSegment (&table)[calibrationSegmentCount],
                                      CalibrationPoint& point)
{
    for (unsigned s = 0; s < calibrationSegmentCount; ++s) {
        if (f >= table[s].to)
            continue;
        if (f < table[s].gridBase)
            return false;
        uint32_t q = static_cast<uint32_t>((f - table[s].gridBase) / calibrationStepHz);
        point = {s, table[s].offset + q, table[s].gridBase + uint64_t{q} * calibrationStepHz};
        return true;
    }
    return false;
}
