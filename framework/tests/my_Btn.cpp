// Tmy_Btn and Tmy_Btn2 in a real window: clicks through the window's mouse
// messages, toggle groups, auto-repeat through the control timers, modal
// results, picture transparency and tints read back as pixels, and the hover
// glow driven tick by tick.
#include "my_Btn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "myApplication.h"
#include "myDrawing.h"
#include "myHoveringMonitor.h"
#include "myPanelTest.h"
#include "myTestGraveyard.h"
#include "myToolTip.h"

namespace {

constexpr COLORREF hostBack = RGB(40, 60, 80);
constexpr COLORREF magenta = RGB(255, 0, 255);

// Exposes the timer and animation state the tests drive.
class TestBtn : public Tmy_Btn {
public:
    using Tmy_Btn::Tmy_Btn;
    UINT_PTR RepeatTimerId() const { return RepeatTimer; }
    int InDelayPhase() const { return RepeatDelayPhase; }
};

class TestBtn2 : public Tmy_Btn2 {
public:
    using Tmy_Btn2::Tmy_Btn2;
    UINT_PTR AnimationTimerId() const { return AnimationTimer; }
    int Step() const { return GlowStep; }
    int IsRepeating() const { return Repeating; }
    int IsWaiting() const { return RepeatWaiting; }
};

// Records the button events as "<caption> <event> <down state>".
class BtnLog : public TmyEventLog {
public:
    void Watch(Tmy_Btn* button)
    {
        button->OnToggle.Set(this, &BtnLog::Toggled);
        button->OnClick.Set(this, &BtnLog::Clicked);
        button->OnAutoRepeat.Set(this, &BtnLog::Repeated);
        button->OnMouseUp.Set(this, &BtnLog::MouseUp);
    }
    int Toggled(Tmy_Btn* b) { return Note(b, "toggle"); }
    int Clicked(Tmy_Btn* b) { return Note(b, "click"); }
    int Repeated(Tmy_Btn* b) { return Note(b, "repeat"); }
    int MouseUp(TmyControl* c, unsigned, int, int) { return Note(static_cast<Tmy_Btn*>(c), "up"); }

private:
    int Note(Tmy_Btn* b, const char* event)
    {
        Add(std::string(b->GetCaption().c_str()) + " " + event + " " + std::to_string(b->IsDown()));
        return 0;
    }
};

using Entries = std::vector<std::string>;

// A host window with buttons inside; mouse input arrives as window messages
// in the host's client coordinates.
class BtnTest : public ::testing::Test {
protected:
    BtnTest() : Host(new TmyTestHost(300, 120, hostBack)) {}
    ~BtnTest() override
    {
        delete Host;
        PumpPending();
        // Mouse moves make the application's hover monitor; it is no leak of the test.
        ReleaseApplicationHoverMonitor();
        ReleaseApplicationToolTip();
        EXPECT_TRUE(Application.ThunkSlots.IsEmpty()) << "a test leaked a thunk";
    }

    template <typename T = TestBtn>
    T* Add(const char* caption, int x, int group = 0, TmyControl* parent = nullptr)
    {
        T* button = new T(caption, parent ? parent : Host, x, 10, 40, 30);
        button->SetGroup(group);
        Log.Watch(button);
        return button;
    }
    void Send(UINT message, WPARAM keys, int x, int y)
    {
        SendMessageA(Host->GetWindow(), message, keys, MAKELPARAM(x, y));
    }
    // Press and release at the centre of control.
    void ClickOn(TmyControl* control)
    {
        const POINT at = Centre(control);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, at.x, at.y);
        Send(WM_LBUTTONUP, 0, at.x, at.y);
    }
    POINT Centre(TmyControl* control)
    {
        const RECT& r = control->GetBounds();
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // Puts the system cursor over the host's client point (x, y).
    void CursorTo(int x, int y)
    {
        POINT point{x, y};
        ClientToScreen(Host->GetWindow(), &point);
        SetCursorPos(point.x, point.y);
    }

    TmyTestHost* Host;
    BtnLog Log;
};

// ---- Clicks and toggle groups ------------------------------------------------

using BtnClick = BtnTest;

TEST_F(BtnClick, PressAndReleaseInsideClicksOncePushButtonStaysUp)
{
    TestBtn* button = Add("A", 10);
    const POINT at = Centre(button);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, at.x, at.y);
    EXPECT_TRUE(button->IsPressed());
    Send(WM_LBUTTONUP, 0, at.x, at.y);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_FALSE(button->IsDown());
    EXPECT_EQ(1, Log.Count("A click 0"));
    EXPECT_EQ(1, Log.Count("A up 0"));
}

