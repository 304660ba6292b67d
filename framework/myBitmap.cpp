#include "myBitmap.h"

#include <cstring>

#include "myDrawing.h"

namespace {

// Bitmaps always trace to the debugger output.
constexpr unsigned bitmapTraceFlags = myTraceToDebugger;
// Tinting never produces black: black is the transparent key of later draws.
constexpr COLORREF nearBlack = 0x010101;

int RectWidth(const RECT& rect)
{
    return rect.right - rect.left;
}

int RectHeight(const RECT& rect)
{
    return rect.bottom - rect.top;
}

// The shade of base for a source pixel: its brightness (r + g + b) * 2 / 3 - 255,
// from -255 (black) to 255 (white), as an amount towards black or white.
COLORREF TintOf(COLORREF pixel, COLORREF base)
{
    int brightness = (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) * 2 / 3 - 255;
    COLORREF tinted = ShadeColor(base, brightness);
    return (tinted & 0x00FFFFFF) == 0 ? nearBlack : tinted;
}

}  // namespace

TmyBitmapBase::TmyBitmapBase(int width, int height)
    : Bitmap(nullptr), Dc(nullptr), PreviousObject(nullptr), Pixels(nullptr), RowBytes(0),
      ImageWidth(width), ImageHeight(height)
{
    TraceFlags = bitmapTraceFlags;
}

TmyBitmapBase::~TmyBitmapBase()
{
    ReleaseMemoryDC();
    if (Bitmap)
        DeleteObject(Bitmap);
}

int TmyBitmapBase::WriteBlock(HANDLE file, const void* buffer, DWORD count)
{
    DWORD written = 0;
    return WriteFile(file, buffer, count, &written, nullptr) && written == count;
}

int TmyBitmapBase::Draw(HDC target, int x, int y, const RECT* source, DWORD rop)
{
    if (!Bitmap)
        return 0;
    RECT from = source ? *source : RECT{0, 0, ImageWidth, ImageHeight};
    return BitBlt(target, x, y, RectWidth(from), RectHeight(from), MemoryDC(), from.left, from.top, rop);
}

int TmyBitmapBase::StretchDraw(HDC target, const RECT& targetRect, const RECT* source, DWORD rop)
{
    if (!Bitmap)
        return 0;
    RECT from = source ? *source : RECT{0, 0, ImageWidth, ImageHeight};
    return StretchBlt(target, targetRect.left, targetRect.top, RectWidth(targetRect), RectHeight(targetRect),
                      MemoryDC(), from.left, from.top, RectWidth(from), RectHeight(from), rop);
}

int TmyBitmapBase::DrawTransparent(HDC target, int x, int y, COLORREF transparent, int width, int height)
{
    if (!Bitmap)
        return 0;
    if (width == 0 && height == 0) {
        width = ImageWidth;
        height = ImageHeight;
    }
    return TransparentBlt(target, x, y, width, height, MemoryDC(), 0, 0, ImageWidth, ImageHeight,
                          transparent);
}

int TmyBitmapBase::TintFrom(TmyBitmapBase& source, COLORREF base, int keyed)
{
    HDC from = source.MemoryDC();
    HDC to = MemoryDC();
    COLORREF key = GetPixel(from, 0, 0);
    for (int y = 0; y < source.Height(); ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            COLORREF pixel = GetPixel(from, x, y);
            SetPixelV(to, x, y, keyed && pixel == key ? 0 : TintOf(pixel, base));
        }
    }
    return 1;
}

int TmyBitmapBase::AlphaDraw(HDC target, int alpha, const RECT* targetRect, const RECT* sourceRect)
{
    return Blend(target, 0, alpha, targetRect, sourceRect);
}

// Image rows are stored bottom-up: row 0 is the last row in memory.
unsigned char* TmyBitmapBase::ScanLine(int row)
{
    if (!Pixels || row < 0 || row >= ImageHeight)
        return nullptr;
    return Pixels + static_cast<size_t>(ImageHeight - row - 1) * RowBytes;
}

