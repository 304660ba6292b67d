// A converter's calibration image as it lives in the converter's memory from
// address 0: format byte, 16-bit calibration mask (little-endian), then the
// calibration data.
#pragma once

#include <cstddef>
#include <vector>

#include "ApiBinding.h"

constexpr size_t kImageHeaderBytes = 3;
constexpr size_t kImageBytes = kImageHeaderBytes + OVK47MXV_CALIBRATION_BYTES;

// Calibration data read by one GetCalibrationData call: whole 50-byte blocks
// of the library's cache, so no block is fetched twice; about 0.75 s at
// 9600 baud.
constexpr unsigned kImageReadPieceBytes = 500;

// Told after each piece how many of the total data bytes are read.
using ImageReadProgress = void (*)(unsigned done, unsigned total);

// Reads all calibration data of an open converter, piece by piece, and puts
// the header word (0x00010000 | mask) in front of it as format byte and
// mask. Returns false, with image unspecified, when GetCalibrationData fails.
bool ReadCalibrationImage(const ApiBinding& api, int device, std::vector<unsigned char>& image, unsigned& header,
                          ImageReadProgress progress = nullptr);
