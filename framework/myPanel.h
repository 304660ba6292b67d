// TmyPanel: a window-backed area with a bevelled border, a caption, an
// optional image (drawn half-size and smoothed by default) and a background
// painter that an event can replace. Base of the label and the button.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myComponents.h"

// Image alignment that stretches the image over the client area.
constexpr unsigned ImageAlignStretch = 0x33;

// Top-left corner of a width x height box placed in rect by the alignment
// flags; an axis without a flag places the box at coordinate 0.
POINT PlaceAligned(const RECT& rect, int width, int height, unsigned align);

class TmyPanel : public TmyComponent {
public:
    TmyPanel(const char* caption, HWND parentWindow, int x, int y, int width, int height, DWORD style,
             DWORD exStyle);

    // Overrides of inherited slots.
    ~TmyPanel() override;
    void Paint(HDC dc) override;
    // Adds the border inset to both extras.
    void FitToChildren(int extraWidth, int extraHeight) override;
    // Returns 1: the panel paints its own background.
    LRESULT EraseBackground(HDC dc) override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    virtual void DrawFocusFrame(HDC dc, const RECT& rect);
    // OnPaintBackground's result when set, else fills with the field or back colour.
    virtual int PaintBackground(HDC dc, const RECT& rect);
    // Draws the image of the enabled or disabled state into rect; nothing
    // without that image or without the image DC.
    virtual void PaintImage(HDC dc, const RECT& rect);
    // Resizes the window to its text plus the border inset on every side.
    virtual void AutoSize();

    // Operations
    void SetTextAlign(unsigned flags);
    unsigned GetTextAlign() const { return TextAlign; }
    // Draws a focus rectangle while the window has the focus.
    void SetFocusFrame(int on);
    void SetImageAlign(unsigned flags);
    void SetHalfSizeImage(int on);
    void SetFieldBackground(int on);
    // Takes ownership of both images (either may be null), deleting the ones
    // held before; creates the image DC on first use.
    void SetImages(HBITMAP image, HBITMAP disabledImage);

protected:
    // Fields, in the order the rest of the framework relies on.
    uint32_t TextAlign;
    uint32_t ImageAlign;
    int32_t FocusFrame;
    HBITMAP Image;
    HBITMAP DisabledImage;
    int32_t UserValue;   // for derived classes; the panel never reads it
    HDC ImageDC;
    int32_t FieldBackground;
    int32_t UserIndex;   // for derived classes (-1 at construction); the panel never reads it
    int32_t HalfSizeImage;

public:
    // Replaces the background fill: (panel, device context, rectangle) -> result.
    TmyEvent<TmyPanel*, HDC, const RECT*> OnPaintBackground;

private:
    // The colour of the default background fill: the field colour when sunken
    // with field background set, else the back colour.
    COLORREF BackgroundColor();
    // Draws the image selected in the image DC at half its size, smoothed
    // over the background colour, at the aligned place in rect.
    void PaintHalfSizeImage(HDC dc, const RECT& rect, int width, int height, COLORREF transparent);
};
