// Tmy_Panel: construction with a raised bevel, painting and fitting.
#include "my_Panel.h"

#include "myDrawing.h"

namespace {

constexpr int panelTypeId = 92;
// Border style of a panel: raised bevel; style 2 is the etched frame.
constexpr int raisedBevel = 4;
constexpr int etchedFrame = 2;

}  // namespace

RECT PanelFaceArea(TmyControl& control)
{
    if (control.GetProperty(PropBorderStyle) == etchedFrame)
        return RECT{0, 0, control.GetWidth(), control.GetHeight()};
    return control.GetClientArea();
}

// A panel inside a flat parent keeps the parent's border; otherwise it is raised.
Tmy_Panel::Tmy_Panel(TmyControl* parent, int x, int y, int width, int height)
    : TmyControl(parent, x, y, width, height)
{
    RegisterType(this, panelTypeId, "_Panel");
    if (!HasState(StateFlat))
        SetProperty(PropBorderStyle, raisedBevel);
}

Tmy_Panel::~Tmy_Panel() = default;

// Face, then border over the whole control, then OnPaint.
void Tmy_Panel::Paint(HDC dc)
{
    FillColor(dc, PanelFaceArea(*this), static_cast<COLORREF>(GetProperty(PropBackColor)));
    RECT whole{0, 0, GetWidth(), GetHeight()};
    DrawControlBorder(dc, &whole);
    TmyControl::Paint(dc);
}

void Tmy_Panel::FitToChildren(int extraWidth, int extraHeight)
{
    const int inset = BorderMargin();
    TmyControl::FitToChildren(extraWidth + inset, extraHeight + inset);
}
