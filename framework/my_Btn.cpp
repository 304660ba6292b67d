// Tmy_Btn and Tmy_Btn2: construction, the toggle groups, press, release and
// auto-repeat, the picture colourings and the painting of both looks.
#include "my_Btn.h"

#include <cstring>

#include "myBitmap.h"
#include "myComponents.h"
#include "myDrawing.h"

namespace {

// Type ids and names in the type registry.
constexpr int btnTypeId = 38;
constexpr int btn2TypeId = 39;
// Room of the caption at creation, in characters.
constexpr unsigned captionRoom = 16;
// Default alignment of caption and glyph: centred both ways.
constexpr unsigned centred = AlignTextCentre | AlignTextMiddle;
// Border styles of the Tmy_Btn look: sunken while down or pressed, raised otherwise.
constexpr int sunkenBorder = 3;
constexpr int raisedBorder = 4;
// Border styles whose corners the flat look paints itself, and the one Tmy_Btn2 starts with.
constexpr int noBorder = 0;
constexpr int shadowedBorder = 8;
constexpr int framedShadowBorder = 7;
// An automatic glyph larger than this takes two thirds of the smaller side.
constexpr int glyphFullSizeLimit = 5;
// Pixel bits of a 32-bit picture: 0xAARRGGBB.
constexpr uint32_t opaque = 0xFF000000;
constexpr uint32_t colourBits = 0x00FFFFFF;

// Position of an extent inside [low, high) by the first matching flag of one
// axis (first, last, middle); 0 without one, as for aligned text.
int Place(unsigned align, unsigned first, unsigned last, unsigned middle, int low, int high, int extent)
{
    if (align & first)
        return low;
    if (align & last)
        return high - extent;
    if (align & middle)
        return low + (high - low - extent) / 2;
    return 0;
}

// Top-left corner of a width x height box placed in rect by the alignment flags.
POINT PlaceBox(unsigned align, const RECT& rect, int width, int height)
{
    return POINT{Place(align, AlignTextLeft, AlignTextRight, AlignTextCentre, rect.left, rect.right, width),
                 Place(align, AlignTextTop, AlignTextBottom, AlignTextMiddle, rect.top, rect.bottom, height)};
}

// The caption text with room for captionRoom characters.
TmyString CaptionText(const char* text)
{
    const unsigned length = text ? static_cast<unsigned>(strlen(text)) : 0;
    return TmyString(text, length, (length > captionRoom ? length : captionRoom) + 1);
}

// One pixel of a tinted picture: the tint scaled by the source's brightness,
// premultiplied, with the brightness as alpha.
uint32_t TintedPixel(uint32_t source, COLORREF tint)
{
    const uint32_t alpha = (((source >> 16) & 0xFF) + ((source >> 8) & 0xFF) + (source & 0xFF)) / 3;
    return alpha << 24 | (alpha * GetRValue(tint) / 256) << 16 | (alpha * GetGValue(tint) / 256) << 8 |
           alpha * GetBValue(tint) / 256;
}

bool Inside(TmyControl* control, int x, int y)
{
    return x >= 0 && x < control->GetWidth() && y >= 0 && y < control->GetHeight();
}

}  // namespace

// ---- Tmy_Btn: construction -------------------------------------------------

Tmy_Btn::Tmy_Btn(const char* caption, TmyControl* parent, int x, int y, int width, int height)
    : TmyControl(parent, x, y, width, height), Caption(CaptionText(caption)), CaptionAlign(centred),
      Picture(nullptr), SourceBitmap(nullptr), Colouring(ColouringOwn), HalfSizePicture(0), BlackOutline(0),
      RepeatTimer(0), Down(0), Pressed(0), TintedPicture(0), RepeatDelayPhase(0), GlyphKind(0),
      GlyphColor(BtnGlyphColorAuto), GlyphAlign(centred), GlyphSize(0), DownGlyphColor(BtnGlyphColorAuto),
      Group(0), AllowAllUp(0), Pressable(1), GlyphOffsetX(0), GlyphOffsetY(0), ModalResult(0),
      LinkedControl(nullptr)
{
    RegisterType(this, btnTypeId, "Btn");
    Invalidate();
}

Tmy_Btn::~Tmy_Btn()
{
    StopRepeatTimer();
    delete Picture;
    if (SourceBitmap)
        DeleteObject(SourceBitmap);
}

// ---- Tmy_Btn: setters ------------------------------------------------------

