#include "Shell.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Commands.h"

namespace {

// What separates words; a CR left of a CR LF line end counts as a blank.
constexpr const char* kBlanks = " \t\r";

// Reads one line of standard input without its LF, after the prompt when
// there is one; false at the end of the input.
bool ReadLine(const char* prompt, std::string& line)
{
    if (prompt != nullptr) {
        std::printf("%s> ", prompt);
        std::fflush(stdout);
    }
    line.clear();
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n')
        line += static_cast<char>(c);
    return c != EOF || !line.empty();
}

// The words after a shell command. Blanks separate them, except that the
// last word a command takes runs to the end of the line (trailing blanks
// dropped), so a text to send or a file name may hold blanks.
Arguments SplitArguments(const std::string& text, size_t maxArgs)
{
    Arguments words;
    size_t at = text.find_first_not_of(kBlanks);
    while (at != std::string::npos) {
        const size_t end = words.size() + 1 == maxArgs ? text.find_last_not_of(kBlanks) + 1
                                                       : std::min(text.find_first_of(kBlanks, at), text.size());
        words.push_back(text.substr(at, end - at));
        at = text.find_first_not_of(kBlanks, end);
    }
    return words;
}

// Runs one line on the shell's converter; blank lines and lines starting
// with # are skipped. Messages name the line by its number.
int RunLine(unsigned number, const std::string& line, const Invocation& shell)
{
    const size_t start = line.find_first_not_of(kBlanks);
    if (start == std::string::npos || line[start] == '#')
        return kExitOk;
    const size_t end = std::min(line.find_first_of(kBlanks, start), line.size());
    const std::string name = line.substr(start, end - start);
    const std::string where = "line " + std::to_string(number);
    const Command* command = FindShellCommand(name);
    if (command == nullptr)
        return Invocation{where, true, {}, shell.api, shell.converter}.Usage(
            "unknown command \"" + name + "\"; expected one of " + ShellCommandNames());
    const Arguments args = SplitArguments(line.substr(end), command->maxArgs);
    return RunChecked(*command, {where + ": " + name, true, args, shell.api, shell.converter});
}

}  // namespace

int RunShell(const Invocation& call)
{
    if (call.Device() < 0)
        return kExitFailed;
    const std::string& serial = call.converter->Serial();
    const bool person = hostplatform::IsConsole(hostplatform::StandardStream::Input);
    if (person)
        std::printf("%s open; help lists the commands, quit closes it\n", serial.c_str());
    int worst = kExitOk;
    std::string line;
    for (unsigned number = 1; call.converter->IsOpen() && ReadLine(person ? serial.c_str() : nullptr, line);
         ++number) {
        worst = std::max(worst, RunLine(number, line, call));
        std::fflush(stdout);
    }
    if (call.converter->IsOpen())
        worst = std::max(worst, QuitShell(call));
    return worst;
}

int QuitShell(const Invocation& call)
{
    call.converter->Close();
    std::printf("%s closed; closing clears its power\n", call.converter->Serial().c_str());
    return kExitOk;
}
