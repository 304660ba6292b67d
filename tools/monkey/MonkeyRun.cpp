// One seeded random-input run: events, checks after each, checkpoints of
// the resource counts and the verdict at exit.
#include "MonkeyRun.h"

#include <algorithm>
#include <cstdio>

#include "MonkeyInput.h"
#include "hostileGallery.h"

namespace {

constexpr const char* galleryProgram = "widget_gallery_probe.exe";
constexpr const char* panelProgram = "K47MXVcontrol_probe.exe";
constexpr const char* hostileSwitch = "/hostile";
// The converter's scripted answers to range selections: this many, each
// accepted or refused (three refused attempts).
constexpr int scriptedSelections = 40;
constexpr int refusedPercent = 30;
// A held press lasts beyond the auto-repeat delay of the buttons.
constexpr DWORD holdMs = 700;
// The hostile strip's keeper refills its slots within this time.
constexpr DWORD refillMs = 500;
constexpr int recentEvents = 8;
// The bound of an activation's arrival, and the pause for the display's
// focus events that follow it.
constexpr DWORD activationWaitMs = 500;
constexpr DWORD activationSettleMs = 20;
// Set (to anything): every event and the probe's line after it are printed.
constexpr const char* monkeyTraceVariable = "K47_MONKEY_TRACE";

const char* TargetName(TmyMonkeyTarget target)
{
    switch (target) {
    case TmyMonkeyTarget::Gallery: return "gallery";
    case TmyMonkeyTarget::HostileGallery: return "hostile";
    default: return "panel";
    }
}

// One converter whose range selections are accepted or refused by the seed.
std::string PanelDevices(TmyMonkeyRandom& random)
{
    std::string replies;
    for (int i = 0; i < scriptedSelections; ++i)
        replies += std::string(i ? ", " : "") +
                   (random.Percent(refusedPercent) ? "\"X\\r\", \"X\\r\", \"X\\r\"" : "normal");
    return "[device]\nusb_serial = K4700001\nreply.f = " + replies + "\n";
}

std::string Describe(const char* what, POINT at, HWND window)
{
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    char text[160];
    std::snprintf(text, sizeof text, "%s at (%ld,%ld) in \"%s\"", what, at.x, at.y, caption);
    return text;
}

// Keys of the random events: Tab and Delete sometimes with Shift, the
// clipboard letters mostly with Ctrl.
constexpr WORD keys[] = {VK_TAB,    VK_TAB,    VK_LEFT, VK_RIGHT, VK_UP,   VK_DOWN, VK_SPACE, VK_RETURN,
                         VK_ESCAPE, VK_DELETE, VK_BACK, VK_HOME,  VK_END,  'C',     'X',      'V',
                         'A',       'K',       'Q',     'Z',      '4',     '7'};

}  // namespace

TmyMonkeyRun::TmyMonkeyRun(TmyMonkeyTarget target, uint64_t seed, int events)
    : Target(target), Seed(seed), Events(events), Trace(GetEnvironmentVariableA(monkeyTraceVariable, nullptr, 0) > 0),
      Random(seed)
{
}

bool TmyMonkeyRun::Run()
{
    TmyResourceCounts baseline;
    if (!Baseline(baseline))
        return false;
    const std::string devices = Target == TmyMonkeyTarget::Panel ? PanelDevices(Random) : "";
    TmyMonkeyProgram program(Target == TmyMonkeyTarget::Panel ? panelProgram : galleryProgram,
                             Target == TmyMonkeyTarget::HostileGallery ? hostileSwitch : "", devices);
    Program = &program;
    if (!program.Start())
        return Fail(program.Failure);
    const std::string first = program.Settle();
    if (first.empty())
        return Fail(program.Failure);
    if (Target == TmyMonkeyTarget::Panel) {
        program.NewTraffic();
        if (!CheckPanel(first))
            return false;
    }
    for (Index = 0; Index < Events; ++Index) {
        if (!Event())
            return false;
        if ((Index + 1) % CheckpointEvery == 0 && !Checkpoint())
            return false;
    }
    const int code = program.Close();
    if (!program.Failure.empty())
        return Fail(program.Failure);
    if (code != 0)
        return Fail("the program ended with exit code " + std::to_string(code));
    if (!CheckExit(baseline))
        return false;
    std::printf("monkey %s seed %llu: %d events passed, %zu checkpoints\n", TargetName(Target),
                static_cast<unsigned long long>(Seed), Events, Checkpoints.size());
    return true;
}

