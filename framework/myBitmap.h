// Off-screen bitmaps: a GDI bitmap together with the memory device context it
// is selected into, so it can be drawn with one blit. TmyBitmap24 and
// TmyBitmap32 are bottom-up DIB sections with pixel memory (image row 0 is the
// last row in memory); TmyBitmapDD is a device-dependent bitmap without.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myObject.h"

class TmyBitmapBase : public TmyObject {
public:
    TmyBitmapBase(const TmyBitmapBase&) = delete;
    TmyBitmapBase& operator=(const TmyBitmapBase&) = delete;

    // The order of the virtual operations below is part of the class's
    // contract.
    // Releases the memory DC, then deletes the bitmap.
    ~TmyBitmapBase() override;
    // 1 when WriteFile wrote all count bytes, else 0.
    virtual int WriteBlock(HANDLE file, const void* buffer, DWORD count);
    // BitBlt to (x, y); a null source rectangle means the whole bitmap.
    virtual int Draw(HDC target, int x, int y, const RECT* source, DWORD rop);
    // StretchBlt into targetRect; a null source rectangle means the whole bitmap.
    virtual int StretchDraw(HDC target, const RECT& targetRect, const RECT* source, DWORD rop);
    // TransparentBlt of the whole bitmap; width and height both 0 mean its own size.
    virtual int DrawTransparent(HDC target, int x, int y, COLORREF transparent, int width, int height);
    // Paints this bitmap from source (of the same size) in shades of base by
    // the source's brightness; with keyed set, pixels of the source's top-left
    // colour become 0, the transparent key. Returns 1.
    virtual int TintFrom(TmyBitmapBase& source, COLORREF base, int keyed);
    // AlphaBlend with a constant alpha (0..255); null rectangles mean the whole bitmap.
    virtual int AlphaDraw(HDC target, int alpha, const RECT* targetRect, const RECT* sourceRect);
    // Address of image row `row` in the pixel memory; null outside the image
    // or without pixel memory.
    virtual unsigned char* ScanLine(int row);

    // Operations
    // The memory DC with the bitmap selected, created on first use.
    HDC MemoryDC();
    // Selects the previous object back and deletes the memory DC.
    void ReleaseMemoryDC();
    int Width() const { return ImageWidth; }
    int Height() const { return ImageHeight; }
    void* Bits() const { return Pixels; }
    int Stride() const { return RowBytes; }
    HBITMAP Handle() const { return Bitmap; }

protected:
    // Sets the trace flags to 1: bitmaps always trace to the debugger.
    TmyBitmapBase(int width, int height);
    // Creates a bottom-up DIB section of bitsPerPixel, selected into a new
    // memory DC and cleared to 0; leaves the object empty when that fails.
    void CreateSection(int bitsPerPixel, int stride);
    // Constant or per-pixel alpha blend, as the two alpha draws need.
    int Blend(HDC target, BYTE alphaFormat, int alpha, const RECT* targetRect, const RECT* sourceRect);

    // Fields, in the order the rest of the framework relies on.
    HBITMAP Bitmap;
    HDC Dc;
    HGDIOBJ PreviousObject;
    unsigned char* Pixels;
    int32_t RowBytes;
    int32_t ImageWidth;
    int32_t ImageHeight;
};

// 24-bit DIB section; rows padded to a multiple of 4 bytes.
class TmyBitmap24 : public TmyBitmapBase {
public:
    TmyBitmap24(int width, int height);
};

// 32-bit DIB section made from a loaded bitmap, for per-pixel alpha drawing.
class TmyBitmap32 : public TmyBitmapBase {
public:
    // Copies source (width and height read from it) into a new 32-bit section.
    explicit TmyBitmap32(HBITMAP source);

    // Appended after the base's operations: AlphaBlend with per-pixel alpha.
    virtual int AlphaDrawPerPixel(HDC target, int alpha, const RECT* targetRect, const RECT* sourceRect);

    // The 32-bit pixel (0xAARRGGBB in memory order B, G, R, A) at image (x, y); 0 outside.
    uint32_t Pixel(int x, int y);
};

// Device-dependent bitmap compatible with the screen; no pixel memory.
class TmyBitmapDD : public TmyBitmapBase {
public:
    TmyBitmapDD(int width, int height);
};
