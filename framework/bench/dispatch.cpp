// Cost of one window-procedure dispatch through a component's thunk beside a
// plain SendMessageA to an ordinary window procedure. Both windows answer
// WM_USER + 1 by default processing; the component first routes it through
// WndProc to UserMessage.
#include <windows.h>

#include <cstdio>

#include "bench.h"
#include "myComponents.h"
#include "myTimeCounter.h"

namespace {

constexpr unsigned dispatchCount = 200000;
constexpr UINT benchMessage = WM_USER + 1;
constexpr const char* plainClassName = "K47BenchPlainWindow";

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePlainWindow()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = plainClassName;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, plainClassName, "plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

// Nanoseconds per SendMessageA of benchMessage to window.
double NanosecondsPerSend(HWND window)
{
    SendMessageA(window, benchMessage, 0, 0);
    const int64_t start = TmyTimeCounter::Now();
    for (unsigned i = 0; i < dispatchCount; ++i)
        SendMessageA(window, benchMessage, i, 0);
    const int64_t elapsed = TmyTimeCounter::Now() - start;
    return static_cast<double>(myTraceTimeBase.ScaledTime(static_cast<uint64_t>(elapsed), 1000000000)) /
           dispatchCount;
}

void RunDispatch()
{
    HWND plain = CreatePlainWindow();
    auto* component = new TmyComponent("bench", WS_POPUP, 0, 0, 0, 50, 50, nullptr);
    const double plainNs = NanosecondsPerSend(plain);
    const double thunkNs = NanosecondsPerSend(component->GetWindow());
    printf("plain window procedure:      %8.1f ns per SendMessageA\n", plainNs);
    printf("component through its thunk: %8.1f ns per SendMessageA\n", thunkNs);
    printf("ratio thunk / plain:         %8.2f\n", plainNs > 0 ? thunkNs / plainNs : 0.0);
    delete component;
    DestroyWindow(plain);
    UnregisterClassA(plainClassName, GetModuleHandleA(nullptr));
}

const TmyBenchRegistration dispatchRun("window-procedure dispatch", &RunDispatch);

}  // namespace
