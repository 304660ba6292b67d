// The device selection window: a one-column grid of serial numbers with OK
// and Cancel below it.
#include "CtbDeviceSelectionWnd.h"

#include <algorithm>
#include <cstring>

#include "myStringGrid.h"
#include "my_Btn.h"
#include "my_Label.h"
#include "my_ScrollBar.h"

namespace {

constexpr const char* selectionCaption = "K47MXV";
// A captioned pop-up with a system menu and a modal frame; not visible.
constexpr DWORD selectionStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr DWORD selectionExStyle = WS_EX_DLGMODALFRAME | WS_EX_NOPARENTNOTIFY | WS_EX_WINDOWEDGE;
static_assert(selectionStyle == 0x86C80000 && selectionExStyle == 0x105, "selection window styles");
// (-1, -1) centres the outer size on the screen.
constexpr int centred = -1;
constexpr int outerWidth = 150;
constexpr int outerHeight = 300;
constexpr int clientWidth = 125;
constexpr int clientHeight = 195;

constexpr int margin = 5;
constexpr int listColumnWidth = 250;
// Left-aligned text with a 2-pixel inset.
constexpr uint8_t serialColumnStyle = 65;
constexpr int verticalBarWidth = 16;

constexpr int buttonWidth = 55;
constexpr int buttonHeight = 20;
constexpr int cancelLeft = 65;
// The buttons' row sits this far above the client area's bottom.
constexpr int buttonRowOffset = 25;

constexpr COLORREF listTextColor = 0x00FF00;
constexpr COLORREF listBackColor = 0x000000;
constexpr COLORREF selectedRowColor = 0xFF0000;
constexpr COLORREF buttonBackColor = 0x606060;
constexpr COLORREF buttonForeColor = 0x00FF00;
constexpr COLORREF buttonDisabledColor = 0x202020;

// Modal result of both buttons: the chosen row tells which one ended the loop.
constexpr int selectionDone = 1;

}  // namespace

CtbDeviceSelectionWnd::CtbDeviceSelectionWnd(HWND owner)
    : TmyComponent(selectionCaption, selectionStyle, selectionExStyle, centred, centred, outerWidth, outerHeight,
                   owner),
      Title(nullptr), List(nullptr), OkButton(nullptr), CancelButton(nullptr), DeviceCount(0), ChosenRow(-1)
{
    SetClientSize(clientWidth, clientHeight);
    Title = new Tmy_Label("Select Device", this, margin, margin, 0, 0);
    CreateList(margin + Title->GetHeight() + margin);
    const int y = GetClientHeight() - buttonRowOffset;
    OkButton = CreateButton("OK", margin, y);
    OkButton->OnClick.Set(this, &CtbDeviceSelectionWnd::OnOkClick);
    CancelButton = CreateButton("Cancel", cancelLeft, y);
    CancelButton->OnClick.Set(this, &CtbDeviceSelectionWnd::OnCancelClick);
}

CtbDeviceSelectionWnd::~CtbDeviceSelectionWnd() = default;

// The list fills the room between the title and the buttons; its horizontal
// scroll bar takes no room, its vertical one is 16 pixels wide.
void CtbDeviceSelectionWnd::CreateList(int top)
{
    const int width = GetClientWidth() - 2 * margin;
    List = new TmyStringGrid(this, margin, top, width, GetClientHeight() - 31 - top, 1, 1, listColumnWidth, 0, 0, 0,
                             1);
    List->SetColumnStyle(0, serialColumnStyle);
    List->SetForeColor(listTextColor);
    List->SetBackColor(listBackColor);
    List->SetProperty(PropSelectedRowColor, static_cast<int32_t>(selectedRowColor));
    Tmy_ScrollBar* horizontal = List->GetHorzScrollBar();
    horizontal->Resize(horizontal->GetWidth(), 0);
    Tmy_ScrollBar* vertical = List->GetVertScrollBar();
    vertical->Resize(verticalBarWidth, vertical->GetWidth());
    vertical->SetBorderWidth(1);
    List->Resize(width, GetClientHeight() - 30 - top);
    List->UpdateScrollRanges();
    List->OnRowSelected.Set(this, &CtbDeviceSelectionWnd::ClampSelection);
}

Tmy_Btn2* CtbDeviceSelectionWnd::CreateButton(const char* caption, int x, int y)
{
    auto* button = new Tmy_Btn2(caption, this, x, y, buttonWidth, buttonHeight);
    button->SetBackColor(buttonBackColor);
    button->SetForeColor(buttonForeColor);
    button->SetDisabledColor(buttonDisabledColor);
    return button;
}

void CtbDeviceSelectionWnd::SetDeviceCount(int count)
{
    // No fall-back while the rows are replaced.
    DeviceCount = 0;
    List->SetRowCount(0);
    List->SetGridSize(count, 1);
    DeviceCount = count < 0 ? 0 : count;
    List->GetVertScrollBar()->SetVisible(DeviceCount > SelectionVisibleRows);
    List->UpdateScrollRanges();
    List->SelectRow(0);
}

void CtbDeviceSelectionWnd::AddDevice(int row, const char* serial)
{
    List->SetCellText(row, 0, TmyString(serial));
}

// At most 19 characters are copied, so the text always ends inside the buffer.
void CtbDeviceSelectionWnd::Result(char (&buffer)[SelectionResultSize]) const
{
    std::memset(buffer, 0, sizeof buffer);
    if (static_cast<uint32_t>(ChosenRow) >= static_cast<uint32_t>(DeviceCount))
        return;
    const TmyString serial = List->GetCellText(ChosenRow, 0);
    std::strncpy(buffer, serial.c_str(), sizeof buffer - 1);
}

// Only a row the list holds is selected: with none there is nothing to fall
// back to, and selecting again would only come back here.
int CtbDeviceSelectionWnd::ClampSelection(TmyStringGrid* list)
{
    const int last = std::min(DeviceCount, static_cast<int32_t>(list->GetRowCount())) - 1;
    if (last >= 0 && static_cast<uint32_t>(list->GetSelectedRow()) >= static_cast<uint32_t>(DeviceCount))
        list->SelectRow(last);
    return 0;
}

int CtbDeviceSelectionWnd::OnOkClick(Tmy_Btn*)
{
    ChosenRow = List->GetSelectedRow();
    EndModal(selectionDone);
    return 0;
}

int CtbDeviceSelectionWnd::OnCancelClick(Tmy_Btn*)
{
    ChosenRow = -1;
    EndModal(selectionDone);
    return 0;
}
