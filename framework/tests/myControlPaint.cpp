// Painting, invalidation, layout, geometry and text of windowless controls:
// pixels read back from memory device contexts, invalidated areas read from
// a real window's update region, and the Paint calls each control received.
#include "myControl.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "myComponents.h"
#include "myDrawing.h"
#include "myTestCanvas.h"

namespace {

constexpr COLORREF Paper = RGB(255, 0, 255);

// Records every Paint (through OnPaint) and fills the painting control's
// whole area in its colour, so that the clip region alone decides what shows.
class TmyPaintLog : public TmyObject {
public:
    void Watch(TmyControl* control, COLORREF color)
    {
        Colors[control] = color;
        control->OnPaint.Set(this, &TmyPaintLog::Painted);
    }
    int Painted(TmyControl* sender, HDC dc)
    {
        RECT box;
        Order.push_back(sender);
        if (GetClipBox(dc, &box) != NULLREGION)
            Visible.push_back(sender);
        FillColor(dc, RECT{0, 0, sender->GetWidth(), sender->GetHeight()}, Colors[sender]);
        return 0;
    }
    int Calls(const TmyControl* control) const
    {
        int calls = 0;
        for (const TmyControl* painted : Order)
            calls += painted == control;
        return calls;
    }
    void Clear()
    {
        Order.clear();
        Visible.clear();
    }

    std::map<const TmyControl*, COLORREF> Colors;
    std::vector<TmyControl*> Order;    // every Paint call
    std::vector<TmyControl*> Visible;  // Paint calls with something left to paint
};

// A root control in a plain window: its invalidations become the window's
// update region, its drawing context is the window's.
class TmyWindowRoot : public TmyControl {
public:
    TmyWindowRoot(HWND window, int width, int height) : TmyControl(nullptr, 0, 0, width, height), Host(window) {}
    void InvalidateRegion(HRGN region) override
    {
        if (!HasState(StateHidden))
            InvalidateRgn(Host, region, TRUE);
    }
    HDC BeginDraw() override { return GetDC(Host); }
    void EndDraw(HDC dc) override { ReleaseDC(Host, dc); }
    POINT GetScreenPos(POINT, int) override { return POINT{100, 200}; }

private:
    HWND Host;
};

// Adjusts every proposed width to at most 50.
class TmyNarrowControl : public TmyControl {
public:
    using TmyControl::TmyControl;
    void BoundsChanging(int*, int*, int* width, int*) override
    {
        if (*width > 50)
            *width = 50;
    }
};

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

HWND CreateHostWindow(int width, int height)
{
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "K47PaintTestHost";
        atom = RegisterClassA(&windowClass);
    }
    HWND window = CreateWindowExA(0, "K47PaintTestHost", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump();
    return window;
}

// The rectangles of a region, for readable failure messages.
std::vector<RECT> Rectangles(HRGN region)
{
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> buffer(size);
    RGNDATA* data = reinterpret_cast<RGNDATA*>(buffer.data());
    GetRegionData(region, size, data);
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    return std::vector<RECT>(rects, rects + data->rdh.nCount);
}

::testing::AssertionResult RegionIs(HRGN actual, std::vector<RECT> expected)
{
    HRGN wanted = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& rect : expected) {
        HRGN part = CreateRectRgnIndirect(&rect);
        CombineRgn(wanted, wanted, part, RGN_OR);
        DeleteObject(part);
    }
    const bool equal = EqualRgn(actual, wanted);
    DeleteObject(wanted);
    if (equal)
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "region is";
    for (const RECT& rect : Rectangles(actual))
        failure << " (" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << ")";
    return failure;
}

}  // namespace

// ---- Painting ---------------------------------------------------------------

class ControlPainting : public ::testing::Test {
protected:
    ControlPainting() : Canvas(100, 100, Paper), Root(new TmyControl(nullptr, 0, 0, 100, 100))
    {
        Log.Watch(Root, RGB(10, 10, 10));
    }
    ~ControlPainting() override { delete Root; }

    TmyControl* Child(TmyControl* parent, int x, int y, int width, int height, COLORREF color)
    {
        TmyControl* child = new TmyControl(parent, x, y, width, height);
        Log.Watch(child, color);
        return child;
    }

