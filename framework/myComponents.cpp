// TmyComponent: window creation and destruction, the window procedure that
// turns messages into the control model, the paint path with and without a
// back buffer, the modal message loop, window timers, posted messages and the
// window forms of the geometry operations.
#include "myComponents.h"

#include <imm.h>

#include "myApplication.h"
#include "myBitmap.h"
#include "myDrawing.h"
#include "myProfiler.h"
#include "myThunks.h"

namespace {

// The component's own type id and name in the type registry.
constexpr int componentTypeId = 3;
// Profiler regions of the window procedure: the whole call and its paint,
// user-message and control-message branches.
constexpr const char* probeFile = "myComponents";
constexpr const char* probeName = "TmyComponent::WndProc";
constexpr unsigned probeWholeCall = 90;
constexpr unsigned probePaint = 133;
constexpr unsigned probeUserMessage = 411;
constexpr unsigned probeControlMessage = 417;

// SetWindowPos flags of SetVisible: show or hide without moving, sizing,
// reordering or activating (0x57 / 0x97).
constexpr UINT showOnlyFlags = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
constexpr UINT hideOnlyFlags = SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
// SetWindowPos flags that only recompute the frame (0x37).
constexpr UINT frameChangedFlags = SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
// Geometry changes that keep the z-order and the activation.
constexpr UINT placeFlags = SWP_NOZORDER | SWP_NOACTIVATE;
// RedrawWindow flags when redrawing is turned back on (0x583).
constexpr UINT redrawAllFlags = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
// One wheel notch.
constexpr int wheelNotch = WHEEL_DELTA;
// Bytes read of an input-method composition string.
constexpr unsigned compositionBytes = 32;
// Highest control-message code: MsgControlBase + code stays below 0x8000.
constexpr unsigned maxControlCode = 0x7FFF - MsgControlBase;

// A running RunModal, linked to the loop it is nested in. The component's
// destructor marks its loops, so a dialog deleted while its own loop runs
// ends that loop without the loop touching the deleted object.
struct TmyModalFrame {
    const TmyComponent* Component;
    TmyModalFrame* Outer;
    bool Deleted;
};
thread_local TmyModalFrame* innermostModalFrame = nullptr;

void MarkModalFramesDeleted(const TmyComponent* component)
{
    for (TmyModalFrame* frame = innermostModalFrame; frame; frame = frame->Outer) {
        if (frame->Component == component)
            frame->Deleted = true;
    }
}

TmyComponent* AsComponent(TmyControl* control)
{
    return dynamic_cast<TmyComponent*>(control);
}

// %x form of a handle or pointer in trace lines.
unsigned TraceHex(const void* handle)
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle));
}

// The last control on the focus path below control (control itself when no
// child is on the path).
TmyControl* FocusPathEnd(TmyControl* control)
{
    for (TmyControl* child = control->FirstChildControl(); child;) {
        if (child->HasState(StateFocusPath)) {
            control = child;
            child = control->FirstChildControl();
        } else {
            child = child->NextSiblingControl();
        }
    }
    return control;
}

// True when window belongs to a framework control in the same tree as component.
bool IsWindowOfSameTree(TmyComponent& component, HWND window)
{
    TmyControl* other = FindControl(window);
    return other && other->GetRoot() == component.GetRoot();
}

// WM_SETFOCUS: focus moving inside the tree marks the component on the path;
// focus coming from outside goes back to the control that had it last.
void FocusArrived(TmyComponent& component, HWND previous)
{
    if (IsWindowOfSameTree(component, previous)) {
        if (!component.HasState(StateFocusPath))
            component.SetFocusPath(&component);
        return;
    }
    FocusPathEnd(&component)->SetFocus();
}

// WM_KILLFOCUS: focus leaving the tree tells the focused control; the path
// stays so that the focus can come back to it.
void FocusLeft(TmyComponent& component, HWND next)
{
    if (!IsWindowOfSameTree(component, next))
        FocusPathEnd(&component)->FocusChanged(0);
}

