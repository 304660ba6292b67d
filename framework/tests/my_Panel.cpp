// Tmy_Panel: raised by default, borderless in a flat parent, painted face
// and border, and fitted around its children with the border inset.
#include "my_Panel.h"

#include <gtest/gtest.h>

#include "myDrawing.h"
#include "myPanelTest.h"

namespace {

constexpr COLORREF HostBack = RGB(0, 128, 0);
constexpr COLORREF PanelBack = RGB(100, 100, 100);

class WindowlessPanelTest : public TmyWidgetTest {
protected:
    void SetUp() override { Host = new TmyTestHost(120, 80, HostBack); }
    void TearDown() override
    {
        delete Host;
        TmyWidgetTest::TearDown();
    }

    TmyTestHost* Host = nullptr;
};

class PaintCounter : public TmyObject {
public:
    int Painted(TmyControl*, HDC)
    {
        ++Count;
        return 0;
    }
    int Count = 0;
};

TEST_F(WindowlessPanelTest, PaintsARaisedBevelAroundItsFaceAndFiresOnPaint)
{
    auto* panel = new Tmy_Panel(Host, 10, 10, 40, 30);
    panel->SetBackColor(PanelBack);
    PumpPending();
    PaintCounter counter;
    panel->OnPaint.Set(&counter, &PaintCounter::Painted);
    TmyTestCanvas canvas(120, 80);
    RenderWindow(Host->GetWindow(), canvas);
    EXPECT_EQ(4, panel->GetProperty(PropBorderStyle));
    EXPECT_EQ(PanelBack, canvas.Pixel(13, 13));
    EXPECT_EQ(PanelBack, canvas.Pixel(46, 36));
    EXPECT_GT(ColorBrightness(canvas.Pixel(10, 10)), ColorBrightness(PanelBack));
    EXPECT_LT(ColorBrightness(canvas.Pixel(49, 39)), ColorBrightness(PanelBack));
    EXPECT_EQ(HostBack, canvas.Pixel(50, 40));
    EXPECT_EQ(1, counter.Count);
}

TEST_F(WindowlessPanelTest, PanelInAFlatParentKeepsTheParentsBorder)
{
    Host->SetFlat(1);
    auto* panel = new Tmy_Panel(Host, 10, 10, 40, 30);
    EXPECT_EQ(0, panel->GetProperty(PropBorderStyle));
}

}  // namespace