    TmyTestCanvas Canvas;
    TmyPaintLog Log;
    TmyControl* Root;
};

TEST_F(ControlPainting, OverlappingSiblingsArePaintedOnceWithTheEarlierOnTop)
{
    TmyControl* first = Child(Root, 10, 10, 50, 50, RGB(255, 0, 0));
    TmyControl* second = Child(Root, 40, 40, 50, 50, RGB(0, 255, 0));
    Root->DoPaint(Canvas.Get());
    ASSERT_EQ(3u, Log.Order.size());
    EXPECT_EQ(first, Log.Order[0]);
    EXPECT_EQ(second, Log.Order[1]);
    EXPECT_EQ(Root, Log.Order[2]);
    EXPECT_EQ(RGB(255, 0, 0), Canvas.Pixel(50, 50));
    EXPECT_EQ(RGB(255, 0, 0), Canvas.Pixel(59, 59));
    EXPECT_EQ(RGB(0, 255, 0), Canvas.Pixel(60, 60));
    EXPECT_EQ(RGB(10, 10, 10), Canvas.Pixel(5, 5));
    EXPECT_EQ(RGB(10, 10, 10), Canvas.Pixel(95, 20));
    EXPECT_EQ(50 * 50, Canvas.Count(RGB(255, 0, 0)));
    EXPECT_EQ(50 * 50 - 20 * 20, Canvas.Count(RGB(0, 255, 0)));
}

TEST_F(ControlPainting, GrandchildrenPaintAtTheirOffsetInsideTheirParent)
{
    TmyControl* child = Child(Root, 10, 20, 50, 50, RGB(255, 0, 0));
    Child(child, 5, 6, 10, 10, RGB(0, 0, 255));
    Root->DoPaint(Canvas.Get());
    const RECT grandchild = Canvas.Extent(RGB(0, 0, 255));
    EXPECT_EQ(15, grandchild.left);
    EXPECT_EQ(26, grandchild.top);
    EXPECT_EQ(25, grandchild.right);
    EXPECT_EQ(36, grandchild.bottom);
    EXPECT_EQ(50 * 50 - 100, Canvas.Count(RGB(255, 0, 0)));
}

TEST_F(ControlPainting, OverlayChildPaintsOverItsParentAfterIt)
{
    Child(Root, 0, 0, 50, 50, RGB(255, 0, 0));
    TmyControl* overlay = Child(Root, 40, 40, 20, 20, RGB(0, 0, 255));
    overlay->SetOverlay(1);
    Log.Clear();
    Root->DoPaint(Canvas.Get());
    ASSERT_EQ(3u, Log.Order.size());
    EXPECT_EQ(Root, Log.Order[1]);
    EXPECT_EQ(overlay, Log.Order[2]);
    EXPECT_EQ(400, Canvas.Count(RGB(0, 0, 255)));
    EXPECT_EQ(RGB(0, 0, 255), Canvas.Pixel(45, 45));  // over the earlier child too
    EXPECT_EQ(RGB(10, 10, 10), Canvas.Pixel(70, 70));
}

TEST_F(ControlPainting, OverlayOfALaterSiblingNeverCoversAnEarlierSibling)
{
    Child(Root, 0, 0, 50, 50, RGB(255, 0, 0));
    TmyControl* later = Child(Root, 30, 30, 50, 50, RGB(0, 255, 0));
    TmyControl* overlay = Child(later, 0, 0, 50, 50, RGB(0, 0, 255));
    overlay->SetOverlay(1);
    Root->DoPaint(Canvas.Get());
    EXPECT_EQ(RGB(255, 0, 0), Canvas.Pixel(40, 40));
    EXPECT_EQ(RGB(0, 0, 255), Canvas.Pixel(60, 60));
    EXPECT_EQ(50 * 50, Canvas.Count(RGB(255, 0, 0)));
}

