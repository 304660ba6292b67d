// Starts a host program that lies beside the running test program and
// collects everything it writes to its standard output and error.
#pragma once

#include <cstdio>
#include <string>

#include "../TestPlatform.h"

// Runs <test program's folder>/hostName with the given command-line tail and
// returns its output; "start failed" when it could not run.
inline std::string RunHost(const char* hostName, const std::string& arguments)
{
    std::string command = "'" + testplatform::ProgramFolder() + hostName + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "start failed";
    std::string output;
    char chunk[4096];
    for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, got);
    pclose(pipe);
    return output;
}
