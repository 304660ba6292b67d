// TmyControl: a windowless control, one node of the control tree. It owns its
// children, shares a style table with its relatives, holds state flags and a
// fixed set of events, paints itself and its windowless descendants into the
// window of its nearest component, and receives routed mouse and key input.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "myEvent.h"
#include "myList.h"
#include "myObject.h"
#include "mySet.h"
#include "myString.h"

class TmyComponent;
class TmyControl;

// Indices of the style table's properties.
enum TmyProperty : int {
    PropBackColor = 0,
    PropFieldColor = 1,
    PropTextColor = 2,
    PropDisabledTextColor = 3,
    PropBorderWidth = 4,
    PropBorderStyle = 5,
    PropBorderIntensity = 6,
    PropShadow = 7,
    PropBorderColor = 8,
};
// Properties a new table holds.
constexpr unsigned myStylePropertyCount = 9;
// A border colour above this is unset: the text colour is used instead.
constexpr uint32_t myColorUnset = 0xFFFFFF;

// Members of a control's state set.
enum TmyState : int {
    StateDisabled = 0,
    StateHidden = 1,
    StateFlat = 2,
    StateOverlay = 3,
    StateParentDisabled = 4,
    StateTabStop = 5,
    StateFocusPath = 6,
    StateKeyPreview = 7,
};

// Docking of a control inside its parent's client area.
enum TmyAlign : int {
    AlignNone = 0,
    AlignTop = 1,
    AlignBottom = 2,
    AlignLeft = 3,
    AlignRight = 4,
    AlignInnerTop = 5,
    AlignInnerBottom = 6,
    AlignClient = 7,
};

// Mouse event codes of MouseEvent: bit 15 marks a release, the low 12 bits the button.
enum TmyMouseCode : unsigned {
    MouseCodeMove = 0,
    MouseCodeLeftDown = 1,
    MouseCodeRightDown = 2,
    MouseCodeWheel = 0x8000,
    MouseCodeLeftUp = 0x8001,
    MouseCodeRightUp = 0x8002,
};

// Margins of an anchored control to its parent's client area.
constexpr int32_t AnchorUnset = INT32_MIN;          // 0x80000000: not anchored on that side
constexpr int32_t AnchorCentre = INT32_MIN + 1;     // 0x80000001 in left or top: centred
struct TmyAnchors {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
};

// Property values shared by reference between controls, copied on the first
// change by one of several sharers.
class TmyStyleTable {
public:
    // A table with the defaults of a control without parent.
    TmyStyleTable();
    // A private copy of another table: same count and values, no sharers.
    explicit TmyStyleTable(const TmyStyleTable& other);
    ~TmyStyleTable();
    TmyStyleTable& operator=(const TmyStyleTable&) = delete;

    // The value at index; 0 for an index not below the count.
    int32_t Get(int index) const;
    void Put(int index, int32_t value);

    TmyString Name;
    TmyList Sharers;   // TmyControl pointers
    uint32_t Count;
    int32_t* Values;
};

// Text colours and shadow for DrawAlignedText and DrawShadowTextW.
struct TmyTextRecord {
    COLORREF ShadowBase;  // colour the shadow is shaded from
    COLORREF TextColor;
    int32_t Shadow;       // PropShadow value: 0 none, a signed byte amount, 127 automatic
};

// Everything DrawBorder needs to draw one border.
struct TmyBorderRecord {
    COLORREF Background;
    COLORREF FieldColor;
    COLORREF TextColor;
    int32_t Width;
    int32_t Style;
    int32_t Intensity;
    COLORREF BorderColor;
};

// Alignment flags of DrawAlignedText and the labels.
enum TmyTextAlign : unsigned {
    AlignTextLeft = 0x01,
    AlignTextRight = 0x02,
    AlignTextCentre = 0x04,
    AlignTextTop = 0x10,
    AlignTextBottom = 0x20,
    AlignTextMiddle = 0x40,
};

// Lets code that fires a control's events notice when a handler deleted the
// control: the control's destructor marks every guard that watches it, so
// the code touches nothing of a deleted control after the event.
class TmyControlGuard {
public:
    explicit TmyControlGuard(const TmyControl* control);
    ~TmyControlGuard();
    TmyControlGuard(const TmyControlGuard&) = delete;
    TmyControlGuard& operator=(const TmyControlGuard&) = delete;

    bool Alive() const { return !Deleted; }
    // Called by the destructor of control.
    static void MarkDeleted(const TmyControl* control);

private:
    const TmyControl* Control;
    TmyControlGuard* Outer;
    bool Deleted;
};

class TmyControl : public TmyObject {
public:
    // Construction: joins the parent's style table and child list (see the
    // model); a control without parent gets default styles and the GUI font.
    TmyControl(TmyControl* parent, int x, int y, int width, int height);
    TmyControl(const TmyControl&) = delete;
    TmyControl& operator=(const TmyControl&) = delete;

