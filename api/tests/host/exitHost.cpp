// A host program the unloading tests start: it loads OVK47MXV_API.dll from
// its own folder, opens the converter named on its command line and leaves
// it open. Mode "free" then unloads the library with FreeLibrary before the
// program ends; mode "exit" ends the program with the library still loaded.
// It prints the device index it got, so the test knows the open succeeded.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "OVK47MXV_Exports.h"

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "free") != 0 && strcmp(argv[1], "exit") != 0)) {
        printf("usage: api_exithost free|exit SERIAL\n");
        return 2;
    }
    HMODULE library = LoadLibraryA("OVK47MXV_API.dll");
    OVK47MXV_Exports api;
    if (!library || api.Resolve(library)) {
        printf("library not loaded\n");
        return 1;
    }
    printf("opened %d\n", api.Open(argv[2]));
    fflush(stdout);
    if (strcmp(argv[1], "free") == 0)
        FreeLibrary(library);
    return 0;
}