void Tmy_Btn::SetCaption(const TmyString& text)
{
    if (Caption == text)
        return;
    Caption = text;
    Invalidate();
}

void Tmy_Btn::SetCaptionAlign(unsigned flags)
{
    CaptionAlign = flags;
    Invalidate();
}

void Tmy_Btn::SetPicture(HBITMAP source)
{
    delete Picture;
    Picture = nullptr;
    if (SourceBitmap && SourceBitmap != source)
        DeleteObject(SourceBitmap);
    SourceBitmap = source;
    if (source) {
        Picture = new TmyBitmap32(source);
        Colouring = ColouringStale;
    }
    Invalidate();
}

void Tmy_Btn::SetHalfSizePicture(int on)
{
    HalfSizePicture = on;
    Invalidate();
}

void Tmy_Btn::SetBlackOutline(int on)
{
    BlackOutline = on;
    Invalidate();
}

void Tmy_Btn::SetTintedPicture(int on)
{
    TintedPicture = on;
    Invalidate();
}

void Tmy_Btn::SetGlyphKind(int kind)
{
    if (kind == GlyphKind)
        return;
    GlyphKind = kind;
    if (kind == BtnGlyphCheckBox)
        SetBorderWidth(1);
    Invalidate();
}

void Tmy_Btn::SetGlyphColor(COLORREF color)
{
    GlyphColor = color;
    DownGlyphColor = color;
    Invalidate();
}

void Tmy_Btn::SetDownGlyphColor(COLORREF color)
{
    DownGlyphColor = color;
    Invalidate();
}

void Tmy_Btn::SetGlyphAlign(unsigned flags)
{
    GlyphAlign = flags;
    Invalidate();
}

void Tmy_Btn::SetGlyphSize(int size)
{
    GlyphSize = size;
    Invalidate();
}

void Tmy_Btn::SetGlyphOffset(int x, int y)
{
    GlyphOffsetX = x;
    GlyphOffsetY = y;
    Invalidate();
}

void Tmy_Btn::SetPressable(int on)
{
    Pressable = on;
    Invalidate();
}

// Group 0 is no group: a down push button leaves the other push buttons alone.
void Tmy_Btn::SetGroup(int group)
{
    Group = group;
    if (Down && Group)
        ReleaseGroup(1);
}

void Tmy_Btn::SetAllowAllUp(int on)
{
    if (!Parent) {
        AllowAllUp = on;
        Invalidate();
        return;
    }
    for (TmyControl* child = Parent->FirstChildControl(); child; child = child->NextSiblingControl()) {
        Tmy_Btn* member = dynamic_cast<Tmy_Btn*>(child);
        if (member && member->Group == Group) {
            member->AllowAllUp = on;
            member->Invalidate();
        }
    }
}

int Tmy_Btn::SetDown(int flag, int notify)
{
    flag = flag != 0;
    if (flag == Down)
        return 0;
    if (Group && !flag && !ReleaseGroup(0))
        return 0;
    Down = flag;
    if (Group && flag)
        ReleaseGroup(1);
    TmyControlGuard watch(this);
    DownChanged();
    if (!watch.Alive())
        return 1;
    Refresh();
    Invalidate();
    // Last: a click handler may delete the button.
    if (notify)
        Click();
    return 1;
}

// ---- Tmy_Btn: group, click and repeat --------------------------------------

int Tmy_Btn::ReleaseGroup(int flag)
{
    if (AllowAllUp && !flag)
        return 1;
    if (!Parent)
        return 0;
    for (TmyControl* child = Parent->FirstChildControl(); child; child = child->NextSiblingControl()) {
        Tmy_Btn* member = dynamic_cast<Tmy_Btn*>(child);
        if (!member || member == this || member->Group != Group || !member->Down)
            continue;
        if (!flag)
            return 1;
        if (member->ReleaseGroup(0)) {
            member->Down = 0;
            member->DownChanged();
            member->Refresh();
            member->Invalidate();
        }
    }
    return flag;
}

void Tmy_Btn::DownChanged()
{
    if (LinkedControl)
        LinkedControl->SetEnabled(Down);
    OnToggle.Fire(this);
}

// The modal loop ends at the nearest component above the button.
void Tmy_Btn::Click()
{
    if (ModalResult) {
        TmyControl* owner = Parent;
        while (owner && !owner->GetWindow())
            owner = owner->GetParent();
        if (TmyComponent* component = dynamic_cast<TmyComponent*>(owner))
            component->EndModal(ModalResult);
    }
    OnClick.Fire(this);
}

