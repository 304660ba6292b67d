// TmyLabel: a borderless panel, left-top aligned, sized to its caption.
#include "myLabel.h"

namespace {

constexpr int labelTypeId = 19;

}  // namespace

TmyLabel::TmyLabel(const char* caption, HWND parentWindow, int x, int y, int width, int height, DWORD style)
    : TmyPanel(caption, parentWindow, x, y, width, height, style, 0)
{
    RegisterType(this, labelTypeId, "Label");
    SetBorderStyle(0);
    TextAlign = AlignTextLeft | AlignTextTop;
    if (width == 0 && height == 0)
        AutoSize();
}

TmyLabel::~TmyLabel() = default;

void TmyLabel::Resized()
{
    Invalidate();
}

int TmyLabel::SetCaptionString(const TmyString& text, int autoSize)
{
    return SetCaption(text.c_str(), autoSize);
}

int TmyLabel::SetCaption(const char* text, int autoSize)
{
    SetText(text);
    if (autoSize)
        AutoSize();
    Invalidate();
    return 1;
}
