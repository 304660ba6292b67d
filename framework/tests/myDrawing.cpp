// Drawing helpers, checked by the pixels they leave in memory device contexts.
#include "myDrawing.h"

#include <gtest/gtest.h>

#include "myBitmap.h"
#include "myTestCanvas.h"
#include "myTestInput.h"

namespace {

constexpr COLORREF Paper = RGB(255, 0, 255);  // background no drawing uses
constexpr COLORREF Ink = RGB(0, 0, 255);
constexpr COLORREF Outer = RGB(0, 128, 0);
constexpr COLORREF Frame = RGB(255, 255, 0);
constexpr COLORREF Field = RGB(0, 255, 255);

TmyBorderRecord Border(int style, int width, int intensity = 255, COLORREF background = RGB(128, 128, 128))
{
    TmyBorderRecord border;
    border.Background = background;
    border.FieldColor = Field;
    border.TextColor = Ink;
    border.Width = width;
    border.Style = style;
    border.Intensity = intensity;
    border.BorderColor = Frame;
    return border;
}

}  // namespace

// ---- Colours ----------------------------------------------------------------

TEST(ShadeColor, IntegerFormShadesEachChannelInTruncatedSteps)
{
    EXPECT_EQ(0xBFBFBFu, ShadeColor(COLORREF{0x808080}, 128));
    EXPECT_EQ(0x404040u, ShadeColor(COLORREF{0x808080}, -128));
    EXPECT_EQ(RGB(105, 221, 255), ShadeColor(RGB(10, 200, 255), 100));
    EXPECT_EQ(RGB(7, 122, 156), ShadeColor(RGB(10, 200, 255), -100));
    EXPECT_EQ(0x01BFBFBFu, ShadeColor(COLORREF{0x01808080}, 128));  // the top byte is kept
}

TEST(ShadeColor, RealFormRoundsToNearest)
{
    // 0.25 * 127 = 31.75 and -0.25 * 127 = -31.75: truncation would give 31.
    EXPECT_EQ(RGB(160, 160, 160), ShadeColor(RGB(128, 128, 128), 0.25));
    EXPECT_EQ(RGB(95, 95, 95), ShadeColor(RGB(127, 127, 127), -0.25));
    EXPECT_EQ(RGB(128, 128, 128), ShadeColor(RGB(128, 128, 128), 0.0));
}

TEST(ShadeColor, AmountsBeyondFullStepSaturateWithoutSpillingIntoNeighbours)
{
    EXPECT_EQ(0xFFFFFFu, ShadeColor(COLORREF{0}, 1000));
    EXPECT_EQ(0u, ShadeColor(COLORREF{0x123456}, -1000));
    EXPECT_EQ(0xFFFFFFu, ShadeColor(COLORREF{0x123456}, 2.0));
}

// ---- Borders ----------------------------------------------------------------

TEST(BorderMargin, FollowsTheStyleTable)
{
    EXPECT_EQ(6, BorderMarginOf(9, 3));
    EXPECT_EQ(1, BorderMarginOf(2, 3));
    EXPECT_EQ(0, BorderMarginOf(0, 3));
    EXPECT_EQ(1, BorderMarginOf(5, 4));
    EXPECT_EQ(3, BorderMarginOf(14, 3));
    EXPECT_EQ(3, BorderMarginOf(200, 3));  // unknown styles draw nothing but keep the width
    EXPECT_EQ(6, BorderMarginOf(0x109, 3)); // the style is read as a byte
}

class BorderDrawing : public ::testing::Test {
protected:
    BorderDrawing() : Canvas(20, 20, Paper) {}

