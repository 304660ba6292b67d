// The commands of k47mxv, the command-line host of the device API library:
// one table serves the command line and the shell.
#pragma once

#include <cstddef>
#include <string>

#include "Invocation.h"

// Exit codes of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // an operation, the API library or a file failed
constexpr int kExitUsage = 2;   // the command line, or a line of the shell, was wrong

struct Command {
    const char* name;       // on the command line; null when only the shell has it
    const char* shellName;  // in the shell; null when only the command line has it
    bool onConverter;       // takes a converter: its serial comes first on the command line
    const char* arguments;  // the words after the command (and after the serial)
    const char* summary;
    size_t minArgs;
    size_t maxArgs;
    int (*run)(const Invocation& call);
};

// Runs the command named by argv[1] with the arguments after it and returns
// the exit code. Failures print one line on stderr.
int RunCommandLine(int argc, char** argv);

// The shell's command of this name, or null.
const Command* FindShellCommand(const std::string& name);

// The shell's command names, for a line that names none of them.
std::string ShellCommandNames();

// Checks the count of the call's arguments, then runs the command; a wrong
// count prints what the command expects and returns kExitUsage.
int RunChecked(const Command& command, const Invocation& call);
