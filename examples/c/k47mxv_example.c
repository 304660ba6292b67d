/* A host of the K47MXV API library: lists the converters, opens the first,
 * steps it through its 14 bands and prints its configuration: serial,
 * firmware version and range table. Closing the converter clears its power.
 *
 * Build: cc k47mxv_example.c -I<api/include> -lk47mxv_api (Linux), or link
 * the import library libOVK47MXV_API.dll.a (Windows). The API library needs
 * its driver library beside it.
 *
 * Exit status: 0 when every call succeeded, 1 otherwise. */
#include <stdio.h>

#include "OVK47MXV_API.h"

static double Mhz(long long hz)
{
    return (double)hz / 1e6;
}

/* Prints the range table of an open converter. */
static int PrintConfig(int dev)
{
    DeviceConfig config;
    int i;

    if (!GetConfig(dev, &config)) {
        fprintf(stderr, "GetConfig failed: the converter did not report its serial or version\n");
        return 0;
    }
    printf("serial %s, firmware \"%s\"\n", config.serial, config.firmware);
    for (i = 0; i < config.rangeCount; ++i) {
        const RangeEntry* range = &config.ranges[i];
        const long long outFrom = range->inverted ? range->lo - range->from : range->from - range->lo;
        const long long outTo = range->inverted ? range->lo - range->to : range->to - range->lo;
        printf("range %2d: %5.0f to %5.0f MHz, LO %5.0f MHz, out %4.0f to %4.0f MHz%s\n", i, Mhz(range->from),
               Mhz(range->to), Mhz(range->lo), Mhz(outFrom), Mhz(outTo), range->inverted ? ", inverted" : "");
    }
    return 1;
}

/* Selects every band in turn; SetRange answers 0 or a negative OVK47MXV_* code. */
static int StepThroughBands(int dev)
{
    int band;

    for (band = 0; band < OVK47MXV_RANGE_COUNT; ++band) {
        const int result = SetRange(dev, band);
        if (result != OVK47MXV_OK) {
            fprintf(stderr, "SetRange(%d) failed with %d\n", band, result);
            return 0;
        }
    }
    printf("selected bands 0 to %d\n", OVK47MXV_RANGE_COUNT - 1);
    return 1;
}

int main(void)
{
    char serial[OVK47MXV_SERIAL_BYTES];
    const int count = GetDeviceCount();
    int n;
    int dev;
    int ok;

    if (count < 0) {
        fprintf(stderr, "GetDeviceCount failed: the driver library beside the API library cannot be loaded\n");
        return 1;
    }
    printf("%d converter(s)\n", count);
    for (n = 0; n < count; ++n) {
        if (GetDeviceSerial(n, serial))
            printf("  %s\n", serial);
    }
    if (count == 0 || !GetDeviceSerial(0, serial))
        return 1;

    dev = Open(serial);
    if (dev < 0) {
        fprintf(stderr, "Open(\"%s\") failed: unknown serial, or the converter is open elsewhere\n", serial);
        return 1;
    }
    ok = StepThroughBands(dev) && PrintConfig(dev);
    Close(dev);
    if (ok)
        printf("%s closed, its power cleared\n", serial);
    return ok ? 0 : 1;
}
