// TmyToolTip: hint timing, display and hiding, and the hint list.
#include "myToolTip.h"

#include "myApplication.h"
#include "my_Label.h"

namespace {

constexpr int toolTipTypeId = 70;
// The tooltip's one window timer.
constexpr UINT_PTR hintTimerId = 1;
// Pale yellow background, black text, a one-pixel frame.
constexpr COLORREF hintBackColor = 0xEEFFFF;
constexpr COLORREF hintTextColor = 0;
constexpr int hintBorderWidth = 1;
constexpr int hintBorderStyle = 1;
// SetWindowPos flags that only recompute the frame (0x37).
constexpr UINT frameChangedFlags = SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;

// True when point lies in the rectangle at origin with the given size, edges included.
bool InsideInclusive(POINT point, POINT origin, int width, int height)
{
    return point.x >= origin.x && point.x <= origin.x + width && point.y >= origin.y &&
           point.y <= origin.y + height;
}

TmyToolTip* HeldToolTip()
{
    return static_cast<TmyToolTip*>(Application.ToolTip);
}

}  // namespace

// A hidden top-most tool window holding one label that shares its colours.
TmyToolTip::TmyToolTip()
    : TmyComponent("", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0, 10, 10, nullptr), CurrentHint(0),
      Label(nullptr)
{
    RegisterType(this, toolTipTypeId, "ToolTip");
    Label = new Tmy_Label("", this, 0, 0, 0, 0);
    SetProperty(PropBackColor, static_cast<int32_t>(hintBackColor));
    SetProperty(PropTextColor, static_cast<int32_t>(hintTextColor));
    SetProperty(PropBorderWidth, hintBorderWidth);
    Layout();
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, frameChangedFlags);
    SetBorderStyle(hintBorderStyle);
    Label->AdoptStyleReference(this);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetFont(font);
}

// The hint list deletes its records; the label goes with the children.
TmyToolTip::~TmyToolTip()
{
    if (CurrentHint)
        StopTimer(hintTimerId);
    if (Application.ToolTip == this)
        Application.ToolTip = nullptr;
}

// Shows the hint once the pointer rested on its control; later ticks hide it
// when the pointer has left the control (edges count as inside).
void TmyToolTip::Timer(UINT_PTR)
{
    if (!CurrentHint)
        return;
    const TmyHintStruct* hint = Hints.Item(CurrentHint - 1);
    if (!hint || !hint->Control) {
        Cancel();
        return;
    }
    TmyControl* control = hint->Control;
    const POINT origin = control->GetScreenPos(POINT{0, 0}, 1);
    POINT cursor;
    GetCursorPos(&cursor);
    if (!InsideInclusive(cursor, origin, control->GetWidth(), control->GetHeight())) {
        Cancel();
        return;
    }
    if (IsVisible())
        return;
    Label->SetLabelText(hint->Text, 1);
    FitToChildren(0, 0);
    Move(cursor.x, cursor.y - (Bounds.bottom - Bounds.top));
    SetVisible(TRUE);
}

// A different request ends the current one; a new hint starts its delay.
void TmyToolTip::ShowHint(uint32_t position)
{
    if (position == CurrentHint)
        return;
    Cancel();
    if (position == 0)
        return;
    CurrentHint = position;
    StartTimer(hintTimerId, myHintDelay);
}

// Returns the new 1-based position; 0 when the list is full.
uint32_t TmyToolTip::AddHint(TmyControl* control, const TmyString& text)
{
    TmyHintStruct* hint = new TmyHintStruct{control, text};
    const int index = Hints.Insert(hint, -1);
    if (index < 0) {
        delete hint;
        return 0;
    }
    const uint32_t position = static_cast<uint32_t>(index + 1);
    if (control)
        control->SetHint(position);
    return position;
}

void TmyToolTip::ForgetControl(TmyControl* control)
{
    const uint32_t position = control ? control->GetHint() : 0;
    TmyHintStruct* hint = position ? Hints.Item(position - 1) : nullptr;
    if (!hint || hint->Control != control)
        return;
    hint->Control = nullptr;
    if (CurrentHint == position)
        Cancel();
}

// Stops the timer, hides the pop-up and forgets the current hint.
void TmyToolTip::Cancel()
{
    if (CurrentHint)
        StopTimer(hintTimerId);
    if (IsVisible())
        SetVisible(FALSE);
    CurrentHint = 0;
}

TmyToolTip* ApplicationToolTip()
{
    if (!Application.ToolTip)
        Application.ToolTip = new TmyToolTip();
    return HeldToolTip();
}

void ForgetHintedControl(TmyControl* control)
{
    if (TmyToolTip* toolTip = HeldToolTip())
        toolTip->ForgetControl(control);
}

void ReleaseApplicationToolTip()
{
    delete HeldToolTip();
}
