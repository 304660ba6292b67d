#include "Commands.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ApiBinding.h"
#include "CalibrationImage.h"
#include "Frequency.h"
#include "Shell.h"
#include "WireTime.h"

namespace {

constexpr size_t kUnlimited = static_cast<size_t>(-1);

// The reply to the version query the library sends again after a
// calibration write: "Version 4.2" CR LF.
constexpr WireTime::VersionReply kVersionReply{11, 2};

// The meaning of a result code of SetRange and SendBuffer.
const char* CodeMeaning(int code)
{
    switch (code) {
    case OVK47MXV_NOT_OPEN:
        return "the converter is not open";
    case OVK47MXV_BAD_RANGE:
        return "the range lies outside 0..13";
    case OVK47MXV_WRITE_FAILED:
        return "the command could not be written";
    case OVK47MXV_NO_REPLY:
        return "the converter did not reply in time";
    case OVK47MXV_REFUSED:
        return "the converter refused the range";
    case OVK47MXV_BAD_REPLY:
        return "the converter gave an unexpected reply";
    case OVK47MXV_BUSY:
        return "the converter stayed busy";
    default:
        return "unknown result code";
    }
}

// Reads a whole decimal int such as a range number; false for anything else.
bool ParseInteger(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// Reads every argument as a frequency; on a bad one prints the usage error
// and returns false.
bool ParseFrequencies(const Invocation& call, std::vector<long long>& frequencies)
{
    for (size_t i = 0; i < call.args.size(); ++i) {
        const ParsedFrequency parsed = ParseFrequency(call.args[i]);
        if (parsed.status != FrequencyStatus::Ok) {
            call.Usage("\"" + call.args[i] + "\": " + FrequencyProblem(parsed.status));
            return false;
        }
        frequencies.push_back(parsed.hz);
    }
    return true;
}

// Turns the escapes \r, \n, \t, \\ and \xHH of a typed text into their
// bytes, so commands ending in a carriage return can be sent. A zero byte
// cannot be sent and is refused with the other malformed escapes.
bool DecodeEscapes(const std::string& text, std::string& bytes)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case 'r': bytes += '\r'; break;
        case 'n': bytes += '\n'; break;
        case 't': bytes += '\t'; break;
        case '\\': bytes += '\\'; break;
        case 'x': {
            const std::string hex = text.substr(i + 1, 2);
            if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
                !std::isxdigit(static_cast<unsigned char>(hex[1])) || hex == "00")
                return false;
            bytes += static_cast<char>(std::stoul(hex, nullptr, 16));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// Prints why a file could not be used; false, for the caller to return.
bool FileError(const Invocation& call, const char* what, const std::string& path)
{
    call.Fail(std::string("cannot ") + what + " " + path + ": " + hostplatform::LastErrorText());
    return false;
}

bool WriteWholeFile(const Invocation& call, const std::string& path, const std::vector<unsigned char>& bytes)
{
    hostplatform::File file;
    if (!file.Open(path, true))
        return FileError(call, "open", path);
    if (!file.Write(bytes.data(), bytes.size()))
        return FileError(call, "write", path);
    return true;
}

// Reads a file of 1 to maxBytes bytes; other sizes are refused before
// anything is read.
bool ReadImageFile(const Invocation& call, const std::string& path, size_t maxBytes, std::vector<unsigned char>& bytes)
{
    hostplatform::File file;
    if (!file.Open(path, false))
        return FileError(call, "open", path);
    uint64_t size = 0;
    if (!file.Size(size))
        return FileError(call, "read", path);
    if (size == 0 || size > maxBytes) {
        call.Fail(path + " holds " + std::to_string(size) + " bytes; a calibration image holds 1 to " +
                  std::to_string(maxBytes));
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    if (!file.Read(bytes.data(), bytes.size()))
        return FileError(call, "read", path);
    return true;
}

int ListDevices(const Invocation& call)
{
    if (!call.BindApi())
        return kExitFailed;
    const int count = call.api.GetDeviceCount();
    if (count < 0)
        return call.FailedCall("GetDeviceCount", count, "the driver library could not be loaded");
    std::printf("%d converter%s found\n", count, count == 1 ? "" : "s");
    for (int i = 0; i < count; ++i) {
        char serial[OVK47MXV_SERIAL_BYTES + 3] = {};
        if (!call.api.GetDeviceSerial(i, serial))
            return call.FailedCall("GetDeviceSerial(" + std::to_string(i) + ")", 0, "no such entry");
        std::printf("%s\n", serial);
    }
    return kExitOk;
}

// The range table's columns: number, from, to, oscillator, output band, spectrum.
void PrintRangeRow(const std::string& number, const std::string& from, const std::string& to, const std::string& lo,
                   const std::string& band, const char* spectrum)
{
    std::printf("%5s %8s %8s %8s   %-13s %s\n", number.c_str(), from.c_str(), to.c_str(), lo.c_str(), band.c_str(),
                spectrum);
}

// One row of the range table, frequencies in GHz.
void PrintRange(int number, const RangeEntry& range)
{
    const auto output = [&range](long long input) { return range.inverted ? range.lo - input : input - range.lo; };
    PrintRangeRow(std::to_string(number), GigahertzText(range.from), GigahertzText(range.to), GigahertzText(range.lo),
                  GigahertzText(output(range.from)) + " - " + GigahertzText(output(range.to)),
                  range.inverted ? "inverted" : "upright");
}

int ShowInfo(const Invocation& call)
{
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    DeviceConfig config{};
    if (!call.api.GetConfig(device, &config))
        return call.FailedCall("GetConfig", 0, "the converter did not answer its serial or version query");
    std::printf("Serial    %.20s\nFirmware  %.16s\n\n", config.serial, config.firmware);
    PrintRangeRow("Range", "From GHz", "To GHz", "LO GHz", "Output GHz", "Spectrum");
    for (int i = 0; i < config.rangeCount && i < OVK47MXV_RANGE_COUNT; ++i)
        PrintRange(i, config.ranges[i]);
    return kExitOk;
}

// On the command line the converter is closed right after the selection,
// and closing clears its power: the line says so.
int SelectRange(const Invocation& call)
{
    int range = 0;
    if (!ParseInteger(call.args[0], range))
        return call.Usage("\"" + call.args[0] + "\" is not a range number (0 to 13)");
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    const int result = call.api.SetRange(device, range);
    if (result != OVK47MXV_OK)
        return call.FailedCall("SetRange", result, CodeMeaning(result));
    std::printf("range %d selected%s\n", range,
                call.inShell ? "" : "; the power is cleared again as k47mxv closes the converter "
                                    "(k47mxv shell holds a range)");
    return kExitOk;
}

int ClearPower(const Invocation& call)
{
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    if (!call.api.SetClearPower(device))
        return call.FailedCall("SetClearPower", 0, "the power-clear command could not be written");
    std::printf("power cleared\n");
    return kExitOk;
}

int ConvertInput(const Invocation& call)
{
    std::vector<long long> input;
    if (!ParseFrequencies(call, input))
        return kExitUsage;
    if (!call.BindApi())
        return kExitFailed;
    // The conversion needs no open converter once the library has enumerated.
    const int count = call.api.GetDeviceCount();
    if (count < 0)
        return call.FailedCall("GetDeviceCount", count, "the driver library could not be loaded");
    long long output = 0;
    int range = 0;
    int inverted = 0;
    if (!call.api.ConvertFrequency(-1, input[0], &output, &range, &inverted))
        return call.FailedCall("ConvertFrequency", 0,
                               "no range covers " + GigahertzText(input[0]) + " GHz; the converter covers 0 to 21 GHz");
    std::printf("input     %s GHz\nrange     %d\noutput    %s GHz\nspectrum  %s\n", GigahertzText(input[0]).c_str(),
                range, GigahertzText(output).c_str(), inverted ? "inverted" : "upright");
    return kExitOk;
}

int CheckAlive(const Invocation& call)
{
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    if (!call.api.IsAlive(device))
        return call.FailedCall("IsAlive", 0, "the converter did not answer its serial-number query");
    std::printf("%s is alive\n", call.converter->Serial().c_str());
    return kExitOk;
}

// Rewrites one stderr line with the count read so far.
void PrintReadProgress(unsigned done, unsigned total)
{
    std::fprintf(stderr, "\rreading calibration: %u of %u bytes", done, total);
}

// The image is read in pieces; a person at a console sees each one counted.
int ReadCalibration(const Invocation& call)
{
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    const bool showProgress = hostplatform::IsConsole(hostplatform::StandardStream::Error);
    std::vector<unsigned char> image;
    unsigned header = 0;
    const bool read = ReadCalibrationImage(call.api, device, image, header,
                                           showProgress ? PrintReadProgress : nullptr);
    if (showProgress)
        std::fputc('\n', stderr);
    if (!read)
        return call.FailedCall("GetCalibrationData", 0, "the converter holds no valid calibration or did not answer");
    if (!WriteWholeFile(call, call.args[0], image))
        return kExitFailed;
    std::printf("wrote %u bytes to %s (calibration mask 0x%04X)\n", static_cast<unsigned>(image.size()),
                call.args[0].c_str(), header & 0xFFFFu);
    return kExitOk;
}

// Says up front, on stderr, how long the write takes on the 9600-baud line,
// counted at the bridge's default latency: a driver without a latency setting
// keeps it.
int WriteCalibration(const Invocation& call)
{
    std::vector<unsigned char> image;
    if (!ReadImageFile(call, call.args[0], OVK47MXV_MAX_IMAGE_BYTES, image))
        return kExitFailed;
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    const unsigned length = static_cast<unsigned>(image.size());
    std::fprintf(stderr, "writing %u bytes to %s takes about %.1f s\n", length, call.converter->Serial().c_str(),
                 WireTime::WriteImageMs(length, kVersionReply, WireTime::kDefaultLatencyMs) / 1000.0);
    if (!call.api.WriteCalibrationData(device, image.data(), static_cast<unsigned short>(length)))
        return call.FailedCall("WriteCalibrationData", 0, "the converter did not acknowledge a memory write");
    std::printf("wrote %u bytes of %s to %s\n", length, call.args[0].c_str(), call.converter->Serial().c_str());
    return kExitOk;
}

int ShowCorrections(const Invocation& call)
{
    std::vector<long long> frequencies;
    if (!ParseFrequencies(call, frequencies))
        return kExitUsage;
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    // A correction of 0.0 also stands for "none"; say so rather than print zeros.
    unsigned header = 0;
    call.api.GetCalibrationData(device, 0, nullptr, 0, &header);
    if (header == 0)
        return call.Fail("the converter holds no valid calibration (GetCalibrationData reports header 0)");
    for (long long hz : frequencies)
        std::printf("%s GHz  %.4f\n", GigahertzText(hz).c_str(),
                    call.api.GetSSCorrection(device, static_cast<unsigned long long>(hz)));
    return kExitOk;
}

int SendText(const Invocation& call)
{
    std::string bytes;
    if (!DecodeEscapes(call.args[0], bytes))
        return call.Usage("\"" + call.args[0] + "\" has a bad escape; use \\r \\n \\t \\\\ or \\xHH");
    const int device = call.Device();
    if (device < 0)
        return kExitFailed;
    const int result = call.api.SendBuffer(device, bytes.c_str());
    if (result != OVK47MXV_OK)
        return call.FailedCall("SendBuffer", result, CodeMeaning(result));
    std::printf("sent %u bytes\n", static_cast<unsigned>(bytes.size()));
    return kExitOk;
}

// Lists the shell's commands from the table below.
int ShowShellHelp(const Invocation& call);

// Every command, with its name on the command line and in the shell. The
// shell's lines run the same handlers on the converter it holds open.
const Command kCommands[] = {
    {"list", nullptr, false, "", "lists the serials of the converters attached", 0, 0, ListDevices},
    {"info", "config", true, "", "shows serial, firmware and range table", 0, 0, ShowInfo},
    {"range", "range", true, "N", "selects range N (0 to 13)", 1, 1, SelectRange},
    {"off", "off", true, "", "clears the converter's power", 0, 0, ClearPower},
    {"convert", nullptr, false, "FREQUENCY", "shows range, output frequency and inversion of an input", 1, 1,
     ConvertInput},
    {"alive", "alive", true, "", "checks that the converter answers", 0, 0, CheckAlive},
    {"cal-read", "cal-read", true, "FILE", "saves the calibration image (format byte, mask, data)", 1, 1,
     ReadCalibration},
    {"cal-write", "cal-write", true, "FILE", "writes a calibration image of at most 5400 bytes", 1, 1,
     WriteCalibration},
    {"correction", "correction", true, "FREQUENCY...", "shows the SS correction at each frequency", 1, kUnlimited,
     ShowCorrections},
    {"send", "send", true, "TEXT", "sends raw text; \\r \\n \\t \\\\ \\xHH are escapes", 1, 1, SendText},
    {"shell", nullptr, true, "", "runs the lines of standard input on the open converter", 0, 0, RunShell},
    {nullptr, "help", false, "", "lists these commands", 0, 0, ShowShellHelp},
    {nullptr, "quit", true, "", "closes the converter, which clears its power, and ends", 0, 0, QuitShell},
};

// The command's name on the command line or in the shell; null when it has none there.
const char* NameIn(const Command& command, bool inShell)
{
    return inShell ? command.shellName : command.name;
}

const Command* Find(const std::string& name, bool inShell)
{
    for (const Command& command : kCommands) {
        if (NameIn(command, inShell) != nullptr && name == NameIn(command, inShell))
            return &command;
    }
    return nullptr;
}

// "range SERIAL N" on the command line, "range N" in the shell.
std::string Synopsis(const Command& command, bool inShell)
{
    std::string synopsis = NameIn(command, inShell);
    if (command.onConverter && !inShell)
        synopsis += " SERIAL";
    if (*command.arguments)
        synopsis += std::string(" ") + command.arguments;
    return synopsis;
}

// One line per command of the command line or of the shell.
void PrintCommands(FILE* stream, bool inShell)
{
    for (const Command& command : kCommands) {
        if (NameIn(command, inShell) != nullptr)
            std::fprintf(stream, "  %-32s %s\n", Synopsis(command, inShell).c_str(), command.summary);
    }
}

int ShowShellHelp(const Invocation&)
{
    PrintCommands(stdout, true);
    return kExitOk;
}

void PrintUsage(FILE* stream)
{
    std::fprintf(stream, "usage: k47mxv COMMAND [ARGUMENTS]\n\n");
    PrintCommands(stream, false);
    std::fprintf(stream, "\nFREQUENCY: hertz or a value with a unit, e.g. 10.5GHz, 2900MHz, 500kHz, 1e9.\n"
                         "The shell reads the same commands, without SERIAL, one a line; help lists them.\n");
}

// Says what the command takes, for a call with the wrong words.
int ExpectedArguments(const Command& command, const Invocation& call)
{
    const std::string synopsis = Synopsis(command, call.inShell);
    const size_t name = synopsis.find(' ');
    return call.Usage(name == std::string::npos ? "takes no arguments" : "expects" + synopsis.substr(name));
}

}  // namespace

const Command* FindShellCommand(const std::string& name)
{
    return Find(name, true);
}

std::string ShellCommandNames()
{
    std::string names;
    for (const Command& command : kCommands) {
        if (command.shellName != nullptr)
            names += (names.empty() ? "" : ", ") + std::string(command.shellName);
    }
    return names;
}

int RunChecked(const Command& command, const Invocation& call)
{
    if (call.args.size() < command.minArgs || call.args.size() > command.maxArgs)
        return ExpectedArguments(command, call);
    return command.run(call);
}

int RunCommandLine(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h") {
        PrintUsage(stdout);
        return kExitOk;
    }
    const Command* command = Find(name, false);
    ApiBinding api;
    if (command == nullptr)
        return Invocation{"k47mxv", false, {}, api, nullptr}.Usage("unknown command \"" + name + "\"");
    // A converter command's first word is the serial; without one the
    // command's synopsis says what is missing.
    const bool namesConverter = command->onConverter && argc > 2;
    Converter converter(api, namesConverter ? argv[2] : "");
    const Arguments args(argv + (namesConverter ? 3 : 2), argv + argc);
    const Invocation call{command->name, false, args, api, command->onConverter ? &converter : nullptr};
    if (command->onConverter && !namesConverter)
        return ExpectedArguments(*command, call);
    return RunChecked(*command, call);
}
