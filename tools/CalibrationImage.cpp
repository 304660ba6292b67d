#include "CalibrationImage.h"

#include <algorithm>

bool ReadCalibrationImage(const ApiBinding& api, int device, std::vector<unsigned char>& image, unsigned& header,
                          ImageReadProgress progress)
{
    image.assign(kImageBytes, 0);
    header = 0;
    for (unsigned start = 0; start < OVK47MXV_CALIBRATION_BYTES; start += kImageReadPieceBytes) {
        const unsigned length = std::min<unsigned>(kImageReadPieceBytes, OVK47MXV_CALIBRATION_BYTES - start);
        if (!api.GetCalibrationData(device, start, image.data() + kImageHeaderBytes + start, length, &header))
            return false;
        if (progress)
            progress(start + length, OVK47MXV_CALIBRATION_BYTES);
    }
    image[0] = static_cast<unsigned char>(header >> 16);  // format byte
    image[1] = static_cast<unsigned char>(header);        // mask, low byte first
    image[2] = static_cast<unsigned char>(header >> 8);
    return true;
}
