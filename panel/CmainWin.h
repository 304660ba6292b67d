// CmainWin: the control panel's main window. A fixed strip of fourteen band
// buttons, an On/Off button and an About button; its construction binds the
// API library and opens a converter before the window first shows, and its
// destruction closes that converter.
#pragma once

#include <windows.h>

#include "ApiBinding.h"
#include "myComponents.h"

class TmyMsgBox;
class Tmy_Btn;

// The converter's input bands as the buttons show them, lower and upper edge
// in GHz; row i is band i, the index passed to SetRange.
constexpr int BandCount = 14;
extern const char* const BandTable[BandCount][2];

// Layout of the button strip, in pixels.
constexpr int PanelButtonWidth = 80;
constexpr int PanelButtonHeight = 20;
constexpr int PanelButtonGap = 5;
constexpr int PanelBandsPerRow = 7;

// Process-wide: the crash-report library loaded from the program's folder;
// kept for the whole run and never called.
extern HMODULE CrashReportLibrary;

class CmainWin : public TmyComponent {
public:
    CmainWin();
    // Closes the open converter, then the window goes.
    ~CmainWin() override;

    // Start-up (CmainWinStartup.cpp)
    // Loads myexcept.dll from the program's folder into CrashReportLibrary.
    void LoadCrashReportLibrary();
    // 1 when the API library is bound.
    int LoadApi();
    // Finds, chooses and opens a converter, reporting failures; 1 when one is open.
    int OpenDevice();
    // Lets the user pick one of several converters; serial receives the
    // choice or an empty text.
    void ChooseDevice(char (&serial)[20]);
    // Shows text in the "Error" box and returns once the user dismissed it.
    void ShowError(const char* text);

    // Button handlers
    int OnBandClick(Tmy_Btn* button);
    int OnPowerClick(Tmy_Btn* button);
    int OnAboutClick(Tmy_Btn* button);

    // What the window shows and holds, for its owner and the tests.
    Tmy_Btn* GetBandButton(int band) const { return BandButtons[band]; }
    Tmy_Btn* GetPowerButton() const { return PowerButton; }
    Tmy_Btn* GetAboutButton() const { return AboutButton; }
    TmyMsgBox* GetMsgBox() const { return MsgBox; }
    const ApiBinding& GetApi() const { return Api; }

private:
    // Construction steps
    void CreateMessageBox();
    void SetProgramIcon();
    void CentreOnScreen();
    void CreateButtons();
    Tmy_Btn* CreateButton(const char* caption, int x, int y);
    // Places the About window over this one, never above the screen's top.
    void PlaceOver(TmyComponent& window);

    // Fields, in the order the rest of the program relies on.
    TmyMsgBox* MsgBox;
    HFONT Font;
    Tmy_Btn* BandButtons[BandCount];
    Tmy_Btn* PowerButton;
    Tmy_Btn* AboutButton;
    ApiBinding Api;
};
