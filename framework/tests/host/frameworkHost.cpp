// A small program built on the framework that the thunk tests start to read
// the application's shutdown report. It hands every debugger text to its
// standard output. Mode "leak" binds three thunks to three objects, releases
// the first and the last and prints the address of the one it leaves bound;
// mode "clean" releases all three.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "myObject.h"
#include "myThunks.h"

namespace {

void WriteOut(const char* text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

TmyObject objects[3];

}  // namespace

int main(int argc, char** argv)
{
    SetDebugOutputHook(&WriteOut);
    const char* mode = argc > 1 ? argv[argc - 1] : "";
    void* thunks[3];
    for (int i = 0; i < 3; ++i)
        thunks[i] = AllocThunk(reinterpret_cast<const void*>(&OrphanWndProc), &objects[i]);
    FreeThunk(thunks[0]);
    FreeThunk(thunks[2]);
    if (strcmp(mode, "clean") == 0)
        FreeThunk(thunks[1]);
    char line[64];
    snprintf(line, sizeof line, "bound=%p\n", static_cast<void*>(&objects[1]));
    WriteOut(line);
    return 0;
}
