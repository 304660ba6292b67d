// The control model: construction and destruction of windowless controls,
// the shared style table, state flags, events, the child list, focus, timers,
// posted control messages and the routing of mouse and key input through the
// control tree. Geometry and painting live in myControlPaint.cpp.
#include "myControl.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "myComponents.h"
#include "myHoveringMonitor.h"
#include "myThunks.h"
#include "myToolTip.h"

namespace {

// Property values of a table made for a control without parent.
constexpr int32_t myDefaultStyles[myStylePropertyCount] = {
    0x636363,                          // PropBackColor
    0,                                 // PropFieldColor
    0xFFFFFF,                          // PropTextColor
    0x888888,                          // PropDisabledTextColor
    3,                                 // PropBorderWidth
    0,                                 // PropBorderStyle
    100,                               // PropBorderIntensity
    0,                                 // PropShadow
    static_cast<int32_t>(0xFF000000),  // PropBorderColor: unset
};
// Members of a control's state set: StateDisabled to StateKeyPreview.
constexpr int myStateMemberCount = 8;
// A table that has to hold a higher index grows by whole steps of this many slots.
constexpr uint32_t myStyleGrowStep = 4;
// Room of the table's name.
constexpr unsigned myStyleNameRoom = 16;
// The named setters called after a table was adopted, in this order.
constexpr TmyProperty myAdoptionOrder[] = {
    PropBorderWidth, PropBorderStyle, PropFieldColor, PropBackColor,
    PropDisabledTextColor, PropTextColor, PropBorderIntensity,
};
// Highest control-message code: MsgControlBase + code must stay below 0x8000.
constexpr unsigned myMaxControlCode = 0x7FFF - MsgControlBase;
// Bit 15 of a mouse code marks a release; the low 12 bits name the button.
constexpr unsigned myMouseRelease = 0x8000;
constexpr unsigned myMouseButtonMask = 0xFFF;
constexpr unsigned myLeftButton = 1;
constexpr unsigned myRightButton = 2;
// The character that moves the focus to the next tab stop.
constexpr WPARAM myTabCharacter = 9;

// Calls the named setter of a property index; indexes without one do nothing.
void CallNamedSetter(TmyControl* control, int index, int32_t value)
{
    const COLORREF color = static_cast<COLORREF>(value);
    switch (index) {
    case PropBackColor: control->SetBackColor(color); break;
    case PropFieldColor: control->SetFieldColor(color); break;
    case PropTextColor: control->SetForeColor(color); break;
    case PropDisabledTextColor: control->SetDisabledColor(color); break;
    case PropBorderWidth: control->SetBorderWidth(value); break;
    case PropBorderStyle: control->SetBorderStyle(value); break;
    case PropBorderIntensity: control->SetBorderIntensity(value); break;
    default: break;
    }
}

// The first child on the focus path, or null.
TmyControl* FocusPathChild(const TmyControl* control)
{
    for (TmyControl* child = control->FirstChildControl(); child; child = child->NextSiblingControl()) {
        if (child->HasState(StateFocusPath))
            return child;
    }
    return nullptr;
}

bool IsChild(const TmyControl* parent, const TmyControl* control)
{
    for (TmyControl* child = parent->FirstChildControl(); child; child = child->NextSiblingControl()) {
        if (child == control)
            return true;
    }
    return false;
}

TmyControl* LastChild(const TmyControl* control)
{
    TmyControl* last = control->FirstChildControl();
    while (last && last->NextSiblingControl())
        last = last->NextSiblingControl();
    return last;
}

// The sibling before child in its parent's list, or null for the first.
TmyControl* PreviousSibling(TmyControl* child)
{
    TmyControl* previous = child->GetParent()->FirstChildControl();
    if (previous == child)
        return nullptr;
    while (previous && previous->NextSiblingControl() != child)
        previous = previous->NextSiblingControl();
    return previous;
}

// The root component, or the top of the parent chain for a tree that has no window.
TmyControl* RootControl(TmyControl* control)
{
    if (TmyComponent* root = control->GetRoot())
        return root;
    while (control->GetParent())
        control = control->GetParent();
    return control;
}

// True when control is the root of its own tree: a top-level or pop-up
// component, whose parent field names its owner.
bool IsOwnRoot(TmyControl* control)
{
    return static_cast<TmyControl*>(control->GetRoot()) == control;
}

// Mouse events reach a child in its own coordinates, truncated to 16 bits as in the message.
int ForwardMouse(TmyControl* target, unsigned code, unsigned keys, int x, int y)
{
    return target->MouseEvent(code, keys, static_cast<int16_t>(x - target->GetLeft()),
                              static_cast<int16_t>(y - target->GetTop()));
}

// True when a left release at (x, y) completes a double click with the last one.
bool IsDoubleClick(uint32_t lastTime, int lastX, int lastY, int x, int y)
{
    return lastTime != 0 && GetTickCount() - lastTime <= GetDoubleClickTime() &&
           std::abs(x - lastX) < GetSystemMetrics(SM_CXDOUBLECLK) &&
           std::abs(y - lastY) < GetSystemMetrics(SM_CYDOUBLECLK);
}

// A left press focuses the nearest tab stop at or above control (or the root);
// a tab stop whose own child holds the focus takes it back.
void FocusOnPress(TmyControl* control)
{
    TmyControl* root = control->GetRoot();
    while (!control->HasState(StateTabStop) && control != root && control->GetParent())
        control = control->GetParent();
    if (!control->HasState(StateFocusPath) || FocusPathChild(control))
        control->SetFocus();
}

// Tab moves the focus to the next tab stop of the tree, Shift+Tab to the
// previous one; past the last (or first) it starts again from the other end.
int FocusByTab(TmyControl* control)
{
    const int forward = (GetAsyncKeyState(VK_SHIFT) & 0x8000) == 0;
    TmyControl* root = RootControl(control);
    if (root->FocusNext(root, forward))
        return 1;
    root->SetFocusPath(nullptr);
    return root->FocusNext(root, forward);
}

// Hover monitor and tooltip hand-overs. Both are widgets of their own that the
// application creates on first use.
void ReportToHoverMonitor(TmyControl* control)
{
    ApplicationHoverMonitor()->ReportMouse(control);
}

// A control being destroyed is neither timed for hovering nor shown as a
// hint any longer; neither widget is created for it.
void ForgetInPointerFeedback(TmyControl* control)
{
    ForgetHoveredControl(control);
    if (control->GetHint())
        ForgetHintedControl(control);
}

void ShowHint(uint32_t position)
{
    ApplicationToolTip()->ShowHint(position);
}

// The innermost guard of the thread; each links to the one made before it.
thread_local TmyControlGuard* innermostGuard = nullptr;

}  // namespace

