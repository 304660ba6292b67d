// A memory device context over a 32-bit top-down DIB section, for drawing
// tests that read back exact pixels.
#pragma once

#include <windows.h>

#include <cstdint>

class TmyTestCanvas {
public:
    TmyTestCanvas(int width, int height, COLORREF fill = 0) : Width(width), Height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        Bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        Bits = static_cast<uint32_t*>(bits);
        Dc = CreateCompatibleDC(nullptr);
        Previous = SelectObject(Dc, Bitmap);
        Fill(fill);
    }
    ~TmyTestCanvas()
    {
        SelectObject(Dc, Previous);
        DeleteDC(Dc);
        DeleteObject(Bitmap);
    }
    TmyTestCanvas(const TmyTestCanvas&) = delete;
    TmyTestCanvas& operator=(const TmyTestCanvas&) = delete;

    HDC Get() const { return Dc; }

    void Fill(COLORREF color)
    {
        GdiFlush();
        for (int i = 0; i < Width * Height; ++i)
            Bits[i] = ToPixel(color);
    }

    // The colour at (x, y) as 0x00BBGGRR; CLR_INVALID outside the canvas.
    COLORREF Pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= Width || y >= Height)
            return CLR_INVALID;
        GdiFlush();
        const uint32_t p = Bits[y * Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

    int Count(COLORREF color) const { return Count(color, RECT{0, 0, Width, Height}); }
    int Count(COLORREF color, const RECT& area) const
    {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += Pixel(x, y) == color;
        return count;
    }

    // Smallest rectangle holding every pixel of color; empty when there is none.
    RECT Extent(COLORREF color) const
    {
        RECT extent{Width, Height, 0, 0};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (Pixel(x, y) == color) {
                    extent.left = x < extent.left ? x : extent.left;
                    extent.top = y < extent.top ? y : extent.top;
                    extent.right = x + 1 > extent.right ? x + 1 : extent.right;
                    extent.bottom = y + 1 > extent.bottom ? y + 1 : extent.bottom;
                }
        if (extent.right == 0)
            return RECT{0, 0, 0, 0};
        return extent;
    }

    const int Width;
    const int Height;

private:
    static uint32_t ToPixel(COLORREF color)
    {
        return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    }

    HBITMAP Bitmap;
    uint32_t* Bits;
    HDC Dc;
    HGDIOBJ Previous;
};
