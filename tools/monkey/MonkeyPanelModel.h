// TmyMonkeyPanelModel: what the control panel's band and On/Off buttons must
// show after random input, worked out from the clicks the driver made on
// them and the converter's answers in the simulator's traffic log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Buttons of the panel's main window, by their place in its child list.
constexpr int MonkeyBands = 14;
constexpr int MonkeyPowerButton = 14;
constexpr int MonkeyAboutButton = 15;
constexpr int MonkeyNoButton = -1;
constexpr int MonkeyButtonEdge = -2;   // within a pixel of a button's edge: not clicked on purpose

class TmyMonkeyPanelModel {
public:
    // The button under a point of the main window's client area.
    static int ButtonAt(POINT client);
    static RECT ButtonRect(int button);

    // Applies what one random event did: clicks complete clicks on button
    // (MonkeyNoButton: none asked for anything) and the traffic it caused.
    // False, with Failure set, when the traffic is not what those clicks
    // ask for.
    bool Apply(int button, int clicks, const std::vector<std::string>& traffic);
    // The buttons' states as the probe reports them: one character per
    // band, then On/Off, then About; "D" down, "-" up.
    std::string Expected() const;

    std::string Failure;

private:
    // One handler's exchange: a range selection (its attempts) or a power clear.
    struct TmyExchange {
        bool Clear;
        int Band;
        bool Accepted;
    };
    static std::vector<TmyExchange> Exchanges(const std::vector<std::string>& traffic);
    // One click's handler: its exchange taken from exchanges at next.
    bool Handle(int button, const std::vector<TmyExchange>& exchanges, size_t& next);
    bool Mismatch(const std::string& what);

    bool Down[MonkeyBands] = {};
    bool Power = false;
    int Selected = 0;
    // The range the library selected last; -1 none (also after a power clear).
    int LibraryRange = -1;
};