    // Draws into (2, 2, 18, 18) and checks the rectangle left inside.
    int Draw(const TmyBorderRecord& border)
    {
        Inside = RECT{2, 2, 18, 18};
        return DrawBorder(Canvas.Get(), &Inside, border, Outer);
    }
    // Every pixel of the ring at inset `ring` from (2, 2, 18, 18).
    int RingCount(int ring, COLORREF color) const
    {
        const int low = 2 + ring;
        const int high = 17 - ring;
        int count = 0;
        for (int i = low; i <= high; ++i)
            count += (Canvas.Pixel(i, low) == color) + (Canvas.Pixel(i, high) == color);
        for (int i = low + 1; i < high; ++i)
            count += (Canvas.Pixel(low, i) == color) + (Canvas.Pixel(high, i) == color);
        return count;
    }
    static int RingLength(int ring) { return 4 * (15 - 2 * ring); }
    void ExpectUntouchedOutside() const
    {
        EXPECT_EQ(20 * 20 - 16 * 16, Canvas.Count(Paper) - Canvas.Count(Paper, RECT{2, 2, 18, 18}));
    }

    TmyTestCanvas Canvas;
    RECT Inside;
};

TEST_F(BorderDrawing, SunkenBevelDarkensTopLeftAndLightensBottomRightPerRing)
{
    EXPECT_EQ(1, Draw(Border(3, 2)));  // f = 0.5: ring 1 by 0.5, ring 2 by 1.0
    EXPECT_EQ(RGB(64, 64, 64), Canvas.Pixel(2, 2));
    EXPECT_EQ(RGB(64, 64, 64), Canvas.Pixel(10, 2));
    EXPECT_EQ(RGB(64, 64, 64), Canvas.Pixel(2, 10));
    EXPECT_EQ(RGB(192, 192, 192), Canvas.Pixel(17, 2));   // top-right corner goes to the light side
    EXPECT_EQ(RGB(192, 192, 192), Canvas.Pixel(2, 17));
    EXPECT_EQ(RGB(192, 192, 192), Canvas.Pixel(17, 17));
    EXPECT_EQ(RGB(0, 0, 0), Canvas.Pixel(3, 3));
    EXPECT_EQ(RGB(0, 0, 0), Canvas.Pixel(15, 3));
    EXPECT_EQ(RGB(255, 255, 255), Canvas.Pixel(16, 3));
    EXPECT_EQ(RGB(255, 255, 255), Canvas.Pixel(10, 16));
    EXPECT_EQ(Paper, Canvas.Pixel(4, 4));
    EXPECT_EQ(Paper, Canvas.Pixel(15, 15));
    ExpectUntouchedOutside();
    EXPECT_EQ(4, Inside.left);
    EXPECT_EQ(16, Inside.right);
    EXPECT_EQ(16, Inside.bottom);
}

TEST_F(BorderDrawing, RaisedBevelShadesOuterRingsStrongest)
{
    Draw(Border(4, 2));
    EXPECT_EQ(RGB(255, 255, 255), Canvas.Pixel(2, 2));
    EXPECT_EQ(RGB(255, 255, 255), Canvas.Pixel(2, 16));
    EXPECT_EQ(RGB(0, 0, 0), Canvas.Pixel(17, 2));
    EXPECT_EQ(RGB(0, 0, 0), Canvas.Pixel(10, 17));
    EXPECT_EQ(RGB(192, 192, 192), Canvas.Pixel(3, 3));
    EXPECT_EQ(RGB(64, 64, 64), Canvas.Pixel(16, 16));
    EXPECT_EQ(RingLength(0), RingCount(0, RGB(255, 255, 255)) + RingCount(0, RGB(0, 0, 0)));
    EXPECT_EQ(4, Inside.left);
}