// Invalidates the rectangle (left, top, right, bottom) of the component.
void InvalidateArea(TmyComponent& component, int left, int top, int right, int bottom)
{
    HRGN region = CreateRectRgn(left, top, right, bottom);
    component.InvalidateRegion(region);
    DeleteObject(region);
}

// WM_SIZE: invalidates the border strips that move with a new client size so
// the border is redrawn at its new place.
void InvalidateBorderStrips(TmyComponent& component, int oldWidth, int oldHeight, int width, int height)
{
    const int margin = component.BorderMargin();
    if (oldWidth != width)
        InvalidateArea(component, (oldWidth < width ? oldWidth : width) - margin, 0, width, height);
    if (oldHeight != height)
        InvalidateArea(component, 0, (oldHeight < height ? oldHeight : height) - margin, width, height);
}

// WM_PAINT into dc (the window's own DC when dc is null): erases and paints
// the window's invalid area, which it validates.
void PaintInto(TmyComponent& component, HDC dc)
{
    const HWND window = component.GetWindow();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    HDC target = dc ? dc : component.BeginDraw();
    const int kind = GetUpdateRgn(window, region, FALSE);
    if (kind == NULLREGION || kind == ERROR) {
        ValidateRgn(window, nullptr);
    } else {
        ValidateRgn(window, region);
        HGDIOBJ oldPen = SelectObject(target, GetStockObject(DC_PEN));
        HGDIOBJ oldBrush = SelectObject(target, GetStockObject(DC_BRUSH));
        SelectClipRgn(target, region);
        component.EraseBackground(target);
        SelectClipRgn(target, region);
        component.DoPaint(target);
        SelectClipRgn(target, nullptr);
        SelectObject(target, oldBrush);
        SelectObject(target, oldPen);
    }
    if (!dc)
        component.EndDraw(target);
    DeleteObject(region);
}

// WM_PAINT of a double-buffered component: the invalid area is painted into
// the back buffer by the unbuffered path and then copied to the window in one blit.
void PaintThroughBuffer(TmyComponent& component, TmyBitmapDD& buffer)
{
    const HWND window = component.GetWindow();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(window, region, FALSE);
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    HDC bufferDc = buffer.MemoryDC();
    SelectClipRgn(bufferDc, region);
    InvalidateRgn(window, region, FALSE);
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(bufferDc), 0);
    SendMessageA(window, WM_PAINT, reinterpret_cast<WPARAM>(bufferDc), 0);
    buffer.Draw(windowDc, 0, 0, nullptr, SRCCOPY);
    DeleteObject(region);
    ValidateRect(window, nullptr);
    EndPaint(window, &paint);
}

// WM_SETCURSOR over the client area: the cursor of the control under the
// mouse or of its nearest ancestor that has one, else the component's.
void ChooseCursor(TmyComponent& component)
{
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(component.GetWindow(), &point);
    TmyControl* control = component.HitTest(point.x, point.y, 1);
    if (!control)
        control = &component;
    TmyControl* root = component.GetRoot();
    while (control != root && control->GetParent() && !control->GetCursorShape())
        control = control->GetParent();
    HCURSOR cursor = control->GetCursorShape() ? control->GetCursorShape() : component.GetCursorShape();
    if (cursor && cursor != GetCursor())
        SetCursor(cursor);
}

// WM_WINDOWPOSCHANGING: lets the component adjust a real move or resize.
void WindowPosChanging(TmyComponent& component, WINDOWPOS& pos)
{
    const RECT& bounds = component.GetBounds();
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const bool fixed = (pos.flags & SWP_NOSIZE) && (pos.flags & SWP_NOMOVE);
    const bool same = pos.x == bounds.left && pos.y == bounds.top && pos.cx == width && pos.cy == height;
    if (fixed || same)
        return;
    if (pos.flags & SWP_NOSIZE) {
        pos.cx = width;
        pos.cy = height;
    }
    if (pos.flags & SWP_NOMOVE) {
        pos.x = bounds.left;
        pos.y = bounds.top;
    }
    component.BoundsChanging(&pos.x, &pos.y, &pos.cx, &pos.cy);
}