// ---- TmyControlGuard -------------------------------------------------------

TmyControlGuard::TmyControlGuard(const TmyControl* control)
    : Control(control), Outer(innermostGuard), Deleted(false)
{
    innermostGuard = this;
}

TmyControlGuard::~TmyControlGuard()
{
    innermostGuard = Outer;
}

void TmyControlGuard::MarkDeleted(const TmyControl* control)
{
    for (TmyControlGuard* guard = innermostGuard; guard; guard = guard->Outer) {
        if (guard->Control == control)
            guard->Deleted = true;
    }
}

// ---- TmyStyleTable ---------------------------------------------------------

TmyStyleTable::TmyStyleTable()
    : Name(TmyReserve{myStyleNameRoom}), Count(myStylePropertyCount), Values(new int32_t[myStylePropertyCount])
{
    std::copy(myDefaultStyles, myDefaultStyles + myStylePropertyCount, Values);
}

TmyStyleTable::TmyStyleTable(const TmyStyleTable& other)
    : Name(TmyReserve{myStyleNameRoom}), Count(other.Count), Values(new int32_t[other.Count])
{
    std::copy(other.Values, other.Values + other.Count, Values);
}

TmyStyleTable::~TmyStyleTable()
{
    delete[] Values;
}

int32_t TmyStyleTable::Get(int index) const
{
    return index >= 0 && static_cast<uint32_t>(index) < Count ? Values[index] : 0;
}

