// Tmy_Btn: a windowless push, toggle or radio button drawn inside its
// parent's window, with a caption, an optional picture recoloured for its
// state, an optional glyph, auto-repeat by control timers, an optional modal
// result and a control whose enabled state follows the button.
// Tmy_Btn2 adds an animated hover glow and, in the flat look, a shaded
// gradient face. Neither takes keyboard input.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myControl.h"

class TmyBitmap32;
class TmyBitmapDD;

// Colourings of a button's picture.
enum TmyPictureColouring : int {
    ColouringOwn = 0,          // the picture's own colours
    ColouringBackColor = 1,    // tinted with PropBackColor (down or pressed)
    ColouringDisabled = 2,     // tinted with PropDisabledTextColor
    ColouringTextColor = 3,    // tinted with PropTextColor (tinted picture, idle)
    ColouringStale = 4,        // must be rebuilt before the next draw
};

// Glyph kind that draws the system check box.
constexpr int BtnGlyphCheckBox = 7;
// A glyph colour of -1: the text colour (idle) or PropBackColor (down).
constexpr COLORREF BtnGlyphColorAuto = 0xFFFFFFFF;
// Auto-repeat of Tmy_Btn: first tick after the delay, then one per interval.
constexpr unsigned BtnRepeatDelayMs = 500;
constexpr unsigned BtnRepeatIntervalMs = 50;

class Tmy_Btn : public TmyControl {
public:
    Tmy_Btn(const char* caption, TmyControl* parent, int x, int y, int width, int height);

    // Overrides of inherited slots, in slot order.
    ~Tmy_Btn() override;
    void Paint(HDC dc) override;
    void LeftButtonUp(unsigned keys, int x, int y) override;
    void MouseMoved(unsigned keys, int x, int y) override;
    // A disabled button lets go of the press and stops repeating.
    void StateChanged() override;
    int LeftButtonDown(unsigned keys, int x, int y) override;
    void Timer(UINT_PTR id) override;
    // With a tinted picture the tint follows the new colours at once.
    void SetProperty(int index, int32_t value) override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    virtual void DrawGlyphArea(HDC dc, const RECT& rect);
    // Glyph and caption in rect, moved by (1, 1) while the button looks pressed.
    virtual void DrawCaption(HDC dc, const RECT& rect, unsigned align, const TmyString& text);
    // Repaints the button after a change of its look.
    virtual void Refresh();
    // flag 1: sets the other down members of the group up; flag 0: 1 when
    // this button may go up (allow all up, or another member is down).
    virtual int ReleaseGroup(int flag);
    // The linked control follows the down state; fires OnToggle.
    virtual void DownChanged();
    // Ends the nearest modal loop with the modal result when set; fires OnClick.
    virtual void Click();
    // Fires OnAutoRepeat: at the press and at every repeat tick.
    virtual void AutoRepeat();

    // Operations
    // Stores the caption and repaints; nothing when equal.
    void SetCaption(const TmyString& text);
    const TmyString& GetCaption() const { return Caption; }
    void SetCaptionAlign(unsigned flags);
    // Takes ownership of the picture (null removes it); its top-left pixel
    // colour is the transparent key.
    void SetPicture(HBITMAP source);
    void SetHalfSizePicture(int on);
    void SetBlackOutline(int on);
    // 1: the idle picture is tinted with PropTextColor instead of its own colours.
    void SetTintedPicture(int on);
    // Kind 7 (system check box) also sets a border width of 1.
    void SetGlyphKind(int kind);
    // Sets the glyph colour of both the idle and the down look.
    void SetGlyphColor(COLORREF color);
    void SetDownGlyphColor(COLORREF color);
    void SetGlyphAlign(unsigned flags);
    void SetGlyphSize(int size);
    void SetGlyphOffset(int x, int y);
    void SetPressable(int on);
    // Not repainted: the look does not change.
    void SetModalResult(int result) { ModalResult = result; }
    // A down button joining a group releases that group's other members.
    void SetGroup(int group);
    int GetGroup() const { return Group; }
    // Shared by the group: every Tmy_Btn sibling of the same group gets the flag.
    void SetAllowAllUp(int on);
    void SetLinkedControl(TmyControl* control) { LinkedControl = control; }
    // Sets a toggle button down or up from code; a group member refuses to go
    // up unless its group allows it. With notify set a change also counts as a
    // click. 1 when the state changed.
    int SetDown(int flag, int notify = 0);
    int IsDown() const { return Down; }
    int IsPressed() const { return Pressed; }
    int GetColouring() const { return Colouring; }

protected:
    // The look is pressed-in while down or pressed.
    int LooksDown() const { return Down || Pressed; }
    // 1 when a left-button move belongs to this button's own press.
    int HoldsPress(unsigned keys);
    // The release of a press: fires OnMouseUp, toggles group members, stops
    // the Tmy_Btn repeat timer; 1 when it counted as a click. A handler that
    // deleted the button (the guard on it tells) ends the release: 0.
    int Release(unsigned keys, int x, int y, const TmyControlGuard& watch);
    // The group's part of a click's release; 1 when the button went up.
    int ToggleOnRelease(const TmyControlGuard& watch);
    // The press: fires OnMouseDown (its result is returned) and, unless a
    // handler deleted the button, shows the pressed look.
    int Press(unsigned keys, int x, int y, const TmyControlGuard& watch);
    // Pressed follows the pointer while the button holds the press.
    void TrackPress(unsigned keys, int x, int y);
    void StopRepeatTimer();
    // The colouring the picture needs for the button's state.
    int WantedColouring();
    // Recolours the picture for the state and draws it centred in rect.
    void DrawPicture(HDC dc, const RECT& rect);
    // Rebuilds the picture's pixels from the source for a colouring.
    void ColourPicture(int colouring);

