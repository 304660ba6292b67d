// TmyButton through real window messages: toggle groups, press and drag,
// keyboard operation, auto-repeat timers, modal results, the linked control
// and the drawn look.
#include "myButton.h"

#include <gtest/gtest.h>

#include <string>

#include "myDrawing.h"
#include "myPanelTest.h"
#include "myTestGraveyard.h"

namespace {

constexpr COLORREF HostBack = RGB(0, 128, 0);
constexpr int ButtonSize = 40;

LPARAM Point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// Records the button events by the button's caption (a click also notes the
// down state it sees) and counts the auto-repeats apart.
class ButtonLog : public TmyEventLog {
public:
    void Watch(TmyButton* button)
    {
        button->OnToggle.Set(this, &ButtonLog::Toggled);
        button->OnClick.Set(this, &ButtonLog::Clicked);
        button->OnAutoRepeat.Set(this, &ButtonLog::Repeated);
        button->OnMouseUp.Set(this, &ButtonLog::MouseUp);
    }
    int Toggled(TmyButton* button) { return Note("toggle ", button); }
    int Clicked(TmyButton* button) { return Note(button->IsDown() ? "click down " : "click up ", button); }
    int Repeated(TmyButton*)
    {
        ++Repeats;
        return 0;
    }
    int MouseUp(TmyControl* control, unsigned, int, int)
    {
        return Note("mouse up ", static_cast<TmyButton*>(control));
    }

