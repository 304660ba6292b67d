#include "myBitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "debugCapture.h"
#include "myDrawing.h"

namespace {

constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF green = RGB(0, 255, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF magenta = RGB(255, 0, 255);

void Fill(TmyBitmapBase& bitmap, COLORREF color)
{
    RECT all{0, 0, bitmap.Width(), bitmap.Height()};
    FillColor(bitmap.MemoryDC(), all, color);
}

void Put(TmyBitmapBase& bitmap, int x, int y, COLORREF color)
{
    SetPixelV(bitmap.MemoryDC(), x, y, color);
}

COLORREF At(TmyBitmapBase& bitmap, int x, int y)
{
    return GetPixel(bitmap.MemoryDC(), x, y);
}

bool Near(int expected, int actual)
{
    return std::abs(expected - actual) <= 1;
}

// A 32-bit DIB section selected nowhere, as loaded bitmaps are; pixels
// 0x00RRGGBB given row by row from the top.
HBITMAP MakeSource32(int width, int height, const uint32_t* pixels)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap)
        memcpy(bits, pixels, sizeof(uint32_t) * width * height);
    return bitmap;
}

TEST(Bitmap24, RowsArePaddedToFourBytesAndStartCleared)
{
    TmyBitmap24 bitmap(5, 3);
    ASSERT_NE(nullptr, bitmap.Bits());
    EXPECT_EQ(16, bitmap.Stride());
    EXPECT_EQ(12, TmyBitmap24(4, 1).Stride());
    const unsigned char* bytes = static_cast<const unsigned char*>(bitmap.Bits());
    for (int i = 0; i < 16 * 3; ++i)
        ASSERT_EQ(0, bytes[i]) << i;
}

TEST(Bitmap24, ScanLineZeroIsTheLastRowInMemory)
{
    TmyBitmap24 bitmap(4, 10);
    unsigned char* bits = static_cast<unsigned char*>(bitmap.Bits());
    ASSERT_NE(nullptr, bits);
    EXPECT_EQ(bits + 9 * bitmap.Stride(), bitmap.ScanLine(0));
    EXPECT_EQ(bits, bitmap.ScanLine(9));
    EXPECT_EQ(nullptr, bitmap.ScanLine(10));
    EXPECT_EQ(nullptr, bitmap.ScanLine(-1));

    Put(bitmap, 1, 0, RGB(10, 20, 30));
    GdiFlush();
    const unsigned char* row = bitmap.ScanLine(0);
    EXPECT_EQ(30, row[3]);
    EXPECT_EQ(20, row[4]);
    EXPECT_EQ(10, row[5]);
}

TEST(Bitmap24, FailedCreationLeavesAnEmptyBitmapThatDrawsNothing)
{
    TmyBitmap24 empty(0, 4);
    EXPECT_EQ(nullptr, empty.Handle());
    EXPECT_EQ(nullptr, empty.Bits());
    EXPECT_EQ(nullptr, empty.ScanLine(0));

    TmyBitmap24 target(4, 4);
    Fill(target, blue);
    EXPECT_EQ(0, empty.Draw(target.MemoryDC(), 0, 0, nullptr, SRCCOPY));
    EXPECT_EQ(0, empty.DrawTransparent(target.MemoryDC(), 0, 0, green, 0, 0));
    EXPECT_EQ(blue, At(target, 0, 0));
}

// Sources and targets are 24-bit bitmaps read back pixel by pixel.
class BitmapDrawing : public ::testing::Test {
protected:
    void SetUp() override { Fill(target, RGB(0, 0, 0)); }
    TmyBitmap24 target{10, 10};
};

TEST_F(BitmapDrawing, DrawCopiesTheSourceRectangleOrTheWholeBitmap)
{
    TmyBitmap24 source(4, 4);
    Fill(source, green);
    Put(source, 1, 1, red);
    Put(source, 2, 2, blue);
    RECT part{1, 1, 3, 3};
    source.Draw(target.MemoryDC(), 5, 5, &part, SRCCOPY);
    EXPECT_EQ(red, At(target, 5, 5));
    EXPECT_EQ(blue, At(target, 6, 6));
    EXPECT_EQ(RGB(0, 0, 0), At(target, 7, 7));

    source.Draw(target.MemoryDC(), 0, 0, nullptr, SRCCOPY);
    EXPECT_EQ(green, At(target, 0, 0));
    EXPECT_EQ(green, At(target, 3, 3));
    EXPECT_EQ(RGB(0, 0, 0), At(target, 4, 0));
}

TEST_F(BitmapDrawing, StretchDrawScalesTheWholeBitmapIntoTheRectangle)
{
    TmyBitmap24 source(2, 1);
    Put(source, 0, 0, red);
    Put(source, 1, 0, blue);
    source.StretchDraw(target.MemoryDC(), RECT{0, 0, 4, 2}, nullptr, SRCCOPY);
    EXPECT_EQ(red, At(target, 0, 0));
    EXPECT_EQ(red, At(target, 1, 1));
    EXPECT_EQ(blue, At(target, 2, 0));
    EXPECT_EQ(blue, At(target, 3, 1));
    EXPECT_EQ(RGB(0, 0, 0), At(target, 4, 0));
}

TEST_F(BitmapDrawing, TransparentDrawOfSizeZeroUsesTheBitmapsOwnSize)
{
    Fill(target, blue);
    TmyBitmap24 source(3, 2);
    Fill(source, red);
    Put(source, 1, 0, green);
    source.DrawTransparent(target.MemoryDC(), 2, 3, green, 0, 0);
    EXPECT_EQ(red, At(target, 2, 3));
    EXPECT_EQ(blue, At(target, 3, 3)) << "the key colour is not drawn";
    EXPECT_EQ(red, At(target, 4, 4));
    EXPECT_EQ(blue, At(target, 5, 3));
    EXPECT_EQ(blue, At(target, 2, 5));
}

