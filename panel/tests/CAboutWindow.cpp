// The About window in this process: the lines it shows with and without a
// converter's configuration, the range table's texts and colours, and the
// client area fitted to the content.
#include "CAboutWindow.h"

#include <cstring>
#include <string>

#include "myPanelTest.h"
#include "my_Label.h"

namespace {

constexpr long long GHz = 1000000000LL;

// A configuration of fourteen ranges; ranges 0 and 1 are those of the
// converter (0-2.9 GHz direct, 2.9-4.5 GHz inverted against 5.7 GHz).
DeviceConfig Configuration()
{
    DeviceConfig config{};
    std::strcpy(config.serial, "K4700001");
    std::strcpy(config.firmware, "Version 4.2");
    config.rangeCount = OVK47MXV_RANGE_COUNT;
    config.ranges[0] = RangeEntry{0, 2900000000LL, 0, 0};
    config.ranges[1] = RangeEntry{2900000000LL, 4500000000LL, 5700000000LL, 1};
    for (int i = 2; i < OVK47MXV_RANGE_COUNT; ++i)
        config.ranges[i] = RangeEntry{i * GHz, i * GHz + GHz / 2, i * GHz - 2 * GHz, 0};
    return config;
}

std::string Text(Tmy_Label* label)
{
    return label->GetLabelText().c_str();
}

COLORREF TextColor(Tmy_Label* label)
{
    return static_cast<COLORREF>(label->GetProperty(PropTextColor));
}

class AboutWindow : public TmyWidgetTest {
protected:
    void SetUp() override { Owner = new TmyTestHost(200, 100, 0); }
    void TearDown() override
    {
        delete About;
        delete Owner;
        TmyWidgetTest::TearDown();
    }

    void Open(const DeviceConfig* config)
    {
        About = new CAboutWindow(Owner, config);
        PumpPending();
    }

    TmyTestHost* Owner = nullptr;
    CAboutWindow* About = nullptr;
};

TEST_F(AboutWindow, VersionLineComesFromTheProgramsVersionRecord)
{
    Open(nullptr);
    EXPECT_EQ(unsigned(K47_VERSION_MAJOR), About->GetVersionMajor());
    EXPECT_EQ(unsigned(K47_VERSION_MINOR), About->GetVersionMinor());
    EXPECT_EQ(unsigned(K47_VERSION_PATCH), About->GetVersionBuild());
    char line[32];
    wsprintfA(line, "Version %u.%u%u", K47_VERSION_MAJOR, K47_VERSION_MINOR, K47_VERSION_PATCH);
    EXPECT_EQ(line, Text(About->GetVersionLabel()));
}

TEST_F(AboutWindow, WithoutConfigurationShowsNoDeviceAndNoTable)
{
    Open(nullptr);
    Tmy_Label* device = About->GetDeviceLabel();
    EXPECT_EQ("No device", Text(device));
    EXPECT_EQ(AboutDeviceColor, TextColor(device));
    EXPECT_EQ(0, About->GetRowCount());
    EXPECT_EQ(AboutClientWidth, About->GetClientWidth());
    EXPECT_EQ(device->GetBounds().bottom + 15, About->GetClientHeight()) << "the client area ends below the device line";
    char caption[16] = {};
    GetWindowTextA(About->GetWindow(), caption, sizeof caption);
    EXPECT_STREQ("About", caption);
}

TEST_F(AboutWindow, TitleNoticeAndDeviceLinesAreCentred)
{
    const DeviceConfig config = Configuration();
    Open(&config);
    int previousBottom = 0;
    for (Tmy_Label* label :
         {About->GetTitleLabel(), About->GetVersionLabel(), About->GetNoticeLabel(), About->GetDeviceLabel()}) {
        const RECT& bounds = label->GetBounds();
        EXPECT_EQ((AboutClientWidth - (bounds.right - bounds.left)) / 2, bounds.left) << Text(label);
        EXPECT_EQ(previousBottom + 5, bounds.top) << Text(label);
        previousBottom = bounds.bottom;
    }
    EXPECT_EQ(" OV-K47MXV Control Panel ", Text(About->GetTitleLabel()));
    EXPECT_EQ(AboutTitleColor, TextColor(About->GetTitleLabel()));
    EXPECT_GT(About->GetTitleLabel()->GetHeight(), About->GetVersionLabel()->GetHeight()) << "the larger title font";
    EXPECT_NE(std::string::npos, Text(About->GetNoticeLabel()).find("Orvela"));
    EXPECT_EQ("K4700001 - Version 4.2", Text(About->GetDeviceLabel()));
}

TEST_F(AboutWindow, FourteenRangesInAlternatingGreens)
{
    const DeviceConfig config = Configuration();
    Open(&config);
    ASSERT_EQ(OVK47MXV_RANGE_COUNT, About->GetRowCount());
    EXPECT_EQ("0.0 - 2.9", Text(About->GetBandLabel(0)));
    EXPECT_EQ("0.0", Text(About->GetOscillatorLabel(0)));
    EXPECT_EQ("0.0 - 2.9   non inverted", Text(About->GetOutputLabel(0)));
    EXPECT_EQ("2.9 - 4.5", Text(About->GetBandLabel(1)));
    EXPECT_EQ("5.7", Text(About->GetOscillatorLabel(1)));
    EXPECT_EQ("2.8 - 1.2   inverted", Text(About->GetOutputLabel(1)));
    int top = About->GetBandLabel(0)->GetTop();
    for (int row = 0; row < About->GetRowCount(); ++row) {
        const COLORREF expected = row % 2 ? AboutOddRowColor : AboutEvenRowColor;
        for (Tmy_Label* label : {About->GetBandLabel(row), About->GetOscillatorLabel(row), About->GetOutputLabel(row)}) {
            EXPECT_EQ(expected, TextColor(label)) << row;
            EXPECT_EQ(top, label->GetTop()) << "row " << row << " in one line, no gap between rows";
        }
        EXPECT_EQ(5, About->GetBandLabel(row)->GetLeft());
        EXPECT_EQ(100, About->GetOscillatorLabel(row)->GetLeft());
        EXPECT_EQ(170, About->GetOutputLabel(row)->GetLeft());
        top += About->GetBandLabel(row)->GetHeight();
    }
    EXPECT_EQ(AboutClientWidth, About->GetClientWidth());
    EXPECT_EQ(top + 5, About->GetClientHeight());
}

TEST_F(AboutWindow, RangeCountOutsideTheRecordIsBounded)
{
    DeviceConfig config = Configuration();
    config.rangeCount = 1000;
    Open(&config);
    EXPECT_EQ(OVK47MXV_RANGE_COUNT, About->GetRowCount()) << "never past the record's fourteen entries";
    delete About;
    About = nullptr;

    config.rangeCount = -3;
    Open(&config);
    EXPECT_EQ(0, About->GetRowCount());
}

}  // namespace