TEST_F(BorderDrawing, FlatFrameBlendsItsCornersIntoTheParent)
{
    Draw(Border(6, 3));
    EXPECT_EQ(RingLength(0), RingCount(0, Outer));
    EXPECT_EQ(RingLength(1), RingCount(1, Outer));
    EXPECT_EQ(RingLength(2) - 4, RingCount(2, Frame));
    EXPECT_EQ(Outer, Canvas.Pixel(4, 4));
    EXPECT_EQ(Outer, Canvas.Pixel(15, 4));
    EXPECT_EQ(Outer, Canvas.Pixel(4, 15));
    EXPECT_EQ(Outer, Canvas.Pixel(15, 15));
    EXPECT_EQ(Paper, Canvas.Pixel(5, 5));
    ExpectUntouchedOutside();
    EXPECT_EQ(5, Inside.left);
    EXPECT_EQ(15, Inside.right);
}

TEST_F(BorderDrawing, FlatStylesFillTheirRingsInTheirColours)
{
    Draw(Border(10, 2));
    EXPECT_EQ(RingLength(0), RingCount(0, Outer));
    EXPECT_EQ(RingLength(1), RingCount(1, Outer));
    EXPECT_EQ(Paper, Canvas.Pixel(4, 4));

    Draw(Border(14, 3));
    EXPECT_EQ(RingLength(0) - 4, RingCount(0, Frame));
    EXPECT_EQ(Outer, Canvas.Pixel(2, 2));
    EXPECT_EQ(Outer, Canvas.Pixel(17, 17));
    EXPECT_EQ(RingLength(1), RingCount(1, Field));
    EXPECT_EQ(RingLength(2), RingCount(2, Field));
    EXPECT_EQ(Paper, Canvas.Pixel(5, 5));

    TmyBorderRecord unset = Border(6, 1);
    unset.BorderColor = 0xFF000000;  // falls back to the text colour
    Draw(unset);
    EXPECT_EQ(RingLength(0) - 4, RingCount(0, Ink));
}

TEST_F(BorderDrawing, EveryStyleStaysInsideItsRectangleLeavesItsMarginAndRestoresTheContext)
{
    SelectObject(Canvas.Get(), GetStockObject(WHITE_PEN));
    SelectObject(Canvas.Get(), GetStockObject(GRAY_BRUSH));
    for (int style = 1; style <= 15; ++style) {
        Canvas.Fill(Paper);
        Draw(Border(style, 3));
        const int margin = BorderMarginOf(style, 3);
        EXPECT_EQ(2 + margin, Inside.left) << "style " << style;
        EXPECT_EQ(18 - margin, Inside.bottom) << "style " << style;
        // The etched frame (2) draws its inner line inside its one-pixel
        // inset and the shifted frame (13) reaches in from the right.
        if (style != 2 && style != 13) {
            EXPECT_EQ(Paper, Canvas.Pixel(2 + margin, 2 + margin)) << "style " << style;
            EXPECT_EQ(Paper, Canvas.Pixel(17 - margin, 17 - margin)) << "style " << style;
        }
        ExpectUntouchedOutside();
    }
    EXPECT_EQ(GetStockObject(WHITE_PEN), GetCurrentObject(Canvas.Get(), OBJ_PEN));
    EXPECT_EQ(GetStockObject(GRAY_BRUSH), GetCurrentObject(Canvas.Get(), OBJ_BRUSH));
}

TEST_F(BorderDrawing, ZeroWidthAndTooSmallRectanglesDrawNothing)
{
    EXPECT_EQ(0, Draw(Border(4, 0)));
    EXPECT_EQ(2, Inside.left);
    RECT tiny{2, 2, 5, 18};
    EXPECT_EQ(0, DrawBorder(Canvas.Get(), &tiny, Border(10, 3), Outer));
    EXPECT_EQ(2, tiny.left);
    EXPECT_EQ(20 * 20, Canvas.Count(Paper));
}

// ---- Glyphs -----------------------------------------------------------------

class GlyphDrawing : public ::testing::Test {
protected:
    GlyphDrawing() : Canvas(24, 24, Paper) {}
    void Draw(int kind, int size) { DrawGlyph(Canvas.Get(), POINT{2, 3}, size, kind, Ink); }
    int RowCount(int y) const { return Canvas.Count(Ink, RECT{0, y, 24, y + 1}); }
    int ColumnCount(int x) const { return Canvas.Count(Ink, RECT{x, 0, x + 1, 24}); }

