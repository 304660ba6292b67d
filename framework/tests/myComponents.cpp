#include "myComponents.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "debugCapture.h"
#include "myApplication.h"
#include "myBitmap.h"
#include "myDrawing.h"
#include "myHoveringMonitor.h"
#include "myToolTip.h"

namespace {

// Most messages a pump handles before it gives up on an endless stream.
constexpr int maxPumpedMessages = 10000;

// Dispatches what is pending in the thread's queue (including paints).
void Pump()
{
    MSG message;
    for (int i = 0; i < maxPumpedMessages && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A component that counts its deletions, notes the component-level calls and
// can run a scripted action when a user message arrives (inside any loop).
class TestComponent : public TmyComponent {
public:
    TestComponent(DWORD style, int x, int y, int width, int height, HWND parent = nullptr,
                  int* deletions = nullptr)
        : TmyComponent("test", style, 0, x, y, width, height, parent), Deletions(deletions)
    {
    }
    ~TestComponent() override
    {
        if (Deletions)
            ++*Deletions;
    }
    void UserMessage(unsigned code, WPARAM wParam, LPARAM lParam) override
    {
        UserMessages.push_back({code, wParam, lParam});
        // A copy: the script may delete this component.
        const std::function<void(unsigned)> script = Script;
        if (script)
            script(code);
    }
    void ComponentCreated(TmyComponent* component) override { Created.push_back(component); }
    LRESULT Command(WPARAM parameter) override { return 1000 + parameter; }
    LRESULT Notify(NMHDR* header) override { return 2000 + header->code; }

    struct Posted {
        unsigned Code;
        WPARAM WParam;
        LPARAM LParam;
    };
    std::vector<Posted> UserMessages;
    std::vector<TmyComponent*> Created;
    std::function<void(unsigned)> Script;

private:
    int* Deletions;
};

// A windowless control that notes the control messages it receives.
class MessageTarget : public TmyControl {
public:
    using TmyControl::TmyControl;
    void ControlMessage(unsigned code, WPARAM parameter) override
    {
        Received.push_back({code, parameter});
    }
    std::vector<std::pair<unsigned, WPARAM>> Received;
};

// Event handlers of the tests: message filter, focus, wheel, timer and paint.
class Handlers : public TmyObject {
public:
    // Filter: counts WM_DESTROY and WM_CLOSE; rewrites RewriteFrom to RewriteTo with RewriteWParam.
    int Filter(TmyComponent*, UINT* message, WPARAM* wParam, LPARAM*)
    {
        if (*message == WM_DESTROY)
            ++Destroys;
        if (*message == WM_CLOSE)
            ++Closes;
        if (*message == RewriteFrom) {
            *message = RewriteTo;
            *wParam = RewriteWParam;
        }
        return 0;
    }
    int Focus(TmyControl* sender, int gained)
    {
        FocusLog.push_back(sender->GetLeft() * 10 + gained);
        return 0;
    }
    int Wheel(TmyControl*, int notches, unsigned keys, int*)
    {
        Notches.push_back(notches);
        WheelKeys = keys;
        return 0;
    }
    int TimerFired(TmyControl*, UINT_PTR id)
    {
        Timers.push_back(id);
        return 0;
    }
    int PaintRed(TmyControl* sender, HDC dc)
    {
        PaintTargets.push_back(GetObjectType(dc));
        FillColor(dc, RECT{0, 0, sender->GetWidth(), sender->GetHeight()}, RGB(255, 0, 0));
        return 0;
    }

    int Destroys = 0;
    int Closes = 0;
    UINT RewriteFrom = 0xFFFFFFFF;
    UINT RewriteTo = 0;
    WPARAM RewriteWParam = 0;
    std::vector<int> FocusLog;
    std::vector<int> Notches;
    unsigned WheelKeys = 0;
    std::vector<DWORD> PaintTargets;
    std::vector<UINT_PTR> Timers;
};

// Every test leaves the queue drained and every thunk released. The
// application's hover monitor and tooltip (made by any mouse move, also one
// the window system generates when a window appears under the pointer) live
// until shutdown, so they are released before the check.
class ComponentTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Pump();
        ReleaseApplicationHoverMonitor();
        ReleaseApplicationToolTip();
        EXPECT_TRUE(Application.ThunkSlots.IsEmpty()) << "a test leaked a window thunk";
    }
};

// ---- Creation and ownership ------------------------------------------------

using ComponentCreation = ComponentTest;

TEST_F(ComponentCreation, BothCoordinatesMinusOneCentreTheWindow)
{
    TestComponent component(WS_POPUP, -1, -1, 200, 100);
    RECT rect;
    GetWindowRect(component.GetWindow(), &rect);
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - 200) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - 100) / 2, rect.top);
    EXPECT_EQ(rect.left, component.GetBounds().left);
    EXPECT_EQ(rect.top, component.GetBounds().top);
    EXPECT_EQ(200, component.GetClientWidth());
}

