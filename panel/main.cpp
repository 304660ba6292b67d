// K47MXVcontrol: the control panel's entry function. The application object
// already exists (static initialisation); the main window binds the API
// library and opens a converter while it is constructed.
#include <windows.h>

#include "CmainWin.h"
#include "myApplication.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Application.ModuleInstance = instance;
    // Trace switches of the command line end here: nothing the panel
    // constructs from now on traces or profiles.
    Application.SetTraceFlags(nullptr, 0);
    Application.MainComponent = new CmainWin();
    Application.Run();
    return 0;
}
