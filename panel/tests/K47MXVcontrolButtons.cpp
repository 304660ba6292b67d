// K47MXVcontrol.exe driven by mouse clicks: the band and On/Off buttons
// against the converter's answers, as drawn and as sent, and the About
// window with and without a converter.
#include "panelProgram.h"

namespace {

// The text colours of the About window's lines, top to bottom, one letter
// per run of pixel lines: "A" the even rows' colour, "F" the odd rows' one
// (also the device line's), "+" both at once.
std::string AboutLineColours(const TmyTestCanvas& canvas)
{
    std::string runs;
    for (int y = 0; y < canvas.Height; ++y) {
        const RECT line{0, y, canvas.Width, y + 1};
        const bool even = canvas.Count(AboutEvenColor, line) > 0;
        const bool odd = canvas.Count(AboutOddColor, line) > 0;
        const char kind = even ? (odd ? '+' : 'A') : (odd ? 'F' : 0);
        if (kind && (runs.empty() || runs.back() != kind))
            runs += kind;
    }
    return runs;
}

// The device line, then fourteen rows from band 0 on.
constexpr const char* deviceAndTable = "FAFAFAFAFAFAFAF";
constexpr const char* deviceOnly = "F";

SIZE OuterSize(const RECT& rect)
{
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

RECT OuterRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

}  // namespace

class PanelProgramButtons : public PanelProgramTest {
protected:
    // Starts the program on this bus, past any start-up message, with its
    // strip drawn.
    void StartPanel(const std::string& devices, bool expectMessage = false)
    {
        ASSERT_NO_FATAL_FAILURE(Start(devices));
        if (expectMessage) {
            ASSERT_NO_FATAL_FAILURE(DismissError());
        }
        ASSERT_NE(nullptr, WaitForMainWindow());
        ASSERT_TRUE(WaitForPicture(IsStripDrawn)) << "the strip is not drawn";
    }
    // The program handles clicks in order: once the About window of a later
    // click shows, every earlier click has been handled. It is closed again.
    void WaitUntilClicksHandled()
    {
        ClickMain(AboutRect());
        HWND about = WaitForWindow(AboutCaption);
        ASSERT_NE(nullptr, about) << "no About window";
        CloseWindow(about);
    }
};

TEST_F(PanelProgramButtons, AppliedBandStaysDownWithPowerAndReleasesThePreviousOne)
{
    ASSERT_NO_FATAL_FAILURE(StartPanel(Devices(1)));
    ClickMain(BandRect(3));
    EXPECT_TRUE(WaitForTraffic("K4700001 write 66 04 0D"));
    EXPECT_EQ("---D---------- D", WaitForPanel("---D---------- D"));

    ClickMain(BandRect(12));
    EXPECT_TRUE(WaitForTraffic("K4700001 write 66 0D 0D"));
    EXPECT_EQ("------------D- D", WaitForPanel("------------D- D"));
}

// The converter refuses the first band (three attempts), takes the second
// and refuses the third.
TEST_F(PanelProgramButtons, RefusedBandGoesUpAndPowerStaysAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(
        StartPanel(Device("K4700001", "reply.f = \"X\\r\", \"X\\r\", \"X\\r\", normal, \"X\\r\", \"X\\r\", \"X\\r\"\n")));
    ClickMain(BandRect(1));
    ASSERT_NO_FATAL_FAILURE(WaitUntilClicksHandled());
    EXPECT_EQ(3, CountTraffic("K4700001 write 66 02 0D"));
    EXPECT_EQ("-------------- -", WaitForPanel("-------------- -"));

    ClickMain(BandRect(6));
    EXPECT_TRUE(WaitForTraffic("K4700001 write 66 07 0D"));
    EXPECT_EQ("------D------- D", WaitForPanel("------D------- D"));

    ClickMain(BandRect(8));
    ASSERT_NO_FATAL_FAILURE(WaitUntilClicksHandled());
    EXPECT_EQ(3, CountTraffic("K4700001 write 66 09 0D"));
    EXPECT_EQ("-------------- D", WaitForPanel("-------------- D"));
}

TEST_F(PanelProgramButtons, PowerOnBeforeAnyBandSelectsBandZeroAndPowerOffReleasesAll)
{
    ASSERT_NO_FATAL_FAILURE(StartPanel(Devices(1)));
    ClickMain(PowerRect());
    EXPECT_TRUE(WaitForTraffic("K4700001 write 66 01 0D"));
    EXPECT_EQ("D------------- D", WaitForPanel("D------------- D"));

    ClickMain(PowerRect());
    EXPECT_TRUE(WaitForTraffic("K4700001 write 43 50 0D"));
    EXPECT_EQ("-------------- -", WaitForPanel("-------------- -"));
}

// The converter leaves the bus after four writes: the two of the open, the
// band's and the first of the About window's configuration read. The
// power-clear command then cannot be written.
TEST_F(PanelProgramButtons, FailedPowerOffKeepsTheBand)
{
    ASSERT_NO_FATAL_FAILURE(StartPanel(Device("K4700001", "unplug_after = 4\n")));
    ClickMain(BandRect(5));
    EXPECT_TRUE(WaitForTraffic("K4700001 write 66 06 0D"));
    EXPECT_EQ("-----D-------- D", WaitForPanel("-----D-------- D"));
    ASSERT_NO_FATAL_FAILURE(WaitUntilClicksHandled());

    ClickMain(PowerRect());
    ASSERT_NO_FATAL_FAILURE(WaitUntilClicksHandled());
    EXPECT_LT(0, CountTraffic("K4700001 write-failed 43 50 0D"));
    EXPECT_EQ(0, CountTraffic("K4700001 write 43 50 0D"));
    EXPECT_EQ("-----D-------- -", WaitForPanel("-----D-------- -"));
}

TEST_F(PanelProgramButtons, WithoutConverterButtonsStayUpAndNothingIsSent)
{
    ASSERT_NO_FATAL_FAILURE(StartPanel(Device("K4700001", "open = refuse\n"), true));
    ASSERT_EQ(NoDeviceCaption, WindowCaption(Main));
    ClickMain(BandRect(2));
    ClickMain(PowerRect());
    ASSERT_NO_FATAL_FAILURE(WaitUntilClicksHandled());
    EXPECT_EQ("-------------- -", WaitForPanel("-------------- -"));
    const std::vector<std::string> expected{"K4700001 open-refused"};
    EXPECT_EQ(expected, Traffic());
}

class PanelProgramAbout : public PanelProgramButtons {
protected:
    // Opens the About window and waits until it shows lines of these colours.
    HWND OpenAbout(const char* lineColours)
    {
        ClickMain(AboutRect());
        HWND about = WaitForWindow(AboutCaption);
        if (!about) {
            ADD_FAILURE() << "no About window";
            return nullptr;
        }
        RECT client{};
        GetClientRect(about, &client);
        EXPECT_EQ(AboutWidth, client.right);
        AboutHeight = client.bottom;
        TmyTestCanvas picture(client.right, client.bottom);
        std::string colours;
        WaitUntil([&] {
            Capture(about, picture);
            colours = AboutLineColours(picture);
            return colours == lineColours;
        });
        EXPECT_EQ(lineColours, colours);
        return about;
    }

