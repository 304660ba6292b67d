// Tmy_Label: a windowless text label that can size itself to its text and,
// as an overlay, is transparent (draws no background).
#pragma once

#include <windows.h>

#include <cstdint>

#include "myControl.h"
#include "myString.h"

// Extent of text as DrawTextA with DT_CALCRECT | DT_NOPREFIX | extraFlags
// lays it out in the control's resolved font (the GUI font when it has
// none), measured in the control's drawing context or the screen's.
SIZE MeasureTextBlock(TmyControl& control, const TmyString& text, UINT extraFlags = 0);

class Tmy_Label : public TmyControl {
public:
    // Width and height both 0: the label sizes itself to the caption.
    Tmy_Label(const char* caption, TmyControl* parent, int x, int y, int width, int height);

    // Overrides of inherited slots.
    ~Tmy_Label() override;
    // Border, background (none as an overlay), text, then OnPaint.
    void Paint(HDC dc) override;
    // Repaints the whole label after a size change.
    void Resized() override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    // Stores the text (nothing when equal), sizing the label to it when
    // autoSize is set; returns 1.
    virtual int SetLabelText(const TmyString& text, int autoSize);
    virtual int SetLabelTextChars(const char* text, int autoSize);
    virtual TmyString GetLabelText();
    virtual void SetOption(int value);

    // Operations
    void SetAlignment(unsigned flags);
    unsigned GetAlignment() const { return Alignment; }
    int GetOption() const { return Option; }

protected:
    // Fields, in the order the rest of the framework relies on.
    TmyString Text;
    uint32_t Alignment;
    int32_t Option;
};