void Tmy_Btn::AutoRepeat()
{
    OnAutoRepeat.Fire(this);
}

void Tmy_Btn::Refresh()
{
    Invalidate();
}

// The id is dropped once the timer is killed: the system may hand it out again.
void Tmy_Btn::StopRepeatTimer()
{
    if (!RepeatTimer)
        return;
    StopTimer(RepeatTimer);
    RepeatTimer = 0;
}

// ---- Tmy_Btn: mouse, timer and state ---------------------------------------

int Tmy_Btn::Press(unsigned keys, int x, int y, const TmyControlGuard& watch)
{
    const int result = OnMouseDown.Fire(this, keys, x, y);
    if (!watch.Alive())
        return result;
    Pressed = Pressable;
    Refresh();
    return result;
}

int Tmy_Btn::LeftButtonDown(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const int result = Press(keys, x, y, watch);
    if (!watch.Alive())
        return result;
    RepeatDelayPhase = 1;
    StopRepeatTimer();
    RepeatTimer = StartTimer(BtnRepeatDelayMs);
    AutoRepeat();
    return result;
}

// A toggle button goes down on release; a down one goes up only when its
// group allows it. An up button going down releases the rest of its group.
// Returns 1 when the button went up.
int Tmy_Btn::ToggleOnRelease(const TmyControlGuard& watch)
{
    if (!Group)
        return 0;
    if (!Down) {
        Down = 1;
        DownChanged();
        if (watch.Alive())
            ReleaseGroup(1);
        return 0;
    }
    if (!ReleaseGroup(0))
        return 0;
    Down = 0;
    return 1;
}

int Tmy_Btn::Release(unsigned keys, int x, int y, const TmyControlGuard& watch)
{
    OnMouseUp.Fire(this, keys, x, y);
    if (!watch.Alive())
        return 0;
    const int clicked = Pressed;
    int wentUp = 0;
    if (Pressed) {
        Pressed = 0;
        wentUp = ToggleOnRelease(watch);
        if (!watch.Alive())
            return 0;
    }
    Refresh();
    StopRepeatTimer();
    if (wentUp)
        DownChanged();
    return !watch.Alive() ? 0 : clicked;
}

void Tmy_Btn::LeftButtonUp(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    if (Release(keys, x, y, watch))
        Click();
}

// The parent's pressed child is protected in TmyControl; a member pointer
// named through this class reads it on the parent.
int Tmy_Btn::HoldsPress(unsigned keys)
{
    TmyControl* TmyControl::*pressedChild = &Tmy_Btn::PressedChild;
    return (keys & MK_LBUTTON) && Parent && Parent->*pressedChild == this;
}

void Tmy_Btn::TrackPress(unsigned keys, int x, int y)
{
    if (!HoldsPress(keys))
        return;
    if (!Inside(this, x, y)) {
        Pressed = 0;
    } else {
        if (!Pressed)
            Invalidate();
        Pressed = Pressable;
    }
    Refresh();
}

void Tmy_Btn::MouseMoved(unsigned keys, int x, int y)
{
    TmyControl::MouseMoved(keys, x, y);
    TrackPress(keys, x, y);
}

// Ticks of other timers of this control only reach OnTimer.
void Tmy_Btn::Timer(UINT_PTR id)
{
    TmyControlGuard watch(this);
    OnTimer.Fire(this, id);
    if (!watch.Alive() || !RepeatTimer || id != RepeatTimer)
        return;
    if (RepeatDelayPhase) {
        StopRepeatTimer();
        RepeatDelayPhase = 0;
        RepeatTimer = StartTimer(BtnRepeatIntervalMs);
    }
    AutoRepeat();
}

// Also when the press was already dragged off: a disabled button never repeats.
void Tmy_Btn::StateChanged()
{
    if (!Pressed && IsEnabled())
        return;
    Pressed = 0;
    Refresh();
    StopRepeatTimer();
}

void Tmy_Btn::SetProperty(int index, int32_t value)
{
    TmyControl::SetProperty(index, value);
    if (TintedPicture && Picture) {
        Colouring = ColouringStale;
        ColourPicture(WantedColouring());
    }
}

// ---- Tmy_Btn: picture ------------------------------------------------------

