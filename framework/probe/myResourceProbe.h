// TmyResourceProbe: linked into test builds of the framework's programs, it
// watches from inside the process what the program holds: the GDI objects
// and device contexts it made, its thread timers without a window, its
// windows, its live controls and its thunks in use, and the debugger texts
// of calls that reached a released thunk. It counts by replacing entries of
// the program module's import address table, so it works on any Windows.
//
// A random-input driver asks through a thread message posted to the
// program's GUI thread; the answer is one line written to the file named by
// the environment variable K47_PROBE_FILE. At exit, after the program's
// windows have gone, the same line is written to that file name + ".exit".
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

// Name of the thread message (RegisterWindowMessageA) that asks the probe
// for its line; wParam carries the asker's sequence number.
constexpr const char* myProbeQueryName = "K47ResourceProbeQuery";
// Environment variable naming the probe's answer file.
constexpr const char* myProbeFileVariable = "K47_PROBE_FILE";
// Appended to the answer file's name for the report written at exit.
constexpr const char* myProbeExitSuffix = ".exit";

// What the program holds at one moment.
struct TmyResourceCounts {
    int Fonts = 0;
    int Bitmaps = 0;
    int Regions = 0;
    int Pens = 0;
    int Brushes = 0;
    int MemoryDcs = 0;     // CreateCompatibleDC / CreateDCA not yet deleted
    int WindowDcs = 0;     // GetDC not yet released
    int Timers = 0;        // SetTimer without a window, not yet killed
    int Windows = 0;       // windows of the GUI thread, children included
    int Controls = 0;      // TmyControl objects alive
    int Thunks = 0;        // thunk slots in use
    int Orphans = 0;       // debugger texts of calls through a released thunk
    int NoThunk = 0;       // debugger texts of a failed thunk allocation
};

// The key of each count in the probe's line.
struct TmyResourceKey {
    const char* Key;
    int TmyResourceCounts::*Count;
};
constexpr TmyResourceKey myResourceKeys[] = {
    {"fonts", &TmyResourceCounts::Fonts},         {"bitmaps", &TmyResourceCounts::Bitmaps},
    {"regions", &TmyResourceCounts::Regions},     {"pens", &TmyResourceCounts::Pens},
    {"brushes", &TmyResourceCounts::Brushes},     {"memdcs", &TmyResourceCounts::MemoryDcs},
    {"windowdcs", &TmyResourceCounts::WindowDcs}, {"timers", &TmyResourceCounts::Timers},
    {"windows", &TmyResourceCounts::Windows},     {"controls", &TmyResourceCounts::Controls},
    {"thunks", &TmyResourceCounts::Thunks},       {"orphans", &TmyResourceCounts::Orphans},
    {"nothunk", &TmyResourceCounts::NoThunk},
};

// The counts as "key=value" words, each followed by a blank.
inline std::string FormatResourceCounts(const TmyResourceCounts& counts)
{
    std::string text;
    for (const TmyResourceKey& key : myResourceKeys)
        text += std::string(key.Key) + "=" + std::to_string(counts.*key.Count) + " ";
    return text;
}

// The value of "key=" in a probe line; fallback when the line lacks it.
inline int ProbeValue(const std::string& line, const std::string& key, int fallback = 0)
{
    const std::string word = " " + key + "=";
    const size_t at = (" " + line).find(word);
    return at == std::string::npos ? fallback : std::atoi(line.c_str() + at + word.size() - 1);
}

inline TmyResourceCounts ParseResourceCounts(const std::string& line)
{
    TmyResourceCounts counts;
    for (const TmyResourceKey& key : myResourceKeys)
        counts.*key.Count = ProbeValue(line, key.Key);
    return counts;
}