    int Repeats = 0;

private:
    int Note(const char* what, TmyButton* button)
    {
        Add(what + std::string(button->GetTextString().c_str()));
        return 0;
    }
};

class ButtonTest : public TmyWidgetTest {
protected:
    void SetUp() override { Host = new TmyTestHost(300, 200, HostBack); }
    void TearDown() override
    {
        delete Host;
        TmyWidgetTest::TearDown();
    }
    TmyButton* AddButton(const char* caption, int x, DWORD extraStyle = 0)
    {
        auto* button = new TmyButton(caption, Host->GetWindow(), x, 10, ButtonSize, ButtonSize,
                                     WS_CHILD | WS_VISIBLE | extraStyle);
        Log.Watch(button);
        return button;
    }
    static void Press(TmyButton* button, int x = 5, int y = 5)
    {
        SendMessageA(button->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    }
    static void Drag(TmyButton* button, int x, int y)
    {
        SendMessageA(button->GetWindow(), WM_MOUSEMOVE, MK_LBUTTON, Point(x, y));
    }
    static void Release(TmyButton* button, int x = 5, int y = 5)
    {
        SendMessageA(button->GetWindow(), WM_LBUTTONUP, 0, Point(x, y));
    }
    static void Click(TmyButton* button)
    {
        Press(button);
        Release(button);
    }
    static void Key(TmyButton* button, UINT message, WPARAM key)
    {
        SendMessageA(button->GetWindow(), message, key, 1);
    }

    TmyTestHost* Host = nullptr;
    ButtonLog Log;
};

using Entries = std::vector<std::string>;

// ---- Toggle groups -------------------------------------------------------------

using ButtonGroup = ButtonTest;

TEST_F(ButtonGroup, ClickingSecondMemberReleasesFirstBeforeTheClick)
{
    TmyButton* first = AddButton("a", 10);
    TmyButton* second = AddButton("b", 60);
    first->SetGroup(1);
    second->SetGroup(1);
    Click(first);
    Click(second);
    EXPECT_FALSE(first->IsDown());
    EXPECT_TRUE(second->IsDown());
    EXPECT_EQ((Entries{"mouse up a", "toggle a", "click down a", "mouse up b", "toggle b", "toggle a",
                       "click down b"}),
              Log.Entries);
}

TEST_F(ButtonGroup, ClickingTheOnlyDownMemberLeavesItDown)
{
    TmyButton* first = AddButton("a", 10);
    AddButton("b", 60)->SetGroup(1);
    first->SetGroup(1);
    Click(first);
    Click(first);
    EXPECT_TRUE(first->IsDown());
    EXPECT_EQ(1, Log.Count("toggle a"));
    EXPECT_EQ(2, Log.Count("click down a"));
    EXPECT_EQ(3, first->GetProperty(PropBorderStyle));
}

TEST_F(ButtonGroup, AllowAllUpLetsTheDownMemberGoUp)
{
    TmyButton* first = AddButton("a", 10);
    first->SetGroup(1);
    first->SetAllowAllUp(1);
    Click(first);
    Click(first);
    EXPECT_FALSE(first->IsDown());
    EXPECT_EQ(2, Log.Count("toggle a"));
    EXPECT_EQ(1, Log.Count("click up a"));
    EXPECT_EQ(4, first->GetProperty(PropBorderStyle));
}

TEST_F(ButtonGroup, ButtonsUnderAnotherParentAreNotInTheGroup)
{
    TmyButton* first = AddButton("a", 10);
    TmyPanel* panel = new TmyPanel("", Host->GetWindow(), 100, 100, 80, 80, WS_CHILD | WS_VISIBLE, 0);
    auto* inner = new TmyButton("i", panel->GetWindow(), 5, 5, 30, 30, WS_CHILD | WS_VISIBLE);
    first->SetGroup(1);
    inner->SetGroup(1);
    Click(inner);
    Click(first);
    EXPECT_TRUE(inner->IsDown());
    EXPECT_TRUE(first->IsDown());
}

TEST_F(ButtonGroup, SetDownFromCodeReleasesOthersWithoutClicking)
{
    TmyButton* first = AddButton("a", 10);
    TmyButton* second = AddButton("b", 60);
    first->SetGroup(1);
    second->SetGroup(1);
    EXPECT_EQ(1, first->SetDown(1));
    EXPECT_EQ(1, second->SetDown(1));
    EXPECT_FALSE(first->IsDown());
    EXPECT_EQ((Entries{"toggle a", "toggle b", "toggle a"}), Log.Entries);
    EXPECT_EQ(0, second->SetDown(1));
    // The only down member refuses to go up.
    EXPECT_EQ(0, second->SetDown(0));
    EXPECT_EQ(4, first->GetProperty(PropBorderStyle));
    EXPECT_EQ(3, second->GetProperty(PropBorderStyle));
}

TEST_F(ButtonGroup, SetDownWithNotifyClicksAfterTheChange)
{
    TmyButton* plain = AddButton("a", 10);
    plain->SetDown(1, 1);
    plain->SetDown(1, 1);
    EXPECT_EQ((Entries{"toggle a", "click down a"}), Log.Entries);
}

TEST_F(ButtonGroup, LinkedControlEnabledStateFollowsDown)
{
    TmyButton* button = AddButton("a", 10);
    auto* linked = new TmyControl(Host, 200, 10, 20, 20);
    button->SetGroup(1);
    button->SetAllowAllUp(1);
    button->SetLinkedControl(linked);
    linked->SetEnabled(0);
    Click(button);
    EXPECT_TRUE(linked->IsEnabled());
    Click(button);
    EXPECT_FALSE(linked->IsEnabled());
}

// ---- Mouse -------------------------------------------------------------------

using ButtonMouse = ButtonTest;

TEST_F(ButtonMouse, PressShowsSunkenLookAndReleaseClicks)
{
    TmyButton* button = AddButton("a", 10);
    EXPECT_EQ(4, button->GetProperty(PropBorderStyle));
    Press(button);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(3, button->GetProperty(PropBorderStyle));
    Release(button);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_FALSE(button->IsDown());
    EXPECT_EQ(4, button->GetProperty(PropBorderStyle));
    EXPECT_EQ((Entries{"mouse up a", "click up a"}), Log.Entries);
}

TEST_F(ButtonMouse, DragOutAndReleaseOutsideGivesNoClick)
{
    TmyButton* button = AddButton("a", 10);
    button->SetGroup(1);
    Press(button);
    Drag(button, ButtonSize + 5, 5);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(4, button->GetProperty(PropBorderStyle));
    Release(button, ButtonSize + 5, 5);
    EXPECT_FALSE(button->IsDown());
    EXPECT_EQ(0, Log.Count("click up a") + Log.Count("click down a"));
    EXPECT_EQ(1, Log.Count("mouse up a"));
    EXPECT_EQ(4, button->GetProperty(PropBorderStyle));
}

TEST_F(ButtonMouse, DraggingBackInsidePressesAgainAndClicks)
{
    TmyButton* button = AddButton("a", 10);
    Press(button);
    Drag(button, -3, 5);
    Drag(button, 10, 10);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(3, button->GetProperty(PropBorderStyle));
    Release(button, 10, 10);
    EXPECT_EQ(1, Log.Count("click up a"));
}

TEST_F(ButtonMouse, TabStopButtonTakesTheFocusOnPress)
{
    TmyButton* plain = AddButton("a", 10);
    TmyButton* tabStop = AddButton("b", 60, WS_TABSTOP);
    Click(plain);
    EXPECT_NE(plain->GetWindow(), GetFocus());
    Click(tabStop);
    EXPECT_EQ(tabStop->GetWindow(), GetFocus());
}

// ---- Keyboard ------------------------------------------------------------------

using ButtonKeyboard = ButtonTest;

TEST_F(ButtonKeyboard, SpacePressesAndItsReleaseClicks)
{
    TmyButton* button = AddButton("a", 10);
    Key(button, WM_KEYDOWN, VK_SPACE);
    Key(button, WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(3, button->GetProperty(PropBorderStyle));
    EXPECT_EQ(0, Log.Count("click up a"));
    Key(button, WM_KEYUP, VK_SPACE);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(4, button->GetProperty(PropBorderStyle));
    EXPECT_EQ((Entries{"click up a"}), Log.Entries);
    EXPECT_EQ(2, Log.Repeats);
}

TEST_F(ButtonKeyboard, EnterClicksAtOnceAndTogglesGroupMembers)
{
    TmyButton* first = AddButton("a", 10);
    TmyButton* second = AddButton("b", 60);
    first->SetGroup(1);
    second->SetGroup(1);
    Key(first, WM_KEYDOWN, VK_RETURN);
    Key(second, WM_KEYDOWN, VK_RETURN);
    Key(second, WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(first->IsDown());
    EXPECT_TRUE(second->IsDown());
    EXPECT_EQ((Entries{"toggle a", "click down a", "toggle b", "toggle a", "click down b", "click down b"}),
              Log.Entries);
}

// ---- Auto-repeat -----------------------------------------------------------------

using ButtonRepeat = ButtonTest;

TEST_F(ButtonRepeat, DelayTickSwitchesToTheRepeatTimer)
{
    TmyButton* button = AddButton("a", 10);
    Press(button);
    EXPECT_EQ(1, Log.Repeats);
    SendMessageA(button->GetWindow(), WM_TIMER, 1, 0);
    EXPECT_EQ(2, Log.Repeats);
    SendMessageA(button->GetWindow(), WM_TIMER, 2, 0);
    SendMessageA(button->GetWindow(), WM_TIMER, 2, 0);
    EXPECT_EQ(4, Log.Repeats);
    // The delay timer is gone, the repeat timer runs until the release.
    EXPECT_FALSE(KillTimer(button->GetWindow(), 1));
    Release(button);
    EXPECT_FALSE(KillTimer(button->GetWindow(), 2));
}

TEST_F(ButtonRepeat, HoldingTheButtonRepeatsUntilRelease)
{
    TmyButton* button = AddButton("a", 10);
    Press(button);
    EXPECT_TRUE(PumpUntil([&] { return Log.Repeats >= 4; }, 10000));
    Release(button);
    const int repeats = Log.Repeats;
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(repeats, Log.Repeats);
}

// A held button that is disabled, or whose capture another window takes,
// lets go: raised look, both timers gone, and a later release is no click.
TEST_F(ButtonRepeat, DisablingOrLosingTheCaptureEndsTheHold)
{
    const struct {
        const char* cause;
        void (*end)(TmyButton*, HWND host);
    } cases[] = {
        {"disabled", [](TmyButton* button, HWND) { button->SetEnabled(0); }},
        {"capture lost", [](TmyButton*, HWND host) { SetCapture(host); }},
    };
    for (const auto& c : cases) {
        TmyButton* button = AddButton(c.cause, 10);
        Press(button);
        SendMessageA(button->GetWindow(), WM_TIMER, 1, 0);
        c.end(button, Host->GetWindow());
        EXPECT_FALSE(button->IsPressed()) << c.cause;
        EXPECT_EQ(4, button->GetProperty(PropBorderStyle)) << c.cause;
        EXPECT_FALSE(KillTimer(button->GetWindow(), 1)) << c.cause;
        EXPECT_FALSE(KillTimer(button->GetWindow(), 2)) << c.cause;
        ReleaseCapture();
        Release(button);
        EXPECT_EQ(0, Log.Count(std::string("click up ") + c.cause)) << c.cause;
        delete button;
    }
}

// Each case arms a handler that deletes the button and drives the button's
// own slots until it ran; the button must touch nothing of itself afterwards.
TEST_F(ButtonRepeat, HandlersThatDeleteTheirButtonLeaveItUntouched)
{
    using Button = TmyPoisoned<TmyButton>;
    using MouseHandler = int (TmySelfDeleter::*)(TmyControl*, unsigned, int, int);
    using KeyHandler = int (TmySelfDeleter::*)(TmyControl*, unsigned, unsigned);
    constexpr MouseHandler onMouse = &TmySelfDeleter::Delete<TmyControl*, unsigned, int, int>;
    constexpr KeyHandler onKey = &TmySelfDeleter::Delete<TmyControl*, unsigned, unsigned>;
    ExpectUntouchedAfterSelfDelete<Button>(
        [&] { return new Button("x", Host->GetWindow(), 10, 10, ButtonSize, ButtonSize, WS_CHILD | WS_VISIBLE); }, {
        {"OnMouseDown",
         [](Button* b, TmySelfDeleter* d) {
             b->OnMouseDown.Set(d, onMouse);
             b->LeftButtonDown(MK_LBUTTON, 5, 5);
         }},
        {"OnMouseUp",
         [](Button* b, TmySelfDeleter* d) {
             b->OnMouseUp.Set(d, onMouse);
             b->LeftButtonDown(MK_LBUTTON, 5, 5);
             b->LeftButtonUp(0, 5, 5);
         }},
        {"OnMouseMove",
         [](Button* b, TmySelfDeleter* d) {
             b->OnMouseMove.Set(d, onMouse);
             b->MouseMoved(MK_LBUTTON, 5, 5);
         }},
        {"OnKeyUp",
         [](Button* b, TmySelfDeleter* d) {
             b->OnKeyUp.Set(d, onKey);
             b->KeyDown(VK_SPACE, 0);
             b->KeyUp(VK_SPACE, 0);
         }},
        {"OnTimer",
         [](Button* b, TmySelfDeleter* d) {
             b->OnTimer.Set(d, &TmySelfDeleter::Delete<TmyControl*, UINT_PTR>);
             b->Timer(1);
         }},
        {"OnToggle of Enter",
         [](Button* b, TmySelfDeleter* d) {
             b->SetGroup(1);
             b->OnToggle.Set(d, &TmySelfDeleter::Delete<TmyButton*>);
             b->KeyDown(VK_RETURN, 0);
         }},
    });
}

// ---- Modal result --------------------------------------------------------------

using ButtonModal = ButtonTest;

TEST_F(ButtonModal, ClickEndsTheDialogWithTheModalResult)
{
    TmyComponent dialog("dialog", WS_POPUP, 0, 50, 50, 120, 80, Host->GetWindow());
    auto* button = new TmyButton("ok", dialog.GetWindow(), 10, 10, 40, 20, WS_CHILD | WS_VISIBLE);
    Log.Watch(button);
    button->SetModalResult(2);
    PostMessageA(button->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    PostMessageA(button->GetWindow(), WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(2, dialog.RunModal(nullptr));
    EXPECT_EQ(1, Log.Count("click up ok"));
}

// ---- Look ------------------------------------------------------------------------

class ButtonLook : public ButtonTest {
protected:
    COLORREF Back() const { return Button->GetProperty(PropBackColor); }
    void SetUp() override
    {
        ButtonTest::SetUp();
        Button = AddButton("", 10);
        Button->SetBackColor(RGB(100, 100, 100));
        Button->SetForeColor(RGB(255, 255, 255));
    }
    TmyButton* Button = nullptr;
    TmyTestCanvas Canvas{ButtonSize, ButtonSize};
};

TEST_F(ButtonLook, RaisedUpAndSunkenDown)
{
    RenderWindow(Button->GetWindow(), Canvas);
    EXPECT_GT(ColorBrightness(Canvas.Pixel(0, 0)), ColorBrightness(Back()));
    EXPECT_LT(ColorBrightness(Canvas.Pixel(ButtonSize - 1, ButtonSize - 1)), ColorBrightness(Back()));
    Button->SetDown(1);
    RenderWindow(Button->GetWindow(), Canvas);
    EXPECT_LT(ColorBrightness(Canvas.Pixel(0, 0)), ColorBrightness(Back()));
    EXPECT_GT(ColorBrightness(Canvas.Pixel(ButtonSize - 1, ButtonSize - 1)), ColorBrightness(Back()));
}

TEST_F(ButtonLook, CaptionMovesByOnePixelWhilePressed)
{
    SetWindowTextA(Button->GetWindow(), "W");
    RenderWindow(Button->GetWindow(), Canvas);
    const RECT up = Canvas.Extent(RGB(255, 255, 255));
    Press(Button);
    RenderWindow(Button->GetWindow(), Canvas);
    const RECT pressed = Canvas.Extent(RGB(255, 255, 255));
    Release(Button);
    ASSERT_LT(up.left, up.right);
    EXPECT_EQ(up.left + 1, pressed.left);
    EXPECT_EQ(up.top + 1, pressed.top);
}

TEST_F(ButtonLook, CrossGlyphTakesTheDownColourWhileDown)
{
    Button->SetGlyph(6, 10);
    Button->SetGlyphColor(RGB(255, 0, 0));
    Button->SetDownGlyphColor(RGB(0, 0, 255));
    RenderWindow(Button->GetWindow(), Canvas);
    const RECT idle = Canvas.Extent(RGB(255, 0, 0));
    EXPECT_EQ(0, Canvas.Count(RGB(0, 0, 255)));
    Button->SetDown(1);
    RenderWindow(Button->GetWindow(), Canvas);
    const RECT down = Canvas.Extent(RGB(0, 0, 255));
    EXPECT_EQ(0, Canvas.Count(RGB(255, 0, 0)));
    // A 10 x 10 cross centred in the button, one pixel lower right when down.
    EXPECT_EQ((RECT{15, 15, 25, 25}), idle);
    EXPECT_EQ((RECT{16, 16, 26, 26}), down);
}

TEST_F(ButtonLook, FocusFrameFollowsTheFocus)
{
    TmyTestCanvas unfocused(ButtonSize, ButtonSize);
    RenderWindow(Button->GetWindow(), unfocused);
    SetFocus(Button->GetWindow());
    RenderWindow(Button->GetWindow(), Canvas);
    EXPECT_LT(0, Differences(unfocused, Canvas));
    Button->SetFocusFrame(0);
    RenderWindow(Button->GetWindow(), Canvas);
    EXPECT_EQ(0, Differences(unfocused, Canvas));
}

}  // namespace
