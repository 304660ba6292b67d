// Input for widget tests: a key held down through SendInput, for code that
// reads the modifier keys with GetAsyncKeyState, and the cursor put at a
// screen position that the code under test then reads with GetCursorPos.
#pragma once

#include <windows.h>

#include "myPanelTest.h"

// Holds a key down while it lives. The window is made the foreground window
// first: the system only takes keyboard input for a foreground thread.
class TmyKeyHeld {
public:
    TmyKeyHeld(HWND window, WORD key) : Key(key)
    {
        SetForegroundWindow(window);
        PumpPending();
        Send(0);
        PumpPending();
    }
    ~TmyKeyHeld()
    {
        Send(KEYEVENTF_KEYUP);
        PumpPending();
    }
    TmyKeyHeld(const TmyKeyHeld&) = delete;
    TmyKeyHeld& operator=(const TmyKeyHeld&) = delete;

    bool Active() const { return GetAsyncKeyState(Key) < 0; }

private:
    void Send(DWORD flags)
    {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = Key;
        input.ki.dwFlags = flags;
        SendInput(1, &input, sizeof input);
    }

    WORD Key;
};

// Moves the cursor and waits (bounded) until the system reports it there:
// the display may apply the move a little later. Dispatches nothing, so no
// timer of the code under test runs meanwhile. True when it arrived.
inline bool PlaceCursor(int x, int y)
{
    SetCursorPos(x, y);
    const DWORD start = GetTickCount();
    POINT cursor{};
    while (!GetCursorPos(&cursor) || cursor.x != x || cursor.y != y) {
        if (GetTickCount() - start > 2000)
            return false;
        Sleep(5);
    }
    return true;
}

// Places the cursor at (dx, dy) from a control's top-left corner on the screen.
inline bool PlaceCursorOn(TmyControl* control, int dx, int dy)
{
    const POINT origin = control->GetScreenPos(POINT{0, 0}, 0);
    return PlaceCursor(origin.x + dx, origin.y + dy);
}

// Puts the cursor back where it was when it goes, so that later programs on
// the display get no mouse moves over their windows.
class TmyCursorKeeper {
public:
    TmyCursorKeeper() { GetCursorPos(&Saved); }
    ~TmyCursorKeeper() { SetCursorPos(Saved.x, Saved.y); }
    TmyCursorKeeper(const TmyCursorKeeper&) = delete;
    TmyCursorKeeper& operator=(const TmyCursorKeeper&) = delete;

private:
    POINT Saved{};
};
