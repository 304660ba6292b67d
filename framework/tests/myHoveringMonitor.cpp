#include "myHoveringMonitor.h"

#include <gtest/gtest.h>

#include "myApplication.h"
#include "myPanelTest.h"
#include "myTestInput.h"
#include "myToolTip.h"

namespace {

// The application's hover monitor and tooltip live for the whole process and
// hold a window thunk each. They are released before every test and before
// the exit check, so that leak checks see only what a test left behind.
class ApplicationWidgetsRelease : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { Release(); }
    void OnEnvironmentsTearDownStart(const ::testing::UnitTest&) override { Release(); }
    static void Release()
    {
        ReleaseApplicationHoverMonitor();
        ReleaseApplicationToolTip();
    }
};
const bool applicationWidgetsReleased = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ApplicationWidgetsRelease);
    return true;
}();

struct Recorder : TmyEventLog {
    int HoverA(TmyControl*) { Add("A hover"); return 0; }
    int HoverB(TmyControl*) { Add("B hover"); return 0; }
};

// A host with two windowless controls side by side that log their hovers.
class HoverTest : public ::testing::Test {
protected:
    HoverTest()
    {
        A->OnMouseHover.Set(&Events, &Recorder::HoverA);
        B->OnMouseHover.Set(&Events, &Recorder::HoverB);
    }
    ~HoverTest() override
    {
        delete Host;
        PumpPending();
    }
    // The monitor's timer message, sent directly so that the hover check runs
    // when the test chooses.
    static void Tick(TmyHoveringMonitor& monitor) { SendMessageA(monitor.GetWindow(), WM_TIMER, 1, 0); }

    TmyCursorKeeper Cursor;
    TmyTestHost* Host = new TmyTestHost(200, 100, RGB(40, 40, 40));
    TmyControl* A = new TmyControl(Host, 10, 10, 50, 30);
    TmyControl* B = new TmyControl(Host, 100, 10, 50, 30);
    Recorder Events;
};

TEST_F(HoverTest, RestingOnControlFiresHoverOnceAfterThePeriod)
{
    ASSERT_TRUE(PlaceCursorOn(A, 5, 5));
    SendMessageA(Host->GetWindow(), WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    ASSERT_NE(nullptr, Application.HoverMonitor);
    EXPECT_EQ(A, ApplicationHoverMonitor()->GetHovered());
    EXPECT_EQ(33, GetTypeId(ApplicationHoverMonitor()));
    ASSERT_TRUE(PumpUntil([&] { return Events.Count("A hover") == 1; }, 5000));
    PumpUntil([] { return false; }, 700);
    EXPECT_EQ(1, Events.Count("A hover"));
    EXPECT_EQ(nullptr, ApplicationHoverMonitor()->GetHovered());
}

TEST_F(HoverTest, MovingWithinTheControlKeepsTheTimeOfEntering)
{
    TmyHoveringMonitor monitor(300);
    ASSERT_TRUE(PlaceCursorOn(A, 5, 5));
    monitor.ReportMouse(A);
    Sleep(200);
    monitor.ReportMouse(A);
    Sleep(150);
    Tick(monitor);
    Tick(monitor);
    EXPECT_EQ(1, Events.Count("A hover"));
}

TEST_F(HoverTest, MovingToAnotherControlRestartsTheCount)
{
    TmyHoveringMonitor monitor(1000);
    ASSERT_TRUE(PlaceCursorOn(B, 5, 5));
    monitor.ReportMouse(A);
    Sleep(1100);
    monitor.ReportMouse(B);
    Tick(monitor);
    EXPECT_TRUE(Events.Entries.empty());
    EXPECT_EQ(B, monitor.GetHovered());
}

TEST_F(HoverTest, LeavingBeforeTheTickSuppressesTheCallButTheEdgeCountsAsInside)
{
    TmyHoveringMonitor monitor(1);
    ASSERT_TRUE(PlaceCursorOn(A, 51, 5));
    monitor.ReportMouse(A);
    Sleep(20);
    Tick(monitor);
    EXPECT_TRUE(Events.Entries.empty());
    EXPECT_EQ(nullptr, monitor.GetHovered());
    ASSERT_TRUE(PlaceCursorOn(A, 50, 30));
    monitor.ReportMouse(A);
    Sleep(20);
    Tick(monitor);
    EXPECT_EQ(1, Events.Count("A hover"));
}

TEST_F(HoverTest, DestroyingTheHoveredControlStopsTheMonitor)
{
    ASSERT_TRUE(PlaceCursorOn(A, 5, 5));
    SendMessageA(Host->GetWindow(), WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    TmyHoveringMonitor* monitor = ApplicationHoverMonitor();
    ASSERT_EQ(A, monitor->GetHovered());
    delete A;
    EXPECT_EQ(nullptr, monitor->GetHovered());
    PumpUntil([] { return false; }, 800);
    EXPECT_TRUE(Events.Entries.empty());
}

TEST_F(HoverTest, DestroyingAControlCreatesNoMonitor)
{
    ReleaseApplicationHoverMonitor();
    delete B;
    EXPECT_EQ(nullptr, Application.HoverMonitor);
}

}  // namespace