// Stores a value, growing the table in whole steps when index is beyond it
// (new slots read 0).
void TmyStyleTable::Put(int index, int32_t value)
{
    if (index < 0)
        return;
    const uint32_t needed = static_cast<uint32_t>(index) + 1;
    if (needed > Count) {
        const uint32_t grown = Count + (needed - Count + myStyleGrowStep - 1) / myStyleGrowStep * myStyleGrowStep;
        int32_t* values = new int32_t[grown]();
        std::copy(Values, Values + Count, values);
        delete[] Values;
        Values = values;
        Count = grown;
    }
    Values[index] = value;
}

// ---- Construction and destruction -----------------------------------------

namespace {
// Controls constructed and not yet destroyed, components included.
int liveControls = 0;
}  // namespace

int TmyControl::LiveCount()
{
    return liveControls;
}

TmyControl::TmyControl(TmyControl* parent, int x, int y, int width, int height)
    : TimerThunk(nullptr), NextSibling(nullptr), Font(InheritedFont()), TextHeight(0), StyleOwner(nullptr),
      StyleTable(nullptr), Hint(0), Parent(parent), FirstChild(nullptr), PressedChild(nullptr),
      State(myStateMemberCount - 1), LastClickTime(0), LastClickX(-1000), LastClickY(-1000), Bounds{0, 0, 0, 0},
      Cursor(nullptr), Align(AlignNone), Anchors(nullptr), Window(nullptr)
{
    RegisterType(this, 1, "Control");
    ++liveControls;
    JoinStyleTable(parent ? parent->StyleTable : new TmyStyleTable());
    State.Include(StateKeyPreview);
    if (parent && !parent->IsEnabled())
        State.Include(StateParentDisabled);
    if (parent && parent->HasState(StateFlat)) {
        State.Include(StateFlat);
        Invalidate();
    }
    Bounds = RECT{x, y, x + width, y + height};
    if (parent) {
        Cursor = parent->GetCursorShape();
        TraceFlags = parent->TraceFlags;
        SetFont(InheritedFont());
        parent->AddChild(this);
    } else {
        Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        Cursor = LoadCursorA(nullptr, IDC_ARROW);
    }
}

TmyControl::~TmyControl()
{
    TmyControlGuard::MarkDeleted(this);
    --liveControls;
    Invalidate();
    while (TmyControl* child = FirstChild) {
        FirstChild = child->NextSibling;
        child->NextSibling = nullptr;
        delete child;
    }
    if (Parent)
        Parent->RemoveChild(this);
    ForgetInPointerFeedback(this);
    delete Anchors;
    OnDestroy.Fire(this);
    for (UINT_PTR id : TimerIds)
        KillTimer(nullptr, id);
    if (TimerThunk)
        FreeThunk(TimerThunk);
    LeaveStyleTable();
}

// ---- Style table -----------------------------------------------------------

void TmyControl::JoinStyleTable(TmyStyleTable* table)
{
    StyleTable = table;
    table->Sharers.Insert(this, -1);
    StyleOwner = this;
}

void TmyControl::LeaveStyleTable()
{
    TmyList& sharers = StyleTable->Sharers;
    sharers.Remove(static_cast<unsigned>(sharers.IndexOf(this)));
    if (sharers.Count() == 0)
        delete StyleTable;
    StyleTable = nullptr;
}

