// Tmy_Label: text storage, sizing to the text (with border and shadow), and
// painting with a background or, as an overlay, without one.
#include "my_Label.h"

#include <gtest/gtest.h>

#include "myPanelTest.h"

namespace {

constexpr COLORREF HostBack = RGB(0, 128, 0);
constexpr COLORREF LabelBack = RGB(200, 0, 0);
constexpr COLORREF TextColor = RGB(255, 255, 255);

class WindowlessLabelTest : public TmyWidgetTest {
protected:
    void SetUp() override { Host = new TmyTestHost(120, 60, HostBack); }
    void TearDown() override
    {
        delete Host;
        TmyWidgetTest::TearDown();
    }
    // Counts the invalidations that reach the host window.
    bool HostHasPendingPaint() { return GetUpdateRect(Host->GetWindow(), nullptr, FALSE) != 0; }

    TmyTestHost* Host = nullptr;
};

using WindowlessLabelSizing = WindowlessLabelTest;

TEST_F(WindowlessLabelSizing, LabelWithoutSizeFitsItsCaption)
{
    auto* label = new Tmy_Label("Hello", Host, 5, 5, 0, 0);
    const SIZE text = label->MeasureText("Hello");
    EXPECT_EQ(text.cx, label->GetWidth());
    EXPECT_EQ(text.cy, label->GetHeight());
    EXPECT_EQ(TmyString("Hello"), label->GetLabelText());
    EXPECT_EQ(0, label->GetProperty(PropBorderStyle));
}

TEST_F(WindowlessLabelSizing, ShadowAddsTwoPixelsEachWay)
{
    auto* plain = new Tmy_Label("", Host, 5, 5, 0, 0);
    auto* shadowed = new Tmy_Label("", Host, 5, 30, 0, 0);
    shadowed->SetProperty(PropShadow, 127);
    plain->SetLabelTextChars("Shadow", 1);
    shadowed->SetLabelTextChars("Shadow", 1);
    EXPECT_EQ(plain->GetWidth() + 2, shadowed->GetWidth());
    EXPECT_EQ(plain->GetHeight() + 2, shadowed->GetHeight());
}

TEST_F(WindowlessLabelSizing, BorderInsetIsAddedOnEverySide)
{
    auto* label = new Tmy_Label("", Host, 5, 5, 0, 0);
    label->SetProperty(PropBorderStyle, 3);
    label->SetProperty(PropBorderWidth, 2);
    label->SetLabelTextChars("Edge", 1);
    const SIZE text = label->MeasureText("Edge");
    EXPECT_EQ(text.cx + 4, label->GetWidth());
    EXPECT_EQ(text.cy + 4, label->GetHeight());
}

TEST_F(WindowlessLabelSizing, SameTextAgainNeitherResizesNorRepaints)
{
    auto* label = new Tmy_Label("Same", Host, 5, 5, 0, 0);
    label->Resize(100, 20);
    PumpPending();
    ValidateRect(Host->GetWindow(), nullptr);
    EXPECT_EQ(1, label->SetLabelTextChars("Same", 1));
    EXPECT_EQ(100, label->GetWidth());
    EXPECT_FALSE(HostHasPendingPaint());
    EXPECT_EQ(1, label->SetLabelTextChars("Other", 0));
    EXPECT_EQ(100, label->GetWidth());
    EXPECT_TRUE(HostHasPendingPaint());
}

using WindowlessLabelLook = WindowlessLabelTest;

TEST_F(WindowlessLabelLook, OpaqueLabelFillsItsBackground)
{
    auto* label = new Tmy_Label("x", Host, 10, 10, 60, 20);
    label->SetBackColor(LabelBack);
    TmyTestCanvas canvas(120, 60);
    RenderWindow(Host->GetWindow(), canvas);
    EXPECT_EQ(LabelBack, canvas.Pixel(65, 25));
    EXPECT_EQ(HostBack, canvas.Pixel(75, 25));
}

TEST_F(WindowlessLabelLook, OverlayLabelDrawsTextButNoBackground)
{
    auto* label = new Tmy_Label("H", Host, 10, 10, 60, 20);
    label->SetBackColor(LabelBack);
    label->SetForeColor(TextColor);
    label->SetOverlay(1);
    TmyTestCanvas canvas(120, 60);
    RenderWindow(Host->GetWindow(), canvas);
    EXPECT_EQ(0, canvas.Count(LabelBack));
    EXPECT_EQ(HostBack, canvas.Pixel(65, 25));
    const RECT text = canvas.Extent(TextColor);
    EXPECT_LE(10, text.left);
    EXPECT_GT(14, text.left);
}

}  // namespace
