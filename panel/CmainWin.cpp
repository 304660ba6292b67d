// The main window: construction, the button strip and the three click
// handlers. Start-up and device opening are in CmainWinStartup.cpp.
#include "CmainWin.h"

#include "CAboutWindow.h"
#include "myApplication.h"
#include "myMsgBox.h"
#include "myPanel.h"
#include "my_Btn.h"

const char* const BandTable[BandCount][2] = {
    {"0", "2.9"},     {"2.9", "4.5"},   {"4.5", "5.9"},   {"5.9", "8"},     {"8", "9"},
    {"9", "9.9"},     {"9.9", "12"},    {"12", "13.2"},   {"13.2", "14.9"}, {"14.9", "16"},
    {"16", "17.1"},   {"17.1", "17.9"}, {"17.9", "19.1"}, {"19.1", "21"},
};

namespace {

constexpr const char* mainCaption = "OV-K47MXV";
// A captioned pop-up with a system menu and a minimise box; neither visible
// nor resizable. The extended style lets Tab move into its children.
constexpr DWORD mainStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD mainExStyle = WS_EX_CONTROLPARENT;
static_assert(mainStyle == 0x86CA0000 && mainExStyle == 0x10000, "main window styles");
// Outer size until the client size is set.
constexpr int initialWidth = 300;
constexpr int initialHeight = 90;

// Colours (0x00BBGGRR) of the window and of its buttons.
constexpr int borderWidth = 2;
constexpr COLORREF windowBackColor = 0x404040;
constexpr COLORREF windowForeColor = 0x00FFFF;
constexpr COLORREF buttonBackColor = 0x606060;
constexpr COLORREF buttonForeColor = 0x00FF00;
constexpr COLORREF buttonDisabledColor = 0x202020;

// Arial, 11 pixels character height, for the window and every button.
constexpr int fontHeight = -11;
constexpr const char* fontFace = "Arial";

constexpr int iconResource = 107;
constexpr int bandGroup = 1;
constexpr int powerGroup = 2;

// Client area: seven band columns plus the About/On-Off column, two rows.
constexpr int clientWidth = PanelBandsPerRow * (PanelButtonWidth + PanelButtonGap) + PanelButtonWidth + 10;
constexpr int clientHeight = PanelButtonGap + 2 * PanelButtonHeight + 10;
static_assert(clientWidth == 685 && clientHeight == 55, "client area");

void ApplyColors(TmyControl& control, COLORREF back, COLORREF fore, COLORREF disabled)
{
    control.SetBorderWidth(borderWidth);
    control.SetBackColor(back);
    control.SetForeColor(fore);
    control.SetDisabledColor(disabled);
}

SIZE OuterSize(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

CmainWin::CmainWin()
    : TmyComponent(mainCaption, mainStyle, mainExStyle, static_cast<int>(CW_USEDEFAULT),
                   static_cast<int>(CW_USEDEFAULT), initialWidth, initialHeight, nullptr),
      MsgBox(nullptr), Font(nullptr), BandButtons{}, PowerButton(nullptr), AboutButton(nullptr)
{
    ApplyColors(*this, windowBackColor, windowForeColor, windowForeColor);
    Font = CreateFontA(fontHeight, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, fontFace);
    SetFont(Font);
    LoadCrashReportLibrary();
    CreateMessageBox();
    SetProgramIcon();
    SetClientSize(clientWidth, clientHeight);
    CentreOnScreen();
    CreateButtons();
    Api.ClearFunctions();
    if (LoadApi())
        OpenDevice();
    else
        ShowError("Failed to load OVK47MXV API.");
    SetVisible(1);
}

// The converter is closed once, while the window and its buttons still exist.
CmainWin::~CmainWin()
{
    if (Api.DeviceHandle >= 0 && Api.Close)
        Api.Close(Api.DeviceHandle);
    Api.DeviceHandle = NoDevice;
}

void CmainWin::CreateMessageBox()
{
    MsgBox = new TmyMsgBox(GetWindow(), 1, "Warning");
    MsgBox->SetButton(0, "OK");
    MsgBox->GetTextPanel()->SetBorderStyle(0);
}

void CmainWin::SetProgramIcon()
{
    HICON icon = LoadIconA(Application.ModuleInstance, MAKEINTRESOURCEA(iconResource));
    SendMessageA(GetWindow(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void CmainWin::CentreOnScreen()
{
    const SIZE size = OuterSize(GetWindow());
    Move(GetSystemMetrics(SM_CXSCREEN) / 2 - size.cx / 2, GetSystemMetrics(SM_CYSCREEN) / 2 - size.cy / 2);
}

// Bands 0..6 in the first row, 7..13 in the second; On/Off behind band 13,
// About above it at the end of the first row.
void CmainWin::CreateButtons()
{
    const int margin = GetProperty(PropBorderWidth) + PanelButtonGap;
    int x = margin;
    int y = margin;
    for (int band = 0; band < BandCount; ++band) {
        TmyString caption;
        caption.Format("%s - %s GHz", BandTable[band][0], BandTable[band][1]);
        Tmy_Btn* button = CreateButton(caption.c_str(), x, y);
        button->SetGroup(bandGroup);
        button->SetAllowAllUp(1);
        button->OnClick.Set(this, &CmainWin::OnBandClick);
        BandButtons[band] = button;
        x += PanelButtonWidth + PanelButtonGap;
        if (band == PanelBandsPerRow - 1) {
            x = margin;
            y += PanelButtonHeight + PanelButtonGap;
        }
    }
    PowerButton = CreateButton("On/Off", x, y);
    PowerButton->SetGroup(powerGroup);
    PowerButton->SetAllowAllUp(1);
    PowerButton->OnClick.Set(this, &CmainWin::OnPowerClick);
    AboutButton = CreateButton("About", x, margin);
    AboutButton->OnClick.Set(this, &CmainWin::OnAboutClick);
}

Tmy_Btn* CmainWin::CreateButton(const char* caption, int x, int y)
{
    auto* button = new Tmy_Btn(caption, this, x, y, PanelButtonWidth, PanelButtonHeight);
    ApplyColors(*button, buttonBackColor, buttonForeColor, buttonDisabledColor);
    return button;
}

// The framework has already flipped the button; a refused band goes up
// again, an applied one stays down with the power button.
int CmainWin::OnBandClick(Tmy_Btn* button)
{
    if (!Api.SetRange)
        return 0;
    int band = 0;
    while (band < BandCount && BandButtons[band] != button)
        ++band;
    if (band == BandCount)
        return 0;
    if (Api.SetRange(Api.DeviceHandle, band) == 0) {
        Api.SelectedBand = band;
        BandButtons[band]->SetDown(1, 0);
        PowerButton->SetDown(1, 0);
    } else {
        BandButtons[band]->SetDown(0, 0);
    }
    return 0;
}

// Down: switch on in the selected band. Up: clear the converter's power.
int CmainWin::OnPowerClick(Tmy_Btn*)
{
    if (PowerButton->IsDown()) {
        if (!Api.SetRange)
            return 0;
        if (Api.SetRange(Api.DeviceHandle, Api.SelectedBand) != 0)
            PowerButton->SetDown(0, 0);
        else
            BandButtons[Api.SelectedBand]->SetDown(1, 0);
        return 0;
    }
    if (!Api.SetClearPower)
        return 0;
    if (Api.SetClearPower(Api.DeviceHandle) != 0) {
        for (Tmy_Btn* band : BandButtons)
            band->SetDown(0, 0);
    }
    return 0;
}

// The About window shows the converter's configuration when it can be read.
int CmainWin::OnAboutClick(Tmy_Btn*)
{
    // The 432-byte record in a local buffer of 436 bytes.
    alignas(8) unsigned char record[436] = {};
    auto* config = reinterpret_cast<DeviceConfig*>(record);
    const bool known = Api.GetConfig && Api.GetConfig(Api.DeviceHandle, config) != 0;
    auto* about = new CAboutWindow(this, known ? config : nullptr);
    PlaceOver(*about);
    about->RunModal(nullptr);
    delete about;
    return 0;
}

void CmainWin::PlaceOver(TmyComponent& window)
{
    RECT main{};
    GetWindowRect(GetWindow(), &main);
    const SIZE size = OuterSize(window.GetWindow());
    const int x = main.left + (main.right - main.left - size.cx) / 2;
    const int y = main.top + (main.bottom - main.top - size.cy) / 2;
    window.Move(x, y < 0 ? 0 : y);
}