    // The order of the virtual operations below is part of the class's
    // contract: derived classes and components override them by slot.
    ~TmyControl() override;
    virtual void EnabledChanged(int enabled);
    virtual int SetFocusPath(TmyControl* control);
    virtual void VisibilityChanged(int shown);
    virtual int SetParentEnabled(int enabled);
    virtual void RouteText(const TmyWideString& text);
    virtual void TextInput(const TmyWideString& text);
    virtual void Paint(HDC dc);
    virtual void LeftButtonUp(unsigned keys, int x, int y);
    virtual int RightButtonDown(unsigned keys, int x, int y);
    virtual int RightButtonUp(unsigned keys, int x, int y);
    virtual void MouseMoved(unsigned keys, int x, int y);
    virtual int DoubleClick(int x, int y);
    virtual void KeyDown(unsigned key, unsigned flags);
    virtual void KeyUp(unsigned key, unsigned flags);
    virtual void CharInput(WPARAM* character, unsigned flags);
    virtual void Resized();
    virtual void Moved();
    virtual void StateChanged();
    virtual int LeftButtonDown(unsigned keys, int x, int y);
    virtual void MouseHover();
    virtual void BoundsChanging(int* x, int* y, int* width, int* height);
    virtual void ChildAdded(TmyControl* control);
    virtual void KeyPreview(TmyControl* control, unsigned* key, unsigned flags);
    virtual void FocusChanged(int gained);
    virtual void Timer(UINT_PTR id);
    virtual void ControlMessage(unsigned code, WPARAM parameter);
    virtual void AddChild(TmyControl* control);
    virtual void RemoveChild(TmyControl* control);
    virtual void DoPaint(HDC dc);
    virtual int MouseEvent(unsigned code, unsigned keys, int x, int y);
    virtual int RouteKeyDown(unsigned key, unsigned flags);
    virtual int RouteKeyUp(unsigned key, unsigned flags);
    virtual int RouteChar(WPARAM* character, unsigned flags);
    virtual void SetFocus();
    virtual int IsFocused();
    virtual void SetKeyPreview(int on);
    virtual int GetKeyPreview();
    virtual int MouseWheel(unsigned parameter, TmyControl* sender);
    virtual POINT GetWindowOffset(POINT point);
    virtual TmyComponent* GetRoot();
    virtual TmyControl* GetParent();
    virtual void InvalidateRegion(HRGN region);
    virtual void Invalidate();
    virtual void InvalidateRect(const RECT& rect);
    virtual void Update();
    virtual int SetEnabled(int enabled);
    virtual void SetVisible(int shown);
    virtual int IsEnabled();
    virtual int IsVisible();
    virtual void SetOverlay(int on);
    virtual int Layout();
    virtual HDC BeginDraw();
    virtual void EndDraw(HDC dc);
    virtual int GetHeight();
    virtual int GetWidth();
    virtual void FitToChildren(int extraWidth, int extraHeight);
    virtual POINT GetScreenPos(POINT point, int clientOrigin);
    virtual void SetBounds(int x, int y, int width, int height);
    virtual void Move(int x, int y);
    virtual void Resize(int width, int height);
    virtual void SetAlign(int align);
    virtual void SetCursorShape(HCURSOR cursor);
    virtual HCURSOR GetCursorShape();
    virtual void SetFlat(int on);
    virtual RECT GetClientArea();
    virtual void SetFont(HFONT font);
    virtual int PostControlMessage(TmyControl* target, unsigned code, WPARAM parameter);
    virtual void SetProperty(int index, int32_t value);
    virtual void SetFieldColor(COLORREF color);
    virtual void SetForeColor(COLORREF color);
    virtual void SetDisabledColor(COLORREF color);
    virtual void SetBorderWidth(int width);
    virtual void SetBorderStyle(int style);
    virtual void SetBackColor(COLORREF color);
    virtual void SetBorderIntensity(int intensity);

