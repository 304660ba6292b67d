// Starts a host program that lies beside the running test program and
// collects everything it writes to its standard output and error, which the
// hosts use for their debugger texts too.
#pragma once

#include <windows.h>

#include <string>

#include "childProcess.h"
#include "myString.h"

// Runs <test program's folder>\hostName with the given command-line tail and
// returns its output; "start failed" or "pipe failed" when it could not run.
inline std::string RunHost(const char* hostName, const std::string& arguments)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string host = TmyString(self).FolderPart().c_str() + std::string("\\") + hostName;
    std::string commandLine = "\"" + host + "\" " + arguments;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return "pipe failed";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION process;
    bool started = StartChild(commandLine, nullptr, writeEnd, writeEnd, process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char chunk[4096];
        DWORD got;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
            output.append(chunk, got);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return started ? output : "start failed";
}