int Tmy_Btn::WantedColouring()
{
    if (!IsEnabled())
        return ColouringDisabled;
    if (LooksDown())
        return ColouringBackColor;
    return TintedPicture ? ColouringTextColor : ColouringOwn;
}

// The picture is rebuilt from the source: key pixels transparent, the rest
// opaque in their own colours or a premultiplied silhouette in the tint.
void Tmy_Btn::ColourPicture(int colouring)
{
    TmyBitmap32 source(SourceBitmap);
    GdiFlush();
    if (!source.Bits() || !Picture->Bits() || source.Width() != Picture->Width() ||
        source.Height() != Picture->Height())
        return;
    COLORREF tint = 0;
    if (colouring != ColouringOwn) {
        const TmyProperty tints[] = {PropBackColor, PropBackColor, PropDisabledTextColor, PropTextColor};
        tint = static_cast<COLORREF>(GetProperty(tints[colouring]));
    }
    const uint32_t key = source.Pixel(0, 0) & colourBits;
    for (int y = 0; y < source.Height(); ++y) {
        unsigned char* row = Picture->ScanLine(y);
        for (int x = 0; x < source.Width(); ++x) {
            const uint32_t pixel = source.Pixel(x, y) & colourBits;
            uint32_t result = 0;
            if (pixel != key)
                result = colouring == ColouringOwn ? pixel | opaque : TintedPixel(pixel, tint);
            memcpy(row + x * 4, &result, sizeof result);
        }
    }
    Colouring = colouring;
}

void Tmy_Btn::DrawPicture(HDC dc, const RECT& rect)
{
    if (!Picture)
        return;
    const int wanted = WantedColouring();
    if (wanted != Colouring)
        ColourPicture(wanted);
    const int width = HalfSizePicture ? Picture->Width() / 2 : Picture->Width();
    const int height = HalfSizePicture ? Picture->Height() / 2 : Picture->Height();
    const POINT at = PlaceBox(centred, rect, width, height);
    const RECT target{at.x, at.y, at.x + width, at.y + height};
    Picture->AlphaDrawPerPixel(dc, 255, &target, nullptr);
}

// ---- Tmy_Btn: painting -----------------------------------------------------

void Tmy_Btn::Paint(HDC dc)
{
    const int width = GetWidth();
    const int height = GetHeight();
    RECT inside{0, 0, width, height};
    DrawControlBorder(dc, &inside, LooksDown() ? sunkenBorder : raisedBorder);
    if (BlackOutline) {
        HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, 0, 0, width, height);
        SelectObject(dc, brush);
        SelectObject(dc, pen);
    }
    FillColor(dc, inside, static_cast<COLORREF>(GetProperty(PropBackColor)));
    DrawPicture(dc, inside);
    DrawCaption(dc, inside, CaptionAlign, Caption);
    OnPaint.Fire(this, dc);
}

void Tmy_Btn::DrawCaption(HDC dc, const RECT& rect, unsigned align, const TmyString& text)
{
    RECT area = rect;
    if (LooksDown() && GlyphKind != BtnGlyphCheckBox)
        OffsetRect(&area, 1, 1);
    DrawGlyphArea(dc, area);
    DrawControlText(dc, area, text, align);
}

void Tmy_Btn::DrawGlyphArea(HDC dc, const RECT& rect)
{
    if (GlyphKind == GlyphNone)
        return;
    int size = GlyphSize;
    if (size == 0) {
        const RECT area = GetClientArea();
        size = area.right - area.left < area.bottom - area.top ? area.right - area.left : area.bottom - area.top;
        if (size > glyphFullSizeLimit)
            size = 2 * size / 3;
    }
    if (size <= 0 || rect.right - rect.left < size || rect.bottom - rect.top < size)
        return;
    POINT at = PlaceBox(GlyphAlign, rect, size, size);
    at.x += GlyphOffsetX;
    at.y += GlyphOffsetY;
    if (GlyphKind == BtnGlyphCheckBox) {
        RECT box{at.x, at.y, at.x + size, at.y + size};
        const UINT state = DFCS_BUTTONCHECK | (Down ? DFCS_CHECKED : 0) | (Pressed ? DFCS_PUSHED : 0);
        DrawFrameControl(dc, &box, DFC_BUTTON, state);
        return;
    }
    COLORREF color;
    if (!IsEnabled())
        color = static_cast<COLORREF>(GetProperty(PropDisabledTextColor));
    else if (LooksDown())
        color = DownGlyphColor == BtnGlyphColorAuto ? static_cast<COLORREF>(GetProperty(PropBackColor))
                                                    : DownGlyphColor;
    else
        color = GlyphColor == BtnGlyphColorAuto ? StateTextColor() : GlyphColor;
    DrawGlyph(dc, at, size, GlyphKind, color);
}

