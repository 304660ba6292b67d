// Input for widget tests: a key held down through SendInput, for code that
// reads the modifier keys with GetAsyncKeyState, and the cursor put at a
// screen position that the code under test then reads with GetCursorPos.
#pragma once

#include <windows.h>

#include "myPanelTest.h"

// Holds a key down while it lives. A window given is made the foreground
// window first: the system only takes keyboard input for a foreground thread.
// The display may apply the key a little later, and the keyboard state it
// reports when the focus moves can undo a key pressed before: the press is
// awaited, checked again after a settling pause, and repeated (bounded).
class TmyKeyHeld {
public:
    TmyKeyHeld(HWND window, WORD key) : Key(key)
    {
        if (window)
            SetForegroundWindow(window);
        PumpPending();
        for (int attempt = 0; attempt < pressAttempts && !Active(); ++attempt) {
            Send(0);
            AwaitState(true);
            Settle();
        }
    }
    ~TmyKeyHeld()
    {
        Send(KEYEVENTF_KEYUP);
        AwaitState(false);
    }
    TmyKeyHeld(const TmyKeyHeld&) = delete;
    TmyKeyHeld& operator=(const TmyKeyHeld&) = delete;

    bool Active() const { return GetAsyncKeyState(Key) < 0; }

private:
    static constexpr int pressAttempts = 3;
    static constexpr DWORD awaitMs = 2000;
    static constexpr DWORD settleMs = 50;

    void AwaitState(bool down) const
    {
        const DWORD start = GetTickCount();
        PumpPending();
        while (Active() != down && GetTickCount() - start < awaitMs) {
            Sleep(5);
            PumpPending();
        }
    }
    static void Settle()
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < settleMs) {
            Sleep(5);
            PumpPending();
        }
    }
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