TEST_F(ControlPainting, HiddenChildrenAreNeitherPaintedNorCutOut)
{
    TmyControl* hidden = Child(Root, 10, 10, 30, 30, RGB(255, 0, 0));
    hidden->SetVisible(0);
    Log.Clear();
    Root->DoPaint(Canvas.Get());
    EXPECT_EQ(0, Log.Calls(hidden));
    EXPECT_EQ(100 * 100, Canvas.Count(RGB(10, 10, 10)));
    // Without a clip region on entry none is left behind.
    HRGN after = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(Canvas.Get(), after));
    DeleteObject(after);
}

TEST_F(ControlPainting, ChildrenOutsideTheClipRegionAreSkipped)
{
    TmyControl* first = Child(Root, 0, 0, 40, 40, RGB(255, 0, 0));
    TmyControl* second = Child(Root, 50, 50, 40, 40, RGB(0, 255, 0));
    HRGN clip = CreateRectRgn(45, 45, 100, 100);
    SelectClipRgn(Canvas.Get(), clip);
    Root->DoPaint(Canvas.Get());
    EXPECT_EQ(0, Log.Calls(first));
    EXPECT_EQ(1, Log.Calls(second));
    EXPECT_EQ(1, Log.Calls(Root));
    EXPECT_EQ(Paper, Canvas.Pixel(20, 20));
    EXPECT_EQ(55 * 55 - 40 * 40, Canvas.Count(RGB(10, 10, 10)));

    // The caller's clip region and origin are as they were.
    HRGN after = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(1, GetClipRgn(Canvas.Get(), after));
    EXPECT_TRUE(EqualRgn(clip, after));
    POINT origin;
    GetWindowOrgEx(Canvas.Get(), &origin);
    EXPECT_EQ(0, origin.x);
    EXPECT_EQ(0, origin.y);
    DeleteObject(after);
    DeleteObject(clip);
}

// ---- Invalidation and bounds ------------------------------------------------

class ControlInvalidation : public ::testing::Test {
protected:
    ControlInvalidation()
        : Window(CreateHostWindow(300, 200)), Root(new TmyWindowRoot(Window, 300, 200)),
          Update(CreateRectRgn(0, 0, 0, 0))
    {
    }
    ~ControlInvalidation() override
    {
        delete Root;
        DestroyWindow(Window);
        DeleteObject(Update);
    }
    // Forgets what setting up invalidated.
    void Validate() { ValidateRect(Window, nullptr); }
    HRGN Invalidated()
    {
        GetUpdateRgn(Window, Update, FALSE);
        return Update;
    }
    TmyControl* BorderedChild(int x, int y, int width, int height)
    {
        TmyControl* child = new TmyControl(Root, x, y, width, height);
        child->SetBorderStyle(10);
        child->SetBorderWidth(3);
        Validate();
        return child;
    }

    HWND Window;
    TmyControl* Root;
    HRGN Update;
};

TEST_F(ControlInvalidation, GrowingTheWidthInvalidatesTheOldBorderStripAndTheNewArea)
{
    TmyControl* child = BorderedChild(20, 30, 100, 50);
    child->Resize(110, 50);
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{117, 30, 130, 80}}));
}

TEST_F(ControlInvalidation, OtherResizesInvalidateTheUncoveredAreaAndTheMovingBorderStrips)
{
    TmyControl* child = BorderedChild(20, 30, 100, 50);
    child->Resize(100, 40);
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{20, 67, 120, 80}}));
    Validate();
    child->Resize(105, 45);
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{117, 30, 125, 75}, RECT{20, 67, 125, 75}}));
}

TEST_F(ControlInvalidation, MovingInvalidatesTheOldAndTheNewAreaAndStayingPutNothing)
{
    TmyControl* child = BorderedChild(20, 30, 100, 50);
    child->Move(200, 100);
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{20, 30, 120, 80}, RECT{200, 100, 300, 150}}));
    EXPECT_EQ(200, child->GetLeft());
    EXPECT_EQ(100, child->GetWidth());
    Validate();
    child->SetBounds(200, 100, 100, 50);
    EXPECT_EQ(NULLREGION, GetUpdateRgn(Window, Update, FALSE));
}