TEST_F(ComponentCreation, OneCoordinateMinusOneIsTakenAsGiven)
{
    TestComponent component(WS_POPUP, -1, 50, 200, 100);
    RECT rect;
    GetWindowRect(component.GetWindow(), &rect);
    EXPECT_EQ(-1, rect.left);
    EXPECT_EQ(50, rect.top);
}

TEST_F(ComponentCreation, WindowWithoutVisibleStyleStartsHidden)
{
    TestComponent hidden(WS_POPUP, 0, 0, 20, 20);
    TestComponent shown(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
    EXPECT_TRUE(hidden.HasState(StateHidden));
    EXPECT_FALSE(shown.HasState(StateHidden));
}

TEST_F(ComponentCreation, ChildComponentJoinsParentAndIsAnnounced)
{
    TestComponent parent(WS_POPUP, 0, 0, 200, 100);
    auto* child = new TestComponent(WS_CHILD, 10, 20, 50, 30, parent.GetWindow());
    EXPECT_EQ(&parent, child->GetParent());
    EXPECT_EQ(child, parent.FirstChildControl());
    EXPECT_EQ(&parent, child->GetRoot());
    ASSERT_EQ(1u, parent.Created.size());
    EXPECT_EQ(child, parent.Created[0]);
    EXPECT_EQ(10, child->GetBounds().left);
    EXPECT_EQ(20, child->GetBounds().top);
    EXPECT_EQ(child, FindControl(child->GetWindow()));
}

TEST_F(ComponentCreation, PopUpKeepsOwnerAsParentButStaysOutOfItsChildList)
{
    TestComponent owner(WS_POPUP, 0, 0, 200, 100);
    TestComponent popUp(WS_POPUP, 10, 10, 50, 30, owner.GetWindow());
    EXPECT_EQ(&owner, popUp.GetParent());
    EXPECT_EQ(nullptr, owner.FirstChildControl());
    EXPECT_EQ(owner.GetWindow(), GetWindow(popUp.GetWindow(), GW_OWNER));
    EXPECT_EQ(&popUp, popUp.GetRoot());
}

// ---- Destruction -------------------------------------------------------------

using ComponentDestruction = ComponentTest;

TEST_F(ComponentDestruction, WindowDestroyedFromOutsideDeletesObjectOnce)
{
    int deletions = 0;
    Handlers handlers;
    auto* component = new TestComponent(WS_POPUP, 0, 0, 50, 50, nullptr, &deletions);
    component->OnMessage.Set(&handlers, &Handlers::Filter);
    HWND window = component->GetWindow();
    DestroyWindow(window);
    EXPECT_EQ(1, deletions);
    EXPECT_EQ(1, handlers.Destroys);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ComponentDestruction, DeletingObjectDestroysWindowOnce)
{
    int deletions = 0;
    Handlers handlers;
    auto* component = new TestComponent(WS_POPUP, 0, 0, 50, 50, nullptr, &deletions);
    component->OnMessage.Set(&handlers, &Handlers::Filter);
    HWND window = component->GetWindow();
    delete component;
    EXPECT_EQ(1, deletions);
    EXPECT_EQ(1, handlers.Destroys);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ComponentDestruction, ClosingMainComponentDeletesItAndQuits)
{
    int deletions = 0;
    auto* component = new TestComponent(WS_POPUP, 0, 0, 50, 50, nullptr, &deletions);
    Application.MainComponent = component;
    SendMessageA(component->GetWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(1, deletions);
    EXPECT_EQ(nullptr, Application.MainComponent);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ComponentDestruction, ParentWindowDestroyedFromOutsideDeletesEachChildOnce)
{
    int parentDeletions = 0;
    int childDeletions = 0;
    auto* parent = new TestComponent(WS_POPUP, 0, 0, 100, 100, nullptr, &parentDeletions);
    new TestComponent(WS_CHILD, 0, 0, 20, 20, parent->GetWindow(), &childDeletions);
    new TestComponent(WS_CHILD, 30, 0, 20, 20, parent->GetWindow(), &childDeletions);
    DestroyWindow(parent->GetWindow());
    EXPECT_EQ(1, parentDeletions);
    EXPECT_EQ(2, childDeletions);
}

TEST_F(ComponentDestruction, DeletingOwnerDeletesPopUpOnlyThroughItsWindow)
{
    int popUpDeletions = 0;
    auto* owner = new TestComponent(WS_POPUP, 0, 0, 100, 100);
    auto* popUp = new TestComponent(WS_POPUP, 0, 0, 20, 20, owner->GetWindow(), &popUpDeletions);
    HWND popUpWindow = popUp->GetWindow();
    delete owner;
    EXPECT_EQ(1, popUpDeletions);
    EXPECT_FALSE(IsWindow(popUpWindow));
}

// ---- Window procedure --------------------------------------------------------

using ComponentMessages = ComponentTest;

TEST_F(ComponentMessages, UserMessageCodeAboveLimitIsRefused)
{
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    EXPECT_EQ(0, component.PostUserMessage(0x4001, 1, 2));
    Pump();
    EXPECT_TRUE(component.UserMessages.empty());
    EXPECT_NE(0, component.PostUserMessage(0x4000, 3, 4));
    Pump();
    ASSERT_EQ(1u, component.UserMessages.size());
    EXPECT_EQ(0x4000u, component.UserMessages[0].Code);
    EXPECT_EQ(3u, component.UserMessages[0].WParam);
    EXPECT_EQ(4, component.UserMessages[0].LParam);
}

TEST_F(ComponentMessages, FilterRewritingToMessageZeroReturnsWParamAndNothingElse)
{
    int deletions = 0;
    Handlers handlers;
    handlers.RewriteFrom = WM_CLOSE;
    handlers.RewriteTo = 0;
    handlers.RewriteWParam = 5;
    TestComponent component(WS_POPUP, 0, 0, 50, 50, nullptr, &deletions);
    component.OnMessage.Set(&handlers, &Handlers::Filter);
    EXPECT_EQ(5, SendMessageA(component.GetWindow(), WM_CLOSE, 0, 0));
    EXPECT_TRUE(IsWindow(component.GetWindow()));
    EXPECT_EQ(0, deletions);
}

TEST_F(ComponentMessages, FilterRewriteIsWhatTheComponentHandles)
{
    Handlers handlers;
    handlers.RewriteFrom = WM_USER + 1;
    handlers.RewriteTo = WM_USER + 2;
    handlers.RewriteWParam = 9;
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    component.OnMessage.Set(&handlers, &Handlers::Filter);
    SendMessageA(component.GetWindow(), WM_USER + 1, 0, 0);
    ASSERT_EQ(1u, component.UserMessages.size());
    EXPECT_EQ(2u, component.UserMessages[0].Code);
    EXPECT_EQ(9u, component.UserMessages[0].WParam);
}

TEST_F(ComponentMessages, WheelDeltaBecomesWholeNotchesTowardZero)
{
    Handlers handlers;
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    component.SetState(StateFocusPath, 1);
    component.OnMouseWheel.Set(&handlers, &Handlers::Wheel);
    const short deltas[] = {-240, 60, 130, -130};
    for (short delta : deltas)
        SendMessageA(component.GetWindow(), WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, delta), 0);
    EXPECT_EQ((std::vector<int>{-2, 0, 1, -1}), handlers.Notches);
    EXPECT_EQ(static_cast<unsigned>(MK_SHIFT), handlers.WheelKeys);
}

TEST_F(ComponentMessages, ControlMessageReachesOnlyTargetsInsideTheTree)
{
    TestComponent component(WS_POPUP, 0, 0, 100, 100);
    component.TraceFlags = myTraceToDebugger;
    auto* target = new MessageTarget(&component, 0, 0, 10, 10);
    MessageTarget stranger(nullptr, 0, 0, 10, 10);
    DebugCapture capture;
    component.PostOwnControlMessage(target, 7, 42);
    component.PostOwnControlMessage(&stranger, 7, 42);
    Pump();
    ASSERT_EQ(1u, target->Received.size());
    EXPECT_EQ(7u, target->Received[0].first);
    EXPECT_EQ(42u, target->Received[0].second);
    EXPECT_TRUE(stranger.Received.empty());
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_NE(std::string::npos, capture.Texts()[0].find("No control message"));
}

TEST_F(ComponentMessages, ColourRequestOfForeignChildGetsDefaultAndOneTraceLine)
{
    TestComponent component(WS_POPUP, 0, 0, 100, 100);
    component.TraceFlags = myTraceToDebugger;
    HWND label = CreateWindowExA(0, "STATIC", "x", WS_CHILD, 0, 0, 20, 20, component.GetWindow(), nullptr,
                                 nullptr, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    const WPARAM dcParam = reinterpret_cast<WPARAM>(dc);
    const LPARAM labelParam = reinterpret_cast<LPARAM>(label);
    const LRESULT expected = DefWindowProcA(component.GetWindow(), WM_CTLCOLORSTATIC, dcParam, labelParam);
    DebugCapture capture;
    EXPECT_EQ(expected, SendMessageA(component.GetWindow(), WM_CTLCOLORSTATIC, dcParam, labelParam));
    char line[80];
    snprintf(line, sizeof line, "WM_CTLCOLOR with undefined handle %x, dc=%x",
             static_cast<unsigned>(reinterpret_cast<uintptr_t>(label)),
             static_cast<unsigned>(reinterpret_cast<uintptr_t>(dc)));
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_NE(std::string::npos, capture.Texts()[0].find(line)) << capture.Texts()[0];
    DeleteDC(dc);
}

TEST_F(ComponentMessages, ColourRequestOfFrameworkChildUsesItsProperties)
{
    TestComponent component(WS_POPUP, 0, 0, 100, 100);
    auto* child = new TestComponent(WS_CHILD, 0, 0, 20, 20, component.GetWindow());
    child->SetFieldColor(0x102030);
    child->SetForeColor(0x405060);
    child->SetDisabledColor(0x708090);
    HDC dc = CreateCompatibleDC(nullptr);
    const WPARAM dcParam = reinterpret_cast<WPARAM>(dc);
    const LPARAM childParam = reinterpret_cast<LPARAM>(child->GetWindow());
    const LRESULT brush = SendMessageA(component.GetWindow(), WM_CTLCOLORSTATIC, dcParam, childParam);
    EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH)), brush);
    EXPECT_EQ(0x102030u, GetDCBrushColor(dc));
    EXPECT_EQ(0x102030u, GetBkColor(dc));
    EXPECT_EQ(0x405060u, GetTextColor(dc));
    child->SetEnabled(0);
    SendMessageA(component.GetWindow(), WM_CTLCOLOREDIT, dcParam, childParam);
    EXPECT_EQ(0x708090u, GetTextColor(dc));
    DeleteDC(dc);
}

