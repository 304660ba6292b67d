// TmyMsgBox: the framework's own modal message window, a captioned pop-up
// with one text panel and one to four equal push buttons in a row below it.
// Created once by its user and shown again for every message; between shows
// it stays hidden.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myComponents.h"

class TmyPanel;
class Tmy_Btn2;

// Buttons a box holds: counts outside this range are clamped to it.
constexpr unsigned MsgBoxMinButtons = 1;
constexpr unsigned MsgBoxMaxButtons = 4;
// Results of Show besides the 0-based index of the pressed button.
constexpr int MsgBoxClosed = -2;      // the box was closed through its window's close command
constexpr int MsgBoxQuit = -1;        // the loop ended because the application quits

class TmyMsgBox : public TmyComponent {
public:
    // A hidden, topmost pop-up owned by owner with count buttons, each " OK ".
    TmyMsgBox(HWND owner, unsigned count, const char* caption);
    // Frees the button array; the buttons and the panel go with the window.
    ~TmyMsgBox() override;

    // Operations
    // Gives button index its caption, sized to it, and makes all buttons
    // equal again; an index at or beyond the count does nothing.
    void SetButton(unsigned index, const char* caption);
    // Shows text and runs modal: the 0-based index of the pressed button,
    // MsgBoxClosed or MsgBoxQuit.
    int Show(const char* text, int centreOnScreen);
    // Sizes and centres the box (on the screen, else on its owner's top-level
    // window), lays out the buttons when asked and runs modal; returns the
    // modal result - 1.
    int LayoutAndRun(int centreOnScreen, int buttonLayout);
    unsigned GetButtonCount() const { return ButtonCount; }
    // Button index, or null at or beyond the count.
    Tmy_Btn2* GetButton(unsigned index) const;
    TmyPanel* GetTextPanel() const { return TextPanel; }

private:
    // Sizes and places the buttons evenly in a row below the text panel,
    // widening the box when they do not fit.
    void LayoutButtons();
    // Centres the box on reference, never at negative coordinates.
    void CentreOn(const RECT& reference);

    // Fields, in the order the rest of the framework relies on.
    TmyPanel* TextPanel;
    Tmy_Btn2** Buttons;
    uint32_t ButtonCount;
    HWND Owner;
};