    TmyTestCanvas Canvas;
};

TEST_F(GlyphDrawing, TrianglesNarrowByOnePixelPerSideEveryTwoLines)
{
    Draw(GlyphTriangleDown, 8);
    EXPECT_EQ(8 + 8 + 6 + 6 + 4 + 4 + 2 + 2, Canvas.Count(Ink));
    EXPECT_EQ(8, RowCount(3));
    EXPECT_EQ(2, RowCount(10));
    EXPECT_EQ(Ink, Canvas.Pixel(5, 10));
    EXPECT_EQ(Ink, Canvas.Pixel(6, 10));
    Canvas.Fill(Paper);
    Draw(GlyphTriangleUp, 8);
    EXPECT_EQ(2, RowCount(3));
    EXPECT_EQ(8, RowCount(10));
}

TEST_F(GlyphDrawing, SideTrianglesAreDrawnInColumns)
{
    Draw(GlyphTriangleRight, 8);
    EXPECT_EQ(8, ColumnCount(2));
    EXPECT_EQ(2, ColumnCount(9));
    Canvas.Fill(Paper);
    Draw(GlyphTriangleLeft, 8);
    EXPECT_EQ(2, ColumnCount(2));
    EXPECT_EQ(8, ColumnCount(9));
}

TEST_F(GlyphDrawing, SquareBarAndPauseFillTheirAreas)
{
    Draw(GlyphSquare, 5);
    EXPECT_EQ(25, Canvas.Count(Ink, RECT{2, 3, 7, 8}));
    EXPECT_EQ(25, Canvas.Count(Ink));
    Canvas.Fill(Paper);
    Draw(GlyphBar, 9);
    EXPECT_EQ(27, Canvas.Count(Ink, RECT{2, 3, 11, 6}));
    EXPECT_EQ(27, Canvas.Count(Ink));
    Canvas.Fill(Paper);
    Draw(GlyphPause, 9);
    EXPECT_EQ(36, Canvas.Count(Ink, RECT{2, 3, 6, 12}));
    EXPECT_EQ(36, Canvas.Count(Ink, RECT{7, 3, 11, 12}));
    EXPECT_EQ(72, Canvas.Count(Ink));
}

TEST_F(GlyphDrawing, CrossJoinsTheCorners)
{
    Draw(GlyphCross, 7);
    EXPECT_EQ(Ink, Canvas.Pixel(2, 3));
    EXPECT_EQ(Ink, Canvas.Pixel(8, 9));
    EXPECT_EQ(Ink, Canvas.Pixel(8, 3));
    EXPECT_EQ(Ink, Canvas.Pixel(2, 9));
    EXPECT_EQ(13, Canvas.Count(Ink));  // two diagonals of 7 sharing the centre
}

TEST_F(GlyphDrawing, CircleDiameterIsRoundedDownToEven)
{
    Draw(GlyphCircle, 9);
    const RECT extent = Canvas.Extent(Ink);
    EXPECT_EQ(2, extent.left);
    EXPECT_EQ(3, extent.top);
    EXPECT_EQ(8, extent.right - extent.left);
    EXPECT_EQ(8, extent.bottom - extent.top);
}

TEST_F(GlyphDrawing, DoubleTrianglesFitTheSquare)
{
    Draw(GlyphDoubleRight, 9);  // each 5 wide, the second ending at the square's edge
    const RECT extent = Canvas.Extent(Ink);
    EXPECT_EQ(2, extent.left);
    EXPECT_EQ(11, extent.right);
    EXPECT_EQ(9, ColumnCount(2));   // base of the first triangle
    EXPECT_EQ(9, ColumnCount(6));   // base of the second
    EXPECT_EQ(1, ColumnCount(10));  // its tip
}