TEST_F(ComponentMessages, ImeCompositionWithoutStringTracesAndRoutesNothing)
{
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    component.TraceFlags = myTraceToDebugger;
    DebugCapture capture;
    SendMessageA(component.GetWindow(), WM_IME_COMPOSITION, 0x41, GCS_COMPSTR);
    ASSERT_EQ(2u, capture.Texts().size());
    EXPECT_NE(std::string::npos, capture.Texts()[0].find("IME COMP: 41 8"));
    EXPECT_NE(std::string::npos, capture.Texts()[1].find("IME string: [0] 0"));
}

TEST_F(ComponentMessages, TextRoundTripsThroughTheWindow)
{
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    component.SetText("band 7");
    EXPECT_EQ(6, component.GetTextLength());
    EXPECT_STREQ("band 7", component.GetTextString().c_str());
    component.SetTextString(TmyString());
    EXPECT_EQ(0u, component.GetTextString().Length());
}

TEST_F(ComponentMessages, CommandAndNotificationReachTheSourceComponent)
{
    TestComponent parent(WS_POPUP, 0, 0, 100, 100);
    auto* child = new TestComponent(WS_CHILD, 0, 0, 20, 20, parent.GetWindow());
    const LPARAM childParam = reinterpret_cast<LPARAM>(child->GetWindow());
    EXPECT_EQ(1007, SendMessageA(parent.GetWindow(), WM_COMMAND, 7, childParam));
    NMHDR header{child->GetWindow(), 0, 5};
    EXPECT_EQ(2005, SendMessageA(parent.GetWindow(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)));
    HWND label = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 9, 9, parent.GetWindow(), nullptr, nullptr,
                                 nullptr);
    header.hwndFrom = label;
    EXPECT_EQ(0, SendMessageA(parent.GetWindow(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)));
}

