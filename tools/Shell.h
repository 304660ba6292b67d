// The shell of k47mxv: one converter held open while the lines of standard
// input run on it, so that a selected range stays selected between lines.
#pragma once

#include "Invocation.h"

// Opens the call's converter, runs each line of standard input on it and
// closes it at "quit" or at the end of the input. A person at a console
// gets a prompt; a script gets only the result and error lines. Returns the
// largest exit code of the lines: 0 when every line succeeded, 1 when an
// operation failed, 2 when a line was wrong.
int RunShell(const Invocation& call);

// The shell's "quit": closes the converter, which clears its power.
int QuitShell(const Invocation& call);