// Started and closed without input: what any run leaves at exit.
bool TmyMonkeyRun::Baseline(TmyResourceCounts& counts)
{
    TmyMonkeyRandom replies(Seed);
    TmyMonkeyProgram program(Target == TmyMonkeyTarget::Panel ? panelProgram : galleryProgram,
                             Target == TmyMonkeyTarget::HostileGallery ? hostileSwitch : "",
                             Target == TmyMonkeyTarget::Panel ? PanelDevices(replies) : "");
    Program = &program;
    const bool passed = program.Start() && !program.Settle().empty() && program.Close() == 0 &&
                        program.Failure.empty() && !program.ExitReport().empty();
    counts = ParseResourceCounts(program.ExitReport());
    Program = nullptr;
    return passed || Fail("the run without input failed: " + program.Failure);
}

bool TmyMonkeyRun::Event()
{
    ClickedButton = MonkeyNoButton;
    Clicks = 0;
    const int roll = Random.Below(100);
    if (roll < 30)
        Click(1, false);
    else if (roll < 38)
        Click(2, false);
    else if (roll < 43)
        Click(1, true);
    else if (roll < 49)
        Drag();
    else if (roll < 51)
        Hold();
    else if (roll < 57)
        Wheel();
    else if (roll < 85)
        Key();
    else if (roll < 90)
        Focus();
    else if (roll < 94)
        MoveWindow();
    else
        ClosePopup();
    const std::string line = Program->Settle();
    if (line.empty())
        return Fail(Program->Failure);
    if (Trace)
        std::printf("%s\n    %s", Recent.back().c_str(), line.c_str());
    if (ProbeValue(line, "orphans") || ProbeValue(line, "nothunk"))
        return Fail("a call reached a released thunk, or no thunk was free: " + line);
    return Target != TmyMonkeyTarget::Panel || CheckPanel(line);
}

HWND TmyMonkeyRun::PickWindow()
{
    const std::vector<HWND> windows = Program->Windows();
    if (windows.empty())
        return nullptr;
    return Random.Percent(60) ? windows.back() : windows[Random.Below(static_cast<int>(windows.size()))];
}

// On the panel's main window most points fall inside a button, none on a
// button's edge, where whether a press takes the button is a matter of a
// pixel. On the hostile gallery half of them fall on the hostile strip
// (its windowed buttons stand right of it).
POINT TmyMonkeyRun::PickPoint(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    if (Target == TmyMonkeyTarget::HostileGallery && window == Program->Main() && Random.Percent(50)) {
        const RECT& strip = galleryHostileArea;
        POINT at{Random.Between(strip.left, client.right - 1), Random.Between(strip.top, strip.bottom)};
        ClientToScreen(window, &at);
        return at;
    }
    const bool strip = Target == TmyMonkeyTarget::Panel && window == Program->Main();
    POINT at{};
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (strip && Random.Percent(70)) {
            const RECT r = TmyMonkeyPanelModel::ButtonRect(Random.Below(MonkeyAboutButton + 1));
            at = POINT{Random.Between(r.left + 2, r.right - 3), Random.Between(r.top + 2, r.bottom - 3)};
        } else {
            at = POINT{Random.Below(client.right), Random.Below(client.bottom)};
        }
        if (!strip || TmyMonkeyPanelModel::ButtonAt(at) != MonkeyButtonEdge)
            break;
    }
    ClientToScreen(window, &at);
    return at;
}

int TmyMonkeyRun::PanelButtonAt(POINT screen) const
{
    HWND main = Program->Main();
    if (Target != TmyMonkeyTarget::Panel || WindowFromPoint(screen) != main || !IsWindowEnabled(main))
        return MonkeyNoButton;
    ScreenToClient(main, &screen);
    return TmyMonkeyPanelModel::ButtonAt(screen);
}

// A press or release follows once the program has taken the move, so no
// earlier move can reach it after them.
bool TmyMonkeyRun::Reach(POINT screen)
{
    return MonkeyMoveTo(screen) && !Program->Settle().empty();
}

void TmyMonkeyRun::Click(int clicks, bool right)
{
    HWND window = PickWindow();
    if (!window)
        return Note("no window to click");
    const POINT at = PickPoint(window);
    Note(Describe(right ? "right click" : clicks == 2 ? "double click" : "click", at, window));
    if (!Reach(at))
        return;
    ClickedButton = right ? MonkeyNoButton : PanelButtonAt(at);
    Clicks = clicks;
    MonkeyClick(right, clicks);
}