TEST_F(ControlInvalidation, NegativeSizesBecomeZeroAndBoundsChangingMayAdjust)
{
    TmyControl* child = new TmyNarrowControl(Root, 10, 10, 20, 20);
    child->SetBounds(10, 10, -5, -7);
    EXPECT_EQ(0, child->GetWidth());
    EXPECT_EQ(0, child->GetHeight());
    child->SetBounds(10, 10, 90, 30);
    EXPECT_EQ(50, child->GetWidth());
    EXPECT_EQ(30, child->GetHeight());
}

TEST_F(ControlInvalidation, InvalidateSkipsOrdinaryChildrenButNotOverlaysOrHiddenOnes)
{
    TmyControl* panel = new TmyControl(Root, 10, 10, 100, 100);
    new TmyControl(panel, 0, 0, 50, 100);
    TmyControl* overlay = new TmyControl(panel, 60, 0, 10, 10);
    overlay->SetOverlay(1);
    TmyControl* hidden = new TmyControl(panel, 80, 0, 10, 10);
    hidden->SetVisible(0);
    Validate();
    panel->Invalidate();
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{60, 10, 110, 110}}));
}

TEST_F(ControlInvalidation, NestedControlsInvalidateAtTheirPlaceInTheWindow)
{
    TmyControl* panel = new TmyControl(Root, 10, 20, 100, 100);
    TmyControl* inner = new TmyControl(panel, 5, 6, 10, 10);
    Validate();
    inner->InvalidateRect(RECT{1, 2, 3, 4});
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{16, 28, 18, 30}}));

    HRGN region = CreateRectRgn(0, 0, 4, 4);
    inner->InvalidateRegion(region);
    EXPECT_TRUE(RegionIs(region, {RECT{0, 0, 4, 4}}));  // handed back unchanged
    DeleteObject(region);
}

TEST_F(ControlInvalidation, ControlsInsideAHiddenParentInvalidateNothing)
{
    TmyControl* panel = new TmyControl(Root, 10, 20, 100, 100);
    TmyControl* inner = new TmyControl(panel, 5, 6, 10, 10);
    panel->SetVisible(0);
    Validate();
    inner->Invalidate();
    inner->InvalidateRect(RECT{0, 0, 5, 5});
    inner->Resize(30, 30);
    EXPECT_EQ(NULLREGION, GetUpdateRgn(Window, Update, FALSE));
}

TEST_F(ControlInvalidation, HidingAndShowingInvalidateTheWholeArea)
{
    TmyControl* panel = new TmyControl(Root, 10, 20, 100, 100);
    new TmyControl(panel, 0, 0, 50, 50);
    Validate();
    panel->SetVisible(0);
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{10, 20, 110, 120}}));
    EXPECT_FALSE(panel->IsVisible());
    Validate();
    panel->SetVisible(0);
    EXPECT_EQ(NULLREGION, GetUpdateRgn(Window, Update, FALSE));
    panel->SetVisible(1);
    EXPECT_TRUE(RegionIs(Invalidated(), {RECT{10, 20, 110, 120}}));
    EXPECT_TRUE(panel->IsVisible());
}

// ---- Layout -----------------------------------------------------------------

class ControlLayout : public ::testing::Test {
protected:
    ControlLayout() : Root(new TmyControl(nullptr, 0, 0, 200, 100)) {}
    ~ControlLayout() override { delete Root; }

    TmyControl* Docked(int align, int width, int height)
    {
        TmyControl* child = new TmyControl(Root, 0, 0, width, height);
        child->SetAlign(align);
        return child;
    }
    TmyControl* Anchored(int x, int y, int width, int height, TmyAnchors anchors)
    {
        TmyControl* child = new TmyControl(Root, x, y, width, height);
        child->SetAnchors(anchors);
        return child;
    }
    static ::testing::AssertionResult BoundsAre(TmyControl* control, RECT expected)
    {
        const RECT& bounds = control->GetBounds();
        if (EqualRect(&bounds, &expected))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "bounds are (" << bounds.left << "," << bounds.top << ","
                                             << bounds.right << "," << bounds.bottom << ")";
    }

    TmyControl* Root;
};

