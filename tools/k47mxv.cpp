// k47mxv: drives K47MXV converters from the command line through the device
// API library, which it loads at run time from its own folder.
#include "Commands.h"

int main(int argc, char** argv)
{
    return RunCommandLine(argc, argv);
}
