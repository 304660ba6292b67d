// The main window in this process, bound to the API library and the
// simulated converter in the test program's folder (virtual time): its look,
// and the button states after each click as the converter answers. The
// program as a whole is tested from outside (K47MXVcontrol*.cpp).
#include "CmainWin.h"

#include <string>
#include <vector>

#include "K47MXVsim.h"
#include "myPanelTest.h"
#include "my_Btn.h"

namespace {

constexpr const char* oneConverter = "[simulator]\ntiming = virtual\n[device]\nusb_serial = K4700001\n";
// Bound of the wait for the main window to settle after a click.
constexpr DWORD settleMs = 2000;

// The simulator's test controls, from the driver the API library loaded.
struct Simulator {
    SIM_Configure_t Configure = nullptr;
    SIM_ScriptReply_t ScriptReply = nullptr;
    SIM_GetTraffic_t GetTraffic = nullptr;
    SIM_ClearTraffic_t ClearTraffic = nullptr;
    SIM_Unplug_t Unplug = nullptr;

    // Loads the API library (which stays loaded, as the panel's does) and
    // makes it load its driver.
    bool Bind()
    {
        HMODULE api = LoadLibraryA("OVK47MXV_API.dll");
        auto count = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(api, "GetDeviceCount")));
        if (!count)
            return false;
        count();
        HMODULE driver = GetModuleHandleA("OVK47MXVusb.dll");
        return Resolve(driver, "SIM_Configure", Configure) && Resolve(driver, "SIM_ScriptReply", ScriptReply) &&
               Resolve(driver, "SIM_GetTraffic", GetTraffic) && Resolve(driver, "SIM_ClearTraffic", ClearTraffic) &&
               Resolve(driver, "SIM_Unplug", Unplug);
    }

    std::string Traffic() const
    {
        std::vector<char> text(1 << 20);
        GetTraffic(text.data(), static_cast<int>(text.size()));
        return text.data();
    }

    template <typename Function>
    static bool Resolve(HMODULE module, const char* name, Function& slot)
    {
        slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
        return slot != nullptr;
    }
};

// Occurrences of a traffic event, e.g. "write 43 50 0D".
int Count(const std::string& traffic, const std::string& event)
{
    int count = 0;
    for (size_t at = traffic.find(" " + event + "\n"); at != std::string::npos;
         at = traffic.find(" " + event + "\n", at + 1))
        ++count;
    return count;
}

class MainWindow : public TmyWidgetTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Sim.Bind()) << "the API library or the simulator is missing"; }

    void TearDown() override
    {
        delete Main;
        TmyWidgetTest::TearDown();
    }

    void Start(const char* configuration)
    {
        ASSERT_TRUE(Sim.Configure(configuration));
        Main = new CmainWin();
        PumpPending();
    }

    // A left click through the window's messages at the button's centre.
    void Click(Tmy_Btn* button)
    {
        const RECT& bounds = button->GetBounds();
        const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
        PostMessageA(Main->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(Main->GetWindow(), WM_LBUTTONUP, 0, at);
        PumpUntil([] { return !GetQueueStatus(QS_POSTMESSAGE | QS_PAINT); }, settleMs);
    }

    // The down bands as a string of indices, e.g. "3"; "" when all are up.
    std::string DownBands() const
    {
        std::string down;
        for (int band = 0; band < BandCount; ++band)
            if (Main->GetBandButton(band)->IsDown())
                down += std::to_string(band) + " ";
        return down;
    }

    std::string Caption() const
    {
        char text[64] = {};
        GetWindowTextA(Main->GetWindow(), text, sizeof text);
        return text;
    }

    static Simulator Sim;
    CmainWin* Main = nullptr;
};

Simulator MainWindow::Sim;