TEST_F(GlyphDrawing, PolygonTrianglesAreCentredWithOddHeight)
{
    Draw(GlyphPolygonRight, 8);  // height 7, depth 4
    RECT extent = Canvas.Extent(Ink);
    EXPECT_EQ(2 + 2, extent.left);
    EXPECT_EQ(4, extent.right - extent.left);
    EXPECT_EQ(7, extent.bottom - extent.top);
    EXPECT_EQ(7, ColumnCount(4));
    Canvas.Fill(Paper);
    Draw(GlyphPolygonDown, 7);  // height 7, depth 4
    extent = Canvas.Extent(Ink);
    EXPECT_EQ(7, extent.right - extent.left);
    EXPECT_EQ(4, extent.bottom - extent.top);
    EXPECT_EQ(3 + 1, extent.top);
    EXPECT_EQ(7, RowCount(4));
}

TEST_F(GlyphDrawing, UnknownKindsAndEmptySizesDrawNothingAndTheContextIsRestored)
{
    SelectObject(Canvas.Get(), GetStockObject(WHITE_PEN));
    SelectObject(Canvas.Get(), GetStockObject(GRAY_BRUSH));
    for (int kind : {0, 7, 13, 20, -1})
        Draw(kind, 8);
    Draw(GlyphSquare, 0);
    Draw(GlyphSquare, -4);
    EXPECT_EQ(24 * 24, Canvas.Count(Paper));
    Draw(GlyphCircle, 8);
    Draw(GlyphPolygonUp, 8);
    EXPECT_EQ(GetStockObject(WHITE_PEN), GetCurrentObject(Canvas.Get(), OBJ_PEN));
    EXPECT_EQ(GetStockObject(GRAY_BRUSH), GetCurrentObject(Canvas.Get(), OBJ_BRUSH));
}

// ---- Text -------------------------------------------------------------------

class AlignedText : public ::testing::Test {
protected:
    AlignedText()
        : Canvas(200, 60, 0),
          Font(CreateTextFont(-13, "Tahoma", 1, 0, 0, 0, 0, DEFAULT_CHARSET, NONANTIALIASED_QUALITY))
    {
    }
    ~AlignedText() override { DeleteObject(Font); }

    static TmyTextRecord Record(COLORREF text, COLORREF base = 0, int shadow = 0)
    {
        return TmyTextRecord{base, text, shadow};
    }
    RECT InkOf(unsigned align, const RECT& rect)
    {
        Canvas.Fill(0);
        DrawAlignedText(Canvas.Get(), rect, "Wg", Font, align, Record(Ink));
        return Canvas.Extent(Ink);
    }
    SIZE Measured()
    {
        HGDIOBJ previous = SelectObject(Canvas.Get(), Font);
        RECT size{0, 0, 0, 0};
        DrawTextA(Canvas.Get(), "Wg", 2, &size, DT_CALCRECT | DT_NOPREFIX);
        SelectObject(Canvas.Get(), previous);
        return SIZE{size.right, size.bottom};
    }

    TmyTestCanvas Canvas;
    HFONT Font;
};

TEST_F(AlignedText, CentreAndMiddleFlagsCentreBothWays)
{
    const RECT whole{0, 0, 200, 60};
    const RECT topLeft = InkOf(AlignTextLeft | AlignTextTop, whole);
    ASSERT_LT(topLeft.left, topLeft.right);
    const RECT centred = InkOf(AlignTextCentre | AlignTextMiddle, whole);
    const SIZE size = Measured();
    EXPECT_EQ(topLeft.left + (200 - size.cx) / 2, centred.left);
    EXPECT_EQ(topLeft.top + (60 - size.cy) / 2, centred.top);
    EXPECT_EQ(topLeft.right - topLeft.left, centred.right - centred.left);
}

