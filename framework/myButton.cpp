// TmyButton: the pressed and down looks, glyphs, mouse and keyboard
// operation with auto-repeat, toggle groups, modal results and the linked
// control.
#include "myButton.h"

#include <algorithm>

#include "myDrawing.h"
#include "my_Panel.h"

namespace {

constexpr int buttonTypeId = 5;
constexpr int raisedBevel = 4;
constexpr int sunkenBevel = 3;
// Window timers of the auto-repeat: the delay before the first repeat, then the repeat.
constexpr UINT_PTR delayTimer = 1;
constexpr UINT_PTR repeatTimer = 2;
// The keys that operate a focused button.
constexpr unsigned enterKey = VK_RETURN;
constexpr unsigned spaceKey = VK_SPACE;

// The button whose left-button release is being handled: the framework lets
// go of the capture before the release reaches the button, and that loss
// must not end the hold the release is about to turn into a click.
const TmyButton* releasingButton = nullptr;

}  // namespace

// A push button with a focus frame; the panel's raised border stays until
// the first change of look.
TmyButton::TmyButton(const char* caption, HWND parentWindow, int x, int y, int width, int height, DWORD style)
    : TmyPanel(caption, parentWindow, x, y, width, height, style, 0), Down(0), Pressed(0), GlyphKind(0),
      GlyphColor(0), GlyphAlign(AlignTextCentre | AlignTextMiddle), GlyphSize(0), DownGlyphColor(0), Group(0),
      AllowAllUp(0), Pressable(1), DelayTimerId(delayTimer), RepeatTimerId(repeatTimer), GlyphOffsetX(0),
      GlyphOffsetY(0), ClickModalResult(0), LinkedControl(nullptr)
{
    RegisterType(this, buttonTypeId, "Button");
    FocusFrame = 1;
    GlyphColor = static_cast<COLORREF>(GetProperty(PropTextColor));
    DownGlyphColor = GlyphColor;
}

TmyButton::~TmyButton() = default;

// Face, image, caption and glyph (moved by one pixel while pressed in),
// border and focus frame; a button fires no OnPaint.
void TmyButton::Paint(HDC dc)
{
    const RECT face = PanelFaceArea(*this);
    PaintBackground(dc, face);
    PaintImage(dc, face);
    RECT content{0, 0, GetWidth(), GetHeight()};
    const int shift = LooksDown() ? 1 : 0;
    OffsetRect(&content, shift, shift);
    DrawControlText(dc, content, GetTextString(), TextAlign);
    DrawGlyphArea(dc, content);
    OffsetRect(&content, -shift, -shift);
    DrawControlBorder(dc, &content);
    if (FocusFrame && GetFocus() == Window)
        DrawFocusFrame(dc, content);
}

// A release with the pointer inside is a click; a group member toggles first.
// Every event fired may delete the button: the watch tells.
void TmyButton::LeftButtonUp(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    TmyPanel::LeftButtonUp(keys, x, y);
    if (!watch.Alive())
        return;
    const bool clicked = Pressed != 0;
    if (clicked) {
        Pressed = 0;
        ToggleInGroup();
        if (!watch.Alive())
            return;
    }
    StopRepeat();
    if (clicked)
        Click();
}

// While the left button holds the capture the pressed look follows the
// pointer: it goes when the pointer leaves the button and comes back with it.
void TmyButton::MouseMoved(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    TmyPanel::MouseMoved(keys, x, y);
    if (!watch.Alive() || !(keys & MK_LBUTTON) || GetCapture() != Window)
        return;
    const bool inside = x >= 0 && y >= 0 && x < GetWidth() && y < GetHeight();
    if (!inside) {
        Pressed = 0;
    } else {
        if (!Pressed)
            Invalidate();
        Pressed = Pressable;
    }
    ApplyLook();
}

// Enter clicks at once (toggling a group member); Space presses the button
// and repeats with the keyboard's own repeat.
void TmyButton::KeyDown(unsigned key, unsigned flags)
{
    TmyControlGuard watch(this);
    TmyPanel::KeyDown(key, flags);
    if (!watch.Alive())
        return;
    if (key == enterKey) {
        ToggleInGroup();
        if (!watch.Alive())
            return;
        ApplyLook();
        Click();
    } else if (key == spaceKey) {
        if (!Pressed) {
            Pressed = Pressable;
            ApplyLook();
        }
        AutoRepeat();
    }
}

// Releasing Space over a pressed button is a click.
void TmyButton::KeyUp(unsigned key, unsigned flags)
{
    TmyControlGuard watch(this);
    TmyPanel::KeyUp(key, flags);
    if (!watch.Alive() || key != spaceKey || !Pressed)
        return;
    ToggleInGroup();
    if (!watch.Alive())
        return;
    Pressed = 0;
    ApplyLook();
    Click();
}

// Presses the button, takes the focus when it is a tab stop and starts the
// auto-repeat: one OnAutoRepeat now, the next after the delay.
int TmyButton::LeftButtonDown(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const int result = TmyPanel::LeftButtonDown(keys, x, y);
    if (!watch.Alive())
        return result;
    Pressed = Pressable;
    if (GetStyle() & WS_TABSTOP)
        ::SetFocus(Window);
    ApplyLook();
    StartTimer(DelayTimerId, ButtonRepeatDelayMs);
    AutoRepeat();
    return result;
}

// The end of the delay switches to the repeat timer; a tick of either
// repeats, other timers only fire OnTimer.
void TmyButton::Timer(UINT_PTR id)
{
    TmyControlGuard watch(this);
    TmyPanel::Timer(id);
    if (!watch.Alive())
        return;
    if (id == DelayTimerId) {
        StopTimer(DelayTimerId);
        StartTimer(RepeatTimerId, ButtonRepeatIntervalMs);
    } else if (id != RepeatTimerId) {
        return;
    }
    AutoRepeat();
}

