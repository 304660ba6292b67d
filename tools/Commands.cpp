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

namespace {

using Arguments = std::vector<std::string>;

int Fail(const char* command, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", command, what.c_str());
    return kExitFailed;
}

// What a command handler is given: the command's own name for its messages,
// the words after the command, and the API library, bound only once the
// handler has checked its arguments.
struct Invocation {
    const char* name;
    const Arguments& args;
    ApiBinding& api;

    // Loads the API library; on failure prints why.
    bool BindApi() const
    {
        std::string error;
        if (api.Load(error))
            return true;
        Fail(name, error);
        return false;
    }
};

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    size_t minArgs;
    size_t maxArgs;
    int (*run)(const Invocation& call);
};

constexpr size_t kUnlimited = static_cast<size_t>(-1);

// "<command>: <operation> failed with <result> (<meaning>)".
int FailedCall(const char* command, const std::string& operation, int result, const std::string& meaning)
{
    return Fail(command, operation + " failed with " + std::to_string(result) + " (" + meaning + ")");
}

int UsageError(const char* command, const std::string& what)
{
    std::fprintf(stderr, "%s: %s (k47mxv --help lists the commands)\n", command, what.c_str());
    return kExitUsage;
}

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

// The converter named by a command's first argument, open for the lifetime
// of this object and closed (with its power cleared) at the end.
class OpenConverter {
public:
    explicit OpenConverter(const Invocation& call) : Api(call.api), Index(OpenNamed(call)) {}
    ~OpenConverter()
    {
        if (Index >= 0)
            Api.Close(Index);
    }
    OpenConverter(const OpenConverter&) = delete;
    OpenConverter& operator=(const OpenConverter&) = delete;

    bool IsOpen() const { return Index >= 0; }
    int Device() const { return Index; }

private:
    // Binds the library and opens the named converter; -1 after printing why not.
    static int OpenNamed(const Invocation& call)
    {
        if (!call.BindApi())
            return -1;
        const int index = call.api.Open(call.args[0].c_str());
        if (index < 0)
            FailedCall(call.name, "Open(\"" + call.args[0] + "\")", index,
                       "no converter with this serial is attached, or it is already open");
        return index;
    }

    const ApiBinding& Api;
    const int Index;
};

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

