// A converter's calibration image as it lives in the converter's memory from
// address 0: format byte, 16-bit calibration mask (little-endian), then the
// calibration data.
#pragma once

#include <cstddef>
#include <vector>

#include "ApiBinding.h"

constexpr size_t kImageHeaderBytes = 3;
constexpr size_t kImageBytes = kImageHeaderBytes + OVK47MXV_CALIBRATION_BYTES;

// Reads all calibration data of an open converter and puts the header word
// (0x00010000 | mask) in front of it as format byte and mask. Returns
// false, with image unspecified, when GetCalibrationData fails.
bool ReadCalibrationImage(const ApiBinding& api, int device, std::vector<unsigned char>& image, unsigned& header);