TEST_F(AlignedText, RightAndBottomFlagsMeetTheFarEdges)
{
    const RECT topLeft = InkOf(AlignTextLeft | AlignTextTop, RECT{0, 0, 200, 60});
    const RECT farCorner = InkOf(AlignTextRight | AlignTextBottom, RECT{10, 10, 150, 50});
    const SIZE size = Measured();
    EXPECT_EQ(topLeft.left + 150 - size.cx, farCorner.left);
    EXPECT_EQ(topLeft.top + 50 - size.cy, farCorner.top);
}

TEST_F(AlignedText, NoFlagsPlaceAtTheOriginAndTheFirstFlagOfAnAxisWins)
{
    const RECT whole{0, 0, 200, 60};
    const RECT topLeft = InkOf(AlignTextLeft | AlignTextTop, whole);
    const RECT none = InkOf(0, whole);
    EXPECT_TRUE(EqualRect(&topLeft, &none));
    const RECT both = InkOf(AlignTextLeft | AlignTextCentre | AlignTextTop | AlignTextMiddle, whole);
    EXPECT_TRUE(EqualRect(&topLeft, &both));
}

TEST_F(AlignedText, ShadowIsDrawnOneAndTwoPixelsDownRight)
{
    const RECT ink = InkOf(AlignTextLeft | AlignTextTop, RECT{0, 0, 200, 60});
    const COLORREF shadow = ShadeColor(COLORREF{0xFFFFFF}, -128);
    Canvas.Fill(0);
    DrawAlignedText(Canvas.Get(), RECT{0, 0, 200, 60}, "Wg", Font, AlignTextLeft | AlignTextTop,
                    Record(Ink, 0xFFFFFF, 0x80));
    const RECT shaded = Canvas.Extent(shadow);
    EXPECT_EQ(ink.right + 2, shaded.right);
    EXPECT_EQ(ink.bottom + 2, shaded.bottom);
    // Every text pixel keeps the text colour on top of its shadows.
    const RECT again = Canvas.Extent(Ink);
    EXPECT_TRUE(EqualRect(&ink, &again));
}

TEST_F(AlignedText, AutomaticShadowDependsOnWhichColourIsBrighter)
{
    Canvas.Fill(0);
    DrawAlignedText(Canvas.Get(), RECT{0, 0, 200, 60}, "Wg", Font, 0x11, Record(RGB(0, 0, 128), 0xFFFFFF, 127));
    EXPECT_LT(0, Canvas.Count(ShadeColor(COLORREF{0xFFFFFF}, -32)));
    Canvas.Fill(0);
    DrawAlignedText(Canvas.Get(), RECT{0, 0, 200, 60}, "Wg", Font, 0x11, Record(0xFFFFFF, 0x808080, 127));
    EXPECT_LT(0, Canvas.Count(ShadeColor(COLORREF{0x808080}, -128)));
}

TEST_F(AlignedText, DeviceContextStateIsRestored)
{
    SetTextColor(Canvas.Get(), RGB(1, 2, 3));
    SetBkMode(Canvas.Get(), OPAQUE);
    HGDIOBJ font = GetCurrentObject(Canvas.Get(), OBJ_FONT);
    DrawAlignedText(Canvas.Get(), RECT{0, 0, 200, 60}, "Wg", Font, 0x44, Record(Ink, 0xFFFFFF, 127));
    DrawShadowTextW(Canvas.Get(), 3, 3, L"Wg", Font, Record(Ink, 0xFFFFFF, 127), nullptr);
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(Canvas.Get()));
    EXPECT_EQ(OPAQUE, GetBkMode(Canvas.Get()));
    EXPECT_EQ(font, GetCurrentObject(Canvas.Get(), OBJ_FONT));
}

