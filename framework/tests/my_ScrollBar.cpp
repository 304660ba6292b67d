#include "my_ScrollBar.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "myPanelTest.h"
#include "myTestInput.h"
#include "my_Btn.h"

namespace {

// A bar whose track-repeat ticks the tests run themselves.
class ProbeBar : public Tmy_ScrollBar {
public:
    using Tmy_ScrollBar::Tmy_ScrollBar;
    UINT_PTR RepeatId() const { return RepeatTimer; }
    void RepeatTick() { Timer(RepeatTimer); }
};

struct Recorder : TmyEventLog {
    int Changed(Tmy_ScrollBar*) { Add("change"); return 0; }
    int Scrolled(Tmy_ScrollBar*) { Add("scroll"); return 0; }
};

// A vertical 20 x 200 bar without border at (10, 10) of a host: buttons of
// 20 pixels at both ends, a track of 160 pixels from y = 20; range 0..100,
// page 10, so the thumb is 16 pixels and has 144 pixels of room.
class ScrollBarTest : public ::testing::Test {
protected:
    ScrollBarTest()
    {
        Bar->OnChange.Set(&Events, &Recorder::Changed);
        Bar->OnScroll.Set(&Events, &Recorder::Scrolled);
    }
    ~ScrollBarTest() override
    {
        delete Host;
        PumpPending();
    }
    // Mouse messages at bar coordinates, through the host window.
    void Send(UINT message, WPARAM keys, int x, int y)
    {
        SendMessageA(Host->GetWindow(), message, keys, MAKELPARAM(x + 10, y + 10));
    }
    void Press(int y) { Send(WM_LBUTTONDOWN, MK_LBUTTON, 10, y); }
    void Drag(int y) { Send(WM_MOUSEMOVE, MK_LBUTTON, 10, y); }
    void Release(int y) { Send(WM_LBUTTONUP, 0, 10, y); }
    void Click(int y)
    {
        Press(y);
        Release(y);
    }
    int ThumbTop() const { return Bar->GetThumb()->GetTop(); }
    bool ThumbHidden() const { return Bar->GetThumb()->HasState(StateHidden); }

