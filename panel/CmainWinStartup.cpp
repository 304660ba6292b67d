// Start-up of the main window: the crash-report library, the binding of the
// API library and the opening of one converter, with the messages and window
// captions the user sees when something is missing.
#include "CmainWin.h"

#include "CtbDeviceSelectionWnd.h"
#include "myApplication.h"
#include "myMsgBox.h"

#include <algorithm>

HMODULE CrashReportLibrary = nullptr;

namespace {

constexpr const char* noDeviceCaption = "OV-K47MXV - No Device";

// Serial-number buffers passed to the library.
constexpr int serialBufferSize = 20;

}  // namespace

// Argument 0 is the program's own file path (whatever its command line
// says), so the library comes from the program's folder; a missing one
// changes nothing.
void CmainWin::LoadCrashReportLibrary()
{
    const TmyString path = Application.GetArgument(0).FolderPart() + "\\myexcept.dll";
    CrashReportLibrary = LoadLibraryA(path.c_str());
}

int CmainWin::LoadApi()
{
    return Api.Load();
}

// Runs once per start: no retry and no polling for converters plugged in later.
int CmainWin::OpenDevice()
{
    if (!Api.Library)
        return 0;
    const int count = Api.GetDeviceCount();
    if (count <= 0) {
        ShowError(count < 0 ? "Something is wrong!!!" : "No K47MXV is connected to USB bus.");
        SetText(noDeviceCaption);
        return 0;
    }
    char serial[serialBufferSize] = {};
    if (count > 1) {
        ChooseDevice(serial);
        if (serial[0] == 0) {
            SetText(noDeviceCaption);
            return 0;
        }
    } else if (Api.GetDeviceSerial(0, serial) == 0) {
        SetText(noDeviceCaption);
        return 0;
    }
    serial[serialBufferSize - 1] = 0;
    const int handle = Api.Open(serial);
    if (handle < 0) {
        ShowError("Failed to open the K47MXV!");
        SetText(noDeviceCaption);
        return 0;
    }
    Api.DeviceHandle = handle;
    TmyString caption;
    caption.Format("OV-K47MXV - %s", serial);
    SetText(caption.c_str());
    return 1;
}

// The count is asked again: converters may have come or gone since. A failed
// enumeration lists no row; a serial that cannot be read shows as an empty row.
void CmainWin::ChooseDevice(char (&serial)[20])
{
    auto* selection = new CtbDeviceSelectionWnd(GetWindow());
    const int count = std::max(Api.GetDeviceCount(), 0);
    selection->SetDeviceCount(count);
    for (int row = 0; row < count; ++row) {
        char text[serialBufferSize] = {};
        if (Api.GetDeviceSerial(row, text) == 0)
            text[0] = 0;
        text[serialBufferSize - 1] = 0;
        selection->AddDevice(row, text);
    }
    selection->RunModal(GetWindow());
    selection->Result(serial);
}

void CmainWin::ShowError(const char* text)
{
    MsgBox->SetText("Error");
    MsgBox->Show(text, 0);
}