TEST_F(BtnClick, ReleaseAfterDraggingOutFiresMouseUpButNoClick)
{
    TestBtn* button = Add("A", 10, 1);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 150, 25);
    EXPECT_FALSE(button->IsPressed());
    Send(WM_LBUTTONUP, 0, 150, 25);
    EXPECT_EQ((Entries{"A repeat 0", "A up 0"}), Log.Entries);
    EXPECT_FALSE(button->IsDown());
}

TEST_F(BtnClick, DragThatStartedOutsideTheWindowNeitherPressesNorClicks)
{
    TestBtn* button = Add("A", 10);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 25);
    EXPECT_FALSE(button->IsPressed());
    Send(WM_LBUTTONUP, 0, 30, 25);
    EXPECT_EQ(0, Log.Count("A click 0"));
}

TEST_F(BtnClick, ClickingSecondGroupMemberReleasesTheFirstAndClickSeesTheNewState)
{
    TestBtn* first = Add("A", 10, 1);
    TestBtn* second = Add("B", 60, 1);
    ClickOn(first);
    Log.Entries.clear();
    ClickOn(second);
    EXPECT_FALSE(first->IsDown());
    EXPECT_TRUE(second->IsDown());
    EXPECT_EQ((Entries{"B repeat 0", "B up 0", "B toggle 1", "A toggle 0", "B click 1"}), Log.Entries);
}

TEST_F(BtnClick, TheOnlyDownMemberStaysDownUnlessTheGroupAllowsAllUp)
{
    TestBtn* first = Add("A", 10, 1);
    TestBtn* second = Add("B", 60, 1);
    ClickOn(first);
    ClickOn(first);
    EXPECT_TRUE(first->IsDown());
    EXPECT_EQ(2, Log.Count("A click 1"));

    // Set on one member, the flag holds for the whole group.
    second->SetAllowAllUp(1);
    ClickOn(first);
    EXPECT_FALSE(first->IsDown());
    EXPECT_EQ(1, Log.Count("A click 0"));
}

TEST_F(BtnClick, GroupsAreSeparateByNumberAndByParent)
{
    TmyControl* other = new TmyControl(Host, 150, 0, 150, 60);
    TestBtn* first = Add("A", 10, 1);
    TestBtn* otherGroup = Add("B", 60, 2);
    TestBtn* otherParent = Add("C", 10, 1, other);
    first->SetDown(1);
    otherGroup->SetDown(1);
    otherParent->SetDown(1);
    TestBtn* second = Add("D", 110, 1);
    ClickOn(second);
    EXPECT_FALSE(first->IsDown());
    EXPECT_TRUE(otherGroup->IsDown());
    EXPECT_TRUE(otherParent->IsDown());
    // Allow all up does not spread to another group either.
    first->SetAllowAllUp(1);
    EXPECT_EQ(0, otherGroup->SetDown(0));
}

TEST_F(BtnClick, SetDownRefusesToRaiseTheOnlyMemberAndNotifiesOnlyWhenAsked)
{
    TestBtn* first = Add("A", 10, 1);
    TestBtn* second = Add("B", 60, 1);
    EXPECT_EQ(1, first->SetDown(1));
    EXPECT_EQ(0, first->SetDown(1));
    EXPECT_EQ(0, first->SetDown(0));
    EXPECT_TRUE(first->IsDown());
    EXPECT_EQ(1, second->SetDown(1, 1));
    EXPECT_EQ((Entries{"A toggle 1", "A toggle 0", "B toggle 1", "B click 1"}), Log.Entries);
}

