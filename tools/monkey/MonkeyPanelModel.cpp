// The panel's button model of the random-input driver.
#include "MonkeyPanelModel.h"

#include <cstdio>

namespace {

// The strip: 80 x 20 buttons, 85 pixels apart, rows at y = 7 and 32; the
// last column holds About above On/Off.
constexpr int buttonWidth = 80;
constexpr int buttonHeight = 20;
constexpr int columnStep = 85;
constexpr int rowStep = 25;
constexpr int stripOrigin = 7;
constexpr int lastColumn = 7;
// A refused range selection is tried this many times.
constexpr int rangeAttempts = 3;

const char* rangeCommand = "write 66 ";     // "f", band + 1, CR
const char* clearCommand = "write 43 50 0D";  // "CP", CR
const char* clearFailed = "write-failed 43 50 0D";
const char* acceptedReply = "-> 50 0D";      // "P", CR

bool StartsWith(const std::string& text, const char* start)
{
    return text.compare(0, std::string(start).size(), start) == 0;
}

bool EndsWith(const std::string& text, const char* end)
{
    const std::string tail(end);
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The event of a traffic line, without the converter's serial.
std::string EventOf(const std::string& line)
{
    const size_t blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
}

}  // namespace

RECT TmyMonkeyPanelModel::ButtonRect(int button)
{
    int column = button % 7;
    int row = button / 7;
    if (button == MonkeyPowerButton || button == MonkeyAboutButton) {
        column = lastColumn;
        row = button == MonkeyPowerButton ? 1 : 0;
    }
    const int x = stripOrigin + column * columnStep;
    const int y = stripOrigin + row * rowStep;
    return RECT{x, y, x + buttonWidth, y + buttonHeight};
}

int TmyMonkeyPanelModel::ButtonAt(POINT client)
{
    for (int button = 0; button <= MonkeyAboutButton; ++button) {
        const RECT r = ButtonRect(button);
        const RECT outer{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
        const RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        if (PtInRect(&inner, client))
            return button;
        if (PtInRect(&outer, client))
            return MonkeyButtonEdge;
    }
    return MonkeyNoButton;
}

// Attempts of one selection follow each other until a "P" reply or the
// last refused attempt.
std::vector<TmyMonkeyPanelModel::TmyExchange> TmyMonkeyPanelModel::Exchanges(const std::vector<std::string>& traffic)
{
    std::vector<TmyExchange> exchanges;
    int attempts = 0;
    bool open = false;
    for (const std::string& line : traffic) {
        const std::string event = EventOf(line);
        if (event == clearCommand || event == clearFailed) {
            exchanges.push_back(TmyExchange{true, -1, event == clearCommand});
            open = false;
        } else if (StartsWith(event, rangeCommand)) {
            unsigned code = 0;
            std::sscanf(event.c_str() + std::string(rangeCommand).size(), "%x", &code);
            if (!open)
                exchanges.push_back(TmyExchange{false, static_cast<int>(code) - 1, false});
            attempts = open ? attempts + 1 : 1;
            open = true;
        } else if (open && StartsWith(event, "read ")) {
            exchanges.back().Accepted = EndsWith(event, acceptedReply);
            open = !exchanges.back().Accepted && attempts < rangeAttempts;
        }
    }
    return exchanges;
}

// The library sends nothing for the range it last selected (until a power
// clear): that selection succeeds without an exchange.
bool TmyMonkeyPanelModel::Handle(int button, const std::vector<TmyExchange>& exchanges, size_t& next)
{
    const bool wantsClear = button == MonkeyPowerButton && Power;
    const bool powerOn = button == MonkeyPowerButton && !Power;
    const int band = powerOn ? Selected : button;
    TmyExchange exchange{wantsClear, band, true};
    if (wantsClear || band != LibraryRange) {
        if (next >= exchanges.size())
            return Mismatch("no exchange for the click on button " + std::to_string(button));
        exchange = exchanges[next++];
        if (exchange.Clear != wantsClear || (!wantsClear && exchange.Band != band))
            return Mismatch("traffic does not match the click on button " + std::to_string(button));
    }
    if (exchange.Clear) {
        Power = false;
        if (exchange.Accepted) {
            std::fill(std::begin(Down), std::end(Down), false);
            LibraryRange = -1;
        }
        return true;
    }
    if (powerOn) {
        Power = exchange.Accepted;
    } else {
        std::fill(std::begin(Down), std::end(Down), false);
        Power = Power || exchange.Accepted;
    }
    if (exchange.Accepted) {
        std::fill(std::begin(Down), std::end(Down), false);
        Down[band] = true;
        Selected = band;
        LibraryRange = band;
    }
    return true;
}

bool TmyMonkeyPanelModel::Mismatch(const std::string& what)
{
    Failure = what;
    return false;
}

bool TmyMonkeyPanelModel::Apply(int button, int clicks, const std::vector<std::string>& traffic)
{
    const std::vector<TmyExchange> exchanges = Exchanges(traffic);
    size_t next = 0;
    if (button >= 0 && button < MonkeyAboutButton)
        for (int click = 0; click < clicks; ++click)
            if (!Handle(button, exchanges, next))
                return false;
    if (next < exchanges.size())
        return Mismatch(std::to_string(exchanges.size() - next) + " band or power exchanges nobody clicked for");
    return true;
}

std::string TmyMonkeyPanelModel::Expected() const
{
    std::string state;
    for (bool down : Down)
        state += down ? 'D' : '-';
    return state + (Power ? 'D' : '-') + '-';
}