TEST_F(ControlLayout, DockingPassesShareTheClientAreaInsideTheBorder)
{
    Root->SetBorderStyle(10);
    Root->SetBorderWidth(3);
    TmyControl* client = Docked(AlignClient, 1, 1);
    TmyControl* innerTop = Docked(AlignInnerTop, 1, 5);
    TmyControl* left = Docked(AlignLeft, 20, 1);
    TmyControl* top = Docked(AlignTop, 1, 10);
    TmyControl* right = Docked(AlignRight, 30, 1);
    TmyControl* bottom = Docked(AlignBottom, 1, 10);
    TmyControl* innerBottom = Docked(AlignInnerBottom, 1, 5);
    Root->Layout();
    EXPECT_TRUE(BoundsAre(top, RECT{3, 3, 197, 13}));
    EXPECT_TRUE(BoundsAre(bottom, RECT{3, 87, 197, 97}));
    EXPECT_TRUE(BoundsAre(left, RECT{3, 13, 23, 87}));
    EXPECT_TRUE(BoundsAre(right, RECT{167, 13, 197, 87}));
    EXPECT_TRUE(BoundsAre(innerTop, RECT{23, 13, 167, 18}));
    EXPECT_TRUE(BoundsAre(innerBottom, RECT{23, 82, 167, 87}));
    EXPECT_TRUE(BoundsAre(client, RECT{23, 18, 167, 82}));
}

TEST_F(ControlLayout, HiddenTopDockKeepsItsBoundsAndGivesUpItsSpace)
{
    TmyControl* first = Docked(AlignTop, 1, 20);
    TmyControl* second = Docked(AlignTop, 1, 30);
    TmyControl* rest = Docked(AlignClient, 1, 1);
    Root->Layout();
    EXPECT_TRUE(BoundsAre(second, RECT{0, 20, 200, 50}));
    EXPECT_TRUE(BoundsAre(rest, RECT{0, 50, 200, 100}));
    first->SetVisible(0);
    EXPECT_TRUE(BoundsAre(first, RECT{0, 0, 200, 20}));
    EXPECT_TRUE(BoundsAre(second, RECT{0, 0, 200, 30}));
    EXPECT_TRUE(BoundsAre(rest, RECT{0, 30, 200, 100}));
    first->SetVisible(1);
    EXPECT_TRUE(BoundsAre(second, RECT{0, 20, 200, 50}));
}

TEST_F(ControlLayout, LeftAndRightAnchorsStretchTheWidthAndKeepX)
{
    Root->Resize(100, 100);
    TmyControl* child = Anchored(10, 5, 40, 20, TmyAnchors{10, AnchorUnset, 10, AnchorUnset});
    TmyControl* squeezed = Anchored(60, 60, 30, 20, TmyAnchors{60, 60, 60, 60});
    Root->Layout();
    EXPECT_TRUE(BoundsAre(child, RECT{10, 5, 90, 25}));
    EXPECT_TRUE(BoundsAre(squeezed, RECT{60, 60, 60, 60}));  // no room: zero size, not negative
}

TEST_F(ControlLayout, CentreAnchorCentresOnItsAxis)
{
    Root->Resize(100, 60);
    TmyControl* child = Anchored(0, 0, 30, 20, TmyAnchors{AnchorCentre, AnchorCentre, AnchorUnset, AnchorUnset});
    Root->Layout();
    EXPECT_TRUE(BoundsAre(child, RECT{35, 20, 65, 40}));
}

TEST_F(ControlLayout, FarAnchorsAloneKeepTheDistanceToTheFarEdges)
{
    TmyControl* child = Anchored(0, 0, 30, 20, TmyAnchors{AnchorUnset, AnchorUnset, 5, 7});
    Root->Layout();
    EXPECT_TRUE(BoundsAre(child, RECT{165, 73, 195, 93}));
}

TEST_F(ControlLayout, FitToChildrenCoversTheFarthestChildPlusExtras)
{
    Root->FitToChildren(5, 6);
    EXPECT_EQ(5, Root->GetWidth());
    EXPECT_EQ(6, Root->GetHeight());
    new TmyControl(Root, 10, 50, 60, 40);
    new TmyControl(Root, 40, 0, 40, 20);
    Root->FitToChildren(5, 6);
    EXPECT_EQ(85, Root->GetWidth());
    EXPECT_EQ(96, Root->GetHeight());
}

// ---- Geometry, drawing contexts and text -------------------------------------

