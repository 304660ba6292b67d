// TmyMsgBox: button counts, captions and equal sizes, the layout of text and
// buttons, centring, and the results of Show when a button is pressed (by
// mouse messages or the button's click), the box is closed or the
// application quits. A driver window acts from inside the modal loop.
#include "myMsgBox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "myApplication.h"
#include "myHoveringMonitor.h"
#include "myPanel.h"
#include "myPanelTest.h"
#include "myToolTip.h"
#include "my_Btn.h"

namespace {

constexpr COLORREF ownerBack = RGB(30, 30, 30);

// A hidden window whose user message runs a script inside whatever loop
// dispatches it, so that a test can act while the box runs modal.
class Driver : public TmyComponent {
public:
    Driver() : TmyComponent("driver", WS_POPUP, 0, 0, 0, 10, 10, nullptr) {}
    void UserMessage(unsigned, WPARAM, LPARAM) override
    {
        const std::function<void()> script = Script;
        if (script)
            script();
    }
    void Run(std::function<void()> script)
    {
        Script = std::move(script);
        PostUserMessage(0, 0, 0);
    }

private:
    std::function<void()> Script;
};

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

class MsgBoxTest : public ::testing::Test {
protected:
    MsgBoxTest() : Owner(new TmyTestHost(400, 300, ownerBack)), Helper(new Driver) {}
    ~MsgBoxTest() override
    {
        delete Box;
        delete Owner;
        delete Helper;
        PumpPending();
        ReleaseApplicationHoverMonitor();
        ReleaseApplicationToolTip();
        EXPECT_TRUE(Application.ThunkSlots.IsEmpty()) << "a test leaked a thunk";
    }

    TmyMsgBox* Make(unsigned count, HWND owner = nullptr)
    {
        Box = new TmyMsgBox(owner ? owner : Owner->GetWindow(), count, "Warning");
        return Box;
    }
    // Shows text and presses button index through its click path from inside the loop.
    int ShowAndClick(const char* text, unsigned index, int centreOnScreen = 0)
    {
        Helper->Run([this, index] { Box->GetButton(index)->Click(); });
        return Box->Show(text, centreOnScreen);
    }
    RECT BoxRect()
    {
        RECT rect;
        GetWindowRect(Box->GetWindow(), &rect);
        return rect;
    }

    TmyTestHost* Owner;
    TmyMsgBox* Box = nullptr;
    Driver* Helper;
};

// ---- Buttons -------------------------------------------------------------------

using MsgBoxButtons = MsgBoxTest;

TEST_F(MsgBoxButtons, CountsOutsideOneToFourAreClamped)
{
    EXPECT_EQ(1u, Make(0)->GetButtonCount());
    delete Box;
    EXPECT_EQ(4u, Make(7)->GetButtonCount());
    EXPECT_EQ(nullptr, Box->GetButton(4));
    delete Box;
    EXPECT_EQ(3u, Make(3)->GetButtonCount());
}

TEST_F(MsgBoxButtons, EveryButtonStartsAsOkSizedToItsCaption)
{
    Make(3);
    Tmy_Btn2* button = Box->GetButton(0);
    const SIZE text = button->MeasureText(" OK ");
    const int inset = Box->BorderMargin();
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_STREQ(" OK ", Box->GetButton(i)->GetCaption().c_str());
        EXPECT_EQ(2 * (text.cx + inset), Box->GetButton(i)->GetWidth());
        EXPECT_EQ((text.cy + inset) * 10 / 7, Box->GetButton(i)->GetHeight());
    }
}

TEST_F(MsgBoxButtons, LongCaptionOnOneButtonMakesEveryButtonAsWideAndShortOnesKeepIt)
{
    Make(4);
    Box->SetButton(2, "Retry the whole operation");
    const int wide = 2 * Box->GetButton(2)->MeasureText("Retry the whole operation").cx;
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(wide, Box->GetButton(i)->GetWidth()) << i;
    Box->SetButton(0, "No");
    Box->SetButton(4, "Beyond the count, so ignored entirely");
    EXPECT_STREQ("No", Box->GetButton(0)->GetCaption().c_str());
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(wide, Box->GetButton(i)->GetWidth()) << i;
}

TEST_F(MsgBoxButtons, AllButtonsShareOneStyleTableApartFromTheBox)
{
    Make(4);
    TmyStyleTable* table = Box->GetButton(0)->GetStyleTable();
    EXPECT_NE(Box->GetStyleTable(), table);
    for (unsigned i = 1; i < 4; ++i)
        EXPECT_EQ(table, Box->GetButton(i)->GetStyleTable()) << i;
    EXPECT_EQ(4u, table->Sharers.Count());
    EXPECT_EQ(7, Box->GetButton(0)->GetProperty(PropBorderStyle));
    Box->SetBackColor(RGB(1, 2, 3));
    EXPECT_NE(static_cast<int32_t>(RGB(1, 2, 3)), Box->GetButton(3)->GetProperty(PropBackColor));
}

// ---- Results of Show ----------------------------------------------------------------

using MsgBoxRun = MsgBoxTest;