TEST_F(AlignedText, WideShadowTextDrawsShadowsAndHonoursTheClip)
{
    const COLORREF shadow = ShadeColor(COLORREF{0xFFFFFF}, -128);
    DrawShadowTextW(Canvas.Get(), 5, 5, L"Wg", Font, Record(Ink, 0xFFFFFF, 0x80), nullptr);
    const RECT ink = Canvas.Extent(Ink);
    const RECT shaded = Canvas.Extent(shadow);
    EXPECT_EQ(ink.right + 2, shaded.right);
    EXPECT_EQ(ink.bottom + 2, shaded.bottom);

    Canvas.Fill(0);
    const RECT clip{5, 5, ink.left + 3, 60};
    DrawShadowTextW(Canvas.Get(), 5, 5, L"Wg", Font, Record(Ink, 0xFFFFFF, 0x80), &clip);
    EXPECT_EQ(0, Canvas.Count(Ink, RECT{clip.right, 0, 200, 60}));
    EXPECT_EQ(0, Canvas.Count(shadow, RECT{clip.right, 0, 200, 60}));
    EXPECT_LT(0, Canvas.Count(Ink));
}

// ---- Bitmaps and keys -------------------------------------------------------

namespace {

void PutPixel(TmyBitmap24& bitmap, int x, int y, unsigned char blue, unsigned char green, unsigned char red)
{
    unsigned char* cell = bitmap.ScanLine(y) + 3 * x;
    cell[0] = blue;
    cell[1] = green;
    cell[2] = red;
}

COLORREF PixelOf(TmyBitmap24& bitmap, int x, int y)
{
    const unsigned char* cell = bitmap.ScanLine(y) + 3 * x;
    return RGB(cell[2], cell[1], cell[0]);
}

// A 4 x 2 source: the left block averages to (3, 2, 1) truncated, the right to white.
void FillSource(TmyBitmap24& source)
{
    PutPixel(source, 0, 0, 0, 0, 0);
    PutPixel(source, 1, 0, 1, 2, 3);
    PutPixel(source, 0, 1, 2, 4, 6);
    PutPixel(source, 1, 1, 3, 3, 6);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            PutPixel(source, x, y, 255, 255, 255);
}

}  // namespace

TEST(HalveBitmap, AveragesTwoByTwoBlocksTruncatingAlsoInPlace)
{
    TmyBitmap24 source(4, 2);
    TmyBitmap24 destination(2, 1);
    ASSERT_NE(nullptr, source.Bits());
    FillSource(source);
    EXPECT_EQ(1, HalveBitmap(source, destination));
    EXPECT_EQ(RGB(3, 2, 1), PixelOf(destination, 0, 0));  // (0+3+6+6)/4, (0+2+4+3)/4, (0+1+2+3)/4
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(destination, 1, 0));
    EXPECT_EQ(1, HalveBitmap(source, source));
    EXPECT_EQ(RGB(3, 2, 1), PixelOf(source, 0, 0));
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(source, 1, 0));
}

TEST(HalveBitmap, RefusesADestinationSmallerThanHalf)
{
    TmyBitmap24 source(8, 8);
    TmyBitmap24 narrow(3, 4);
    TmyBitmap24 low(4, 3);
    EXPECT_EQ(0, HalveBitmap(source, narrow));
    EXPECT_EQ(0, HalveBitmap(source, low));
}

TEST(ModifierKeys, ReportsEachHeldModifierInItsBit)
{
    EXPECT_EQ(0u, GetModifierKeys());
    {
        TmyKeyHeld shift(nullptr, VK_SHIFT);
        EXPECT_EQ(ModifierShift, GetModifierKeys());
        TmyKeyHeld ctrl(nullptr, VK_CONTROL);
        EXPECT_EQ(ModifierShift | ModifierCtrl, GetModifierKeys());
    }
    {
        TmyKeyHeld alt(nullptr, VK_MENU);
        EXPECT_EQ(ModifierAlt, GetModifierKeys());
    }
    EXPECT_EQ(0u, GetModifierKeys());
}
