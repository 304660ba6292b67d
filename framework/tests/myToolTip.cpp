#include "myToolTip.h"

#include <gtest/gtest.h>

#include <string>

#include "myApplication.h"
#include "myPanelTest.h"
#include "myTestInput.h"
#include "my_Label.h"

namespace {

// A host with two hinted controls and one without a hint.
class ToolTipTest : public ::testing::Test {
protected:
    ToolTipTest()
    {
        Tip->AddHint(A, "Hello");
        Tip->AddHint(B, "Second hint");
    }
    ~ToolTipTest() override
    {
        delete Host;
        PumpPending();
    }
    // The cursor at (dx, dy) from the control's top-left, and the mouse move
    // that the host window gets there; returns the cursor's screen position.
    POINT MoveTo(TmyControl* control, int dx, int dy)
    {
        EXPECT_TRUE(PlaceCursorOn(control, dx, dy));
        const LPARAM at = MAKELPARAM(control->GetLeft() + dx, control->GetTop() + dy);
        SendMessageA(Host->GetWindow(), WM_MOUSEMOVE, 0, at);
        const POINT origin = control->GetScreenPos(POINT{0, 0}, 0);
        return POINT{origin.x + dx, origin.y + dy};
    }
    // The tooltip's timer message, sent directly so that a tick runs when the test chooses.
    void Tick() { SendMessageA(Tip->GetWindow(), WM_TIMER, 1, 0); }
    bool Shown() const { return IsWindowVisible(Tip->GetWindow()) != 0; }
    std::string Text() const { return Tip->GetLabel()->GetLabelText().c_str(); }

    TmyCursorKeeper Cursor;
    TmyTestHost* Host = new TmyTestHost(300, 100, RGB(40, 40, 40));
    TmyControl* A = new TmyControl(Host, 10, 10, 50, 30);
    TmyControl* B = new TmyControl(Host, 100, 10, 50, 30);
    TmyControl* Plain = new TmyControl(Host, 200, 10, 50, 30);
    TmyToolTip* Tip = ApplicationToolTip();
};

TEST_F(ToolTipTest, HintsAreNumberedFromOneAndShowInAHiddenTopMostPopUp)
{
    EXPECT_EQ(1u, A->GetHint());
    EXPECT_EQ(2u, B->GetHint());
    EXPECT_EQ(Tip, ApplicationToolTip());
    EXPECT_EQ(70, GetTypeId(Tip));
    const LONG exStyle = GetWindowLongA(Tip->GetWindow(), GWL_EXSTYLE);
    EXPECT_TRUE(GetWindowLongA(Tip->GetWindow(), GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_FALSE(Shown());
    EXPECT_EQ(0xEEFFFF, Tip->GetLabel()->GetProperty(PropBackColor));
}

TEST_F(ToolTipTest, RestingOnHintedControlShowsTheTextAfterTheDelay)
{
    const POINT cursor = MoveTo(A, 20, 15);
    EXPECT_EQ(1u, Tip->GetCurrentHint());
    EXPECT_FALSE(Shown());
    ASSERT_TRUE(PumpUntil([&] { return Shown(); }, 5000));
    EXPECT_EQ("Hello", Text());
    RECT rect;
    GetWindowRect(Tip->GetWindow(), &rect);
    EXPECT_EQ(cursor.x, rect.left);
    EXPECT_EQ(cursor.y, rect.bottom);
    EXPECT_GT(rect.right - rect.left, Tip->GetLabel()->GetWidth() - 1);
}

TEST_F(ToolTipTest, LeavingTheControlHidesTheTipAtTheNextTick)
{
    MoveTo(A, 20, 15);
    Tick();
    ASSERT_TRUE(Shown());
    Tick();
    EXPECT_TRUE(Shown());
    ASSERT_TRUE(PlaceCursor(1, 1));
    Tick();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(0u, Tip->GetCurrentHint());
}

TEST_F(ToolTipTest, MovingToAnotherHintedControlHidesAtOnceAndShowsItsHintLater)
{
    MoveTo(A, 20, 15);
    Tick();
    ASSERT_TRUE(Shown());
    MoveTo(B, 20, 15);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(2u, Tip->GetCurrentHint());
    Tick();
    EXPECT_TRUE(Shown());
    EXPECT_EQ("Second hint", Text());
}

TEST_F(ToolTipTest, ControlWithoutHintLeavesTheTipUntilTheNextTick)
{
    MoveTo(A, 20, 15);
    Tick();
    MoveTo(Plain, 20, 15);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(1u, Tip->GetCurrentHint());
    Tick();
    EXPECT_FALSE(Shown());
}

TEST_F(ToolTipTest, DeletingTheHintedControlCancelsItsHint)
{
    MoveTo(A, 20, 15);
    Tick();
    delete A;
    EXPECT_FALSE(Shown());
    EXPECT_EQ(0u, Tip->GetCurrentHint());
    Tip->ShowHint(1);
    Tick();
    Tip->ShowHint(7);   // beyond the list
    Tick();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(0u, Tip->GetCurrentHint());
}

}  // namespace