void TmyControl::MakeStyleTablePrivate()
{
    if (StyleTable->Sharers.Count() < 2)
        return;
    TmyStyleTable* copy = new TmyStyleTable(*StyleTable);
    LeaveStyleTable();
    JoinStyleTable(copy);
}

void TmyControl::ReapplyStyles()
{
    for (TmyProperty index : myAdoptionOrder)
        CallNamedSetter(this, index, GetProperty(index));
    SetProperty(-1, 0);
    Invalidate();
}

int32_t TmyControl::GetProperty(int index) const
{
    return StyleTable->Get(index);
}

// Stores the value (after detaching from a shared table) and lets every sharer
// of the table see the change through its SetProperty and named setter.
void TmyControl::SetProperty(int index, int32_t value)
{
    if (index < 0 || static_cast<uint32_t>(index) >= StyleTable->Count || StyleTable->Get(index) == value)
        return;
    MakeStyleTablePrivate();
    StyleTable->Put(index, value);
    const TmyList& sharers = StyleTable->Sharers;
    std::vector<TmyControl*> notified;
    for (unsigned i = 0; i < sharers.Count(); ++i)
        notified.push_back(static_cast<TmyControl*>(sharers.Item(i)));
    for (TmyControl* sharer : notified) {
        sharer->SetProperty(index, value);
        CallNamedSetter(sharer, index, value);
        sharer->Invalidate();
    }
}

void TmyControl::SetFieldColor(COLORREF color)
{
    SetProperty(PropFieldColor, static_cast<int32_t>(color));
}

void TmyControl::SetForeColor(COLORREF color)
{
    SetProperty(PropTextColor, static_cast<int32_t>(color));
}

void TmyControl::SetDisabledColor(COLORREF color)
{
    SetProperty(PropDisabledTextColor, static_cast<int32_t>(color));
}

void TmyControl::SetBorderWidth(int width)
{
    SetProperty(PropBorderWidth, width);
}

void TmyControl::SetBorderStyle(int style)
{
    SetProperty(PropBorderStyle, style);
}

void TmyControl::SetBackColor(COLORREF color)
{
    SetProperty(PropBackColor, static_cast<int32_t>(color));
}

void TmyControl::SetBorderIntensity(int intensity)
{
    SetProperty(PropBorderIntensity, intensity & 0xFF);
}

// Copies the other control's values into a table of this control's own: a
// table shared with others is detached first, so relatives keep their look.
void TmyControl::AdoptStyleCopy(TmyControl* other)
{
    if (!other)
        return;
    MakeStyleTablePrivate();
    if (other->StyleTable != StyleTable) {
        const uint32_t overlap = std::min(StyleTable->Count, other->StyleTable->Count);
        std::copy(other->StyleTable->Values, other->StyleTable->Values + overlap, StyleTable->Values);
    }
    ReapplyStyles();
}

void TmyControl::AdoptStyleReference(TmyControl* other)
{
    if (!other)
        return;
    if (other->StyleTable != StyleTable) {
        LeaveStyleTable();
        JoinStyleTable(other->StyleTable);
    }
    ReapplyStyles();
}

COLORREF TmyControl::StateTextColor()
{
    return static_cast<COLORREF>(GetProperty(IsEnabled() ? PropTextColor : PropDisabledTextColor));
}

HFONT TmyControl::ResolveFont()
{
    for (TmyControl* control = this; control; control = control->Parent) {
        if (control->Font != InheritedFont())
            return control->Font;
    }
    return InheritedFont();
}

// ---- State flags -----------------------------------------------------------

void TmyControl::SetState(TmyState member, int on)
{
    if (on)
        State.Include(member);
    else
        State.Exclude(member);
}

// Applies the own enabled state; the children follow unless this control is its
// own root, whose window the system enables and disables as a whole.
void TmyControl::EnabledChanged(int enabled)
{
    SetState(StateDisabled, !enabled);
    if (!enabled)
        PressedChild = nullptr;
    StateChanged();
    Invalidate();
    if (IsOwnRoot(this))
        return;
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        child->SetParentEnabled(IsEnabled());
}