TEST_F(MainWindow, OpensTheOnlyConverterAndShowsTheButtonStrip)
{
    Start(oneConverter);
    EXPECT_EQ("OV-K47MXV - K4700001", Caption());
    EXPECT_TRUE(IsWindowVisible(Main->GetWindow()));
    EXPECT_EQ(0x86CA0000u, static_cast<DWORD>(GetWindowLongA(Main->GetWindow(), GWL_STYLE)) & ~WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongA(Main->GetWindow(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    RECT client{};
    GetClientRect(Main->GetWindow(), &client);
    EXPECT_EQ((RECT{0, 0, 685, 55}), client);
    RECT outer{};
    GetWindowRect(Main->GetWindow(), &outer);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - (outer.right - outer.left) / 2, outer.left) << "centred";
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - (outer.bottom - outer.top) / 2, outer.top) << "centred";
    EXPECT_NE(0, SendMessageA(Main->GetWindow(), WM_GETICON, ICON_BIG, 0)) << "icon 107";

    for (int band = 0; band < BandCount; ++band) {
        Tmy_Btn* button = Main->GetBandButton(band);
        const int x = 7 + 85 * (band % 7);
        const int y = band < 7 ? 7 : 32;
        EXPECT_EQ((RECT{x, y, x + 80, y + 20}), button->GetBounds()) << band;
        EXPECT_EQ(1, button->GetGroup());
        EXPECT_FALSE(button->IsDown()) << "every run starts with no button down";
    }
    EXPECT_EQ("0 - 2.9 GHz", std::string(Main->GetBandButton(0)->GetCaption().c_str()));
    EXPECT_EQ("13.2 - 14.9 GHz", std::string(Main->GetBandButton(8)->GetCaption().c_str()));
    EXPECT_EQ("19.1 - 21 GHz", std::string(Main->GetBandButton(13)->GetCaption().c_str()));
    EXPECT_EQ((RECT{602, 32, 682, 52}), Main->GetPowerButton()->GetBounds());
    EXPECT_EQ("On/Off", std::string(Main->GetPowerButton()->GetCaption().c_str()));
    EXPECT_EQ(2, Main->GetPowerButton()->GetGroup());
    EXPECT_EQ((RECT{602, 7, 682, 27}), Main->GetAboutButton()->GetBounds());
    EXPECT_EQ(0, Main->GetAboutButton()->GetGroup());

    EXPECT_EQ(0x404040, Main->GetProperty(PropBackColor));
    EXPECT_EQ(0x00FFFF, Main->GetProperty(PropTextColor));
    for (Tmy_Btn* button : {Main->GetBandButton(0), Main->GetPowerButton(), Main->GetAboutButton()}) {
        EXPECT_EQ(0x606060, button->GetProperty(PropBackColor));
        EXPECT_EQ(0x00FF00, button->GetProperty(PropTextColor));
        EXPECT_EQ(0x202020, button->GetProperty(PropDisabledTextColor));
        EXPECT_EQ(2, button->GetProperty(PropBorderWidth));
    }
    LOGFONTA font{};
    ASSERT_TRUE(GetObjectA(Main->GetPowerButton()->ResolveFont(), sizeof font, &font)) << "inherited from the window";
    EXPECT_EQ(-11, font.lfHeight);
    EXPECT_STREQ("Arial", font.lfFaceName);
}

// Each step: the click, the converter's answer, the buttons afterwards.
TEST_F(MainWindow, ButtonStatesFollowTheConvertersAnswers)
{
    Start(oneConverter);
    Tmy_Btn* power = Main->GetPowerButton();

    Sim.ClearTraffic();
    Click(Main->GetBandButton(3));
    EXPECT_EQ("3 ", DownBands());
    EXPECT_TRUE(power->IsDown()) << "an applied band switches the converter on";
    EXPECT_EQ(1, Count(Sim.Traffic(), "write 66 04 0D"));

    Sim.ScriptReply("K4700001", "f", "\"X\\r\", \"X\\r\", \"X\\r\"");
    Click(Main->GetBandButton(5));
    EXPECT_EQ("", DownBands()) << "the refused band goes up again; the group released band 3";
    EXPECT_TRUE(power->IsDown());
    EXPECT_EQ(3, Count(Sim.Traffic(), "write 66 06 0D"));

    Sim.ClearTraffic();
    Click(power);
    EXPECT_FALSE(power->IsDown());
    EXPECT_EQ(1, Count(Sim.Traffic(), "write 43 50 0D"));

    Sim.ClearTraffic();
    Click(power);
    EXPECT_TRUE(power->IsDown());
    EXPECT_EQ("3 ", DownBands()) << "switching on applies the band last set";
    EXPECT_EQ(1, Count(Sim.Traffic(), "write 66 04 0D"));

    Click(Main->GetBandButton(3));
    EXPECT_EQ("3 ", DownBands()) << "the band that is down is applied again and stays down";

    Sim.Unplug("K4700001", 0);
    Click(power);
    EXPECT_FALSE(power->IsDown()) << "the user's switch-off shows";
    EXPECT_EQ("3 ", DownBands()) << "a refused switch-off leaves the band down";
    Click(Main->GetBandButton(6));
    EXPECT_EQ("", DownBands()) << "a band the converter cannot take goes up";
    EXPECT_FALSE(power->IsDown());
}

}  // namespace