// WM_CTLCOLOR*: colours a native child window of a framework control with the
// control's properties; null for a window the framework did not make.
HBRUSH ColorNativeChild(HDC dc, HWND child)
{
    TmyControl* control = FindControl(child);
    if (!control)
        return nullptr;
    const COLORREF field = control->GetProperty(PropFieldColor);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, field);
    HFONT font = control->ResolveFont();
    if (font != InheritedFont())
        SelectObject(dc, font);
    SetTextColor(dc, control->StateTextColor());
    SetBkColor(dc, field);
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

// WM_IME_COMPOSITION: routes the current composition string as text input.
void RouteComposition(TmyComponent& component)
{
    HIMC context = ImmGetContext(component.GetWindow());
    wchar_t text[compositionBytes / sizeof(wchar_t)] = {};
    LONG bytes = ImmGetCompositionStringW(context, GCS_COMPSTR, text, sizeof text);
    if (bytes < 0)
        bytes = 0;
    if (bytes > static_cast<LONG>(sizeof text))
        bytes = sizeof text;
    Trace(&component, 0, "IME string: [%d] %x", static_cast<int>(bytes), static_cast<unsigned>(text[0]));
    ImmReleaseContext(component.GetWindow(), context);
    component.RouteText(TmyWideString(text, static_cast<unsigned>(bytes) / sizeof(wchar_t)));
}

// True when window is an ancestor of child (by the system's parent chain).
bool IsAncestorWindow(HWND window, HWND child)
{
    for (HWND parent = GetParent(child); parent; parent = GetParent(parent)) {
        if (parent == window)
            return true;
    }
    return false;
}

// Gives the focus back to the owner a modal loop disabled.
void RestoreOwner(HWND owner, BOOL enabled)
{
    if (!owner)
        return;
    EnableWindow(owner, enabled);
    SetForegroundWindow(owner);
}

// Signed x and y packed in a mouse message's lParam.
int MouseX(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}
int MouseY(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

}  // namespace

// A framework window's procedure is its component's thunk, which names the object.
TmyControl* FindControl(HWND window)
{
    if (!window)
        return nullptr;
    void* object = ControlByThunk(reinterpret_cast<const void*>(GetWindowLongPtrA(window, GWLP_WNDPROC)));
    return object ? dynamic_cast<TmyControl*>(static_cast<TmyObject*>(object)) : nullptr;
}

// Creates the window through the framework class; the class's initial procedure
// hands the window to this component and installs its thunk.
TmyComponent::TmyComponent(const char* title, DWORD style, DWORD exStyle, int x, int y, int width, int height,
                           HWND parentWindow)
    : TmyControl(FindControl(parentWindow), x, y, width, height), WindowThunk(nullptr), ModalResult(0),
      BackBuffer(nullptr), InModal(0), ClientWidth(0), ClientHeight(0), PreviousWindowProc(DefWindowProcA)
{
    RegisterType(this, componentTypeId, "Component");
    if (x == -1 && y == -1) {
        x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
    }
    WindowThunk = reinterpret_cast<WNDPROC>(AllocThunk(myWindowTarget(), this));
    if (!(style & WS_VISIBLE))
        SetState(StateHidden, 1);
    // Without a thunk there is no window procedure to install: no window.
    if (WindowThunk) {
        Application.BeginWindowCreation(WindowThunk, &Window);
        Window = CreateWindowExA(exStyle, MAKEINTATOM(Application.WindowClass), title, style, x, y, width,
                                 height, parentWindow, nullptr, Application.ModuleInstance, this);
        // A failed creation leaves the record pending; withdraw it.
        Application.BeginWindowCreation(nullptr, nullptr);
    }
    SyncBounds();
    SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(ResolveFont()), TRUE);
    if (!(style & WS_CHILD) && Parent)
        Parent->RemoveChild(this);
    if (TmyComponent* parent = AsComponent(Parent))
        parent->ComponentCreated(this);
}