    // Fields, in the order the rest of the framework relies on.
    TmyString Caption;
    uint32_t CaptionAlign;
    TmyBitmap32* Picture;
    HBITMAP SourceBitmap;
    int32_t Colouring;
    int32_t HalfSizePicture;
    int32_t BlackOutline;
    UINT_PTR RepeatTimer;
    int32_t Down;
    int32_t Pressed;
    int32_t TintedPicture;
    int32_t RepeatDelayPhase;
    int32_t GlyphKind;
    COLORREF GlyphColor;
    uint32_t GlyphAlign;
    int32_t GlyphSize;
    COLORREF DownGlyphColor;
    int32_t Group;
    int32_t AllowAllUp;
    int32_t Pressable;
    int32_t GlyphOffsetX;
    int32_t GlyphOffsetY;
    int32_t ModalResult;
    TmyControl* LinkedControl;

public:
    TmyEvent<Tmy_Btn*> OnToggle;
    TmyEvent<Tmy_Btn*> OnClick;
    // Fired at the press and at every repeat tick.
    TmyEvent<Tmy_Btn*> OnAutoRepeat;
};

// Hover glow: 0 to BtnGlowMax in steps of BtnGlowStep, one step per animation tick.
constexpr int32_t BtnGlowMax = 80;
constexpr int32_t BtnGlowStep = 20;
// Animation timer periods: while hovering or held, and while fading out.
constexpr unsigned BtnGlowTickMs = 20;
constexpr unsigned BtnFadeTickMs = 30;
// Milliseconds counted down (in steps of BtnFadeTickMs per tick) before auto-repeat starts.
constexpr int32_t BtnRepeatCountdownMs = 500;
// Animation timer id of a button whose timer is not running.
constexpr UINT_PTR BtnNoTimer = static_cast<UINT_PTR>(-1);

class Tmy_Btn2 : public Tmy_Btn {
public:
    Tmy_Btn2(const char* caption, TmyControl* parent, int x, int y, int width, int height);

    // Overrides of inherited slots, in slot order.
    ~Tmy_Btn2() override;
    void Paint(HDC dc) override;
    void LeftButtonUp(unsigned keys, int x, int y) override;
    void MouseMoved(unsigned keys, int x, int y) override;
    // A new size replaces the back buffer.
    void Resized() override;
    int LeftButtonDown(unsigned keys, int x, int y) override;
    // The animation tick: glow, hover end, repeat countdown and auto-repeat.
    void Timer(UINT_PTR id) override;
    // Disabling stops the animation and drops the glow.
    int SetEnabled(int enabled) override;

    // Operations
    // 1: paints into a back buffer of the button's size and copies it to the window.
    void SetDoubleBuffered(int on);
    void SetFullHeightGradient(int on);
    // 1: the caption keeps its idle colours while down or pressed.
    void SetPlainTextColors(int on);
    int GetGlow() const { return Glow; }
    int IsHovering() const { return Hovering; }

protected:
    // Stops the running animation timer and starts it again with the period.
    void RestartAnimation(unsigned milliseconds);
    void StopAnimation();
    // 1 while the cursor lies inside the button's screen rectangle.
    int CursorInside();
    // The flat look: shaded face, gradient, corners, caption.
    void PaintFlat(HDC dc);
    // One tick's hover bookkeeping: ends hovering when the cursor left.
    void TrackHover();
    // One tick's auto-repeat: the countdown, then a repeat per tick.
    void TickRepeat();

    // Fields, in the order the rest of the framework relies on.
    int32_t Hovering;
    int32_t Glow;
    int32_t GlowStep;
    int32_t RepeatWaiting;
    int32_t RepeatCountdown;
    int32_t Repeating;
    int32_t FullHeightGradient;
    UINT_PTR AnimationTimer;
    int32_t PlainTextColors;
    TmyBitmapDD* BackBuffer;
};