TEST_F(BitmapDrawing, AlphaDrawBlendsWithTheConstantAlpha)
{
    TmyBitmap24 source(2, 2);
    Fill(source, RGB(255, 255, 255));
    source.AlphaDraw(target.MemoryDC(), 128, nullptr, nullptr);
    COLORREF blended = At(target, 1, 1);
    EXPECT_TRUE(Near(128, GetRValue(blended)) && Near(128, GetGValue(blended)) && Near(128, GetBValue(blended)))
        << std::hex << blended;
    EXPECT_EQ(RGB(0, 0, 0), At(target, 2, 0));

    RECT into{4, 4, 8, 8};
    source.AlphaDraw(target.MemoryDC(), 255, &into, nullptr);
    EXPECT_EQ(RGB(255, 255, 255), At(target, 7, 7));
    EXPECT_EQ(RGB(0, 0, 0), At(target, 8, 8));
}

TEST(Bitmap32, CopiesTheSourceAndReadsPixelsInsideOnly)
{
    const uint32_t pixels[] = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    HBITMAP source = MakeSource32(3, 2, pixels);
    ASSERT_NE(nullptr, source);
    TmyBitmap32 bitmap(source);
    DeleteObject(source);
    EXPECT_EQ(3, bitmap.Width());
    EXPECT_EQ(2, bitmap.Height());
    EXPECT_EQ(12, bitmap.Stride());
    EXPECT_EQ(0x112233u, bitmap.Pixel(0, 0) & 0xFFFFFF);
    EXPECT_EQ(0x778899u, bitmap.Pixel(2, 0) & 0xFFFFFF);
    EXPECT_EQ(0xAABBCCu, bitmap.Pixel(0, 1) & 0xFFFFFF);
    EXPECT_EQ(0u, bitmap.Pixel(3, 0));
    EXPECT_EQ(0u, bitmap.Pixel(-1, 0));
    EXPECT_EQ(0u, bitmap.Pixel(0, 2));
}

TEST(Bitmap32, PerPixelAlphaDrawKeepsTheTargetUnderTransparentPixels)
{
    const uint32_t pixels[] = {0, 0};
    HBITMAP source = MakeSource32(2, 1, pixels);
    TmyBitmap32 bitmap(source);
    DeleteObject(source);
    const uint32_t opaqueRed = 0xFFFF0000;  // alpha 255, premultiplied red
    memcpy(bitmap.ScanLine(0), &opaqueRed, sizeof opaqueRed);

    TmyBitmap24 target(2, 1);
    Fill(target, green);
    bitmap.AlphaDrawPerPixel(target.MemoryDC(), 255, nullptr, nullptr);
    EXPECT_EQ(red, At(target, 0, 0));
    EXPECT_EQ(green, At(target, 1, 0));
}

TEST(BitmapTint, KeyedTintClearsOnlyKeyPixelsAndNeverDrawsBlackElsewhere)
{
    TmyBitmap24 source(3, 2);
    Put(source, 0, 0, magenta);
    Put(source, 1, 0, RGB(0, 0, 0));
    Put(source, 2, 0, RGB(255, 255, 255));
    Put(source, 0, 1, magenta);
    Put(source, 1, 1, RGB(128, 128, 128));
    Put(source, 2, 1, RGB(255, 0, 254));
    TmyBitmap24 tinted(3, 2);
    EXPECT_EQ(1, tinted.TintFrom(source, RGB(40, 90, 200), 1));

    EXPECT_EQ(0u, At(tinted, 0, 0));
    EXPECT_EQ(0u, At(tinted, 0, 1));
    EXPECT_EQ(0x010101u, At(tinted, 1, 0)) << "black becomes the near-black, not the key";
    EXPECT_NE(0u, At(tinted, 2, 1)) << "a colour close to the key is not the key";
    EXPECT_GT(ColorBrightness(At(tinted, 2, 0)), ColorBrightness(At(tinted, 1, 1)));
    EXPECT_GT(ColorBrightness(At(tinted, 1, 1)), ColorBrightness(At(tinted, 1, 0)));

    tinted.TintFrom(source, RGB(40, 90, 200), 0);
    EXPECT_NE(0u, At(tinted, 0, 0)) << "without the key flag the key colour is tinted too";
}

TEST(BitmapDD, ZeroSizeBitmapTracesItsFailureToTheDebugger)
{
    DebugCapture capture;
    TmyBitmapDD empty(0, 0);
    EXPECT_EQ(nullptr, empty.Handle());
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_NE(std::string::npos, capture.Texts()[0].find("\tBitmapDD [0x0] not created, err="))
        << capture.Texts()[0];
}

TEST(BitmapDD, ScreenCompatibleBitmapHasNoPixelMemoryAndDraws)
{
    DebugCapture capture;
    TmyBitmapDD bitmap(8, 4);
    EXPECT_TRUE(capture.Texts().empty());
    ASSERT_NE(nullptr, bitmap.Handle());
    EXPECT_EQ(nullptr, bitmap.Bits());
    EXPECT_EQ(8, bitmap.Stride());
    Fill(bitmap, red);
    TmyBitmap24 target(8, 4);
    bitmap.Draw(target.MemoryDC(), 0, 0, nullptr, SRCCOPY);
    EXPECT_EQ(red, At(target, 7, 3));
}

}  // namespace
