// What a command of k47mxv is given, whether it comes from the command line
// or from a line of the shell: its words, the API library, the converter it
// works on, and the way it reports results and failures.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ApiBinding.h"

using Arguments = std::vector<std::string>;

struct Invocation;

// The converter a command works on, named by its USB serial. It is opened
// at the first use and closed, which clears its power, by Close or when the
// object ends: after one command on the command line, after the last line
// in the shell.
class Converter {
public:
    Converter(ApiBinding& api, std::string serial) : Api(api), SerialText(std::move(serial)) {}
    ~Converter() { Close(); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The device index. The first call binds the API library and opens the
    // converter; -1 (after printing why) when either failed.
    int Device(const Invocation& call);
    // Closes the converter, clearing its power; false when it was not open.
    bool Close();
    bool IsOpen() const { return Index >= 0; }
    const std::string& Serial() const { return SerialText; }

private:
    ApiBinding& Api;
    const std::string SerialText;
    bool Tried = false;  // Open was called; a converter is opened once at most
    int Index = -1;      // the device index while open, else -1
};

struct Invocation {
    // Names the command in messages: "range", or "line 3: range" in the shell.
    std::string label;
    // True for a line of the shell: the converter stays open after the
    // command, and usage errors need no pointer to --help.
    bool inShell;
    // The words after the command; a converter's serial is not among them.
    const Arguments& args;
    ApiBinding& api;
    // The converter of a command that takes one, else null.
    Converter* converter;

    // Loads the API library; on failure prints why.
    bool BindApi() const;
    // The open converter's device index, or -1 after printing why not.
    int Device() const { return converter->Device(*this); }

    // "<label>: <what>" on stderr; returns kExitFailed.
    int Fail(const std::string& what) const;
    // "<label>: <operation> failed with <result> (<meaning>)"; returns kExitFailed.
    int FailedCall(const std::string& operation, int result, const std::string& meaning) const;
    // A wrong argument; returns kExitUsage.
    int Usage(const std::string& what) const;
};