// Returns 1 when StateParentDisabled changed.
int TmyControl::SetParentEnabled(int enabled)
{
    if (HasState(StateParentDisabled) == !enabled)
        return 0;
    SetState(StateParentDisabled, !enabled);
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        child->SetParentEnabled(IsEnabled());
    Invalidate();
    StateChanged();
    return 1;
}

// Returns 1 when the own StateDisabled changed.
int TmyControl::SetEnabled(int enabled)
{
    const int disabled = enabled == 0;
    if (HasState(StateDisabled) == disabled)
        return 0;
    EnabledChanged(!disabled);
    Invalidate();
    return 1;
}

int TmyControl::IsEnabled()
{
    return !HasState(StateDisabled) && !HasState(StateParentDisabled);
}

int TmyControl::IsVisible()
{
    return (!Parent || Parent->IsVisible()) && !HasState(StateHidden);
}

void TmyControl::VisibilityChanged(int shown)
{
    if (Align != AlignNone && Parent)
        Parent->Layout();
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        child->VisibilityChanged(shown);
}

void TmyControl::SetOverlay(int on)
{
    SetState(StateOverlay, on);
    Invalidate();
}

void TmyControl::SetFlat(int on)
{
    SetState(StateFlat, on);
    Invalidate();
    for (TmyControl* child = FirstChild; child; child = child->NextSibling)
        child->SetFlat(on);
}

void TmyControl::SetKeyPreview(int on)
{
    SetState(StateKeyPreview, on);
}

int TmyControl::GetKeyPreview()
{
    return HasState(StateKeyPreview);
}

void TmyControl::SetAlign(int align)
{
    Align = align;
    if (Parent)
        Parent->Layout();
}

void TmyControl::SetAnchors(const TmyAnchors& anchors)
{
    if (!Anchors)
        Anchors = new TmyAnchors;
    *Anchors = anchors;
}

void TmyControl::SetCursorShape(HCURSOR cursor)
{
    Cursor = cursor;
}

HCURSOR TmyControl::GetCursorShape()
{
    return Cursor;
}

// ---- Events fired by the virtual operations -------------------------------

void TmyControl::TextInput(const TmyWideString&) {}

void TmyControl::Paint(HDC dc)
{
    OnPaint.Fire(this, dc);
}

void TmyControl::LeftButtonUp(unsigned keys, int x, int y)
{
    OnMouseUp.Fire(this, keys, x, y);
}

// OnRightMouseDown follows only while the control lives: OnMouseDown may delete it.
int TmyControl::RightButtonDown(unsigned keys, int x, int y)
{
    TmyControlGuard guard(this);
    OnMouseDown.Fire(this, keys, x, y);
    return guard.Alive() ? OnRightMouseDown.Fire(this, keys, x, y) : 0;
}

int TmyControl::RightButtonUp(unsigned keys, int x, int y)
{
    TmyControlGuard guard(this);
    OnMouseUp.Fire(this, keys, x, y);
    return guard.Alive() ? OnRightMouseUp.Fire(this, keys, x, y) : 0;
}

void TmyControl::MouseMoved(unsigned keys, int x, int y)
{
    ReportToHoverMonitor(this);
    OnMouseMove.Fire(this, keys, x, y);
}

int TmyControl::DoubleClick(int x, int y)
{
    return OnDoubleClick.Fire(this, x, y);
}

// Fires OnKeyDown; with StateKeyPreview the root previews the key too, unless
// the handler deleted the control.
void TmyControl::KeyDown(unsigned key, unsigned flags)
{
    TmyControlGuard guard(this);
    OnKeyDown.Fire(this, key, flags);
    if (guard.Alive() && HasState(StateKeyPreview))
        RootControl(this)->KeyPreview(this, &key, flags);
}

