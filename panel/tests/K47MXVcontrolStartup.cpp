// K47MXVcontrol.exe from its start to its end: the converter it opens on
// each kind of bus, the messages of a start that finds none, the selection
// window for several converters, and what closing the program sends.
#include "panelProgram.h"

namespace {

// The list's field reaches down to y 165. The vertical scroll bar, when
// drawn, takes its 16 rightmost columns, from x 104.
constexpr int selectionBarLeft = 104;
constexpr int selectionListBottom = 165;
// The bar's columns in the lowest lines of the list, below the rows of every
// list of these tests: the bar's track there, or bare field.
constexpr RECT belowRowsAtRight{selectionBarLeft, 155, 120, 163};
// A point in the list's field below the third row.
constexpr POINT belowThirdRow{30, 150};

// Rows of the list that show text. Row 0, selected, gives the rows' top and
// height; the list ends at the first row of bare field.
int ListedRows(const TmyTestCanvas& canvas)
{
    const RECT first = canvas.Extent(SelectionRowColor);
    const int height = first.bottom - first.top;
    int rows = 0;
    for (int top = first.top; height > 0 && top + height <= selectionListBottom; top += height) {
        if (IsFilled(canvas, RECT{first.left, top, selectionBarLeft, top + height}, SelectionListColor))
            break;
        ++rows;
    }
    return rows;
}

bool ShowsScrollBar(const TmyTestCanvas& canvas)
{
    return canvas.Count(SelectionListColor, belowRowsAtRight) == 0;
}

bool ShowsEmptyField(const TmyTestCanvas& canvas)
{
    return IsFilled(canvas, belowRowsAtRight, SelectionListColor);
}

RECT ClientRect(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

}  // namespace

class PanelProgramStartup : public PanelProgramTest {};

// Started from a command prompt in its folder: the command line names no folder.
TEST_F(PanelProgramStartup, OneConverterIsOpenedWithoutAskingAndTheStripIsDrawn)
{
    ASSERT_NO_FATAL_FAILURE(Start(Devices(1), ProgramFolder::Bin, true));
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ("OV-K47MXV - K4700001", WindowCaption(Main));
    EXPECT_FALSE(IsShowing(SelectionCaption));
    EXPECT_FALSE(IsShowing(ErrorCaption));
    EXPECT_EQ(1, CountTraffic("K4700001 open"));
    EXPECT_TRUE(HasLoadedFromItsFolder("myexcept.dll")) << "the crash-report library beside the program, "
                                                           "not from the current drive's root";

    const RECT client = ClientRect(Main);
    EXPECT_EQ(MainClientWidth, client.right);
    EXPECT_EQ(MainClientHeight, client.bottom);
    // Each button's face inside its border and the background around it.
    EXPECT_TRUE(WaitForPicture(IsStripDrawn));
    for (int band = 0; band < Bands; ++band)
        EXPECT_TRUE(IsButtonAt(Picture, BandRect(band))) << "band " << band;
    EXPECT_TRUE(IsButtonAt(Picture, AboutRect()));
    EXPECT_TRUE(IsButtonAt(Picture, PowerRect()));
    EXPECT_EQ("-------------- -", PanelState(Picture));
}

TEST_F(PanelProgramStartup, EmptyBusIsReportedBeforeTheWindowShows)
{
    ASSERT_NO_FATAL_FAILURE(Start(""));
    ExpectError("No K47MXV is connected to USB bus.");
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ(NoDeviceCaption, WindowCaption(Main));
}

TEST_F(PanelProgramStartup, FailedEnumerationIsReportedWithoutSelection)
{
    for (ProgramFolder folder : {ProgramFolder::NoDriver, ProgramFolder::IncompleteDriver}) {
        SCOPED_TRACE(folder == ProgramFolder::NoDriver ? "no driver" : "incomplete driver");
        ASSERT_NO_FATAL_FAILURE(Start(Devices(2), folder));
        ExpectError("Something is wrong!!!");
        ASSERT_NE(nullptr, WaitForMainWindow());
        EXPECT_EQ(NoDeviceCaption, WindowCaption(Main));
        EXPECT_FALSE(IsShowing(SelectionCaption));
        EXPECT_EQ(0, Close());
    }
}

TEST_F(PanelProgramStartup, RefusedOpenIsReported)
{
    ASSERT_NO_FATAL_FAILURE(Start(Device("K4700001", "open = refuse\n")));
    ExpectError("Failed to open the K47MXV!");
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ(NoDeviceCaption, WindowCaption(Main));
    EXPECT_EQ(1, CountTraffic("K4700001 open-refused"));
}

TEST_F(PanelProgramStartup, MissingOrIncompleteApiLibraryIsReportedAndTheCaptionStays)
{
    for (ProgramFolder folder : {ProgramFolder::ProgramOnly, ProgramFolder::SevenExports}) {
        SCOPED_TRACE(folder == ProgramFolder::ProgramOnly ? "no API library" : "API library without SendBuffer");
        ASSERT_NO_FATAL_FAILURE(Start(Devices(1), folder));
        ExpectError("Failed to load OVK47MXV API.");
        ASSERT_NE(nullptr, WaitForMainWindow());
        EXPECT_EQ(MainCaption, WindowCaption(Main));
        EXPECT_EQ(0, Close());
    }
}

class PanelProgramSelection : public PanelProgramTest {
protected:
    // Waits for the selection window and its list with rows rows; fails the
    // test when either does not show.
    void WaitForSelection(int rows)
    {
        Selection = WaitForWindow(SelectionCaption);
        ASSERT_NE(nullptr, Selection) << "no selection window";
        const RECT client = ClientRect(Selection);
        EXPECT_EQ(SelectionClientWidth, client.right);
        EXPECT_EQ(SelectionClientHeight, client.bottom);
        EXPECT_FALSE(IsMainShowing()) << "the main window shows before the choice";
        EXPECT_TRUE(WaitUntil([&] {
            Capture(Selection, List);
            return ListedRows(List) == rows;
        })) << "rows listed: " << ListedRows(List);
    }
    void ClickSelectionButton(POINT topLeft)
    {
        Click(Selection, POINT{topLeft.x + SelectionButtonWidth / 2, topLeft.y + SelectionButtonHeight / 2});
    }