TEST_F(ComponentMessages, WindowTimerReachesTimerWithItsId)
{
    Handlers handlers;
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    component.OnTimer.Set(&handlers, &Handlers::TimerFired);
    ASSERT_TRUE(component.StartTimer(7, 1));
    // Bounded wait for the first tick; the assertion is on the id only.
    for (int i = 0; i < 200 && handlers.Timers.empty(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    component.StopTimer(7);
    ASSERT_FALSE(handlers.Timers.empty());
    EXPECT_EQ(7u, handlers.Timers[0]);
}

TEST_F(ComponentMessages, HiddenStateFollowsTheWindowShownFromOutside)
{
    TestComponent component(WS_POPUP, 0, 0, 50, 50);
    ShowWindow(component.GetWindow(), SW_SHOWNA);
    Pump();
    EXPECT_FALSE(component.HasState(StateHidden));
    ShowWindow(component.GetWindow(), SW_HIDE);
    Pump();
    EXPECT_TRUE(component.HasState(StateHidden));
}

// ---- Geometry -------------------------------------------------------------

using ComponentGeometry = ComponentTest;

TEST_F(ComponentGeometry, BoundsFollowMovesAndResizes)
{
    TestComponent component(WS_POPUP, 10, 10, 100, 60);
    component.Move(30, 40);
    EXPECT_EQ(30, component.GetBounds().left);
    EXPECT_EQ(40, component.GetBounds().top);
    EXPECT_EQ(130, component.GetBounds().right);
    EXPECT_EQ(100, component.GetBounds().bottom);
    component.Resize(-1, 80);
    EXPECT_EQ(130, component.GetBounds().right);
    EXPECT_EQ(120, component.GetBounds().bottom);
    EXPECT_EQ(80, component.GetClientHeight());
}

TEST_F(ComponentGeometry, OffsetInTheWindowCountsFromTheComponent)
{
    TestComponent component(WS_POPUP, 30, 40, 100, 100);
    auto* child = new TmyControl(&component, 10, 20, 30, 30);
    auto* inner = new TmyControl(child, 1, 2, 5, 5);
    const auto offset = [](TmyControl* control) {
        const POINT point = control->GetWindowOffset(POINT{5, 7});
        return std::make_pair(point.x, point.y);
    };
    EXPECT_EQ(std::make_pair(0L, 0L), offset(&component));
    EXPECT_EQ(std::make_pair(11L, 22L), offset(inner));
}

TEST_F(ComponentGeometry, ClientSizeAddsTheFrame)
{
    TestComponent component(WS_OVERLAPPEDWINDOW, 10, 10, 300, 200);
    component.SetClientSize(120, 70);
    RECT client;
    GetClientRect(component.GetWindow(), &client);
    EXPECT_EQ(120, client.right);
    EXPECT_EQ(70, client.bottom);
    EXPECT_EQ(120, component.GetWidth());
    EXPECT_EQ(70, component.GetHeight());
}

TEST_F(ComponentGeometry, ChildComponentScreenPositionIsParentClientOriginPlusBounds)
{
    TestComponent parent(WS_OVERLAPPEDWINDOW, 40, 30, 300, 200);
    auto* child = new TestComponent(WS_CHILD, 15, 25, 50, 30, parent.GetWindow());
    POINT origin{0, 0};
    ClientToScreen(parent.GetWindow(), &origin);
    const POINT position = child->GetScreenPos(POINT{0, 0}, 0);
    EXPECT_EQ(origin.x + 15, position.x);
    EXPECT_EQ(origin.y + 25, position.y);
}

// Fixture of the invalidation and paint tests: a shown, bordered component
// with nothing pending to paint.
class ComponentPainting : public ComponentTest {
protected:
    void SetUp() override
    {
        Component = new TestComponent(WS_POPUP | WS_VISIBLE, 50, 50, 100, 60);
        Component->SetBorderStyle(3);
        Component->SetBorderWidth(3);
        Component->SetBackColor(RGB(0, 255, 0));
        Settle();
    }
    void TearDown() override
    {
        delete Component;
        ComponentTest::TearDown();
    }
    void Settle()
    {
        Pump();
        UpdateWindow(Component->GetWindow());
        ValidateRect(Component->GetWindow(), nullptr);
    }
    // True when the pending update region is exactly the rectangle.
    bool UpdateRegionIs(const RECT& rect)
    {
        HRGN pending = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(Component->GetWindow(), pending, FALSE);
        HRGN expected = CreateRectRgnIndirect(&rect);
        const bool same = EqualRgn(pending, expected);
        DeleteObject(expected);
        DeleteObject(pending);
        return same;
    }
    void ResizeClient(int width, int height)
    {
        SetWindowPos(Component->GetWindow(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    TestComponent* Component = nullptr;
};

TEST_F(ComponentPainting, NarrowingInvalidatesTheBorderStripAtTheNewEdge)
{
    ResizeClient(90, 60);
    EXPECT_TRUE(UpdateRegionIs(RECT{87, 0, 90, 60}));
}

TEST_F(ComponentPainting, WideningInvalidatesOldBorderStripAndNewArea)
{
    ResizeClient(110, 60);
    EXPECT_TRUE(UpdateRegionIs(RECT{97, 0, 110, 60}));
}

TEST_F(ComponentPainting, HeightChangesInvalidateTheBottomStrip)
{
    ResizeClient(100, 50);
    EXPECT_TRUE(UpdateRegionIs(RECT{0, 47, 100, 50}));
    Settle();
    ResizeClient(100, 70);
    EXPECT_TRUE(UpdateRegionIs(RECT{0, 47, 100, 70}));
}

TEST_F(ComponentPainting, PaintIntoGivenContextErasesAndPaintsChildren)
{
    Handlers handlers;
    auto* child = new TmyControl(Component, 20, 20, 10, 10);
    child->OnPaint.Set(&handlers, &Handlers::PaintRed);
    TmyBitmap24 target(100, 60);
    InvalidateRect(Component->GetWindow(), nullptr, TRUE);
    SendMessageA(Component->GetWindow(), WM_PAINT, reinterpret_cast<WPARAM>(target.MemoryDC()), 0);
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(target.MemoryDC(), 10, 10));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(target.MemoryDC(), 25, 25));
    EXPECT_FALSE(GetUpdateRect(Component->GetWindow(), nullptr, FALSE));
}

TEST_F(ComponentPainting, PaintWithEmptyUpdateRegionDrawsNothing)
{
    TmyBitmap24 target(100, 60);
    SendMessageA(Component->GetWindow(), WM_PAINT, reinterpret_cast<WPARAM>(target.MemoryDC()), 0);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(target.MemoryDC(), 10, 10));
}

// Reads back what the window shows at (x, y).
COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

TEST_F(ComponentPainting, PaintWithoutBackBufferDrawsIntoTheWindow)
{
    Handlers handlers;
    auto* child = new TmyControl(Component, 20, 20, 10, 10);
    child->OnPaint.Set(&handlers, &Handlers::PaintRed);
    InvalidateRect(Component->GetWindow(), nullptr, TRUE);
    UpdateWindow(Component->GetWindow());
    EXPECT_EQ(RGB(0, 255, 0), WindowPixel(Component->GetWindow(), 10, 10));
    EXPECT_EQ(RGB(255, 0, 0), WindowPixel(Component->GetWindow(), 25, 25));
    EXPECT_FALSE(GetUpdateRect(Component->GetWindow(), nullptr, FALSE));
    EXPECT_EQ((std::vector<DWORD>{OBJ_DC}), handlers.PaintTargets);
}

TEST_F(ComponentPainting, PaintThroughBackBufferShowsTheSamePicture)
{
    Handlers handlers;
    auto* child = new TmyControl(Component, 20, 20, 10, 10);
    child->OnPaint.Set(&handlers, &Handlers::PaintRed);
    Component->SetDoubleBuffered(1);
    EXPECT_TRUE(Component->IsDoubleBuffered());
    InvalidateRect(Component->GetWindow(), nullptr, TRUE);
    UpdateWindow(Component->GetWindow());
    EXPECT_EQ(RGB(0, 255, 0), WindowPixel(Component->GetWindow(), 10, 10));
    EXPECT_EQ(RGB(255, 0, 0), WindowPixel(Component->GetWindow(), 25, 25));
    EXPECT_FALSE(GetUpdateRect(Component->GetWindow(), nullptr, FALSE));
    EXPECT_EQ((std::vector<DWORD>{OBJ_MEMDC}), handlers.PaintTargets);
}

TEST_F(ComponentPainting, BackBufferFollowsTheClientSize)
{
    Component->SetDoubleBuffered(1);
    ResizeClient(120, 80);
    InvalidateRect(Component->GetWindow(), nullptr, TRUE);
    UpdateWindow(Component->GetWindow());
    EXPECT_EQ(RGB(0, 255, 0), WindowPixel(Component->GetWindow(), 110, 70));
}

// ---- Focus ---------------------------------------------------------------

using ComponentFocus = ComponentTest;

TEST_F(ComponentFocus, FocusLeavingAndReturningRestoresTheSameControl)
{
    Handlers handlers;
    TestComponent component(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    auto* first = new TmyControl(&component, 1, 0, 10, 10);
    auto* second = new TmyControl(&component, 2, 0, 10, 10);
    first->SetState(StateTabStop, 1);
    second->SetState(StateTabStop, 1);
    first->OnFocusChange.Set(&handlers, &Handlers::Focus);
    second->OnFocusChange.Set(&handlers, &Handlers::Focus);
    second->SetFocus();
    Pump();
    handlers.FocusLog.clear();

    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 200, 0, 20, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    SetFocus(other);
    Pump();
    EXPECT_EQ((std::vector<int>{20}), handlers.FocusLog);
    EXPECT_TRUE(second->HasState(StateFocusPath));
    SetFocus(component.GetWindow());
    Pump();
    EXPECT_EQ((std::vector<int>{20, 21}), handlers.FocusLog);
    EXPECT_TRUE(second->HasState(StateFocusPath));
    EXPECT_FALSE(first->HasState(StateFocusPath));
    DestroyWindow(other);
}

// A pop-up's parent field is its owner: neither its focus path nor the wheel
// it does not keep reaches into the owner.
TEST_F(ComponentFocus, PopUpTakingAndGivingBackTheFocusLeavesTheOwnersPath)
{
    Handlers handlers;
    TestComponent owner(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    auto* field = new TmyControl(&owner, 1, 0, 10, 10);
    field->SetState(StateTabStop, 1);
    owner.OnMouseWheel.Set(&handlers, &Handlers::Wheel);
    field->SetFocus();
    Pump();
    TestComponent popUp(WS_POPUP | WS_VISIBLE, 20, 20, 50, 50, owner.GetWindow());
    auto* button = new TmyControl(&popUp, 0, 0, 10, 10);
    button->SetFocus();
    Pump();
    EXPECT_TRUE(field->HasState(StateFocusPath));
    popUp.MouseEvent(MouseCodeWheel, 1u << 16, 0, 0);
    EXPECT_TRUE(handlers.Notches.empty());
    SetFocus(owner.GetWindow());
    Pump();
    EXPECT_TRUE(field->IsFocused());
}

// ---- Modal loops -------------------------------------------------------------

using ComponentModal = ComponentTest;

TEST_F(ComponentModal, EndModalEndsTheInnerLoopOnly)
{
    TestComponent owner(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    TestComponent outer(WS_POPUP, 10, 10, 100, 100, owner.GetWindow());
    int innerResult = 0;
    int outerStillRunning = 0;
    outer.Script = [&](unsigned) {
        TestComponent inner(WS_POPUP, 20, 20, 50, 50, outer.GetWindow());
        auto* button = new TestComponent(WS_CHILD, 0, 0, 10, 10, inner.GetWindow());
        button->Script = [&](unsigned) { button->EndModal(5); };
        button->PostUserMessage(0, 0, 0);
        innerResult = inner.RunModal(nullptr);
        outerStillRunning = outer.InModalLoop() && outer.GetModalResult() == 0;
        outer.EndModal(9);
    };
    outer.PostUserMessage(0, 0, 0);
    EXPECT_EQ(9, outer.RunModal(nullptr));
    EXPECT_EQ(5, innerResult);
    EXPECT_TRUE(outerStillRunning);
    EXPECT_FALSE(outer.InModalLoop());
    EXPECT_FALSE(IsWindowVisible(outer.GetWindow()));
    EXPECT_TRUE(IsWindowEnabled(owner.GetWindow()));
}

TEST_F(ComponentModal, OwnerIsDisabledWhileTheDialogRuns)
{
    TestComponent owner(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    TestComponent dialog(WS_POPUP, 10, 10, 100, 100, owner.GetWindow());
    int ownerEnabledInside = -1;
    int dialogVisibleInside = -1;
    dialog.Script = [&](unsigned) {
        ownerEnabledInside = IsWindowEnabled(owner.GetWindow());
        dialogVisibleInside = IsWindowVisible(dialog.GetWindow());
        dialog.EndModal(1);
    };
    dialog.PostUserMessage(0, 0, 0);
    EXPECT_EQ(1, dialog.RunModal(nullptr));
    EXPECT_EQ(0, ownerEnabledInside);
    EXPECT_EQ(1, dialogVisibleInside);
    EXPECT_TRUE(IsWindowEnabled(owner.GetWindow()));
}

TEST_F(ComponentModal, ClosingTheOwnerEndsTheDialogFirstThenClosesTheOwner)
{
    int ownerDeletions = 0;
    int dialogDeletions = 0;
    auto* owner = new TestComponent(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, &ownerDeletions);
    auto* dialog = new TestComponent(WS_POPUP, 10, 10, 100, 100, owner->GetWindow(), &dialogDeletions);
    dialog->TraceFlags = myTraceToDebugger;
    PostMessageA(owner->GetWindow(), WM_CLOSE, 0, 0);
    DebugCapture capture;
    EXPECT_EQ(-1, dialog->RunModal(nullptr));
    EXPECT_EQ(0, ownerDeletions);
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_NE(std::string::npos, capture.Texts()[0].find("Ending Modal Loop"));
    Pump();
    EXPECT_EQ(1, ownerDeletions);
    EXPECT_EQ(1, dialogDeletions);
}

TEST_F(ComponentModal, AncestorsCloseEndsTheDialogOnceAndLeavesItToItsCreator)
{
    Handlers ownerFilter;
    Handlers dialogFilter;
    int dialogDeletions = 0;
    TestComponent owner(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    // The owner's filter swallows its close, so the owner and its pop-ups stay.
    ownerFilter.RewriteFrom = WM_CLOSE;
    owner.OnMessage.Set(&ownerFilter, &Handlers::Filter);
    auto* dialog = new TestComponent(WS_POPUP, 10, 10, 100, 100, owner.GetWindow(), &dialogDeletions);
    dialog->OnMessage.Set(&dialogFilter, &Handlers::Filter);
    PostMessageA(owner.GetWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(-1, dialog->RunModal(nullptr));
    Pump();
    ASSERT_EQ(0, dialogDeletions);
    EXPECT_EQ(1, dialogFilter.Closes);
    EXPECT_EQ(1, ownerFilter.Closes);
    delete dialog;
}

TEST_F(ComponentModal, DialogDeletedDuringItsLoopEndsItAsClosed)
{
    int dialogDeletions = 0;
    TestComponent owner(WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    auto* dialog = new TestComponent(WS_POPUP, 10, 10, 100, 100, owner.GetWindow(), &dialogDeletions);
    dialog->Script = [&](unsigned) { DestroyWindow(dialog->GetWindow()); };
    dialog->PostUserMessage(0, 0, 0);
    EXPECT_EQ(-1, dialog->RunModal(nullptr));
    EXPECT_EQ(1, dialogDeletions);
    EXPECT_TRUE(IsWindowEnabled(owner.GetWindow()));
}

TEST_F(ComponentModal, QuitDuringDialogEndsItAndReachesTheOuterLoop)
{
    TestComponent dialog(WS_POPUP, 10, 10, 100, 100);
    dialog.Script = [](unsigned) { PostQuitMessage(3); };
    dialog.PostUserMessage(0, 0, 0);
    EXPECT_EQ(0, dialog.RunModal(nullptr));
    EXPECT_FALSE(dialog.InModalLoop());
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, message.wParam);
}

}  // namespace