void TmyControl::KeyUp(unsigned key, unsigned flags)
{
    OnKeyUp.Fire(this, key, flags);
}

void TmyControl::CharInput(WPARAM* character, unsigned flags)
{
    OnChar.Fire(this, character, flags);
}

void TmyControl::Resized()
{
    Layout();
    if (Align != AlignNone && Parent)
        Parent->Layout();
    OnResize.Fire(this);
}

void TmyControl::Moved() {}

void TmyControl::StateChanged() {}

int TmyControl::LeftButtonDown(unsigned keys, int x, int y)
{
    return OnMouseDown.Fire(this, keys, x, y);
}

void TmyControl::MouseHover()
{
    OnMouseHover.Fire(this);
}

void TmyControl::BoundsChanging(int*, int*, int*, int*) {}

void TmyControl::ChildAdded(TmyControl*) {}

// The sender of OnKeyPreview is the control that got the key.
void TmyControl::KeyPreview(TmyControl* control, unsigned* key, unsigned flags)
{
    OnKeyPreview.Fire(control, key, flags);
}

void TmyControl::FocusChanged(int gained)
{
    OnFocusChange.Fire(this, gained);
}

void TmyControl::Timer(UINT_PTR id)
{
    OnTimer.Fire(this, id);
}

void TmyControl::ControlMessage(unsigned, WPARAM) {}

// ---- Child list and tree ---------------------------------------------------

void TmyControl::AddChild(TmyControl* control)
{
    if (!control || control == this || IsChild(this, control))
        return;
    TmyControl* last = LastChild(this);
    if (last) {
        last->NextSibling = control;
        last->Invalidate();
    } else {
        FirstChild = control;
    }
    ChildAdded(control);
}

// Unlinks the control; a removed child no longer receives the held mouse button.
void TmyControl::RemoveChild(TmyControl* control)
{
    if (!control)
        return;
    for (TmyControl** link = &FirstChild; *link; link = &(*link)->NextSibling) {
        if (*link == control) {
            *link = control->NextSibling;
            control->NextSibling = nullptr;
            if (PressedChild == control)
                PressedChild = nullptr;
            return;
        }
    }
}

// Searches the child lists depth-first, so a target that was already deleted
// is only compared, never touched.
int TmyControl::IsAncestorOf(const TmyControl* control) const
{
    if (control == this)
        return 1;
    for (const TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (child->IsAncestorOf(control))
            return 1;
    }
    return 0;
}

POINT TmyControl::GetWindowOffset(POINT point)
{
    const POINT base = Parent ? Parent->GetWindowOffset(point) : point;
    return POINT{base.x + Bounds.left, base.y + Bounds.top};
}

TmyComponent* TmyControl::GetRoot()
{
    return Parent ? Parent->GetRoot() : nullptr;
}

TmyControl* TmyControl::GetParent()
{
    return Parent;
}

void TmyControl::Update()
{
    if (Parent)
        Parent->Update();
}

// Posts MsgControlBase + code to the root's window; codes whose message would
// leave the control-message range are refused (result 0).
int TmyControl::PostControlMessage(TmyControl* target, unsigned code, WPARAM parameter)
{
    TmyComponent* root = GetRoot();
    if (code > myMaxControlCode || !root || !root->GetWindow())
        return 0;
    return PostMessageA(root->GetWindow(), MsgControlBase + code, parameter, reinterpret_cast<LPARAM>(target));
}

// ---- Timers ----------------------------------------------------------------

// The first timer binds a timer thunk to this control; 0 when no thunk is free
// or SetTimer fails.
UINT_PTR TmyControl::StartTimer(unsigned milliseconds)
{
    if (!TimerThunk)
        TimerThunk = AllocThunk(myTimerTarget(), this);
    if (!TimerThunk)
        return 0;
    const UINT_PTR id = SetTimer(nullptr, 0, milliseconds, reinterpret_cast<TIMERPROC>(TimerThunk));
    if (id)
        TimerIds.push_back(id);
    return id;
}