// Mostly a short drag, within a button or off it; sometimes across the window.
void TmyMonkeyRun::Drag()
{
    HWND window = PickWindow();
    if (!window)
        return Note("no window to drag in");
    const POINT from = PickPoint(window);
    POINT to = from;
    for (int attempt = 0; attempt < 20; ++attempt) {
        to = Random.Percent(70) ? POINT{from.x + Random.Between(-15, 15), from.y + Random.Between(-15, 15)}
                                : PickPoint(window);
        // The cursor cannot leave the screen.
        to.x = std::max(0L, std::min(to.x, static_cast<LONG>(GetSystemMetrics(SM_CXSCREEN) - 1)));
        to.y = std::max(0L, std::min(to.y, static_cast<LONG>(GetSystemMetrics(SM_CYSCREEN) - 1)));
        POINT client = to;
        ScreenToClient(Program->Main(), &client);
        if (Target != TmyMonkeyTarget::Panel || TmyMonkeyPanelModel::ButtonAt(client) != MonkeyButtonEdge)
            break;
    }
    Note(Describe("drag", from, window) + " to (" + std::to_string(to.x) + "," + std::to_string(to.y) + ")");
    if (!Reach(from))
        return;
    const int pressed = PanelButtonAt(from);
    MonkeyLeftButton(true);
    for (int step = 1; step <= 3; ++step)
        if (!Reach(POINT{from.x + (to.x - from.x) * step / 3, from.y + (to.y - from.y) * step / 3}))
            break;
    POINT client = to;
    ScreenToClient(Program->Main(), &client);
    ClickedButton = pressed;
    Clicks = pressed >= 0 && TmyMonkeyPanelModel::ButtonAt(client) == pressed;
    MonkeyLeftButton(false);
}

void TmyMonkeyRun::Hold()
{
    HWND window = PickWindow();
    if (!window)
        return Note("no window to hold a press in");
    const POINT at = PickPoint(window);
    Note(Describe("held press", at, window));
    if (!Reach(at))
        return;
    ClickedButton = PanelButtonAt(at);
    Clicks = 1;
    MonkeyLeftButton(true);
    Sleep(holdMs);
    MonkeyLeftButton(false);
}

void TmyMonkeyRun::Wheel()
{
    HWND window = PickWindow();
    if (!window)
        return Note("no window to turn the wheel over");
    const POINT at = PickPoint(window);
    const int notches = Random.Percent(50) ? Random.Between(1, 3) : -Random.Between(1, 3);
    Note(Describe(("wheel " + std::to_string(notches)).c_str(), at, window));
    if (Reach(at))
        MonkeyWheel(notches);
}

void TmyMonkeyRun::Key()
{
    const WORD key = keys[Random.Below(sizeof keys / sizeof keys[0])];
    const bool letter = key >= 'A' && key <= 'Z';
    const bool control = (key == 'C' || key == 'X' || key == 'V') && Random.Percent(70);
    const bool shift = (key == VK_TAB && Random.Percent(50)) || (key == VK_DELETE && Random.Percent(40)) ||
                       (letter && !control && Random.Percent(20));
    const std::vector<HWND> windows = Program->Windows();
    HWND window = windows.empty() ? nullptr : windows.back();
    char text[96];
    std::snprintf(text, sizeof text, "key 0x%02X%s%s", key, shift ? " +Shift" : "", control ? " +Ctrl" : "");
    Note(text);
    if (window)
        Activate(window);
    if (!Program->Settle().empty())
        MonkeyKey(key, shift, control);
}

// Under Wine the activation comes back from the display later than the
// call returns; it is awaited, so it cannot cancel the next event's press.
void TmyMonkeyRun::Activate(HWND window)
{
    if (GetForegroundWindow() == window)
        return;
    SetForegroundWindow(window);
    const DWORD start = GetTickCount();
    while (GetForegroundWindow() != window && GetTickCount() - start < activationWaitMs)
        Sleep(1);
    Sleep(activationSettleMs);
}

void TmyMonkeyRun::Focus()
{
    HWND window = PickWindow();
    Note(Describe("focus", POINT{0, 0}, window));
    if (window)
        Activate(window);
}

