// SendInput wrappers of the random-input driver.
#include "MonkeyInput.h"

#include <vector>

namespace {

constexpr DWORD arrivalWaitMs = 2000;

INPUT Mouse(DWORD flags, DWORD data = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    return input;
}

INPUT Keyboard(WORD key, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    return input;
}

bool IsExtended(WORD key)
{
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_DELETE:
    case VK_HOME:
    case VK_END: return true;
    default: return false;
    }
}

void Send(std::vector<INPUT>& inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

// The position is normalised to 0..65535 over the primary screen, rounded
// up so that it maps back to the same pixel.
bool MonkeyMoveTo(POINT screen)
{
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move = Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
    move.mi.dx = (screen.x * 65536 + width - 1) / width;
    move.mi.dy = (screen.y * 65536 + height - 1) / height;
    SendInput(1, &move, sizeof move);
    const DWORD start = GetTickCount();
    POINT cursor{};
    while (!GetCursorPos(&cursor) || cursor.x != screen.x || cursor.y != screen.y) {
        if (GetTickCount() - start > arrivalWaitMs)
            return false;
        Sleep(1);
    }
    return true;
}

void MonkeyClick(bool right, int clicks)
{
    std::vector<INPUT> inputs;
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(Mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(Mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP));
    }
    Send(inputs);
}

void MonkeyLeftButton(bool down)
{
    std::vector<INPUT> inputs{Mouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)};
    Send(inputs);
}

void MonkeyWheel(int notches)
{
    std::vector<INPUT> inputs{Mouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(notches * WHEEL_DELTA))};
    Send(inputs);
}

void MonkeyKey(WORD key, bool shift, bool control)
{
    const DWORD extended = IsExtended(key) ? KEYEVENTF_EXTENDEDKEY : 0;
    std::vector<INPUT> inputs;
    if (control)
        inputs.push_back(Keyboard(VK_CONTROL, 0));
    if (shift)
        inputs.push_back(Keyboard(VK_SHIFT, 0));
    inputs.push_back(Keyboard(key, extended));
    inputs.push_back(Keyboard(key, extended | KEYEVENTF_KEYUP));
    if (shift)
        inputs.push_back(Keyboard(VK_SHIFT, KEYEVENTF_KEYUP));
    if (control)
        inputs.push_back(Keyboard(VK_CONTROL, KEYEVENTF_KEYUP));
    Send(inputs);
}