HDC TmyBitmapBase::MemoryDC()
{
    if (!Dc) {
        HDC screen = GetDC(nullptr);
        Dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        PreviousObject = SelectObject(Dc, Bitmap);
    }
    return Dc;
}

void TmyBitmapBase::ReleaseMemoryDC()
{
    if (!Dc)
        return;
    SelectObject(Dc, PreviousObject);
    DeleteDC(Dc);
    Dc = nullptr;
    PreviousObject = nullptr;
}

void TmyBitmapBase::CreateSection(int bitsPerPixel, int stride)
{
    RowBytes = stride;
    if (ImageWidth <= 0 || ImageHeight <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = ImageWidth;
    info.bmiHeader.biHeight = ImageHeight;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!Bitmap)
        return;
    Pixels = static_cast<unsigned char*>(bits);
    memset(Pixels, 0, static_cast<size_t>(RowBytes) * ImageHeight);
    MemoryDC();
}

int TmyBitmapBase::Blend(HDC target, BYTE alphaFormat, int alpha, const RECT* targetRect,
                         const RECT* sourceRect)
{
    if (!Bitmap)
        return 0;
    RECT whole{0, 0, ImageWidth, ImageHeight};
    RECT to = targetRect ? *targetRect : whole;
    RECT from = sourceRect ? *sourceRect : whole;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), alphaFormat};
    return AlphaBlend(target, to.left, to.top, RectWidth(to), RectHeight(to), MemoryDC(), from.left,
                      from.top, RectWidth(from), RectHeight(from), blend);
}

// Rows of 3-byte pixels, padded to a multiple of 4 bytes.
TmyBitmap24::TmyBitmap24(int width, int height) : TmyBitmapBase(width, height)
{
    CreateSection(24, (width * 3 + 3) & ~3);
}

TmyBitmap32::TmyBitmap32(HBITMAP source) : TmyBitmapBase(0, 0)
{
    BITMAP size{};
    if (!GetObjectA(source, sizeof size, &size))
        return;
    ImageWidth = size.bmWidth;
    ImageHeight = size.bmHeight;
    CreateSection(32, ImageWidth * 4);
    if (!Bitmap)
        return;
    HDC from = CreateCompatibleDC(Dc);
    HGDIOBJ previous = SelectObject(from, source);
    BitBlt(Dc, 0, 0, ImageWidth, ImageHeight, from, 0, 0, SRCCOPY);
    SelectObject(from, previous);
    DeleteDC(from);
}

int TmyBitmap32::AlphaDrawPerPixel(HDC target, int alpha, const RECT* targetRect, const RECT* sourceRect)
{
    return Blend(target, AC_SRC_ALPHA, alpha, targetRect, sourceRect);
}

uint32_t TmyBitmap32::Pixel(int x, int y)
{
    const unsigned char* line = ScanLine(y);
    if (!line || x < 0 || x >= ImageWidth)
        return 0;
    uint32_t pixel;
    memcpy(&pixel, line + x * 4, sizeof pixel);
    return pixel;
}

// An empty size counts as a failed creation: for it the system hands out its
// shared 1 x 1 default bitmap, which is no off-screen image of this size.
TmyBitmapDD::TmyBitmapDD(int width, int height) : TmyBitmapBase(width, height)
{
    HDC screen = GetDC(nullptr);
    Bitmap = width > 0 && height > 0 ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    DWORD error = GetLastError();
    ReleaseDC(nullptr, screen);
    if (!Bitmap)
        Trace(this, 0, "BitmapDD [%dx%d] not created, err=%d", width, height, static_cast<int>(error));
    Dc = CreateCompatibleDC(nullptr);
    PreviousObject = SelectObject(Dc, Bitmap);
    RowBytes = width;
}
