// Real input for the random-input driver: the mouse and keyboard events go
// through SendInput, as a user's do, so the program meets them in its
// message loops exactly as it would meet a user's.
#pragma once

#include <windows.h>

// Moves the cursor to a screen position and waits (bounded) until the
// system reports it there; false when it did not arrive.
bool MonkeyMoveTo(POINT screen);
// Left or right button presses and releases at the cursor: clicks = 1 or 2
// (a double click, within the system's double-click time).
void MonkeyClick(bool right, int clicks);
// Left button down or up alone (drags and holds).
void MonkeyLeftButton(bool down);
// One wheel turn of notches (120 each, negative towards the user).
void MonkeyWheel(int notches);
// A key pressed and released with Shift and Ctrl held as asked.
void MonkeyKey(WORD key, bool shift, bool control);