// ---- Tmy_Btn2 ----------------------------------------------------------------

Tmy_Btn2::Tmy_Btn2(const char* caption, TmyControl* parent, int x, int y, int width, int height)
    : Tmy_Btn(caption, parent, x, y, width, height), Hovering(0), Glow(0), GlowStep(0), RepeatWaiting(0),
      RepeatCountdown(0), Repeating(0), FullHeightGradient(0), AnimationTimer(BtnNoTimer), PlainTextColors(0),
      BackBuffer(nullptr)
{
    RegisterType(this, btn2TypeId, "Btn2");
    SetProperty(PropBorderStyle, framedShadowBorder);
}

Tmy_Btn2::~Tmy_Btn2()
{
    StopAnimation();
    delete BackBuffer;
}

void Tmy_Btn2::SetDoubleBuffered(int on)
{
    if ((on != 0) == (BackBuffer != nullptr))
        return;
    delete BackBuffer;
    BackBuffer = on && GetWidth() > 0 && GetHeight() > 0 ? new TmyBitmapDD(GetWidth(), GetHeight()) : nullptr;
    Invalidate();
}

void Tmy_Btn2::SetFullHeightGradient(int on)
{
    FullHeightGradient = on;
    Invalidate();
}

void Tmy_Btn2::SetPlainTextColors(int on)
{
    PlainTextColors = on;
    Invalidate();
}

void Tmy_Btn2::RestartAnimation(unsigned milliseconds)
{
    StopAnimation();
    const UINT_PTR id = StartTimer(milliseconds);
    AnimationTimer = id ? id : BtnNoTimer;
}

void Tmy_Btn2::StopAnimation()
{
    if (AnimationTimer != BtnNoTimer)
        StopTimer(AnimationTimer);
    AnimationTimer = BtnNoTimer;
}

int Tmy_Btn2::CursorInside()
{
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return 0;
    const POINT origin = Parent ? Parent->GetScreenPos(POINT{0, 0}, 1) : POINT{0, 0};
    RECT screen = Bounds;
    OffsetRect(&screen, origin.x, origin.y);
    return PtInRect(&screen, cursor);
}

void Tmy_Btn2::MouseMoved(unsigned keys, int x, int y)
{
    if (!Hovering && Inside(this, x, y)) {
        Invalidate();
        if (HasState(StateFlat)) {
            GlowStep = BtnGlowStep;
            RestartAnimation(BtnGlowTickMs);
        }
        Hovering = 1;
    }
    Tmy_Btn::MouseMoved(keys, x, y);
}

int Tmy_Btn2::LeftButtonDown(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const int result = Press(keys, x, y, watch);
    if (!watch.Alive())
        return result;
    RepeatWaiting = 1;
    RestartAnimation(BtnGlowTickMs);
    RepeatCountdown = BtnRepeatCountdownMs;
    AutoRepeat();
    return result;
}

// The animation keeps running: the glow may still be fading.
void Tmy_Btn2::LeftButtonUp(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const int clicked = Release(keys, x, y, watch);
    if (!watch.Alive())
        return;
    Repeating = 0;
    RepeatWaiting = 0;
    if (clicked)
        Click();
}

void Tmy_Btn2::Timer(UINT_PTR id)
{
    if (AnimationTimer == BtnNoTimer || id != AnimationTimer) {
        MessageBeep(1);
        return;
    }
    if ((GlowStep > 0 && Glow < BtnGlowMax) || (GlowStep < 0 && Glow > 0)) {
        Glow += GlowStep;
        Invalidate();
    }
    if (Hovering)
        TrackHover();
    else if (Glow == 0 && !Repeating && !RepeatWaiting)
        StopAnimation();
    TickRepeat();
}

void Tmy_Btn2::TrackHover()
{
    if (CursorInside())
        return;
    Hovering = 0;
    Invalidate();
    const int flat = HasState(StateFlat);
    if (flat)
        GlowStep = -BtnGlowStep;
    else
        Glow = 0;
    if (flat && !Repeating && !RepeatWaiting)
        RestartAnimation(BtnFadeTickMs);
}

