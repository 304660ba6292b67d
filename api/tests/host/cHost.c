/* A host written in C against the public header and linked with the API
 * library: it lists the converters, opens the first, selects a range, reads
 * the configuration, converts a frequency and closes the converter. Exit
 * status 0 when every result is the one expected of the simulated
 * converter beside the library, else the number of the step that failed. */
#include <stdio.h>
#include <string.h>

#include "OVK47MXV_API.h"

int main(void)
{
    char serial[OVK47MXV_SERIAL_BYTES];
    DeviceConfig config;
    long long output = 0;
    int range = -1;
    int inverted = -1;
    int dev;

    if (GetDeviceCount() < 1 || !GetDeviceSerial(0, serial))
        return 1;
    dev = Open(serial);
    if (dev != 0)
        return 2;
    if (SetRange(dev, 6) != OVK47MXV_OK || !GetConfig(dev, &config) || config.rangeCount != OVK47MXV_RANGE_COUNT)
        return 3;
    if (!ConvertFrequency(dev, 10000000000LL, &output, &range, &inverted) || output != 2200000000LL || range != 6 ||
        inverted != 1)
        return 4;
    if (!Close(dev) || IsOpen(dev))
        return 5;
    printf("%s: firmware \"%s\", %d ranges\n", serial, config.firmware, config.rangeCount);
    return 0;
}
