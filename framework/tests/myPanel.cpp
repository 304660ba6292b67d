// TmyPanel painted into a test canvas: border defaults, caption alignment,
// background choice and painter, the image at half, full and stretched size,
// sizing to the caption and the children, and ownership of the images.
#include "myPanel.h"

#include <gtest/gtest.h>

#include "myDrawing.h"
#include "myPanelTest.h"

namespace {

constexpr COLORREF HostBack = RGB(0, 128, 0);
constexpr COLORREF PanelBack = RGB(100, 100, 100);
constexpr COLORREF PanelField = RGB(0, 0, 160);
constexpr COLORREF TextColor = RGB(255, 255, 255);
constexpr COLORREF Key = RGB(255, 0, 255);
constexpr int PanelSize = 40;
constexpr int Inset = 3;  // default raised bevel of width 3

// A 32-bit image whose pixels come from pixel(x, y).
template <typename Pixel>
HBITMAP MakeImage(int width, int height, Pixel pixel)
{
    TmyTestCanvas canvas(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixelV(canvas.Get(), x, y, pixel(x, y));
    HDC screen = GetDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, image);
    BitBlt(dc, 0, 0, width, height, canvas.Get(), 0, 0, SRCCOPY);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return image;
}

// 8 x 8: the top-left 2 x 2 block in the key colour, the rest in black and
// white columns, so that each halved pixel is the background or mid grey.
HBITMAP StripedImage()
{
    return MakeImage(8, 8, [](int x, int y) {
        if (x < 2 && y < 2)
            return Key;
        return x % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    });
}

class PanelTest : public TmyWidgetTest {
protected:
    void SetUp() override
    {
        Host = new TmyTestHost(300, 200, HostBack);
        Panel = new TmyPanel("", Host->GetWindow(), 10, 10, PanelSize, PanelSize, WS_CHILD | WS_VISIBLE, 0);
        Panel->SetBackColor(PanelBack);
        Panel->SetFieldColor(PanelField);
        Panel->SetForeColor(TextColor);
    }
    void TearDown() override
    {
        delete Host;
        TmyWidgetTest::TearDown();
    }
    void Render() { RenderWindow(Panel->GetWindow(), Canvas); }
    // The caption's pixels after painting with the given alignment.
    RECT CaptionExtent(unsigned align)
    {
        Panel->SetTextAlign(align);
        Render();
        return Canvas.Extent(TextColor);
    }

