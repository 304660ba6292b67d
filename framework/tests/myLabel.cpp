// TmyLabel: sizing to its caption at construction and on request, and its
// borderless, left-top aligned caption.
#include "myLabel.h"

#include <gtest/gtest.h>

#include "myPanelTest.h"

namespace {

constexpr COLORREF TextColor = RGB(255, 255, 255);

class LabelTest : public TmyWidgetTest {
protected:
    void SetUp() override { Host = new TmyTestHost(300, 200, RGB(0, 128, 0)); }
    void TearDown() override
    {
        delete Host;
        TmyWidgetTest::TearDown();
    }
    TmyLabel* AddLabel(const char* caption, int width, int height)
    {
        return new TmyLabel(caption, Host->GetWindow(), 10, 10, width, height, WS_CHILD | WS_VISIBLE);
    }

    TmyTestHost* Host = nullptr;
};

using LabelSizing = LabelTest;

TEST_F(LabelSizing, LabelWithoutSizeFitsItsCaptionExactly)
{
    TmyLabel* label = AddLabel("Hi", 0, 0);
    const SIZE text = label->MeasureText("Hi");
    EXPECT_EQ(0, label->GetProperty(PropBorderStyle));
    EXPECT_EQ(text.cx, label->GetWidth());
    EXPECT_EQ(text.cy, label->GetHeight());
}

TEST_F(LabelSizing, BorderedLabelAddsItsInsetOnEverySide)
{
    TmyLabel* label = AddLabel("", 5, 5);
    label->SetBorderStyle(4);
    label->SetBorderWidth(2);
    label->SetCaption("Wide text", 1);
    const SIZE text = label->MeasureText("Wide text");
    EXPECT_EQ(text.cx + 4, label->GetWidth());
    EXPECT_EQ(text.cy + 4, label->GetHeight());
}

TEST_F(LabelSizing, CaptionChangesResizeOnlyWhenAsked)
{
    TmyLabel* label = AddLabel("Hi", 0, 0);
    const int narrow = label->GetWidth();
    label->SetCaption("Hi there, world", 0);
    EXPECT_EQ(narrow, label->GetWidth());
    EXPECT_EQ(TmyString("Hi there, world"), label->GetTextString());
    label->SetCaptionString(TmyString("Hi there, world"), 1);
    EXPECT_GT(label->GetWidth(), narrow);
}

using LabelLook = LabelTest;

TEST_F(LabelLook, CaptionStartsAtTheTopLeftCorner)
{
    TmyLabel* label = AddLabel("H", 40, 30);
    label->SetForeColor(TextColor);
    TmyTestCanvas canvas(40, 30);
    RenderWindow(label->GetWindow(), canvas);
    const RECT text = canvas.Extent(TextColor);
    ASSERT_LT(text.left, text.right);
    EXPECT_LT(text.left, 40 - text.right);
    EXPECT_LT(text.top, 30 - text.bottom);
    EXPECT_EQ(label->GetProperty(PropBackColor), static_cast<int32_t>(canvas.Pixel(39, 29)));
}

}  // namespace
