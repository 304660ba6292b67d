// Timing runs of the framework. Every bench source registers its runs with a
// namespace-scope TmyBenchRegistration; main.cpp runs them in registration
// order, or only those whose names contain a command-line argument.
#pragma once

using TmyBenchFunction = void (*)();

class TmyBenchRegistration {
public:
    TmyBenchRegistration(const char* name, TmyBenchFunction run);
};
