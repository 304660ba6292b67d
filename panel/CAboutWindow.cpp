// The About window: labels laid out top to bottom, the client area fitted to
// them.
#include "CAboutWindow.h"

#include "myApplication.h"
#include "my_Label.h"

namespace {

// A captioned window with a close box; not visible.
constexpr DWORD aboutStyle = WS_CAPTION | WS_SYSMENU;
static_assert(aboutStyle == 0xC80000, "About window style");
constexpr int initialSize = 10;
constexpr int initialClientHeight = 200;

// Vertical gap between the lines, and the top of the first one.
constexpr int gap = 5;
// Left edges of the table's three columns.
constexpr int bandColumn = 5;
constexpr int oscillatorColumn = 100;
constexpr int outputColumn = 170;

// Arial, 18 pixels character height, medium weight.
constexpr LONG titleFontHeight = -18;
constexpr LONG titleFontWeight = 500;

constexpr const wchar_t* noticeLine = L"\u00A9 2024\u20132026 Orvela. All rights reserved.";
constexpr double gigahertzPerHertz = 1e-9;

double Gigahertz(long long hertz)
{
    return static_cast<double>(hertz) * gigahertzPerHertz;
}

}  // namespace

CAboutWindow::CAboutWindow(TmyComponent* owner, const DeviceConfig* config)
    : TmyComponent("About", aboutStyle, 0, 0, 0, initialSize, initialSize, owner ? owner->GetWindow() : nullptr),
      Title(nullptr), Version(nullptr), Notice(nullptr), Device(nullptr), BandHeader(nullptr),
      OscillatorHeader(nullptr), OutputHeader(nullptr), BandLabels(nullptr), OscillatorLabels(nullptr),
      OutputLabels(nullptr), TitleFont(nullptr), VersionMajor(0), VersionMinor(0), VersionBuild(0), Config(config),
      RowCount(0)
{
    ReadVersion();
    SetClientSize(AboutClientWidth, initialClientHeight);
    CreateTitleFont();

    int y = gap;
    Title = new Tmy_Label("", this, 0, 0, 0, 0);
    Title->SetFont(TitleFont);
    Title->SetLabelTextChars(" OV-K47MXV Control Panel ", 1);
    Title->SetForeColor(AboutTitleColor);
    Title->Move((GetClientWidth() - Title->GetWidth()) / 2, y);
    y += Title->GetHeight() + gap;

    TmyString text;
    Version = AddCentred(text.Format("Version %u.%u%u", VersionMajor, VersionMinor, VersionBuild), y);
    y += Version->GetHeight() + gap;
    Notice = AddCentred(TmyString(TmyWideString(noticeLine)), y);
    y += Notice->GetHeight() + gap;
    if (Config)
        text.Format("%s - %s", Config->serial, Config->firmware);
    else
        text = "No device";
    Device = AddCentred(text, y);
    Device->SetForeColor(AboutDeviceColor);
    y += Device->GetHeight() + 2 * gap;
    if (Config)
        y = AddRangeTable(y);
    SetClientSize(AboutClientWidth, y + gap);
}

CAboutWindow::~CAboutWindow()
{
    DeleteObject(TitleFont);
    delete[] BandLabels;
    delete[] OscillatorLabels;
    delete[] OutputLabels;
}

// The fixed file version of the program's own file: major and minor from
// its most significant word, build from the high half of the least.
void CAboutWindow::ReadVersion()
{
    char path[MAX_PATH] = {};
    if (!GetModuleFileNameA(Application.ModuleInstance, path, MAX_PATH))
        return;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return;
    auto* record = new unsigned char[size];
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(path, 0, size, record) &&
        VerQueryValueA(record, "\\", reinterpret_cast<void**>(&info), &length) && info &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        VersionMajor = HIWORD(info->dwFileVersionMS);
        VersionMinor = LOWORD(info->dwFileVersionMS);
        VersionBuild = HIWORD(info->dwFileVersionLS);
    }
    delete[] record;
}

void CAboutWindow::CreateTitleFont()
{
    LOGFONTA font{};
    font.lfHeight = titleFontHeight;
    font.lfWeight = titleFontWeight;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
    TitleFont = CreateFontIndirectA(&font);
}

// A label wider than the window gets a negative x: it is cut at both sides
// and stays centred.
Tmy_Label* CAboutWindow::AddCentred(const TmyString& text, int y)
{
    auto* label = new Tmy_Label(text.c_str(), this, 0, 0, 0, 0);
    label->Move((GetClientWidth() - label->GetWidth()) / 2, y);
    return label;
}

// The table never reads past the record's fourteen entries, whatever range
// count the record states.
int CAboutWindow::AddRangeTable(int y)
{
    BandHeader = new Tmy_Label("Band [GHz]", this, bandColumn, y, 0, 0);
    OscillatorHeader = new Tmy_Label("L.O. [GHz]", this, oscillatorColumn, y, 0, 0);
    OutputHeader = new Tmy_Label("Output [GHz]", this, outputColumn, y, 0, 0);
    y += BandHeader->GetHeight() + gap;
    RowCount = Config->rangeCount;
    if (RowCount < 0)
        RowCount = 0;
    if (RowCount > OVK47MXV_RANGE_COUNT)
        RowCount = OVK47MXV_RANGE_COUNT;
    BandLabels = new Tmy_Label*[RowCount];
    OscillatorLabels = new Tmy_Label*[RowCount];
    OutputLabels = new Tmy_Label*[RowCount];
    for (int row = 0; row < RowCount; ++row) {
        AddRange(row, y);
        y += BandLabels[row]->GetHeight();
    }
    return y;
}

// Output edges are the differences of the integer frequencies, converted
// afterwards; an inverted range runs downwards.
void CAboutWindow::AddRange(int row, int y)
{
    const RangeEntry& range = Config->ranges[row];
    const COLORREF color = (row & 1) ? AboutOddRowColor : AboutEvenRowColor;
    TmyString text;
    text.Format("%.01f - %.01f", Gigahertz(range.from), Gigahertz(range.to));
    BandLabels[row] = new Tmy_Label(text.c_str(), this, BandHeader->GetLeft(), y, 0, 0);
    text.Format("%.01f", Gigahertz(range.lo));
    OscillatorLabels[row] = new Tmy_Label(text.c_str(), this, OscillatorHeader->GetLeft(), y, 0, 0);
    if (range.inverted)
        text.Format("%.01f - %.01f   inverted", Gigahertz(range.lo - range.from), Gigahertz(range.lo - range.to));
    else
        text.Format("%.01f - %.01f   non inverted", Gigahertz(range.from - range.lo),
                    Gigahertz(range.to - range.lo));
    OutputLabels[row] = new Tmy_Label(text.c_str(), this, OutputHeader->GetLeft(), y, 0, 0);
    BandLabels[row]->SetForeColor(color);
    OscillatorLabels[row]->SetForeColor(color);
    OutputLabels[row]->SetForeColor(color);
}
