// TmyLabel: a borderless window-backed panel that sizes itself to its text.
#pragma once

#include "myPanel.h"

class TmyLabel : public TmyPanel {
public:
    // Width and height both 0: the label sizes itself to the caption.
    TmyLabel(const char* caption, HWND parentWindow, int x, int y, int width, int height, DWORD style);

    // Overrides of inherited slots.
    ~TmyLabel() override;
    // Repaints the whole label after a size change.
    void Resized() override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    // Sets the caption, sizing the label to it when autoSize is set; returns 1.
    virtual int SetCaptionString(const TmyString& text, int autoSize);
    virtual int SetCaption(const char* text, int autoSize);
};