    int AboutHeight = 0;
};

TEST_F(PanelProgramAbout, RangeTableShowsOnlyWithAConverter)
{
    ASSERT_NO_FATAL_FAILURE(StartPanel(Devices(1)));
    HWND about = OpenAbout(deviceAndTable);
    ASSERT_NE(nullptr, about);
    const int tableHeight = AboutHeight;
    CloseWindow(about);
    EXPECT_EQ(0, Close());

    ASSERT_NO_FATAL_FAILURE(StartPanel("", true));
    about = OpenAbout(deviceOnly);
    ASSERT_NE(nullptr, about);
    EXPECT_LT(AboutHeight, tableHeight / 2);
    CloseWindow(about);
}

TEST_F(PanelProgramAbout, WindowIsCentredOverTheMainWindowButNeverAboveTheScreen)
{
    ASSERT_NO_FATAL_FAILURE(StartPanel(Devices(1)));
    HWND about = OpenAbout(deviceAndTable);
    ASSERT_NE(nullptr, about);
    RECT main = OuterRect(Main);
    RECT box = OuterRect(about);
    EXPECT_EQ(main.left + (OuterSize(main).cx - OuterSize(box).cx) / 2, box.left);
    EXPECT_EQ(main.top + (OuterSize(main).cy - OuterSize(box).cy) / 2, box.top);
    CloseWindow(about);

    // The main window takes clicks again.
    ClickMain(BandRect(4));
    EXPECT_TRUE(WaitForTraffic("K4700001 write 66 05 0D"));
    EXPECT_EQ("----D--------- D", WaitForPanel("----D--------- D"));

    // Moved near the top, the window would have the About window start above the screen.
    constexpr int nearTop = 10;
    SetWindowPos(Main, nullptr, main.left, nearTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return OuterRect(Main).top == nearTop; }));
    main = OuterRect(Main);
    ASSERT_LT(main.top + (OuterSize(main).cy - OuterSize(box).cy) / 2, 0);
    about = OpenAbout(deviceAndTable);
    ASSERT_NE(nullptr, about);
    box = OuterRect(about);
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(main.left + (OuterSize(main).cx - OuterSize(box).cx) / 2, box.left);
    CloseWindow(about);
}