// Also when the press was already dragged off: a disabled button never repeats.
void TmyButton::StateChanged()
{
    TmyPanel::StateChanged();
    if (!IsEnabled())
        EndHold();
}

// The focus frame follows the focus at once; a capture lost other than by the
// button's own release ends the hold. The release marker is put back without
// reading the button, which a click handler may have deleted.
LRESULT TmyButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        Update();
        break;
    case WM_CAPTURECHANGED:
        if (releasingButton != this)
            EndHold();
        break;
    case WM_LBUTTONUP: {
        const TmyButton* outer = releasingButton;
        releasingButton = this;
        const LRESULT result = TmyPanel::WndProc(message, wParam, lParam);
        releasingButton = outer;
        return result;
    }
    default:
        break;
    }
    return TmyPanel::WndProc(message, wParam, lParam);
}

void TmyButton::DrawFocusFrame(HDC dc, const RECT& rect)
{
    RECT frame = rect;
    if (LooksDown())
        OffsetRect(&frame, 1, 1);
    TmyPanel::DrawFocusFrame(dc, frame);
}

// An a x a square placed by the glyph alignment plus the offsets; a glyph
// size of 0 takes the smaller side of the client area.
void TmyButton::DrawGlyphArea(HDC dc, const RECT& rect)
{
    if (GlyphKind == GlyphNone)
        return;
    int size = GlyphSize;
    if (size == 0) {
        const RECT area = GetClientArea();
        size = std::min(area.right - area.left, area.bottom - area.top);
    }
    if (size <= 0)
        return;
    POINT at = PlaceAligned(rect, size, size, GlyphAlign);
    at.x += GlyphOffsetX;
    at.y += GlyphOffsetY;
    if (GlyphKind != ButtonGlyphCheckBox) {
        DrawGlyph(dc, at, size, GlyphKind, GlyphDrawingColor());
        return;
    }
    RECT box{at.x, at.y, at.x + size, at.y + size};
    UINT state = DFCS_BUTTONCHECK;
    if (Down)
        state |= DFCS_CHECKED;
    if (Pressed)
        state |= DFCS_PUSHED;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
}

void TmyButton::ApplyLook()
{
    SetBorderStyle(LooksDown() ? sunkenBevel : raisedBevel);
}

int TmyButton::ReleaseGroup(int flag)
{
    if (AllowAllUp && !flag)
        return 1;
    if (!Parent)
        return 0;
    int result = flag;
    for (TmyControl* child = Parent->FirstChildControl(); child; child = child->NextSiblingControl()) {
        auto* member = dynamic_cast<TmyButton*>(child);
        if (!member || member == this || member->Group != Group || !member->Down)
            continue;
        if (flag)
            member->SetDown(0);
        else
            result = 1;
    }
    return result;
}

void TmyButton::DownChanged()
{
    if (LinkedControl)
        LinkedControl->SetEnabled(Down);
    OnToggle.Fire(this);
}

// The modal loop ended is the nearest one from the first window up the parent chain.
void TmyButton::Click()
{
    if (ClickModalResult) {
        TmyControl* owner = Parent;
        while (owner && !owner->GetWindow())
            owner = owner->GetParent();
        if (auto* component = dynamic_cast<TmyComponent*>(owner))
            component->EndModal(ClickModalResult);
    }
    OnClick.Fire(this);
}

void TmyButton::AutoRepeat()
{
    OnAutoRepeat.Fire(this);
}

void TmyButton::StopRepeat()
{
    ApplyLook();
    StopTimer(DelayTimerId);
    StopTimer(RepeatTimerId);
}

// Lets go of a press without a click.
void TmyButton::EndHold()
{
    Pressed = 0;
    StopRepeat();
}

// A group member going down releases the others; going up it needs another
// member down or allow all up.
int TmyButton::SetDown(int flag, int notify)
{
    flag = flag != 0;
    if (Down == flag)
        return 0;
    TmyControlGuard watch(this);
    if (Group) {
        if (flag) {
            Down = 1;
            DownChanged();
            if (!watch.Alive())
                return 1;
            ReleaseGroup(1);
        } else if (!ReleaseGroup(0)) {
            return 0;
        }
    }
    if (Down != flag) {
        Down = flag;
        DownChanged();
    }
    if (!watch.Alive())
        return 1;
    ApplyLook();
    Invalidate();
    if (notify)
        Click();
    return 1;
}

void TmyButton::SetGlyph(int kind, int size, unsigned align)
{
    GlyphKind = kind;
    GlyphSize = size;
    GlyphAlign = align;
    Invalidate();
}

void TmyButton::SetGlyphColor(COLORREF color)
{
    GlyphColor = color;
    DownGlyphColor = color;
    Invalidate();
}

void TmyButton::SetDownGlyphColor(COLORREF color)
{
    DownGlyphColor = color;
    Invalidate();
}

void TmyButton::SetGlyphOffset(int x, int y)
{
    GlyphOffsetX = x;
    GlyphOffsetY = y;
    Invalidate();
}

void TmyButton::ToggleInGroup()
{
    if (Group)
        SetDown(!Down);
}

// Disabled, then down or pressed, then idle.
COLORREF TmyButton::GlyphDrawingColor()
{
    if (!IsEnabled())
        return static_cast<COLORREF>(GetProperty(PropDisabledTextColor));
    return LooksDown() ? DownGlyphColor : GlyphColor;
}