// The tick that ends the countdown is the first repeat; a disabled button
// (also through its parent) stops repeating.
void Tmy_Btn2::TickRepeat()
{
    if (!IsEnabled()) {
        RepeatWaiting = 0;
        Repeating = 0;
        return;
    }
    if (RepeatWaiting) {
        RepeatCountdown -= static_cast<int32_t>(BtnFadeTickMs);
        if (RepeatCountdown <= 0) {
            RepeatWaiting = 0;
            Repeating = 1;
            AutoRepeat();
        }
    } else if (Repeating) {
        AutoRepeat();
    }
}

// Hovering ends too, so that the next hover after enabling glows again.
int Tmy_Btn2::SetEnabled(int enabled)
{
    if (!enabled && IsEnabled()) {
        StopAnimation();
        Glow = 0;
        Hovering = 0;
    }
    return Tmy_Btn::SetEnabled(enabled);
}

void Tmy_Btn2::Resized()
{
    if (BackBuffer && GetWidth() > 0 && GetHeight() > 0) {
        delete BackBuffer;
        BackBuffer = new TmyBitmapDD(GetWidth(), GetHeight());
    }
    Invalidate();
    Tmy_Btn::Resized();
}

void Tmy_Btn2::Paint(HDC dc)
{
    HDC target = BackBuffer ? BackBuffer->MemoryDC() : dc;
    if (HasState(StateFlat))
        PaintFlat(target);
    else
        Tmy_Btn::Paint(target);
    if (BackBuffer)
        BackBuffer->Draw(dc, 0, 0, nullptr, SRCCOPY);
}

// Face shaded by the glow, a vertical gradient lighter at the top and darker
// at the bottom, corners blended into the parent, and the caption.
void Tmy_Btn2::PaintFlat(HDC dc)
{
    const int width = GetWidth();
    const int height = GetHeight();
    const int down = LooksDown();
    const int enabled = IsEnabled();
    const COLORREF back = static_cast<COLORREF>(GetProperty(PropBackColor));
    const COLORREF field = static_cast<COLORREF>(GetProperty(PropFieldColor));
    const COLORREF disabledText = static_cast<COLORREF>(GetProperty(PropDisabledTextColor));

    const COLORREF base = down ? (enabled ? field : disabledText) : back;
    const double glow = Glow / 255.0;
    const COLORREF face = ShadeColor(base, down ? glow : glow / 2);
    RECT inside{0, 0, width, height};
    DrawControlBorder(dc, &inside, -1, -1, -1, CLR_INVALID, face);

    const int top = inside.top;
    const int gradientBottom = FullHeightGradient ? height : inside.bottom;
    const int half = (gradientBottom - top) / 2 > 1 ? (gradientBottom - top) / 2 : 1;
    const double intensity = (GetProperty(PropBorderIntensity) & 0xFF) / 255.0;
    for (int row = top; row < inside.bottom; ++row) {
        const double fraction = static_cast<double>(top + half - row) / half * intensity;
        FillColor(dc, RECT{inside.left, row, inside.right, row + 1}, ShadeColor(face, fraction));
    }

    const int style = GetProperty(PropBorderStyle);
    const COLORREF outer = Parent ? static_cast<COLORREF>(Parent->GetProperty(PropBackColor)) : back;
    if (style == shadowedBorder || style == noBorder) {
        SetPixelV(dc, 0, 0, outer);
        SetPixelV(dc, width - 1, 0, outer);
    }
    if (style == noBorder || (style == shadowedBorder && !FullHeightGradient)) {
        const COLORREF bottom = style == noBorder ? outer : RGB(0, 0, 0);
        SetPixelV(dc, 0, height - 1, bottom);
        SetPixelV(dc, width - 1, height - 1, bottom);
    }

    TmyTextRecord record;
    record.TextColor = StateTextColor();
    record.ShadowBase = back;
    if (down && !PlainTextColors) {
        record.TextColor = back;
        record.ShadowBase = enabled ? field : disabledText;
        if (GlyphColor == static_cast<COLORREF>(GetProperty(PropTextColor)))
            DownGlyphColor = back;
    }
    record.Shadow = enabled ? GetProperty(PropShadow) : 0;

    DrawPicture(dc, inside);
    DrawGlyphArea(dc, inside);
    DrawAlignedText(dc, inside, Caption, ResolveFont(), CaptionAlign, record);
    OnPaint.Fire(this, dc);
}
