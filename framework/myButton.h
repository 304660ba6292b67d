// TmyButton: a window-backed push, toggle or radio button with keyboard
// operation (Space, Enter), auto-repeat while held, an optional glyph, an
// optional modal result and a control whose enabled state follows the button.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myPanel.h"

// Glyph kind drawn as the system's check box; the other kinds are
// DrawGlyph's (6 is the diagonal cross).
constexpr int ButtonGlyphCheckBox = 7;
// Auto-repeat: first repeat after the delay, then one per repeat interval.
constexpr unsigned ButtonRepeatDelayMs = 500;
constexpr unsigned ButtonRepeatIntervalMs = 50;

class TmyButton : public TmyPanel {
public:
    TmyButton(const char* caption, HWND parentWindow, int x, int y, int width, int height, DWORD style);

    // Overrides of inherited slots, in slot order.
    ~TmyButton() override;
    void Paint(HDC dc) override;
    void LeftButtonUp(unsigned keys, int x, int y) override;
    void MouseMoved(unsigned keys, int x, int y) override;
    void KeyDown(unsigned key, unsigned flags) override;
    void KeyUp(unsigned key, unsigned flags) override;
    // A disabled button lets go of the press and stops repeating.
    void StateChanged() override;
    int LeftButtonDown(unsigned keys, int x, int y) override;
    void Timer(UINT_PTR id) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The focus rectangle, moved by (1, 1) while the button looks pressed.
    void DrawFocusFrame(HDC dc, const RECT& rect) override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    virtual void DrawGlyphArea(HDC dc, const RECT& rect);
    // Sunken border while down or pressed, raised otherwise.
    virtual void ApplyLook();
    // flag 1: sets the other down members of the group up; flag 0: 1 when
    // this button may go up (allow all up, or another member is down).
    virtual int ReleaseGroup(int flag);
    // The linked control follows the down state; fires OnToggle.
    virtual void DownChanged();
    // Ends the nearest modal loop with the modal result when set; fires OnClick.
    virtual void Click();
    virtual void AutoRepeat();

    // Operations
    // Sets a toggle button down or up from code; a group member may refuse to
    // go up. With notify set a change also counts as a click. 1 when changed.
    int SetDown(int flag, int notify = 0);
    int IsDown() const { return Down; }
    int IsPressed() const { return Pressed; }
    void SetGlyph(int kind, int size = 0, unsigned align = AlignTextCentre | AlignTextMiddle);
    // Sets the glyph colour of both the idle and the down look.
    void SetGlyphColor(COLORREF color);
    void SetDownGlyphColor(COLORREF color);
    void SetGlyphOffset(int x, int y);
    void SetGroup(int group) { Group = group; }
    int GetGroup() const { return Group; }
    void SetAllowAllUp(int on) { AllowAllUp = on; }
    void SetPressable(int on) { Pressable = on; }
    void SetModalResult(int result) { ClickModalResult = result; }
    void SetLinkedControl(TmyControl* control) { LinkedControl = control; }

private:
    // The look is pressed-in while down or pressed.
    int LooksDown() const { return Down || Pressed; }
    // A group member's release flips its down state; going up only when
    // the group allows it.
    void ToggleInGroup();
    // The look for the state, and no auto-repeat timer left running.
    void StopRepeat();
    void EndHold();
    COLORREF GlyphDrawingColor();

protected:
    // Fields, in the order the rest of the framework relies on.
    int32_t Down;
    int32_t Pressed;
    int32_t GlyphKind;
    COLORREF GlyphColor;
    uint32_t GlyphAlign;
    int32_t GlyphSize;
    COLORREF DownGlyphColor;
    int32_t Group;
    int32_t AllowAllUp;
    int32_t Pressable;
    uint32_t DelayTimerId;
    uint32_t RepeatTimerId;
    int32_t GlyphOffsetX;
    int32_t GlyphOffsetY;
    int32_t ClickModalResult;    // non-zero: a click ends the nearest modal loop with it
    TmyControl* LinkedControl;   // enabled while the button is down

public:
    TmyEvent<TmyButton*> OnToggle;
    TmyEvent<TmyButton*> OnClick;
    // Fired at the press and at every repeat tick.
    TmyEvent<TmyButton*> OnAutoRepeat;
};