TEST_F(BtnClick, LinkedControlIsEnabledWhileTheButtonIsDown)
{
    TmyControl* linked = new TmyControl(Host, 200, 60, 20, 20);
    linked->SetEnabled(0);
    TestBtn* button = Add("A", 10, 1);
    button->SetAllowAllUp(1);
    button->SetLinkedControl(linked);
    ClickOn(button);
    EXPECT_TRUE(linked->IsEnabled());
    ClickOn(button);
    EXPECT_FALSE(linked->IsEnabled());
}

TEST_F(BtnClick, ModalResultEndsTheLoopOfTheNearestWindowAboveTheButton)
{
    TmyComponent dialog("dialog", WS_POPUP, 0, 0, 0, 200, 100, Host->GetWindow());
    TmyControl* inner = new TmyControl(&dialog, 20, 20, 100, 50);
    TestBtn* button = Add("A", 10, 0, inner);
    button->SetModalResult(7);
    const POINT at{20 + 30, 20 + 25};
    PostMessageA(dialog.GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(dialog.GetWindow(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(7, dialog.RunModal(nullptr));
    EXPECT_EQ(1, Log.Count("A click 0"));
}

// ---- Auto-repeat -------------------------------------------------------------

using BtnRepeat = BtnTest;

TEST_F(BtnRepeat, HoldingRepeatsAtPressThenOnEveryTimerTickUntilRelease)
{
    TestBtn* button = Add("A", 10);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    EXPECT_EQ(1, Log.Count("A repeat 0"));
    ASSERT_NE(0u, button->RepeatTimerId());
    ASSERT_TRUE(PumpUntil([&] { return Log.Count("A repeat 0") == 2; }, 5000));
    EXPECT_FALSE(button->InDelayPhase());
    EXPECT_NE(0u, button->RepeatTimerId());
    ASSERT_TRUE(PumpUntil([&] { return Log.Count("A repeat 0") == 5; }, 5000));
    Send(WM_LBUTTONUP, 0, 30, 25);
    EXPECT_EQ(0u, button->RepeatTimerId());
    const int repeats = Log.Count("A repeat 0");
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(repeats, Log.Count("A repeat 0"));
}

TEST_F(BtnRepeat, DisablingAHeldButtonStopsItsRepeatEvenWhenDraggedOff)
{
    TestBtn* button = Add("A", 10);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 200, 25);
    button->SetEnabled(0);
    EXPECT_EQ(0u, button->RepeatTimerId());
    PumpUntil([] { return false; }, 700);
    EXPECT_EQ(1, Log.Count("A repeat 0"));
    Send(WM_LBUTTONUP, 0, 200, 25);
}

// ---- Handlers that delete their own button ------------------------------------

using MouseHandler = int (TmySelfDeleter::*)(TmyControl*, unsigned, int, int);
constexpr MouseHandler deleteOnMouse = &TmySelfDeleter::Delete<TmyControl*, unsigned, int, int>;
constexpr int (TmySelfDeleter::*deleteButton)(Tmy_Btn*) = &TmySelfDeleter::Delete<Tmy_Btn*>;

TEST_F(BtnClick, HandlersThatDeleteTheirButtonLeaveItUntouched)
{
    using Btn = TmyPoisoned<TestBtn>;
    ExpectUntouchedAfterSelfDelete<Btn>(
        [&] { return new Btn("x", Host, 10, 10, 40, 30); }, {{"OnClick of SetDown",
                [](Btn* b, TmySelfDeleter* d) {
                    b->OnClick.Set(d, deleteButton);
                    b->SetDown(1, 1);
                }},
               {"OnMouseDown",
                [](Btn* b, TmySelfDeleter* d) {
                    b->OnMouseDown.Set(d, deleteOnMouse);
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                }},
               {"OnMouseUp",
                [](Btn* b, TmySelfDeleter* d) {
                    b->OnMouseUp.Set(d, deleteOnMouse);
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                    b->LeftButtonUp(0, 5, 5);
                }},
               {"OnToggle of a release",
                [](Btn* b, TmySelfDeleter* d) {
                    b->SetGroup(1);
                    b->OnToggle.Set(d, deleteButton);
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                    b->LeftButtonUp(0, 5, 5);
                }},
               {"OnTimer",
                [](Btn* b, TmySelfDeleter* d) {
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                    b->OnTimer.Set(d, &TmySelfDeleter::Delete<TmyControl*, UINT_PTR>);
                    b->Timer(b->RepeatTimerId());
                }}});
    using Btn2 = TmyPoisoned<TestBtn2>;
    ExpectUntouchedAfterSelfDelete<Btn2>(
        [&] { return new Btn2("x", Host, 10, 10, 40, 30); }, {{"OnMouseDown of Tmy_Btn2",
                [](Btn2* b, TmySelfDeleter* d) {
                    b->OnMouseDown.Set(d, deleteOnMouse);
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                }},
               {"OnMouseUp of Tmy_Btn2",
                [](Btn2* b, TmySelfDeleter* d) {
                    b->OnMouseUp.Set(d, deleteOnMouse);
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                    b->LeftButtonUp(0, 5, 5);
                }},
               {"OnAutoRepeat of a Tmy_Btn2 tick",
                [](Btn2* b, TmySelfDeleter* d) {
                    b->LeftButtonDown(MK_LBUTTON, 5, 5);
                    b->OnAutoRepeat.Set(d, deleteButton);
                    for (int tick = 0; tick < 100 && !d->Deleted; ++tick)
                        b->Timer(b->AnimationTimerId());
                }}});
}

// ---- Picture -----------------------------------------------------------------

// An 8 x 8 picture: magenta key at the top-left and in the left half of row
// 4, white elsewhere, red at (6, 6) and grey at (5, 1).
HBITMAP MakePicture()
{
    uint32_t pixels[64];
    for (int i = 0; i < 64; ++i)
        pixels[i] = 0xFFFFFF;
    pixels[0] = 0xFF00FF;
    for (int x = 0; x < 4; ++x)
        pixels[4 * 8 + x] = 0xFF00FF;
    pixels[6 * 8 + 6] = 0xFF0000;
    pixels[1 * 8 + 5] = 0x808080;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    memcpy(bits, pixels, sizeof pixels);
    return bitmap;
}

// A tint of white: every channel scaled by 255 / 256.
COLORREF TintOfWhite(COLORREF tint)
{
    return RGB(GetRValue(tint) * 255 / 256, GetGValue(tint) * 255 / 256, GetBValue(tint) * 255 / 256);
}

// A half-transparent tint pixel (alpha 128) blended over a face colour; the
// blend may round either way.
::testing::AssertionResult IsHalfTintOver(COLORREF tint, COLORREF face, COLORREF actual)
{
    const int tints[3] = {GetRValue(tint), GetGValue(tint), GetBValue(tint)};
    const int faces[3] = {GetRValue(face), GetGValue(face), GetBValue(face)};
    const int got[3] = {GetRValue(actual), GetGValue(actual), GetBValue(actual)};
    for (int i = 0; i < 3; ++i) {
        const int expected = 128 * tints[i] / 256 + faces[i] * 127 / 255;
        if (got[i] < expected - 1 || got[i] > expected + 1)
            return ::testing::AssertionFailure() << "channel " << i << " is " << got[i] << ", not " << expected;
    }
    return ::testing::AssertionSuccess();
}

class BtnPicture : public BtnTest {
protected:
    BtnPicture() : Canvas(300, 120)
    {
        Button = Add("", 10);
        Button->Resize(40, 40);
        Button->SetBackColor(RGB(0, 0, 90));
        Button->SetDisabledColor(RGB(136, 136, 136));
        Button->SetForeColor(RGB(200, 100, 0));
        Button->SetPicture(MakePicture());
        // Centred in the 34 x 34 inside of the button's 3-pixel bevel.
        Left = 10 + 3 + (34 - 8) / 2;
        Top = 10 + 3 + (34 - 8) / 2;
    }
    COLORREF At(int x, int y)
    {
        RenderWindow(Host->GetWindow(), Canvas);
        return Canvas.Pixel(Left + x, Top + y);
    }
    TmyTestCanvas Canvas;
    TestBtn* Button;
    int Left;
    int Top;
};

TEST_F(BtnPicture, OwnColoursShowOpaqueAndKeyPixelsShowTheFaceBehind)
{
    EXPECT_EQ(RGB(0, 0, 90), At(0, 0));
    EXPECT_EQ(RGB(0, 0, 90), At(3, 4));
    EXPECT_EQ(RGB(255, 255, 255), At(4, 4));
    EXPECT_EQ(RGB(255, 0, 0), At(6, 6));
    EXPECT_EQ(ColouringOwn, Button->GetColouring());
}

TEST_F(BtnPicture, DisabledShowsASilhouetteInTheDisabledColourAndEnablingRestoresIt)
{
    Button->SetEnabled(0);
    EXPECT_EQ(TintOfWhite(RGB(136, 136, 136)), At(1, 1));
    EXPECT_EQ(RGB(0, 0, 90), At(0, 0));
    EXPECT_EQ(RGB(0, 0, 90), At(2, 4));
    EXPECT_TRUE(IsHalfTintOver(RGB(136, 136, 136), RGB(0, 0, 90), At(5, 1)));
    EXPECT_EQ(ColouringDisabled, Button->GetColouring());
    Button->SetEnabled(1);
    EXPECT_EQ(RGB(255, 255, 255), At(1, 1));
}

TEST_F(BtnPicture, PressedPictureIsTintedWithTheBackColour)
{
    Button->SetBackColor(RGB(100, 200, 40));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
    // The pressed look moves nothing of the picture; only its colours change.
    EXPECT_EQ(TintOfWhite(RGB(100, 200, 40)), At(1, 1));
    EXPECT_EQ(RGB(100, 200, 40), At(0, 0));
    Send(WM_LBUTTONUP, 0, 30, 30);
    EXPECT_EQ(RGB(255, 255, 255), At(1, 1));
}

TEST_F(BtnPicture, TintedPictureFollowsTheTextColourAsItChanges)
{
    Button->SetTintedPicture(1);
    EXPECT_EQ(TintOfWhite(RGB(200, 100, 0)), At(1, 1));
    Button->SetForeColor(RGB(0, 250, 100));
    EXPECT_EQ(ColouringTextColor, Button->GetColouring());
    EXPECT_EQ(TintOfWhite(RGB(0, 250, 100)), At(1, 1));
    EXPECT_EQ(RGB(0, 0, 90), At(0, 0));
}

// ---- Tmy_Btn2 glow and repeat -------------------------------------------------

class Btn2Glow : public BtnTest {
protected:
    Btn2Glow()
    {
        GetCursorPos(&SavedCursor);
        Host->SetFlat(1);
        Button = Add<TestBtn2>("A", 10);
        CursorTo(30, 25);
    }
    ~Btn2Glow() override { SetCursorPos(SavedCursor.x, SavedCursor.y); }
    // Enters the button: the pointer is over it and a move reaches it.
    void Hover()
    {
        CursorTo(30, 25);
        Send(WM_MOUSEMOVE, 0, 30, 25);
    }
    void Tick() { Button->Timer(Button->AnimationTimerId()); }
    std::vector<int> GlowOverTicks(int ticks)
    {
        std::vector<int> glows;
        for (int i = 0; i < ticks; ++i) {
            Tick();
            glows.push_back(Button->GetGlow());
        }
        return glows;
    }
    TestBtn2* Button;
    POINT SavedCursor{0, 0};
};

TEST_F(Btn2Glow, HoverBrightensInFourStepsAndLeavingFadesBackAndStopsTheTimer)
{
    Hover();
    ASSERT_TRUE(Button->IsHovering());
    ASSERT_NE(BtnNoTimer, Button->AnimationTimerId());
    EXPECT_EQ((std::vector<int>{20, 40, 60, 80, 80}), GlowOverTicks(5));

    CursorTo(250, 100);
    Tick();
    EXPECT_FALSE(Button->IsHovering());
    EXPECT_EQ(-BtnGlowStep, Button->Step());
    EXPECT_NE(BtnNoTimer, Button->AnimationTimerId());
    EXPECT_EQ((std::vector<int>{60, 40, 20, 0}), GlowOverTicks(4));
    EXPECT_EQ(BtnNoTimer, Button->AnimationTimerId());
}

TEST_F(Btn2Glow, HeldButtonRepeatsOnceThe500MsCountdownRanOutIn30MsSteps)
{
    Hover();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    EXPECT_EQ(1, Log.Count("A repeat 0"));
    GlowOverTicks(16);  // 16 x 30 = 480 ms counted
    EXPECT_EQ(1, Log.Count("A repeat 0"));
    EXPECT_TRUE(Button->IsWaiting());
    Tick();
    EXPECT_EQ(2, Log.Count("A repeat 0"));
    EXPECT_TRUE(Button->IsRepeating());
    GlowOverTicks(3);
    EXPECT_EQ(5, Log.Count("A repeat 0"));

    Send(WM_LBUTTONUP, 0, 30, 25);
    EXPECT_FALSE(Button->IsRepeating());
    EXPECT_NE(BtnNoTimer, Button->AnimationTimerId()) << "the glow keeps animating";
    GlowOverTicks(2);
    EXPECT_EQ(5, Log.Count("A repeat 0"));
    EXPECT_EQ(1, Log.Count("A click 0"));
}

TEST_F(Btn2Glow, RepeatThroughTheRealTimerStartsAfterTheCountdown)
{
    Hover();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    ASSERT_TRUE(PumpUntil([&] { return Log.Count("A repeat 0") >= 3; }, 5000));
    Send(WM_LBUTTONUP, 0, 30, 25);
}

TEST_F(Btn2Glow, DisablingStopsTheAnimationAndAHeldRepeat)
{
    Hover();
    GlowOverTicks(2);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    Button->SetEnabled(0);
    EXPECT_EQ(BtnNoTimer, Button->AnimationTimerId());
    EXPECT_EQ(0, Button->GetGlow());
    Send(WM_LBUTTONUP, 0, 30, 25);

    // Enabled again, the next hover glows from the start.
    Button->SetEnabled(1);
    Hover();
    EXPECT_EQ((std::vector<int>{20}), GlowOverTicks(1));
}

// ---- Tmy_Btn2 flat face ----------------------------------------------------------

class Btn2Face : public Btn2Glow {
protected:
    Btn2Face() : Canvas(300, 120)
    {
        Button->SetCaption("");
        Button->SetBackColor(RGB(100, 100, 100));
        Button->SetFieldColor(RGB(0, 80, 160));
        Button->SetBorderWidth(1);
    }
    // The middle row of the face gradient shows the face colour itself.
    COLORREF FaceColour()
    {
        RenderWindow(Host->GetWindow(), Canvas);
        const int top = 10 + Button->BorderMargin();
        const int bottom = 10 + 30 - Button->BorderMargin();
        return Canvas.Pixel(30, top + (bottom - top) / 2);
    }
    TmyTestCanvas Canvas;
};

TEST_F(Btn2Face, GlowLightensTheFaceByHalfItsFractionWhileUp)
{
    EXPECT_EQ(RGB(100, 100, 100), FaceColour());
    Hover();
    GlowOverTicks(4);
    EXPECT_EQ(ShadeColor(RGB(100, 100, 100), 80 / 255.0 / 2), FaceColour());
}

TEST_F(Btn2Face, PressedFaceUsesTheFieldColourWithTheWholeGlow)
{
    Hover();
    GlowOverTicks(4);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 25);
    EXPECT_EQ(ShadeColor(RGB(0, 80, 160), 80 / 255.0), FaceColour());
    Send(WM_LBUTTONUP, 0, 30, 25);
}

TEST_F(Btn2Face, BackBufferPaintsTheSamePixels)
{
    // Full glow: the real timer ticking while the window paints changes nothing.
    Hover();
    GlowOverTicks(4);
    Button->SetCaption("Go");
    RenderWindow(Host->GetWindow(), Canvas);
    std::vector<COLORREF> direct;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 50; ++x)
            direct.push_back(Canvas.Pixel(x, y));
    Button->SetDoubleBuffered(1);
    Canvas.Fill(0);
    RenderWindow(Host->GetWindow(), Canvas);
    for (int y = 10, i = 0; y < 40; ++y)
        for (int x = 10; x < 50; ++x, ++i)
            ASSERT_EQ(direct[i], Canvas.Pixel(x, y)) << x << "," << y;
}

}  // namespace
