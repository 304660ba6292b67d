// The device selection window in this process: its layout, the list's rows
// and scroll bar, the fall-back to the last converter, and the result the
// main window passes to Open.
#include "CtbDeviceSelectionWnd.h"

#include <cstring>
#include <string>
#include <vector>

#include "myPanelTest.h"
#include "myStringGrid.h"
#include "my_Btn.h"
#include "my_ScrollBar.h"

namespace {

class DeviceSelectionWindow : public TmyWidgetTest {
protected:
    void SetUp() override
    {
        Owner = new TmyTestHost(200, 100, 0);
        Window = new CtbDeviceSelectionWnd(Owner->GetWindow());
    }
    // The window is a child of its owner and goes with it.
    void TearDown() override
    {
        delete Owner;
        TmyWidgetTest::TearDown();
    }

    void List(const std::vector<const char*>& serials)
    {
        Window->SetDeviceCount(static_cast<int>(serials.size()));
        for (size_t row = 0; row < serials.size(); ++row)
            Window->AddDevice(static_cast<int>(row), serials[row]);
        PumpPending();
    }

    // The result buffer, pre-filled with a marker so that untouched bytes show.
    std::vector<char> Result()
    {
        char buffer[SelectionResultSize];
        std::memset(buffer, 'x', sizeof buffer);
        Window->Result(buffer);
        return std::vector<char>(buffer, buffer + sizeof buffer);
    }

    static std::vector<char> Bytes(const char* text)
    {
        std::vector<char> bytes(SelectionResultSize, 0);
        std::memcpy(bytes.data(), text, std::strlen(text));
        return bytes;
    }

    TmyTestHost* Owner = nullptr;
    CtbDeviceSelectionWnd* Window = nullptr;
};

TEST_F(DeviceSelectionWindow, ListFillsTheRoomBetweenTitleAndButtons)
{
    EXPECT_EQ(125, Window->GetClientWidth());
    EXPECT_EQ(195, Window->GetClientHeight());
    TmyStringGrid* list = Window->GetList();
    EXPECT_EQ(5, list->GetLeft());
    EXPECT_EQ(115, list->GetWidth());
    EXPECT_EQ(165, list->GetBounds().bottom);
    EXPECT_EQ((RECT{5, 170, 60, 190}), Window->GetOkButton()->GetBounds());
    EXPECT_EQ((RECT{65, 170, 120, 190}), Window->GetCancelButton()->GetBounds());
    EXPECT_EQ(0, list->GetHorzScrollBar()->GetHeight()) << "the horizontal scroll bar takes no room";
    char caption[32] = {};
    GetWindowTextA(Window->GetWindow(), caption, sizeof caption);
    EXPECT_STREQ("K47MXV", caption);
    EXPECT_FALSE(IsWindowVisible(Window->GetWindow())) << "shown only by its modal run";
}

TEST_F(DeviceSelectionWindow, TwoConvertersShowTwoRowsWithTheFirstSelected)
{
    List({"K4700001", "K4700002"});
    TmyStringGrid* list = Window->GetList();
    EXPECT_EQ(2u, list->GetRowCount());
    EXPECT_EQ(0, list->GetSelectedRow());
    EXPECT_TRUE(list->GetVertScrollBar()->HasState(StateHidden)) << "two rows need no scroll bar";
    Window->GetOkButton()->Click();
    EXPECT_EQ(Bytes("K4700001"), Result()) << "OK without touching the list takes the first";
}

TEST_F(DeviceSelectionWindow, TenConvertersShowASixteenPixelScrollBar)
{
    List({"K4700001", "K4700002", "K4700003", "K4700004", "K4700005", "K4700006", "K4700007", "K4700008",
          "K4700009", "K4700010"});
    Tmy_ScrollBar* bar = Window->GetList()->GetVertScrollBar();
    EXPECT_FALSE(bar->HasState(StateHidden));
    EXPECT_EQ(16, bar->GetWidth());
    EXPECT_EQ(Window->GetList()->GetWidth(), bar->GetBounds().right) << "at the list's right edge";

    List({"K4700001", "K4700002"});
    EXPECT_TRUE(bar->HasState(StateHidden)) << "a shorter list hides it again";
}

TEST_F(DeviceSelectionWindow, SelectionOutsideTheConvertersFallsBackToTheLast)
{
    List({"K4700001", "K4700002", "K4700003"});
    TmyStringGrid* list = Window->GetList();
    list->SelectRow(-1);
    EXPECT_EQ(2, list->GetSelectedRow()) << "no row";
    list->SelectRow(1);
    EXPECT_EQ(1, list->GetSelectedRow());
    list->SelectRow(7);
    EXPECT_EQ(2, list->GetSelectedRow()) << "below the last row";
    Window->GetOkButton()->Click();
    EXPECT_EQ(Bytes("K4700003"), Result());
}

TEST_F(DeviceSelectionWindow, CancelAndClosingGiveTwentyZeroBytes)
{
    List({"K4700001", "K4700002"});
    const std::vector<char> none(SelectionResultSize, 0);
    EXPECT_EQ(none, Result()) << "closed before any button";
    Window->GetOkButton()->Click();
    Window->GetCancelButton()->Click();
    EXPECT_EQ(-1, Window->GetChosenRow());
    EXPECT_EQ(none, Result());
}

TEST_F(DeviceSelectionWindow, ResultHoldsAtMostNineteenCharactersAndItsZero)
{
    const char* nineteen = "ABCDEFGHIJKLMNOPQRS";
    const std::string longer = std::string(nineteen) + "TUVWXYZ";
    List({nineteen, longer.c_str()});
    Window->GetOkButton()->Click();
    EXPECT_EQ(Bytes(nineteen), Result());

    Window->GetList()->SelectRow(1);
    Window->GetOkButton()->Click();
    EXPECT_EQ(Bytes(nineteen), Result()) << "a longer text is cut inside the buffer";
}

TEST_F(DeviceSelectionWindow, NoConvertersListNothingAndChooseNone)
{
    for (int count : {0, -1}) {
        Window->SetDeviceCount(count);
        PumpPending();
        EXPECT_EQ(0u, Window->GetList()->GetRowCount()) << count;
        Window->GetList()->SelectRow(-1);
        Window->GetOkButton()->Click();
        EXPECT_EQ(std::vector<char>(SelectionResultSize, 0), Result()) << count;
    }
}

}  // namespace