// Anywhere on the screen, the whole window staying on it.
void TmyMonkeyRun::MoveWindow()
{
    HWND window = PickWindow();
    if (!window)
        return Note("no window to move");
    RECT frame{};
    GetWindowRect(window, &frame);
    const int x = Random.Below(GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left));
    const int y = Random.Below(GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top));
    Note(Describe("move", POINT{x, y}, window));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TmyMonkeyRun::ClosePopup()
{
    const std::vector<HWND> windows = Program->Windows();
    if (windows.size() < 2)
        return Note("no pop-up to close");
    HWND popup = windows[1 + Random.Below(static_cast<int>(windows.size()) - 1)];
    Note(Describe("WM_CLOSE", POINT{0, 0}, popup));
    PostMessageA(popup, WM_CLOSE, 0, 0);
}

bool TmyMonkeyRun::CheckPanel(const std::string& line)
{
    const std::vector<std::string> traffic = Program->NewTraffic();
    if (Trace)
        for (const std::string& entry : traffic)
            std::printf("    traffic: %s\n", entry.c_str());
    if (!Model.Apply(ClickedButton, Clicks, traffic)) {
        std::string sent;
        for (const std::string& entry : traffic)
            sent += "\n    " + entry;
        return Fail(Model.Failure + " (button " + std::to_string(ClickedButton) + ", before: " + Model.Expected() +
                    ")" + "; traffic:" + sent);
    }
    const size_t at = line.find(" buttons=");
    const std::string shown = at == std::string::npos ? "" : line.substr(at + 9, line.find(' ', at + 9) - at - 9);
    if (shown != Model.Expected())
        return Fail("the buttons show " + shown + ", the converter accepted " + Model.Expected());
    return true;
}

// With every pop-up closed (and the hostile strip refilled) the program is
// back in the same kind of state at each checkpoint.
bool TmyMonkeyRun::Checkpoint()
{
    ClickedButton = MonkeyNoButton;
    Clicks = 0;
    if (!Program->ClosePopups())
        return Fail("pop-ups stay open after WM_CLOSE: " + Program->Failure);
    if (Target == TmyMonkeyTarget::HostileGallery)
        Sleep(refillMs);
    const std::string line = Program->Settle();
    if (line.empty())
        return Fail(Program->Failure);
    if (Target == TmyMonkeyTarget::Panel && !CheckPanel(line))
        return false;
    Checkpoints.push_back(ParseResourceCounts(line));
    const TmyResourceCounts& first = Checkpoints.front();
    const TmyResourceCounts& last = Checkpoints.back();
    std::string grown;
    for (const TmyResourceKey& key : myResourceKeys)
        if (key.Count != &TmyResourceCounts::Thunks && last.*key.Count > first.*key.Count + GrowthAllowance)
            grown += std::string(" ") + key.Key + " " + std::to_string(first.*key.Count) + " -> " +
                     std::to_string(last.*key.Count);
    return grown.empty() || Fail("grew since event " + std::to_string(CheckpointEvery) + ":" + grown);
}

bool TmyMonkeyRun::CheckExit(const TmyResourceCounts& baseline)
{
    const std::string report = Program->ExitReport();
    if (report.empty())
        return Fail("the probe wrote no report at exit");
    const TmyResourceCounts counts = ParseResourceCounts(report);
    for (const TmyResourceKey& key : myResourceKeys)
        if (counts.*key.Count != baseline.*key.Count)
            return Fail(std::string("at exit ") + key.Key + "=" + std::to_string(counts.*key.Count) +
                        " where a run without input leaves " + std::to_string(baseline.*key.Count) + ": " + report);
    if (counts.Controls || counts.Thunks || counts.Timers || counts.Orphans || counts.NoThunk)
        return Fail("left at exit: " + report);
    return true;
}

bool TmyMonkeyRun::Fail(const std::string& what)
{
    std::printf("MONKEY FAILED: %s seed %llu, event %d of %d: %s\n", TargetName(Target),
                static_cast<unsigned long long>(Seed), Index, Events, what.c_str());
    for (const std::string& event : Recent)
        std::printf("  recent: %s\n", event.c_str());
    std::printf("  replay: monkey.exe %s %llu %d\n", TargetName(Target), static_cast<unsigned long long>(Seed),
                Index + 1);
    std::fflush(stdout);
    return false;
}

void TmyMonkeyRun::Note(const std::string& description)
{
    Recent.push_back("#" + std::to_string(Index) + " " + description);
    if (Recent.size() > recentEvents)
        Recent.pop_front();
}