class ControlGeometry : public ::testing::Test {
protected:
    ControlGeometry() : Window(CreateHostWindow(300, 200)), Root(new TmyWindowRoot(Window, 300, 200)) {}
    ~ControlGeometry() override
    {
        delete Root;
        DestroyWindow(Window);
    }

    HWND Window;
    TmyControl* Root;
};

TEST_F(ControlGeometry, ClientAreaIsInsideTheBorderUnlessAnAxisIsTooSmall)
{
    TmyControl* child = new TmyControl(Root, 0, 0, 100, 50);
    EXPECT_EQ(0, child->BorderMargin());
    child->SetBorderStyle(9);
    child->SetBorderWidth(2);
    EXPECT_EQ(4, child->BorderMargin());
    EXPECT_EQ(1, child->BorderMargin(2));
    EXPECT_EQ(6, child->BorderMargin(-1, 3));
    RECT area = child->GetClientArea();
    EXPECT_EQ(4, area.left);
    EXPECT_EQ(4, area.top);
    EXPECT_EQ(96, area.right);
    EXPECT_EQ(46, area.bottom);
    child->Resize(6, 50);
    area = child->GetClientArea();
    EXPECT_EQ(0, area.left);
    EXPECT_EQ(6, area.right);
    EXPECT_EQ(4, area.top);
}

TEST_F(ControlGeometry, ScreenPositionAddsEveryParentsOrigin)
{
    TmyControl* child = new TmyControl(Root, 10, 20, 100, 100);
    TmyControl* inner = new TmyControl(child, 1, 2, 10, 10);
    const POINT position = inner->GetScreenPos(POINT{0, 0}, 0);
    EXPECT_EQ(111, position.x);
    EXPECT_EQ(222, position.y);
}

TEST_F(ControlGeometry, DrawingContextIsMovedAndClippedToTheControl)
{
    TmyControl* child = new TmyControl(Root, 10, 20, 30, 40);
    TmyControl* inner = new TmyControl(child, 5, 5, 10, 10);
    HDC dc = inner->BeginDraw();
    ASSERT_NE(nullptr, dc);
    POINT origin;
    GetWindowOrgEx(dc, &origin);
    EXPECT_EQ(-15, origin.x);
    EXPECT_EQ(-25, origin.y);
    RECT box;
    GetClipBox(dc, &box);
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(10, box.right);
    EXPECT_EQ(10, box.bottom);
    inner->EndDraw(dc);
}

TEST_F(ControlGeometry, EmptyTextMeasuresOneLineHighAndZeroWide)
{
    TmyControl* child = new TmyControl(Root, 0, 0, 10, 10);
    const SIZE empty = child->MeasureText("");
    const SIZE letter = child->MeasureText("X");
    EXPECT_EQ(0, empty.cx);
    EXPECT_EQ(letter.cy, empty.cy);
    EXPECT_LT(0, empty.cy);
    EXPECT_EQ(child->GetTextHeight(), empty.cy);
    EXPECT_LT(letter.cx, child->MeasureText("XX").cx);
}

TEST_F(ControlGeometry, FontHeightFollowsIntoChildrenThatInherit)
{
    TmyControl* panel = new TmyControl(Root, 0, 0, 100, 100);
    TmyControl* inheriting = new TmyControl(panel, 0, 0, 10, 10);
    TmyControl* own = new TmyControl(panel, 0, 0, 10, 10);
    own->SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    const int small = own->GetTextHeight();
    HFONT big = CreateTextFont(-40, "Tahoma", 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0);
    panel->SetFont(big);
    EXPECT_LT(39, panel->GetTextHeight());
    EXPECT_EQ(panel->GetTextHeight(), inheriting->GetTextHeight());
    EXPECT_EQ(small, own->GetTextHeight());
    EXPECT_EQ(panel->GetTextHeight(), inheriting->MeasureText("").cy);
    delete panel;
    DeleteObject(big);
}

