// Starts a child program of a test with the standard handles it is given
// (inherited by the child), as the tests that run hosts and command-line
// programs do.
#pragma once

#include <windows.h>

#include <string>

// Starts commandLine (program and arguments, quoted as a command prompt
// would) with in, out and err as its standard handles; process receives the
// child's handles, which the caller closes. False when it could not start.
inline bool StartChild(std::string commandLine, HANDLE in, HANDLE out, HANDLE err, PROCESS_INFORMATION& process)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    process = PROCESS_INFORMATION{};
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &process) != FALSE;
}