    TmyTestHost* Host = new TmyTestHost(200, 240, RGB(40, 40, 40));
    ProbeBar* Bar = new ProbeBar(Host, 1, 10, 10, 20, 200, 0);
    Recorder Events;
};

// ---- Range rules and layout ---------------------------------------------------

TEST_F(ScrollBarTest, NewBarHasButtonsAtBothEndsAndAThumbSizedByThePage)
{
    Tmy_ScrollBar horizontal(Host, 0, 40, 10, 100, 20, 0);
    EXPECT_EQ(6, GetTypeId(&horizontal));
    EXPECT_EQ((RECT{80, 0, 100, 20}), horizontal.GetSecondButton()->GetBounds());
    EXPECT_EQ((RECT{0, 0, 20, 20}), Bar->GetFirstButton()->GetBounds());
    EXPECT_EQ((RECT{0, 180, 20, 200}), Bar->GetSecondButton()->GetBounds());
    EXPECT_EQ((RECT{0, 20, 20, 36}), Bar->GetThumb()->GetBounds());
    Bar->SetPosition(1);
    EXPECT_EQ(22, ThumbTop());   // 1.6 pixels rounded
}

TEST_F(ScrollBarTest, PositionIsKeptWithinMinimumAndMaximumMinusPage)
{
    Bar->SetPosition(95);
    EXPECT_EQ(90, Bar->GetPosition());
    EXPECT_EQ(164, ThumbTop());
    Bar->SetPosition(-3);
    Bar->SetPosition(0);
    EXPECT_EQ(0, Bar->GetPosition());
    EXPECT_EQ(2, Events.Count("change"));
    Bar->SetPosition(80);
    Bar->SetPage(50);
    EXPECT_EQ(50, Bar->GetPosition());
}

TEST_F(ScrollBarTest, SetAllCutsPageAndMarksToTheRangeAndNotifiesOnlyAMove)
{
    Bar->SetAll(50, 20, 5, 0, 10, 90);
    EXPECT_EQ(50, Bar->GetMaximum());
    EXPECT_EQ(0, Bar->GetPage());
    EXPECT_EQ(50, Bar->GetPosition());
    EXPECT_EQ(50, Bar->GetMarkFrom());
    EXPECT_EQ(50, Bar->GetMarkTo());
    Bar->SetAll(50, 20, 5, 0, 10, 90);
    Bar->SetAll(0, 100, -50, 100, 0, 0);   // a negative page counts as none
    EXPECT_EQ(0, Bar->GetPage());
    EXPECT_EQ(100, Bar->GetPosition());
    EXPECT_EQ(2, Events.Count("change"));
}

TEST_F(ScrollBarTest, PageCoveringTheRangeOrDisablingHidesThumbAndDisablesButtons)
{
    Bar->SetAll(0, 100, 250, 40, 0, 0);
    EXPECT_EQ(0, Bar->GetPosition());
    EXPECT_TRUE(ThumbHidden());
    EXPECT_FALSE(Bar->GetSecondButton()->IsEnabled());
    Bar->SetPage(20);
    EXPECT_FALSE(ThumbHidden());
    Bar->SetEnabled(0);
    EXPECT_TRUE(ThumbHidden());
    EXPECT_FALSE(Bar->GetFirstButton()->IsEnabled());
}

TEST_F(ScrollBarTest, ReversedBarMirrorsTheThumb)
{
    Bar->SetReversed(1);
    EXPECT_EQ(164, ThumbTop());
    Bar->SetPosition(90);
    EXPECT_EQ(20, ThumbTop());
}

TEST_F(ScrollBarTest, ValuesBeyondThirtyTwoBitsKeepTheirExactValue)
{
    const int64_t unit = int64_t{1} << 36;
    Bar->SetAll(0, 16 * unit, unit, 16 * unit, 0, 0);
    EXPECT_EQ(15 * unit, Bar->GetPosition());
    Bar->SetPosition(3 * unit);
    EXPECT_EQ(50, ThumbTop());   // thumb 10, room 150, 3/15 of it
    Bar->SetAll(INT64_MIN, INT64_MAX, 0, 0, 0, 0);
    EXPECT_EQ(97, ThumbTop());   // thumb 6 (twice its border), room 154, half of it
    Bar->SetPosition(INT64_MAX);
    EXPECT_EQ(INT64_MAX, Bar->GetPosition());
    EXPECT_EQ(174, ThumbTop());
}

// ---- Arrow buttons --------------------------------------------------------------

TEST_F(ScrollBarTest, ArrowButtonsStepByTheLineStepAndReportTheScroll)
{
    Click(190);
    Click(190);
    Click(5);
    EXPECT_EQ(1, Bar->GetPosition());
    EXPECT_EQ(3, Events.Count("scroll"));
    Bar->SetReversed(1);
    Click(190);
    EXPECT_EQ(0, Bar->GetPosition());
}

TEST_F(ScrollBarTest, ShiftDividesTheStepByTenAndCtrlByHundred)
{
    {
        TmyKeyHeld shift(Host->GetWindow(), VK_SHIFT);
        ASSERT_TRUE(shift.Active());
        Click(190);
        EXPECT_EQ(0, Bar->GetPosition());
        Bar->SetAll(0, 10000, 10, 0, 0, 0);
        Bar->SetLineStep(200);
        Click(190);
        EXPECT_EQ(20, Bar->GetPosition());
    }
    TmyKeyHeld ctrl(Host->GetWindow(), VK_CONTROL);
    Click(190);
    EXPECT_EQ(22, Bar->GetPosition());
}

TEST_F(ScrollBarTest, HeldArrowButtonRepeatsUntilReleased)
{
    Press(190);
    ASSERT_TRUE(PumpUntil([&] { return Bar->GetPosition() >= 4; }, 5000));
    Release(190);
    const int64_t released = Bar->GetPosition();
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(released, Bar->GetPosition());
}

// ---- Track paging ---------------------------------------------------------------

TEST_F(ScrollBarTest, TrackPressPagesTowardsThePointerUntilTheThumbCoversIt)
{
    Press(150);
    EXPECT_EQ(10, Bar->GetPosition());
    for (int tick = 0; tick < 10; ++tick)
        Bar->RepeatTick();
    EXPECT_EQ(80, Bar->GetPosition());   // thumb 148..164 holds y = 150
    EXPECT_EQ(8, Events.Count("scroll"));
    Release(150);
    EXPECT_EQ(myNoScrollTimer, Bar->RepeatId());
}

TEST_F(ScrollBarTest, TrackPressBeforeTheThumbPagesDownAndReversedUp)
{
    Bar->SetPosition(50);
    Click(30);
    EXPECT_EQ(40, Bar->GetPosition());
    Bar->SetReversed(1);   // position 40 now shows in the lower half
    Click(30);
    EXPECT_EQ(50, Bar->GetPosition());
}

TEST_F(ScrollBarTest, RepeatTickWithoutTheCaptureStopsPaging)
{
    Press(150);
    ReleaseCapture();
    Bar->RepeatTick();
    EXPECT_EQ(10, Bar->GetPosition());
    EXPECT_EQ(myNoScrollTimer, Bar->RepeatId());
}

TEST_F(ScrollBarTest, HeldTrackPressPagesAgainOnlyAfterTheDelay)
{
    Bar->SetAll(0, 1000, 10, 0, 0, 0);
    Press(170);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(10, Bar->GetPosition());
    ASSERT_TRUE(PumpUntil([&] { return Bar->GetPosition() >= 40; }, 5000));
    Release(170);
}

// ---- Thumb drag -------------------------------------------------------------------

TEST_F(ScrollBarTest, DraggedThumbMapsPixelsOntoTheRangeAtBothEnds)
{
    Press(25);
    Drag(25 + 72);
    EXPECT_EQ(45, Bar->GetPosition());   // 72 of 144 pixels, 90 values
    Drag(400);
    EXPECT_EQ(90, Bar->GetPosition());
    Drag(-300);
    EXPECT_EQ(0, Bar->GetPosition());
    Events.Entries.clear();
    Release(26);
    EXPECT_EQ((std::vector<std::string>{"change", "scroll"}), Events.Entries);
    Bar->SetReversed(1);
    Bar->SetPosition(90);
    Press(25);
    Drag(25 + 72);
    EXPECT_EQ(45, Bar->GetPosition());
    Release(97);
}

TEST_F(ScrollBarTest, DragOverA64BitRangeScalesWithoutLoss)
{
    const int64_t unit = int64_t{1} << 36;
    Bar->SetAll(0, 16 * unit, unit, 0, 0, 0);
    Press(25);
    Drag(25 + 75);
    EXPECT_EQ(15 * unit / 2, Bar->GetPosition());   // half of room 150
    Release(100);
}

// ---- Flat look ------------------------------------------------------------------

TEST_F(ScrollBarTest, FlatBarDrawsGrooveAndMarkBandInTheTextColour)
{
    Bar->SetFlat(1);
    Bar->SetMarkBand(20, 50);   // y = 52 .. 100 on the track
    TmyTestCanvas canvas(200, 240);
    RenderWindow(Host->GetWindow(), canvas);
    const COLORREF text = Bar->GetProperty(PropTextColor);
    const COLORREF back = Bar->GetProperty(PropBackColor);
    // Host coordinates: the bar's x 8 and 11 are the groove lines.
    EXPECT_EQ(text, canvas.Pixel(18, 160));
    EXPECT_EQ(text, canvas.Pixel(21, 160));
    EXPECT_EQ(back, canvas.Pixel(19, 160));
    EXPECT_EQ(text, canvas.Pixel(19, 80));
    EXPECT_EQ(text, canvas.Pixel(20, 80));
}

}  // namespace