    HWND Selection = nullptr;
    TmyTestCanvas List{SelectionClientWidth, SelectionClientHeight};
};

TEST_F(PanelProgramSelection, OkWithoutChoosingOpensTheFirstConverter)
{
    ASSERT_NO_FATAL_FAILURE(Start(Devices(2)));
    ASSERT_NO_FATAL_FAILURE(WaitForSelection(2));
    EXPECT_TRUE(ShowsEmptyField(List)) << "a scroll bar for two rows";

    ClickSelectionButton(SelectionOk);
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ("OV-K47MXV - K4700001", WindowCaption(Main));
    EXPECT_EQ(1, CountTraffic("K4700001 open"));
    EXPECT_EQ(0, CountTraffic("K4700002 open"));
}

TEST_F(PanelProgramSelection, ClickBelowTheLastRowChoosesTheLastConverter)
{
    ASSERT_NO_FATAL_FAILURE(Start(Devices(3)));
    ASSERT_NO_FATAL_FAILURE(WaitForSelection(3));
    ASSERT_EQ(SelectionListColor, List.Pixel(belowThirdRow.x, belowThirdRow.y)) << "not in the empty list";

    Click(Selection, belowThirdRow);
    ClickSelectionButton(SelectionOk);
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ("OV-K47MXV - K4700003", WindowCaption(Main));
    EXPECT_EQ(1, CountTraffic("K4700003 open"));
    EXPECT_EQ(0, CountTraffic("K4700001 open"));
}

TEST_F(PanelProgramSelection, TenConvertersGetTheScrollBarAndCancelOpensNone)
{
    ASSERT_NO_FATAL_FAILURE(Start(Devices(10)));
    ASSERT_NO_FATAL_FAILURE(WaitForSelection(10));
    EXPECT_TRUE(ShowsScrollBar(List));

    ClickSelectionButton(SelectionCancel);
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ(NoDeviceCaption, WindowCaption(Main));
    EXPECT_FALSE(IsShowing(ErrorCaption));
    for (const std::string& line : Traffic())
        EXPECT_EQ(std::string::npos, line.find(" open")) << line;
}

class PanelProgramClose : public PanelProgramTest {};

// The converter was switched on in a band: closing clears its power once
// and closes it once, and nothing follows.
TEST_F(PanelProgramClose, ClosingClearsPowerAndClosesTheConverterOnce)
{
    ASSERT_NO_FATAL_FAILURE(Start(Devices(1)));
    ASSERT_NE(nullptr, WaitForMainWindow());
    ASSERT_TRUE(WaitForPicture(IsStripDrawn));
    ClickMain(BandRect(2));
    ASSERT_TRUE(WaitForTraffic("K4700001 read 2 -> 50 0D"));

    EXPECT_EQ(0, Close());
    std::vector<std::string> afterBand;
    bool bandDone = false;
    for (const std::string& line : Traffic()) {
        if (bandDone && line.find(" purge ") == std::string::npos)
            afterBand.push_back(line);
        bandDone = bandDone || line == "K4700001 read 2 -> 50 0D";
    }
    // the power clear, waited out until it has crossed the line, then the close
    const std::vector<std::string> expected{"K4700001 write 43 50 0D", "K4700001 timeouts 6 100",
                                            "K4700001 read 1024 ->", "K4700001 timeouts 100 100", "K4700001 close"};
    EXPECT_EQ(expected, afterBand);
}

TEST_F(PanelProgramClose, ClosingWithoutConverterClosesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start(Device("K4700001", "open = refuse\n")));
    ASSERT_NO_FATAL_FAILURE(DismissError());
    ASSERT_NE(nullptr, WaitForMainWindow());
    EXPECT_EQ(0, Close());
    const std::vector<std::string> expected{"K4700001 open-refused"};
    EXPECT_EQ(expected, Traffic());
}