TEST_F(MsgBoxRun, MouseClickOnAButtonReturnsItsIndexWithTheOwnerDisabledMeanwhile)
{
    Make(3);
    int ownerEnabled = -1;
    int boxVisible = -1;
    Helper->Run([&] {
        ownerEnabled = IsWindowEnabled(Owner->GetWindow());
        boxVisible = IsWindowVisible(Box->GetWindow());
        const RECT& r = Box->GetButton(2)->GetBounds();
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PostMessageA(Box->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(Box->GetWindow(), WM_LBUTTONUP, 0, at);
    });
    EXPECT_EQ(2, Box->Show("Choose", 0));
    EXPECT_EQ(0, ownerEnabled);
    EXPECT_EQ(1, boxVisible);
    EXPECT_TRUE(IsWindowEnabled(Owner->GetWindow()));
    EXPECT_FALSE(IsWindowVisible(Box->GetWindow()));
}

TEST_F(MsgBoxRun, EachButtonsClickReturnsItsOwnIndexAndTheBoxCanBeShownAgain)
{
    Make(4);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(static_cast<int>(3 - i), ShowAndClick("Again", 3 - i));
}

TEST_F(MsgBoxRun, CloseCommandReturnsMinusTwoAndEscapeDoesNotEndTheBox)
{
    Make(2);
    int stillRunning = 0;
    Helper->Run([&] {
        SendMessageA(Box->GetWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageA(Box->GetWindow(), WM_KEYUP, VK_ESCAPE, 0);
        stillRunning = Box->InModalLoop() && Box->GetModalResult() == 0;
        PostMessageA(Box->GetWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(MsgBoxClosed, Box->Show("Close me", 0));
    EXPECT_TRUE(stillRunning);
    EXPECT_TRUE(IsWindowEnabled(Owner->GetWindow()));
}

TEST_F(MsgBoxRun, QuitDuringTheBoxReturnsMinusOneAndReachesTheOuterLoop)
{
    Make(1);
    Helper->Run([] { PostQuitMessage(4); });
    EXPECT_EQ(MsgBoxQuit, Box->Show("Quit", 0));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(4u, message.wParam);
    EnableWindow(Owner->GetWindow(), TRUE);
}

// ---- Layout ---------------------------------------------------------------------------

using MsgBoxLayout = MsgBoxTest;

TEST_F(MsgBoxLayout, FourButtonsUnderAShortTextWidenTheBoxAndAreSpacedTenApart)
{
    Make(4);
    ShowAndClick("Hi", 0);
    const int bw = Box->GetButton(0)->GetWidth();
    const int bh = Box->GetButton(0)->GetHeight();
    const RECT& panel = Box->GetTextPanel()->GetBounds();
    EXPECT_EQ((bw + 10) * 4 + 10, Box->GetClientWidth());
    EXPECT_EQ(Height(panel) + bh + 20, Box->GetClientHeight());
    EXPECT_EQ(Box->GetClientWidth(), Width(panel)) << "the text spans the widened box";
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(10 + i * (bw + 10), Box->GetButton(i)->GetLeft()) << i;
        EXPECT_EQ(panel.bottom + 10, Box->GetButton(i)->GetTop()) << i;
    }
}

TEST_F(MsgBoxLayout, OneButtonUnderALongTextIsCentredBelowTheText)
{
    Make(1);
    ShowAndClick("A warning text long enough to be much wider than one button", 0);
    const RECT& panel = Box->GetTextPanel()->GetBounds();
    const int bw = Box->GetButton(0)->GetWidth();
    const int text = Box->GetTextPanel()->MeasureText(Box->GetTextPanel()->GetTextString()).cx;
    ASSERT_GT(Box->GetTextHeight(), 0);
    EXPECT_GT(Width(panel), text + 2 * Box->GetTextHeight());
    EXPECT_EQ(Width(panel), Box->GetClientWidth());
    EXPECT_EQ((Box->GetClientWidth() - bw) / 2, Box->GetButton(0)->GetLeft());
}

TEST_F(MsgBoxLayout, ReusedBoxGrowsForALongerTextAfterAShortOne)
{
    Make(4);
    ShowAndClick("Hi", 0);
    const int narrow = Box->GetClientWidth();
    ShowAndClick("This second message is a good deal longer than the first one was", 0);
    const RECT& panel = Box->GetTextPanel()->GetBounds();
    const int text = Box->GetTextPanel()->MeasureText(Box->GetTextPanel()->GetTextString()).cx;
    EXPECT_GT(Box->GetClientWidth(), narrow);
    EXPECT_GT(Width(panel), text);
    EXPECT_EQ(Width(panel), Box->GetClientWidth());
}

TEST_F(MsgBoxLayout, BoxIsCentredOnTheTopLevelWindowOfAChildOwner)
{
    TmyComponent* child = new TmyComponent("child", WS_CHILD | WS_VISIBLE, 0, 5, 5, 50, 40, Owner->GetWindow());
    Make(2, child->GetWindow());
    ShowAndClick("Centred", 1);
    RECT owner;
    GetWindowRect(Owner->GetWindow(), &owner);
    const RECT box = BoxRect();
    EXPECT_EQ(owner.left + (Width(owner) - Width(box)) / 2, box.left);
    EXPECT_EQ(owner.top + (Height(owner) - Height(box)) / 2, box.top);
    EXPECT_TRUE(IsWindowEnabled(Owner->GetWindow()));
}

TEST_F(MsgBoxLayout, CentreOnScreenIgnoresTheOwner)
{
    Make(2);
    ShowAndClick("Screen", 0, 1);
    const RECT box = BoxRect();
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - Width(box)) / 2, box.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - Height(box)) / 2, box.top);
}

TEST_F(MsgBoxLayout, BoxLargerThanItsOwnerNearTheCornerStaysOnScreen)
{
    TmyComponent small("small", WS_POPUP | WS_VISIBLE, 0, 0, 0, 20, 20, nullptr);
    Make(3, small.GetWindow());
    ShowAndClick("Placed at the corner of the screen rather than off it", 2);
    const RECT box = BoxRect();
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(0, box.top);
    delete Box;
    Box = nullptr;
}

}  // namespace
