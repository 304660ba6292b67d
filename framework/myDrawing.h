// Drawing helpers shared by every control of the framework: colour shading,
// filled rectangles, the border styles, small glyphs, aligned text with an
// optional shadow, fonts and bitmap halving. They draw with the stock DC_PEN,
// DC_BRUSH and NULL_BRUSH objects only and restore whatever they select.
#pragma once

#include <windows.h>

#include "myControl.h"
#include "myString.h"

class TmyBitmap24;

// Shapes of DrawGlyph (n = size in pixels).
enum TmyGlyphKind : int {
    GlyphNone = 0,
    GlyphTriangleDown = 1,        // n horizontal lines narrowing downwards
    GlyphTriangleUp = 2,
    GlyphTriangleLeft = 3,        // n vertical lines
    GlyphTriangleRight = 4,
    GlyphBar = 5,                 // n wide, n/3 high, at the top
    GlyphCross = 6,               // two diagonals
    GlyphSquare = 8,
    GlyphCircle = 9,              // diameter n rounded down to even
    GlyphDoubleRight = 10,        // two right triangles, each n/2 + 1 wide
    GlyphDoubleLeft = 11,
    GlyphPause = 12,              // two bars n/3 + 1 wide at the edges
    GlyphUpDown = 14,             // up and down triangles of n/2, shifted right by n/4
    GlyphNarrowRight = 15,        // half-width right triangle, n/4 from the left
    GlyphPolygonRight = 16,       // filled polygons centred in the n x n square
    GlyphPolygonLeft = 17,
    GlyphPolygonUp = 18,
    GlyphPolygonDown = 19,
};

// Bits of GetModifierKeys.
constexpr unsigned ModifierAlt = 1;
constexpr unsigned ModifierShift = 2;
constexpr unsigned ModifierCtrl = 4;

// Shades each channel towards white (amount > 0) or black (amount <= 0) in
// 1/256 steps, truncating; the top byte is kept. Amounts beyond +-256 act as
// +-256 (full white or black).
COLORREF ShadeColor(COLORREF color, int amount);
// Same with a fraction (-1..1) of the distance, rounded to nearest.
COLORREF ShadeColor(COLORREF color, double fraction);
// red + green + blue, 0..765.
int ColorBrightness(COLORREF color);
// FillRect with the DC_BRUSH set to color.
void FillColor(HDC dc, const RECT& rect, COLORREF color);
// Draws the border and shrinks rect to the area inside it; 0 when the width is 0.
int DrawBorder(HDC dc, RECT* rect, const TmyBorderRecord& border, COLORREF outer);
// Inset in pixels caused by a border style (read as a byte) of the given width.
int BorderMarginOf(int style, int width);
// Draws glyph kind at point, size pixels wide, in one colour; nothing for size <= 0.
void DrawGlyph(HDC dc, POINT point, int size, int kind, COLORREF color);
// Draws text placed in rect by the alignment flags, with the record's colours and shadow.
void DrawAlignedText(HDC dc, const RECT& rect, const TmyString& text, HFONT font, unsigned align,
                     const TmyTextRecord& record);
// Draws wide text at (x, y) with the record's colours and shadow, clipped to clip when given.
void DrawShadowTextW(HDC dc, int x, int y, const TmyWideString& text, HFONT font,
                     const TmyTextRecord& record, const RECT* clip);
// CreateFontA with weight 700 when bold and default width, angle and precision.
HFONT CreateTextFont(int height, const char* face, int bold, int italic, int underline,
                     int strikeOut, int pitchAndFamily, int charSet, int quality);
// Modifier keys held now: bit 0 Alt, bit 1 Shift, bit 2 Ctrl.
unsigned GetModifierKeys();
// Averages 2 x 2 blocks of source into destination (may be the same bitmap);
// 1 when the destination holds at least half the source's size, else 0.
int HalveBitmap(TmyBitmap24& source, TmyBitmap24& destination);