void TmyControl::StopTimer(UINT_PTR id)
{
    KillTimer(nullptr, id);
    TimerIds.erase(std::remove(TimerIds.begin(), TimerIds.end(), id), TimerIds.end());
}

// ---- Focus -----------------------------------------------------------------

// Marks (control given) or clears (null) the focus path through this control;
// the other branch leaves the path, and its old end hears FocusChanged(0). The
// path ends at the control's own root: a pop-up's parent field is its owner,
// whose path stays for when the focus comes back. Returns 1 when a child left
// the path; nothing of this control is touched once a handler deleted it.
int TmyControl::SetFocusPath(TmyControl* control)
{
    SetState(StateFocusPath, control != nullptr);
    TmyControlGuard guard(this);
    TmyControl* old = FocusPathChild(this);
    if (old == control)
        old = nullptr;
    if (old)
        old->SetFocusPath(nullptr);
    const int cleared = old != nullptr;
    if (!guard.Alive())
        return cleared;
    if (!control) {
        if (!cleared)
            FocusChanged(0);
        return cleared;
    }
    if (Parent && !IsOwnRoot(this))
        Parent->SetFocusPath(this);
    if (guard.Alive() && control == this)
        FocusChanged(1);
    return cleared;
}

// The nearest window at or above this control gets the system focus, then the
// focus path is laid down to this control.
void TmyControl::SetFocus()
{
    TmyControl* owner = this;
    while (owner && !owner->Window)
        owner = owner->Parent;
    TmyControlGuard guard(this);
    if (owner) {
        owner->SetState(StateFocusPath, 1);
        ::SetFocus(owner->Window);
    }
    if (guard.Alive())
        SetFocusPath(this);
}

int TmyControl::IsFocused()
{
    return (!Parent || Parent->IsFocused()) && HasState(StateFocusPath);
}

// Gives the focus to the next (or previous) enabled, visible tab stop at or
// below control, after the one that holds it now. Returns 1 when it moved.
int TmyControl::FocusNext(TmyControl* control, int forward)
{
    if (!control)
        return 0;
    if (!control->HasState(StateFocusPath) && control->HasState(StateTabStop) && control->IsVisible() &&
        control->IsEnabled()) {
        control->SetFocus();
        return 1;
    }
    TmyControl* start = FocusPathChild(control);
    if (forward) {
        for (TmyControl* child = start ? start : control->FirstChild; child; child = child->NextSibling) {
            if (FocusNext(child, forward))
                return 1;
        }
        return 0;
    }
    for (TmyControl* child = start ? start : LastChild(control); child; child = PreviousSibling(child)) {
        if (FocusNext(child, forward))
            return 1;
    }
    return 0;
}

// ---- Input routing -----------------------------------------------------------

void TmyControl::RouteText(const TmyWideString& text)
{
    if (TmyControl* child = FocusPathChild(this))
        child->RouteText(text);
    else
        TextInput(text);
}

// Returns 1 when the end of the focus path handled the key.
int TmyControl::RouteKeyDown(unsigned key, unsigned flags)
{
    if (TmyControl* child = FocusPathChild(this))
        return child->RouteKeyDown(key, flags);
    KeyDown(key, flags);
    return 1;
}

int TmyControl::RouteKeyUp(unsigned key, unsigned flags)
{
    if (TmyControl* child = FocusPathChild(this))
        return child->RouteKeyUp(key, flags);
    KeyUp(key, flags);
    return 1;
}

// At the end of the focus path a Tab moves the focus and is consumed (the
// character becomes 0); any other non-zero character goes to CharInput.
int TmyControl::RouteChar(WPARAM* character, unsigned flags)
{
    if (TmyControl* child = FocusPathChild(this))
        return child->RouteChar(character, flags);
    if (*character == myTabCharacter) {
        const int moved = FocusByTab(this);
        *character = 0;
        return moved;
    }
    if (*character == 0)
        return 0;
    CharInput(character, flags);
    return 1;
}