// Clears the window field before DestroyWindow so that WM_DESTROY does not
// delete the object a second time; the thunk goes after the window.
TmyComponent::~TmyComponent()
{
    MarkModalFramesDeleted(this);
    TmyControlGuard::MarkDeleted(this);
    delete BackBuffer;
    BackBuffer = nullptr;
    if (Window) {
        const HWND window = Window;
        Window = nullptr;
        DestroyWindow(window);
    }
    if (WindowThunk)
        FreeThunk(reinterpret_cast<void*>(WindowThunk));
    if (Application.ActiveComponent == this)
        Application.ActiveComponent = nullptr;
    if (Application.MainComponent == this)
        Application.MainComponent = nullptr;
}

// Fires OnPaint; a subclassed window procedure paints too, unless the
// handler deleted the component.
void TmyComponent::Paint(HDC dc)
{
    TmyControlGuard guard(this);
    OnPaint.Fire(this, dc);
    if (guard.Alive() && PreviousWindowProc != DefWindowProcA)
        CallWindowProcA(PreviousWindowProc, Window, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

int TmyComponent::IsFocused()
{
    return Window && GetFocus() == Window;
}

// A component paints its own window: its offset in it is (0, 0).
POINT TmyComponent::GetWindowOffset(POINT)
{
    return POINT{0, 0};
}

// A child window belongs to its parent's tree; a top-level or pop-up window is its own root.
TmyComponent* TmyComponent::GetRoot()
{
    if ((GetStyle() & WS_CHILD) && Parent)
        return Parent->GetRoot();
    return this;
}

void TmyComponent::InvalidateRegion(HRGN region)
{
    if (Window)
        InvalidateRgn(Window, region, TRUE);
}

void TmyComponent::Update()
{
    UpdateWindow(Window);
}

// The window decides; the control part follows what the window reports.
int TmyComponent::SetEnabled(int enabled)
{
    EnableWindow(Window, enabled);
    return TmyControl::SetEnabled(IsWindowEnabled(Window));
}

// Shows or hides the window without moving, reordering or activating it.
void TmyComponent::SetVisible(int shown)
{
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, shown ? showOnlyFlags : hideOnlyFlags);
    TmyControl::SetVisible(shown);
}

int TmyComponent::IsEnabled()
{
    return TmyControl::IsEnabled() && IsWindowEnabled(Window);
}

int TmyComponent::IsVisible()
{
    return IsWindowVisible(Window);
}

HDC TmyComponent::BeginDraw()
{
    return GetDC(Window);
}

void TmyComponent::EndDraw(HDC dc)
{
    ReleaseDC(Window, dc);
}

int TmyComponent::GetHeight()
{
    return ClientHeight;
}

int TmyComponent::GetWidth()
{
    return ClientWidth;
}

// The window's frame comes on top of the children's extent.
void TmyComponent::FitToChildren(int extraWidth, int extraHeight)
{
    const SIZE frame = FrameSize();
    TmyControl::FitToChildren(extraWidth + frame.cx, extraHeight + frame.cy);
}

// The screen position of the window's top-left corner, or of its client
// area's with clientOrigin; the point argument is not read.
POINT TmyComponent::GetScreenPos(POINT, int clientOrigin)
{
    POINT position{0, 0};
    if (clientOrigin) {
        ClientToScreen(Window, &position);
    } else if (GetStyle() & WS_CHILD) {
        if (Parent) {
            position = Parent->GetScreenPos(POINT{0, 0}, 1);
            position.x += Bounds.left;
            position.y += Bounds.top;
        } else {
            position = POINT{Bounds.left, Bounds.top};
            ClientToScreen(::GetParent(Window), &position);
        }
    } else {
        position = POINT{Bounds.left, Bounds.top};
    }
    return position;
}

void TmyComponent::SetBounds(int x, int y, int width, int height)
{
    SetWindowPos(Window, nullptr, x, y, width, height, placeFlags);
}

void TmyComponent::Move(int x, int y)
{
    SetWindowPos(Window, nullptr, x, y, 0, 0, SWP_NOSIZE | placeFlags);
}

// -1 keeps that dimension.
void TmyComponent::Resize(int width, int height)
{
    if (width == -1)
        width = Bounds.right - Bounds.left;
    if (height == -1)
        height = Bounds.bottom - Bounds.top;
    SetWindowPos(Window, nullptr, 0, 0, width, height, SWP_NOMOVE | placeFlags);
}

// The window hears of the font first (without redrawing); -1 means inherit and is not sent.
void TmyComponent::SetFont(HFONT font)
{
    if (font != InheritedFont())
        SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    TmyControl::SetFont(font);
}

// Border changes recompute the frame and the children's layout.
void TmyComponent::SetBorderWidth(int width)
{
    TmyControl::SetBorderWidth(width);
    Layout();
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, frameChangedFlags);
}