// Reads every argument from `first` on as a frequency; on a bad one prints
// the usage error and returns false.
bool ParseFrequencies(const Invocation& call, size_t first, std::vector<long long>& frequencies)
{
    for (size_t i = first; i < call.args.size(); ++i) {
        const ParsedFrequency parsed = ParseFrequency(call.args[i]);
        if (parsed.status != FrequencyStatus::Ok) {
            UsageError(call.name, "\"" + call.args[i] + "\": " + FrequencyProblem(parsed.status));
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
bool FileError(const char* command, const char* what, const std::string& path)
{
    Fail(command, std::string("cannot ") + what + " " + path + ": " + SystemErrorText(GetLastError()));
    return false;
}

// Opens a file for reading or writing; on failure prints the reason.
HANDLE OpenFile(const char* command, const std::string& path, bool forWriting)
{
    HANDLE file = CreateFileA(path.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                              forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        FileError(command, "open", path);
    return file;
}

bool WriteAll(const char* command, const std::string& path, HANDLE file, const std::vector<unsigned char>& bytes)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return FileError(command, "write", path);
    return true;
}

// Reads a file of 1 to maxBytes bytes; other sizes are refused before
// anything is read.
bool ReadBounded(const char* command, const std::string& path, HANDLE file, size_t maxBytes,
                 std::vector<unsigned char>& bytes)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return FileError(command, "read", path);
    if (size.QuadPart <= 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        Fail(command, path + " holds " + std::to_string(size.QuadPart) + " bytes; a calibration image holds 1 to " +
                          std::to_string(maxBytes));
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())
        return FileError(command, "read", path);
    return true;
}

bool WriteWholeFile(const char* command, const std::string& path, const std::vector<unsigned char>& bytes)
{
    HANDLE file = OpenFile(command, path, true);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = WriteAll(command, path, file, bytes);
    CloseHandle(file);
    return ok;
}

bool ReadImageFile(const char* command, const std::string& path, size_t maxBytes, std::vector<unsigned char>& bytes)
{
    HANDLE file = OpenFile(command, path, false);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ReadBounded(command, path, file, maxBytes, bytes);
    CloseHandle(file);
    return ok;
}

int ListDevices(const Invocation& call)
{
    if (!call.BindApi())
        return kExitFailed;
    const int count = call.api.GetDeviceCount();
    if (count < 0)
        return FailedCall(call.name, "GetDeviceCount", count, "the driver library could not be loaded");
    std::printf("%d converter%s found\n", count, count == 1 ? "" : "s");
    for (int i = 0; i < count; ++i) {
        char serial[OVK47MXV_SERIAL_BYTES + 3] = {};
        if (!call.api.GetDeviceSerial(i, serial))
            return FailedCall(call.name, "GetDeviceSerial(" + std::to_string(i) + ")", 0, "no such entry");
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
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    DeviceConfig config{};
    if (!call.api.GetConfig(converter.Device(), &config))
        return FailedCall(call.name, "GetConfig", 0, "the converter did not answer its serial or version query");
    std::printf("Serial    %.20s\nFirmware  %.16s\n\n", config.serial, config.firmware);
    PrintRangeRow("Range", "From GHz", "To GHz", "LO GHz", "Output GHz", "Spectrum");
    for (int i = 0; i < config.rangeCount && i < OVK47MXV_RANGE_COUNT; ++i)
        PrintRange(i, config.ranges[i]);
    return kExitOk;
}

int SelectRange(const Invocation& call)
{
    int range = 0;
    if (!ParseInteger(call.args[1], range))
        return UsageError(call.name, "\"" + call.args[1] + "\" is not a range number (0 to 13)");
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    const int result = call.api.SetRange(converter.Device(), range);
    if (result != OVK47MXV_OK)
        return FailedCall(call.name, "SetRange", result, CodeMeaning(result));
    std::printf("range %d selected\n", range);
    return kExitOk;
}

int ClearPower(const Invocation& call)
{
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    if (!call.api.SetClearPower(converter.Device()))
        return FailedCall(call.name, "SetClearPower", 0, "the power-clear command could not be written");
    std::printf("power cleared\n");
    return kExitOk;
}

int ConvertInput(const Invocation& call)
{
    std::vector<long long> input;
    if (!ParseFrequencies(call, 0, input))
        return kExitUsage;
    if (!call.BindApi())
        return kExitFailed;
    // The conversion needs no open converter once the library has enumerated.
    const int count = call.api.GetDeviceCount();
    if (count < 0)
        return FailedCall(call.name, "GetDeviceCount", count, "the driver library could not be loaded");
    long long output = 0;
    int range = 0;
    int inverted = 0;
    if (!call.api.ConvertFrequency(-1, input[0], &output, &range, &inverted))
        return FailedCall(call.name, "ConvertFrequency", 0,
                          "no range covers " + GigahertzText(input[0]) + " GHz; the converter covers 0 to 21 GHz");
    std::printf("input     %s GHz\nrange     %d\noutput    %s GHz\nspectrum  %s\n", GigahertzText(input[0]).c_str(),
                range, GigahertzText(output).c_str(), inverted ? "inverted" : "upright");
    return kExitOk;
}

int CheckAlive(const Invocation& call)
{
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    if (!call.api.IsAlive(converter.Device()))
        return FailedCall(call.name, "IsAlive", 0, "the converter did not answer its serial-number query");
    std::printf("%s is alive\n", call.args[0].c_str());
    return kExitOk;
}

int ReadCalibration(const Invocation& call)
{
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    std::vector<unsigned char> image;
    unsigned header = 0;
    if (!ReadCalibrationImage(call.api, converter.Device(), image, header))
        return FailedCall(call.name, "GetCalibrationData", 0,
                          "the converter holds no valid calibration or did not answer");
    if (!WriteWholeFile(call.name, call.args[1], image))
        return kExitFailed;
    std::printf("wrote %u bytes to %s (calibration mask 0x%04X)\n", static_cast<unsigned>(image.size()),
                call.args[1].c_str(), header & 0xFFFFu);
    return kExitOk;
}

int WriteCalibration(const Invocation& call)
{
    std::vector<unsigned char> image;
    if (!ReadImageFile(call.name, call.args[1], OVK47MXV_MAX_IMAGE_BYTES, image))
        return kExitFailed;
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    if (!call.api.WriteCalibrationData(converter.Device(), image.data(), static_cast<unsigned short>(image.size())))
        return FailedCall(call.name, "WriteCalibrationData", 0, "the converter did not acknowledge a memory write");
    std::printf("wrote %u bytes of %s to %s\n", static_cast<unsigned>(image.size()), call.args[1].c_str(),
                call.args[0].c_str());
    return kExitOk;
}

int ShowCorrections(const Invocation& call)
{
    std::vector<long long> frequencies;
    if (!ParseFrequencies(call, 1, frequencies))
        return kExitUsage;
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    // A correction of 0.0 also stands for "none"; say so rather than print zeros.
    unsigned header = 0;
    call.api.GetCalibrationData(converter.Device(), 0, nullptr, 0, &header);
    if (header == 0)
        return Fail(call.name, "the converter holds no valid calibration (GetCalibrationData reports header 0)");
    for (long long hz : frequencies)
        std::printf("%s GHz  %.4f\n", GigahertzText(hz).c_str(),
                    call.api.GetSSCorrection(converter.Device(), static_cast<unsigned long long>(hz)));
    return kExitOk;
}

int SendText(const Invocation& call)
{
    std::string bytes;
    if (!DecodeEscapes(call.args[1], bytes))
        return UsageError(call.name, "\"" + call.args[1] + "\" has a bad escape; use \\r \\n \\t \\\\ or \\xHH");
    OpenConverter converter(call);
    if (!converter.IsOpen())
        return kExitFailed;
    const int result = call.api.SendBuffer(converter.Device(), bytes.c_str());
    if (result != OVK47MXV_OK)
        return FailedCall(call.name, "SendBuffer", result, CodeMeaning(result));
    std::printf("sent %u bytes\n", static_cast<unsigned>(bytes.size()));
    return kExitOk;
}

const Command kCommands[] = {
    {"list", "", "lists the serials of the converters attached", 0, 0, ListDevices},
    {"info", "SERIAL", "shows serial, firmware and range table", 1, 1, ShowInfo},
    {"range", "SERIAL N", "selects range N (0 to 13)", 2, 2, SelectRange},
    {"off", "SERIAL", "clears the converter's power", 1, 1, ClearPower},
    {"convert", "FREQUENCY", "shows range, output frequency and inversion of an input", 1, 1, ConvertInput},
    {"alive", "SERIAL", "checks that the converter answers", 1, 1, CheckAlive},
    {"cal-read", "SERIAL FILE", "saves the calibration image (format byte, mask, data)", 2, 2, ReadCalibration},
    {"cal-write", "SERIAL FILE", "writes a calibration image of at most 5400 bytes", 2, 2, WriteCalibration},
    {"correction", "SERIAL FREQUENCY...", "shows the SS correction at each frequency", 2, kUnlimited,
     ShowCorrections},
    {"send", "SERIAL TEXT", "sends raw text; \\r \\n \\t \\\\ \\xHH are escapes", 2, 2, SendText},
};

void PrintUsage(FILE* stream)
{
    std::fprintf(stream, "usage: k47mxv COMMAND [ARGUMENTS]\n\n");
    for (const Command& command : kCommands) {
        const std::string synopsis = std::string(command.name) + " " + command.arguments;
        std::fprintf(stream, "  %-32s %s\n", synopsis.c_str(), command.summary);
    }
    std::fprintf(stream, "\nFREQUENCY: hertz or a value with a unit, e.g. 10.5GHz, 2900MHz, 500kHz, 1e9.\n");
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : kCommands) {
        if (name == command.name)
            return &command;
    }
    return nullptr;
}

}  // namespace

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
    const Command* command = FindCommand(name);
    if (command == nullptr)
        return UsageError("k47mxv", "unknown command \"" + name + "\"");
    const Arguments args(argv + 2, argv + argc);
    if (args.size() < command->minArgs || args.size() > command->maxArgs)
        return UsageError(command->name, *command->arguments ? std::string("expects ") + command->arguments
                                                             : std::string("takes no arguments"));
    ApiBinding api;
    return command->run({command->name, args, api});
}
