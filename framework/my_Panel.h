// Tmy_Panel: a windowless bordered rectangle filled with the back colour.
#pragma once

#include <windows.h>

#include "myControl.h"

// The face a panel fills: the area inside the border, or the whole control
// with border style 2, whose etched frame is drawn over the face.
RECT PanelFaceArea(TmyControl& control);

class Tmy_Panel : public TmyControl {
public:
    Tmy_Panel(TmyControl* parent, int x, int y, int width, int height);

    // Overrides of inherited slots.
    ~Tmy_Panel() override;
    void Paint(HDC dc) override;
    // Adds the border inset to both extras.
    void FitToChildren(int extraWidth, int extraHeight) override;
};
