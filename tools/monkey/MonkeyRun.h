// TmyMonkeyRun: one seeded random-input run of a program's test build. It
// first starts and closes the program without input for the baseline of
// what a run leaves behind, then sends the events, and after every event
// waits for the program to take it: a crash, a hang, a wrong button state
// of the panel, traffic nobody asked for, resources growing with the events
// or left at exit fail the run, naming the seed and the event.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "MonkeyPanelModel.h"
#include "MonkeyProgram.h"
#include "MonkeyRandom.h"
#include "myResourceProbe.h"

// The programs a run drives.
enum class TmyMonkeyTarget { Gallery, HostileGallery, Panel };

class TmyMonkeyRun {
public:
    TmyMonkeyRun(TmyMonkeyTarget target, uint64_t seed, int events);
    // True when the run passed; the verdict line is printed either way.
    bool Run();

    // Events between two checkpoints of the resource counts.
    static constexpr int CheckpointEvery = 50;
    // How far a count may rise from the first checkpoint to the last: the
    // application's tooltip and hover monitor are made on first use. Thunks
    // are not compared: a windowless control keeps the timer thunk of its
    // first timer until it is deleted; the exit report counts them.
    static constexpr int GrowthAllowance = 3;

private:
    bool Baseline(TmyResourceCounts& counts);
    bool Event();
    // The kinds of event, chosen by weight.
    void Click(int clicks, bool right);
    void Drag();
    void Hold();
    void Wheel();
    void Key();
    void Focus();
    void Activate(HWND window);
    void MoveWindow();
    void ClosePopup();

    // A random window of the program, the newest more often; and a random
    // point in its client area, in screen coordinates.
    HWND PickWindow();
    POINT PickPoint(HWND window);
    // The panel button that a left press at screen point would take.
    int PanelButtonAt(POINT screen) const;
    // Moves the cursor there and waits until the program has taken the move.
    bool Reach(POINT screen);

    bool CheckPanel(const std::string& line);
    bool Checkpoint();
    bool CheckExit(const TmyResourceCounts& baseline);
    bool Fail(const std::string& what);
    void Note(const std::string& description);

    TmyMonkeyTarget Target;
    uint64_t Seed;
    int Events;
    bool Trace;
    int Index = -1;
    TmyMonkeyRandom Random;
    TmyMonkeyProgram* Program = nullptr;
    TmyMonkeyPanelModel Model;
    // What the event in progress asked of the panel.
    int ClickedButton = MonkeyNoButton;
    int Clicks = 0;
    std::deque<std::string> Recent;
    std::vector<TmyResourceCounts> Checkpoints;
};
