// A host program the unloading tests start: it loads the API library from
// its own folder, opens the converter named on its command line and leaves
// it open. Mode "free" then unloads the library (FreeLibrary, dlclose) before
// the program ends; mode "exit" ends the program with the library still
// loaded. It prints the device index it got, so the test knows the open
// succeeded.
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include "OVK47MXV_Exports.h"

namespace {

#ifdef _WIN32
OVK47MXV_Exports::Module LoadApi() { return LoadLibraryA("OVK47MXV_API.dll"); }
void FreeApi(OVK47MXV_Exports::Module library) { FreeLibrary(library); }
#else
OVK47MXV_Exports::Module LoadApi()
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self);
    std::string path(self, length > 0 ? static_cast<size_t>(length) : 0);
    path = path.substr(0, path.rfind('/') + 1) + "libk47mxv_api.so.1";
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void FreeApi(OVK47MXV_Exports::Module library) { dlclose(library); }
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "free") != 0 && strcmp(argv[1], "exit") != 0)) {
        printf("usage: api_exithost free|exit SERIAL\n");
        return 2;
    }
    OVK47MXV_Exports::Module library = LoadApi();
    OVK47MXV_Exports api;
    if (!library || api.Resolve(library)) {
        printf("library not loaded\n");
        return 1;
    }
    printf("opened %d\n", api.Open(argv[2]));
    fflush(stdout);
    if (strcmp(argv[1], "free") == 0)
        FreeApi(library);
    return 0;
}