// Fires OnMouseWheel with the pass-on flag preset; unless the handler cleared
// it (or deleted the control), the parent gets the wheel too, up to the
// control's own root.
int TmyControl::MouseWheel(unsigned parameter, TmyControl* sender)
{
    const int notches = static_cast<int16_t>(HIWORD(parameter));
    int passOn = 1;
    TmyControlGuard guard(this);
    const int result = OnMouseWheel.Fire(this, notches, LOWORD(parameter), &passOn);
    if (!passOn || !guard.Alive())
        return result;
    return Parent && !IsOwnRoot(this) ? Parent->MouseWheel(parameter, sender) : 0;
}

TmyControl* TmyControl::HitTest(int x, int y, int deep)
{
    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        const RECT& r = child->Bounds;
        if (x < r.left || x >= r.right || y < r.top || y >= r.bottom || !child->IsEnabled() ||
            !child->IsVisible())
            continue;
        if (!deep)
            return child;
        TmyControl* inner = child->HitTest(x - r.left, y - r.top, deep);
        return inner ? inner : child;
    }
    return nullptr;
}

// The wheel goes along the focus path; moves go to the pressed child or to the
// child under the pointer, else to this control.
int TmyControl::MouseEvent(unsigned code, unsigned keys, int x, int y)
{
    if (code == MouseCodeWheel) {
        if (TmyControl* child = FocusPathChild(this))
            return child->MouseEvent(code, keys, 0, 0);
        return HasState(StateFocusPath) ? MouseWheel(keys, this) : 0;
    }
    if (code & myMouseRelease)
        return MouseRelease(code, keys, x, y);
    if (code == MouseCodeLeftDown || code == MouseCodeRightDown)
        return MousePress(code, keys, x, y);
    if (code != MouseCodeMove)
        return 0;
    TmyControl* target = PressedChild ? PressedChild : HitTest(x, y, 0);
    if (target && target != this)
        return ForwardMouse(target, code, keys, x, y);
    if (Hint)
        ShowHint(Hint);
    MouseMoved(keys, x, y);
    return 0;
}

// A left release goes to the child that took the press, wherever it happens.
// On the control itself a left release may complete a double click; the click
// is recorded before LeftButtonUp, whose handlers may delete the control.
int TmyControl::MouseRelease(unsigned code, unsigned keys, int x, int y)
{
    const unsigned button = code & myMouseButtonMask;
    TmyControl* target;
    if (button == myLeftButton && PressedChild) {
        target = PressedChild;
        PressedChild = nullptr;
    } else {
        target = HitTest(x, y, 0);
    }
    if (target && target != this)
        return ForwardMouse(target, code, keys, x, y);
    if (button == myRightButton)
        return RightButtonUp(keys, x, y);
    if (button != myLeftButton)
        return 0;
    const bool doubleClick = IsDoubleClick(LastClickTime, LastClickX, LastClickY, x, y);
    LastClickTime = GetTickCount();
    LastClickX = x;
    LastClickY = y;
    TmyControlGuard guard(this);
    LeftButtonUp(keys, x, y);
    return doubleClick && guard.Alive() ? DoubleClick(x, y) : 0;
}

// The control under a left press becomes the pressed child (also this control).
int TmyControl::MousePress(unsigned code, unsigned keys, int x, int y)
{
    TmyControl* target = HitTest(x, y, 0);
    if (!target)
        target = this;
    if (code == MouseCodeLeftDown)
        PressedChild = target;
    if (target != this)
        return ForwardMouse(target, code, keys, x, y);
    if (code == MouseCodeRightDown)
        return RightButtonDown(keys, x, y);
    TmyControlGuard guard(this);
    FocusOnPress(this);
    return guard.Alive() ? LeftButtonDown(keys, x, y) : 0;
}