// As SetBorderWidth, then a repaint; an unchanged style does nothing.
void TmyComponent::SetBorderStyle(int style)
{
    if (style == GetProperty(PropBorderStyle))
        return;
    TmyControl::SetBorderStyle(style);
    Layout();
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, frameChangedFlags);
    Invalidate();
}

// Reads the client size and the window rectangle; a child window's bounds are
// relative to its parent's client area.
void TmyComponent::SyncBounds()
{
    RECT client{};
    GetClientRect(Window, &client);
    ClientWidth = client.right;
    ClientHeight = client.bottom;
    RECT bounds{};
    GetWindowRect(Window, &bounds);
    if (GetStyle() & WS_CHILD) {
        POINT origin{0, 0};
        if (Parent)
            origin = Parent->GetScreenPos(origin, 1);
        else
            ClientToScreen(::GetParent(Window), &origin);
        OffsetRect(&bounds, -origin.x, -origin.y);
    }
    Bounds = bounds;
}

// Fills the client area with PropBackColor except where windowless children
// will paint themselves.
LRESULT TmyComponent::EraseBackground(HDC dc)
{
    if (PreviousWindowProc != DefWindowProcA)
        return CallWindowProcA(PreviousWindowProc, Window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(Window, &client);
    for (TmyControl* child = FirstChild; child; child = child->NextSibling) {
        if (!child->Window && !child->HasState(StateOverlay) && child->IsVisible())
            ExcludeClipRect(dc, child->Bounds.left, child->Bounds.top, child->Bounds.right, child->Bounds.bottom);
    }
    FillColor(dc, client, GetProperty(PropBackColor));
    SelectClipRgn(dc, nullptr);
    return 1;
}

LRESULT TmyComponent::Command(WPARAM)
{
    return 0;
}

LRESULT TmyComponent::Notify(NMHDR*)
{
    return 0;
}

// x = y = -1 (keyboard request) means at the mouse position.
void TmyComponent::ContextMenu(int x, int y)
{
    if (x == -1 && y == -1) {
        POINT point;
        GetCursorPos(&point);
        x = point.x;
        y = point.y;
    }
    OnContextMenu.Fire(this, x, y);
}

void TmyComponent::ComponentCreated(TmyComponent*) {}

void TmyComponent::UserMessage(unsigned, WPARAM, LPARAM) {}

// Every message of the window: filter, then the component's handling, then
// the previous window procedure unless the message was fully handled.
LRESULT TmyComponent::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    TmyProfilerScope probe(probeWholeCall, probeFile, probeName);
    if (OnMessage.IsSet()) {
        // A filter that deleted the component took its window with it.
        TmyControlGuard guard(this);
        OnMessage.Fire(this, &message, &wParam, &lParam);
        if (!guard.Alive())
            return 0;
    }
    if (message == 0)
        return wParam;
    // Taken now: a handler below may delete this component, and the default
    // processing must not read its fields afterwards.
    const HWND window = Window;
    const WNDPROC previous = PreviousWindowProc;
    switch (message) {
    case WM_DESTROY: {
        const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
        // The window field is still set: the window was destroyed from
        // outside, so the object goes with it. Later messages (WM_NCDESTROY)
        // take the default procedure instead of the released thunk.
        if (Window) {
            SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousWindowProc));
            Window = nullptr;
            delete this;
        }
        return result;
    }
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            ClientSized(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            Application.ActiveComponent = this;
        else if (Application.ActiveComponent == this)
            Application.ActiveComponent = nullptr;
        break;
    case WM_SETFOCUS:
        FocusArrived(*this, reinterpret_cast<HWND>(wParam));
        break;
    case WM_KILLFOCUS:
        FocusLeft(*this, reinterpret_cast<HWND>(wParam));
        break;
    case WM_ENABLE:
        EnabledChanged(static_cast<int>(wParam));
        break;
    case WM_PAINT: {
        TmyProfilerScope paintProbe(probePaint, probeFile, probeName);
        return PaintMessage(reinterpret_cast<HDC>(wParam));
    }
    case WM_CLOSE:
        if (InModal) {
            Trace(this, 0, "Ending Modal Loop");
            ModalResult = -1;
            return 0;
        }
        if (Application.MainComponent == this)
            PostQuitMessage(0);
        break;
    case WM_ERASEBKGND:
        if (BackBuffer && reinterpret_cast<HDC>(wParam) != BackBuffer->MemoryDC())
            return 1;
        return EraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_SHOWWINDOW:
        PostMessageA(window, MsgVisibility, wParam, lParam);
        break;
    case MsgVisibility:
        TmyControl::SetVisible(wParam != 0);
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT)
            break;
        ChooseCursor(*this);
        return 1;
    case WM_WINDOWPOSCHANGING:
        WindowPosChanging(*this, *reinterpret_cast<WINDOWPOS*>(lParam));
        break;
    case WM_WINDOWPOSCHANGED:
        WindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lParam));
        break;
    case WM_NOTIFY: {
        CallWindowProcA(previous, window, message, wParam, lParam);
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        TmyComponent* source = header ? AsComponent(FindControl(header->hwndFrom)) : nullptr;
        return source ? source->Notify(header) : 0;
    }
    case WM_CONTEXTMENU:
        ContextMenu(MouseX(lParam), MouseY(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        RouteKeyDown(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        break;
    case WM_KEYUP:
        RouteKeyUp(static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        break;
    case WM_CHAR:
        RouteChar(&wParam, static_cast<unsigned>(lParam));
        if (wParam && previous != DefWindowProcA)
            break;
        return 0;
    case WM_UNICHAR:
        Trace(this, 0, "UNICHAR: %x %x", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        break;
    case WM_IME_STARTCOMPOSITION:
        Trace(this, 0, "IME START: %x %x", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        break;
    case WM_IME_ENDCOMPOSITION:
        Trace(this, 0, "IME END: %x %x", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        break;
    case WM_IME_COMPOSITION:
        Trace(this, 0, "IME COMP: %x %x", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        RouteComposition(*this);
        break;
    case WM_COMMAND:
        if (TmyComponent* source = AsComponent(FindControl(reinterpret_cast<HWND>(lParam))))
            return source->Command(wParam);
        break;
    case WM_TIMER:
        Timer(wParam);
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = ColorNativeChild(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        Trace(this, 0, "WM_CTLCOLOR with undefined handle %x, dc=%x", TraceHex(reinterpret_cast<HWND>(lParam)),
              TraceHex(reinterpret_cast<HDC>(wParam)));
        break;
    case WM_MOUSEMOVE:
        MouseEvent(MouseCodeMove, static_cast<unsigned>(wParam), MouseX(lParam), MouseY(lParam));
        break;
    case WM_LBUTTONDOWN:
        SetCapture(window);
        MouseEvent(MouseCodeLeftDown, static_cast<unsigned>(wParam), MouseX(lParam), MouseY(lParam));
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        MouseEvent(MouseCodeLeftUp, static_cast<unsigned>(wParam), MouseX(lParam), MouseY(lParam));
        break;
    case WM_RBUTTONDOWN:
        MouseEvent(MouseCodeRightDown, static_cast<unsigned>(wParam), MouseX(lParam), MouseY(lParam));
        break;
    case WM_RBUTTONUP:
        MouseEvent(MouseCodeRightUp, static_cast<unsigned>(wParam), MouseX(lParam), MouseY(lParam));
        break;
    case WM_MOUSEWHEEL: {
        // Whole notches, truncated toward zero, in the high word; key flags low.
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / wheelNotch;
        MouseEvent(MouseCodeWheel, (static_cast<unsigned>(notches) << 16) | LOWORD(wParam), 0, 0);
        return 0;
    }
    default:
        if (message >= WM_USER && message <= myUserMessageLast) {
            TmyProfilerScope userProbe(probeUserMessage, probeFile, probeName);
            UserMessage(message - WM_USER, wParam, lParam);
        } else if (message >= MsgControlBase && message <= MsgControlBase + maxControlCode) {
            TmyProfilerScope controlProbe(probeControlMessage, probeFile, probeName);
            TmyControl* target = reinterpret_cast<TmyControl*>(lParam);
            if (IsAncestorOf(target))
                target->ControlMessage(message - MsgControlBase, wParam);
            else
                Trace(this, 0, "No control message");
        }
        break;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

void TmyComponent::SetTextString(const TmyString& text)
{
    SetText(text.c_str());
}

void TmyComponent::SetText(const char* text)
{
    Invalidate();
    SendMessageA(Window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The window text in a string sized by WM_GETTEXTLENGTH.
TmyString TmyComponent::GetTextString()
{
    const int length = GetTextLength();
    if (length <= 0)
        return TmyString();
    TmyString text(nullptr, static_cast<unsigned>(length));
    GetText(&text.At(0), length + 1);
    return text;
}

int TmyComponent::GetText(char* buffer, int size)
{
    return static_cast<int>(SendMessageA(Window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)));
}

int TmyComponent::GetTextLength()
{
    return static_cast<int>(SendMessageA(Window, WM_GETTEXTLENGTH, 0, 0));
}

// Turning redrawing back on repaints the window, its frame and its children at once.
int TmyComponent::SetRedraw(int on)
{
    const int result = static_cast<int>(SendMessageA(Window, WM_SETREDRAW, on, 0));
    if (on)
        RedrawWindow(Window, nullptr, nullptr, redrawAllFlags);
    return result;
}

int TmyComponent::IsDoubleBuffered()
{
    return BackBuffer != nullptr;
}

// Creates or drops the back buffer (client size) and repaints; nothing when already so.
void TmyComponent::SetDoubleBuffered(int on)
{
    if ((on != 0) == (BackBuffer != nullptr))
        return;
    if (on) {
        BackBuffer = new TmyBitmapDD(ClientWidth, ClientHeight);
    } else {
        delete BackBuffer;
        BackBuffer = nullptr;
    }
    Invalidate();
}

// Arrives as UserMessage(code); codes above myMaxUserCode are refused with 0.
int TmyComponent::PostUserMessage(unsigned code, WPARAM wParam, LPARAM lParam)
{
    if (code > myMaxUserCode)
        return 0;
    return PostMessageA(Window, WM_USER + code, wParam, lParam);
}

// Arrives at this component's window as ControlMessage of target; codes that
// would leave the control-message range are refused with 0.
int TmyComponent::PostOwnControlMessage(TmyControl* target, unsigned code, WPARAM parameter)
{
    if (code > maxControlCode)
        return 0;
    return PostMessageA(Window, MsgControlBase + code, parameter, reinterpret_cast<LPARAM>(target));
}

// Resizes the window so that its client area gets the given size.
void TmyComponent::SetClientSize(int width, int height)
{
    const SIZE frame = FrameSize();
    SetWindowPos(Window, nullptr, 0, 0, width + frame.cx, height + frame.cy, SWP_NOMOVE | placeFlags);
}

int TmyComponent::StartTimer(UINT_PTR id, unsigned milliseconds)
{
    return SetTimer(Window, id, milliseconds, nullptr) != 0;
}

void TmyComponent::StopTimer(UINT_PTR id)
{
    KillTimer(Window, id);
}

// Shows the component and dispatches the thread's messages with the owner (or
// the parent) disabled until EndModal or WM_CLOSE sets the modal result.
int TmyComponent::RunModal(HWND owner)
{
    ModalResult = 0;
    InModal = 1;
    BOOL ownerWasEnabled = TRUE;
    if (owner) {
        ownerWasEnabled = IsWindowEnabled(owner);
        EnableWindow(owner, FALSE);
    } else if (Parent) {
        owner = Parent->GetWindow();
        ownerWasEnabled = Parent->IsEnabled();
        Parent->SetEnabled(FALSE);
    }
    SetState(StateParentDisabled, 0);
    SetVisible(TRUE);
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);

    TmyModalFrame frame{this, innermostModalFrame, false};
    innermostModalFrame = &frame;
    int result = 0;
    while (!Application.Terminated && !frame.Deleted) {
        if (ModalResult) {
            result = ModalResult;
            break;
        }
        // WM_QUIT ends every loop: it is posted again for the loop outside.
        if (GetMessageA(&myMessage, nullptr, 0, 0) == 0) {
            PostQuitMessage(static_cast<int>(myMessage.wParam));
            break;
        }
        // Closing an ancestor first closes this dialog, at once, so that no
        // WM_CLOSE for it stays queued after the loop; the ancestor's
        // WM_CLOSE, posted again once, then reaches the loop outside.
        if (myMessage.message == WM_CLOSE && IsAncestorWindow(myMessage.hwnd, Window)) {
            PostMessageA(myMessage.hwnd, WM_CLOSE, 0, 0);
            SendMessageA(Window, WM_CLOSE, 0, 0);
            continue;
        }
        TranslateMessage(&myMessage);
        DispatchMessageA(&myMessage);
    }
    innermostModalFrame = frame.Outer;
    // A dialog deleted while its loop ran ends as closed: its owner is
    // enabled again, and nothing of the deleted object is touched.
    if (frame.Deleted) {
        RestoreOwner(owner, ownerWasEnabled);
        return -1;
    }
    if (result) {
        RestoreOwner(owner, ownerWasEnabled);
        SetVisible(FALSE);
    }
    // Also after WM_QUIT or termination: a loop that no longer runs must not
    // keep WM_CLOSE from closing the window.
    InModal = 0;
    return result;
}

// Ends the nearest running modal loop at or above this component; WM_NULL
// wakes its GetMessageA.
void TmyComponent::EndModal(int result)
{
    for (TmyControl* control = this; control; control = control->GetParent()) {
        TmyComponent* component = AsComponent(control);
        if (component && component->InModal) {
            component->ModalResult = result;
            PostMessageA(component->Window, WM_NULL, 0, 0);
            return;
        }
    }
}

LONG TmyComponent::GetStyle() const
{
    return GetWindowLongA(Window, GWL_STYLE);
}

// WM_SIZE: border strips, cached client size, back buffer and layout.
void TmyComponent::ClientSized(int width, int height)
{
    InvalidateBorderStrips(*this, ClientWidth, ClientHeight, width, height);
    ClientWidth = width;
    ClientHeight = height;
    if (BackBuffer && (BackBuffer->Width() != width || BackBuffer->Height() != height)) {
        delete BackBuffer;
        BackBuffer = new TmyBitmapDD(width, height);
    }
    Layout();
    TmyControlGuard guard(this);
    Resized();
    if (guard.Alive() && Align != AlignNone && Parent)
        Parent->Layout();
}

// WM_PAINT: through the back buffer unless a device context was given.
LRESULT TmyComponent::PaintMessage(HDC dc)
{
    if (BackBuffer && !dc)
        PaintThroughBuffer(*this, *BackBuffer);
    else
        PaintInto(*this, dc);
    return 0;
}

// WM_WINDOWPOSCHANGED: the bounds follow the window; showing and hiding are
// reported to the control part by MsgVisibility.
void TmyComponent::WindowPosChanged(const WINDOWPOS& pos)
{
    if (!(pos.flags & SWP_NOMOVE)) {
        OffsetRect(&Bounds, pos.x - Bounds.left, pos.y - Bounds.top);
        Moved();
    }
    if (!(pos.flags & SWP_NOSIZE)) {
        Bounds.right = Bounds.left + pos.cx;
        Bounds.bottom = Bounds.top + pos.cy;
    }
    if (pos.flags & SWP_SHOWWINDOW)
        PostMessageA(Window, MsgVisibility, 1, 0);
    if (pos.flags & SWP_HIDEWINDOW)
        PostMessageA(Window, MsgVisibility, 0, 0);
}

SIZE TmyComponent::FrameSize() const
{
    return SIZE{Bounds.right - Bounds.left - ClientWidth, Bounds.bottom - Bounds.top - ClientHeight};
}
