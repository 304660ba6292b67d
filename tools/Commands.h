// The commands of k47mxv, the command-line host of the device API library.
#pragma once

// Exit codes of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // an operation, the API library or a file failed
constexpr int kExitUsage = 2;   // the command line was wrong

// Runs the command named by argv[1] with the arguments after it and returns
// the exit code. Failures print one line on stderr.
int RunCommandLine(int argc, char** argv);