TEST_F(ControlGeometry, ControlBorderBlendsIntoTheParentAndFollowsTheState)
{
    TmyTestCanvas canvas(20, 20, Paper);
    Root->SetBackColor(RGB(0, 128, 0));
    TmyControl* child = new TmyControl(Root, 0, 0, 20, 20);
    child->SetBorderStyle(6);
    child->SetBorderWidth(2);
    RECT rect{0, 0, 20, 20};
    EXPECT_EQ(1, child->DrawControlBorder(canvas.Get(), &rect));
    EXPECT_EQ(2, rect.left);
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(0, 0));    // outer ring: the parent's background
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(1, 1));    // corner of the frame ring
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(5, 1));  // frame: the text colour
    child->SetEnabled(0);
    rect = RECT{0, 0, 20, 20};
    child->DrawControlBorder(canvas.Get(), &rect);
    EXPECT_EQ(RGB(0x88, 0x88, 0x88), canvas.Pixel(5, 1));
}

// ---- Painting through a component window ------------------------------------

class ComponentRepaint : public ::testing::Test {
protected:
    static constexpr int Columns = 10;
    static constexpr int Rows = 5;

    ComponentRepaint()
        : Window(new TmyComponent("paint", WS_POPUP | WS_VISIBLE, 0, 0, 0, Columns * 20, Rows * 20, nullptr))
    {
        for (int i = 0; i < Columns * Rows; ++i) {
            TmyControl* child = new TmyControl(Window, (i % Columns) * 20, (i / Columns) * 20, 18, 18);
            Log.Watch(child, RGB(i, 0, 0));
            Children.push_back(child);
        }
        Log.Watch(Window, RGB(0, 0, 99));
        Flush();
    }
    ~ComponentRepaint() override { delete Window; }

    void Flush()
    {
        Pump();
        UpdateWindow(Window->GetWindow());
        Pump();
    }

    TmyComponent* Window;
    std::vector<TmyControl*> Children;
    TmyPaintLog Log;
};

TEST_F(ComponentRepaint, InvalidatingOneChildRepaintsThatChildAlone)
{
    Log.Clear();
    Children[23]->Invalidate();
    Flush();
    ASSERT_EQ(1u, Log.Visible.size());
    EXPECT_EQ(Children[23], Log.Visible[0]);
    EXPECT_EQ(1, Log.Calls(Children[23]));
    for (TmyControl* child : Children) {
        if (child != Children[23]) {
            EXPECT_EQ(0, Log.Calls(child));
        }
    }
}

TEST_F(ComponentRepaint, FullInvalidationPaintsEveryVisibleControlOnce)
{
    Children[7]->SetVisible(0);
    Log.Clear();
    Window->Invalidate();
    InvalidateRect(Window->GetWindow(), nullptr, TRUE);
    Flush();
    EXPECT_EQ(1, Log.Calls(Window));
    for (TmyControl* child : Children)
        EXPECT_EQ(child == Children[7] ? 0 : 1, Log.Calls(child));
}

// ---- Layout of child windows ------------------------------------------------

TEST(ComponentLayout, DockedAndAnchoredChildWindowsAreRepositioned)
{
    auto* parent = new TmyComponent("layout", WS_POPUP | WS_VISIBLE, 0, 0, 0, 200, 100, nullptr);
    auto* docked = new TmyComponent("top", WS_CHILD | WS_VISIBLE, 0, 5, 5, 50, 30, parent->GetWindow());
    auto* anchored = new TmyComponent("corner", WS_CHILD | WS_VISIBLE, 0, 5, 50, 40, 20, parent->GetWindow());
    anchored->SetAnchors(TmyAnchors{AnchorUnset, AnchorUnset, 10, 10});
    docked->SetAlign(AlignTop);
    parent->Layout();
    Pump();

    RECT rect;
    GetWindowRect(docked->GetWindow(), &rect);
    MapWindowPoints(nullptr, parent->GetWindow(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(parent->GetWidth(), rect.right);
    EXPECT_EQ(30, rect.bottom);
    GetWindowRect(anchored->GetWindow(), &rect);
    MapWindowPoints(nullptr, parent->GetWindow(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(parent->GetWidth() - 10 - 40, rect.left);
    EXPECT_EQ(parent->GetHeight() - 10 - 20, rect.top);
    EXPECT_EQ(30, docked->GetBounds().bottom);
    delete parent;
}