    TmyTestHost* Host = nullptr;
    TmyPanel* Panel = nullptr;
    TmyTestCanvas Canvas{PanelSize, PanelSize};
};

// ---- Border and background -------------------------------------------------------

using PanelLook = PanelTest;

TEST_F(PanelLook, DefaultBorderIsARaisedBevelOfWidthThree)
{
    Render();
    EXPECT_EQ(4, Panel->GetProperty(PropBorderStyle));
    EXPECT_GT(ColorBrightness(Canvas.Pixel(0, 0)), ColorBrightness(PanelBack));
    EXPECT_LT(ColorBrightness(Canvas.Pixel(PanelSize - 1, PanelSize - 1)), ColorBrightness(PanelBack));
    EXPECT_NE(PanelBack, Canvas.Pixel(Inset - 1, PanelSize / 2));
    EXPECT_EQ(PanelBack, Canvas.Pixel(Inset, PanelSize / 2));
}

TEST_F(PanelLook, PanelInAFlatParentGetsNoRaisedBorder)
{
    Host->SetFlat(1);
    auto* flat = new TmyPanel("", Host->GetWindow(), 60, 10, 30, 30, WS_CHILD | WS_VISIBLE, 0);
    EXPECT_EQ(0, flat->GetProperty(PropBorderStyle));
}

TEST_F(PanelLook, SunkenPanelFillsWithTheFieldColourUnlessTurnedOff)
{
    Panel->SetBorderStyle(3);
    Render();
    EXPECT_EQ(PanelField, Canvas.Pixel(PanelSize / 2, PanelSize / 2));
    Panel->SetFieldBackground(0);
    Render();
    EXPECT_EQ(PanelBack, Canvas.Pixel(PanelSize / 2, PanelSize / 2));
}

class BackgroundPainter : public TmyObject {
public:
    int Paint(TmyPanel*, HDC dc, const RECT* rect)
    {
        Area = *rect;
        FillColor(dc, *rect, RGB(255, 255, 0));
        return 7;
    }
    RECT Area{};
};

TEST_F(PanelLook, BackgroundPainterReplacesTheFill)
{
    BackgroundPainter painter;
    Panel->OnPaintBackground.Set(&painter, &BackgroundPainter::Paint);
    Render();
    EXPECT_EQ(RGB(255, 255, 0), Canvas.Pixel(PanelSize / 2, PanelSize / 2));
    EXPECT_EQ((RECT{Inset, Inset, PanelSize - Inset, PanelSize - Inset}), painter.Area);
    EXPECT_EQ(0, Canvas.Count(PanelBack));
}

// ---- Caption --------------------------------------------------------------------

using PanelCaption = PanelTest;

TEST_F(PanelCaption, AlignmentFlagsPlaceTheCaptionAtEachSideOrCentred)
{
    SetWindowTextA(Panel->GetWindow(), "H");
    const RECT centred = CaptionExtent(AlignTextCentre | AlignTextMiddle);
    EXPECT_NEAR(PanelSize / 2, (centred.left + centred.right) / 2, 2);
    EXPECT_NEAR(PanelSize / 2, (centred.top + centred.bottom) / 2, 3);
    const RECT leftTop = CaptionExtent(AlignTextLeft | AlignTextTop);
    const RECT rightBottom = CaptionExtent(AlignTextRight | AlignTextBottom);
    ASSERT_LT(leftTop.left, leftTop.right);
    EXPECT_LE(Inset, leftTop.left);
    EXPECT_GT(Inset + 3, leftTop.left);
    EXPECT_LE(Inset, leftTop.top);
    EXPECT_GE(PanelSize - Inset, rightBottom.right);
    EXPECT_LT(PanelSize - Inset - 3, rightBottom.right);
    EXPECT_EQ(leftTop.right - leftTop.left, rightBottom.right - rightBottom.left);
    EXPECT_GT(rightBottom.top, leftTop.top + 10);
}

// ---- Image ----------------------------------------------------------------------

using PanelImage = PanelTest;

TEST_F(PanelImage, HalfSizeImageIsSmoothedOverTheBackground)
{
    Panel->SetImages(StripedImage(), nullptr);
    Render();
    // The 4 x 4 half image is centred in the 34 x 34 face at (18, 18).
    EXPECT_EQ(PanelBack, Canvas.Pixel(18, 18));
    EXPECT_EQ(RGB(127, 127, 127), Canvas.Pixel(19, 18));
    EXPECT_EQ(RGB(127, 127, 127), Canvas.Pixel(21, 21));
    EXPECT_EQ(PanelBack, Canvas.Pixel(22, 21));
    EXPECT_EQ(PanelBack, Canvas.Pixel(17, 18));
}

TEST_F(PanelImage, FullSizeImageIsCopiedWithoutTransparency)
{
    Panel->SetImages(StripedImage(), nullptr);
    Panel->SetHalfSizeImage(0);
    Panel->SetImageAlign(AlignTextLeft | AlignTextTop);
    Render();
    EXPECT_EQ(Key, Canvas.Pixel(Inset, Inset));
    EXPECT_EQ(RGB(0, 0, 0), Canvas.Pixel(Inset + 2, Inset + 2));
    EXPECT_EQ(RGB(255, 255, 255), Canvas.Pixel(Inset + 7, Inset + 7));
    EXPECT_EQ(PanelBack, Canvas.Pixel(Inset + 8, Inset + 7));
}

TEST_F(PanelImage, StretchAlignmentCoversTheClientAreaWithTransparency)
{
    Panel->SetImages(MakeImage(2, 2, [](int x, int y) { return x == 0 && y == 0 ? Key : RGB(255, 0, 0); }),
                     nullptr);
    Panel->SetImageAlign(ImageAlignStretch);
    Render();
    EXPECT_EQ(PanelBack, Canvas.Pixel(Inset, Inset));
    EXPECT_EQ(RGB(255, 0, 0), Canvas.Pixel(PanelSize - Inset - 1, PanelSize - Inset - 1));
    EXPECT_EQ(RGB(255, 0, 0), Canvas.Pixel(PanelSize - Inset - 1, Inset));
}

TEST_F(PanelImage, PanelDeletesItsImagesWithItself)
{
    HBITMAP image = StripedImage();
    HBITMAP replaced = StripedImage();
    Panel->SetImages(replaced, nullptr);
    Panel->SetImages(image, image);
    EXPECT_EQ(0u, GetObjectType(replaced));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(image));
    delete Panel;
    EXPECT_EQ(0u, GetObjectType(image));
}

// ---- Sizing ---------------------------------------------------------------------

using PanelSizing = PanelTest;

TEST_F(PanelSizing, AutoSizeFitsTheCaptionInsideTheBorder)
{
    SetWindowTextA(Panel->GetWindow(), "Hello there");
    Panel->AutoSize();
    const SIZE text = Panel->MeasureText("Hello there");
    EXPECT_EQ(text.cx + 2 * Inset, Panel->GetWidth());
    EXPECT_EQ(text.cy + 2 * Inset, Panel->GetHeight());
}

}  // namespace
