// Collects the texts the foundation hands to the debugger output while a
// test runs, so tests can assert on exact trace and report lines.
#pragma once

#include <string>
#include <vector>

#include "myObject.h"

class DebugCapture {
public:
    DebugCapture()
    {
        Lines().clear();
        SetDebugOutputHook(&Collect);
    }
    ~DebugCapture() { SetDebugOutputHook(nullptr); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::vector<std::string>& Texts() const { return Lines(); }
    void Clear() { Lines().clear(); }

private:
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static void Collect(const char* text) { Lines().emplace_back(text); }
};