    // Operations
    int32_t GetProperty(int index) const;
    // Takes another control's styles: as a private copy, or by joining its table.
    void AdoptStyleCopy(TmyControl* other);
    void AdoptStyleReference(TmyControl* other);
    // The own font, else the first font up the parent chain; -1 when none.
    HFONT ResolveFont();
    // Border inset in pixels; -1 for either argument means the own property.
    int BorderMargin(int style = -1, int width = -1);
    // The deepest (or first, shallow) enabled, visible child at (x, y); null when none.
    TmyControl* HitTest(int x, int y, int deep);
    // Moves the focus to the next (or previous) tab stop below control.
    int FocusNext(TmyControl* control, int forward);
    // Windowless timer through a timer thunk; returns the system's timer id.
    UINT_PTR StartTimer(unsigned milliseconds);
    void StopTimer(UINT_PTR id);
    int HasState(TmyState member) const { return State.Contains(member); }
    void SetState(TmyState member, int on);
    int GetLeft() const { return Bounds.left; }
    int GetTop() const { return Bounds.top; }
    const RECT& GetBounds() const { return Bounds; }
    TmyControl* FirstChildControl() const { return FirstChild; }
    TmyControl* NextSiblingControl() const { return NextSibling; }
    HWND GetWindow() const { return Window; }
    TmyStyleTable* GetStyleTable() const { return StyleTable; }
    int GetTextHeight() const { return TextHeight; }
    void SetAnchors(const TmyAnchors& anchors);
    const TmyAnchors* GetAnchors() const { return Anchors; }
    int GetAlign() const { return Align; }
    // Controls alive in the process (constructed, not yet destroyed),
    // components included: what a leak check compares with zero at exit.
    static int LiveCount();
    // True when control is this control or one of its descendants.
    int IsAncestorOf(const TmyControl* control) const;
    // 1-based position of the control's hint in the tooltip's hint list; 0 = none.
    uint32_t GetHint() const { return Hint; }
    void SetHint(uint32_t position) { Hint = position; }

    // Drawing with this control's properties
    int DrawControlBorder(HDC dc, RECT* rect, int style = -1, int width = -1, int intensity = -1,
                          COLORREF borderColor = CLR_INVALID, COLORREF background = CLR_INVALID);
    void DrawControlText(HDC dc, const RECT& rect, const TmyString& text, unsigned align,
                         COLORREF textColor = CLR_INVALID);
    SIZE MeasureText(const TmyString& text, HFONT font = nullptr, HDC dc = nullptr);
    // Text colour for the control's state: PropTextColor enabled, PropDisabledTextColor else.
    COLORREF StateTextColor();

protected:
    // Leaves the current style table, freeing it when no sharer remains.
    void LeaveStyleTable();
    // Detaches from a table shared with others before a change (copy-on-write).
    void MakeStyleTablePrivate();
    // Calls the named setters in adoption order after a table change.
    void ReapplyStyles();
    void SetBoundsField(const RECT& bounds) { Bounds = bounds; }

private:
    // Private helpers of the control model (myControl.cpp).
    // Points the style link at table and joins its sharers.
    void JoinStyleTable(TmyStyleTable* table);
    // The release and press branches of MouseEvent.
    int MouseRelease(unsigned code, unsigned keys, int x, int y);
    int MousePress(unsigned code, unsigned keys, int x, int y);

protected:
    // Fields, in the order the rest of the framework relies on.
    void* TimerThunk;
    TmyControl* NextSibling;
    HFONT Font;
    int32_t TextHeight;
    TmyControl* StyleOwner;
    TmyStyleTable* StyleTable;
    uint32_t Hint;
    TmyControl* Parent;
    TmyControl* FirstChild;
    TmyControl* PressedChild;
    TmySet State;
    uint32_t LastClickTime;
    int32_t LastClickX;
    int32_t LastClickY;
    RECT Bounds;
    HCURSOR Cursor;
    int32_t Align;
    TmyAnchors* Anchors;
    HWND Window;
    // Ids of the running StartTimer timers: the destructor kills them, so no
    // tick reaches a later owner of the timer thunk.
    std::vector<UINT_PTR> TimerIds;

public:
    // Events, in index order; every handler gets the sender first.
    TmyEvent<TmyControl*> OnDestroy;
    TmyEvent<TmyControl*, UINT_PTR> OnTimer;
    TmyEvent<TmyControl*, int, int> OnDoubleClick;
    TmyEvent<TmyControl*, unsigned, int, int> OnMouseDown;
    TmyEvent<TmyControl*, unsigned, int, int> OnMouseUp;
    TmyEvent<TmyControl*, unsigned, int, int> OnMouseMove;
    TmyEvent<TmyControl*> OnResize;
    TmyEvent<TmyControl*> OnMouseHover;
    TmyEvent<TmyControl*, HDC> OnPaint;
    TmyEvent<TmyControl*, unsigned, int, int> OnRightMouseDown;
    TmyEvent<TmyControl*, unsigned, int, int> OnRightMouseUp;
    TmyEvent<TmyControl*, unsigned, unsigned> OnKeyDown;
    TmyEvent<TmyControl*, unsigned, unsigned> OnKeyUp;
    TmyEvent<TmyControl*, WPARAM*, unsigned> OnChar;
    TmyEvent<TmyControl*, unsigned*, unsigned> OnKeyPreview;
    TmyEvent<TmyControl*, int> OnFocusChange;
    TmyEvent<TmyControl*, int, unsigned, int*> OnMouseWheel;

    friend class TmyComponent;
};

// The framework's font handle meaning "inherit from the parent".
inline HFONT InheritedFont()
{
    return reinterpret_cast<HFONT>(static_cast<intptr_t>(-1));
}
