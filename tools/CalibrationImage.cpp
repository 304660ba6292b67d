#include "CalibrationImage.h"

bool ReadCalibrationImage(const ApiBinding& api, int device, std::vector<unsigned char>& image, unsigned& header)
{
    image.assign(kImageBytes, 0);
    header = 0;
    if (!api.GetCalibrationData(device, 0, image.data() + kImageHeaderBytes, OVK47MXV_CALIBRATION_BYTES, &header))
        return false;
    image[0] = static_cast<unsigned char>(header >> 16);  // format byte
    image[1] = static_cast<unsigned char>(header);        // mask, low byte first
    image[2] = static_cast<unsigned char>(header >> 8);
    return true;
}
