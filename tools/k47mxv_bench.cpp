// k47mxv_bench: times the device API's exchanges against the simulated
// converter in real time, on the bridge link with its latency timer, and sets
// each beside its wire-time floor. Every exchange is measured twice, side by
// side: with the driver that lets the library shorten the bridge's latency
// timer, and with a driver without that setting, which keeps the bridge's
// 16 ms. A ratio near 1 or below means the library adds little of its own.
// The program is a report: it exits 0 unless an API library cannot be loaded.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ApiBinding.h"
#include "BenchClock.h"
#include "CalibrationImage.h"
#include "K47MXVsim.h"
#include "WireTime.h"

namespace {

// The simulated converter the benchmark runs against.
constexpr const char* kSerial = "K4700001";
constexpr const char* kFirmware = "Version 4.2";
// The version reply is the firmware text ended by CR LF.
const WireTime::VersionReply kVersionReply{static_cast<unsigned>(std::strlen(kFirmware)), 2};

// The driver library the API library loads from its own folder, and the
// build's driver without the latency-timer functions.
const char* const kDriverName = hostplatform::driverName;
const char* const kNoLatencyDriverName = hostplatform::noLatencyDriverName;

// The corrected frequency lies in segment 6 (grid base 9892000000 Hz, data
// offset 2503), on point 46 at offset 2549 plus 2 MHz; points 46 and 47 sit
// in blocks 50 and 51, so the first correction reads two blocks.
constexpr unsigned long long kCorrectionHz = 10078000000ULL;
constexpr unsigned long long kSegmentGridBaseHz = 9892000000ULL;
constexpr unsigned kSegmentOffset = 2503;
constexpr unsigned long long kGridStepHz = 4000000;
constexpr unsigned kCorrectionPoint =
    kSegmentOffset + static_cast<unsigned>((kCorrectionHz - kSegmentGridBaseHz) / kGridStepHz);

// Repetitions per operation: several for the quick ones; the calibration
// transfers run once per setting, as each is already 43 or 107 exchanges of
// several seconds in all.
constexpr int kQuickRepetitions = 7;
constexpr int kTransferRepetitions = 1;
constexpr double kRatioGoal = 1.10;
constexpr double kSetRangeGoalMs = 8.0;

// One measured operation: ms of one run, or nothing when the call failed.
using Measurement = std::function<std::optional<double>()>;

struct Benchmark {
    const char* name;
    double floorMs;
    int repetitions;
    Measurement run;
};

// One latency setting: an API library, the driver beside it, and the latency
// timer in force once the library has opened a converter.
struct Setting {
    std::string folder;
    const char* driverFile;
    ApiBinding api;
    double latencyMs = WireTime::kDefaultLatencyMs;
    bool latencySet = false;
    // The image read by one benchmark, written back by the next.
    std::vector<unsigned char> image;
};

// Writes the simulator's configuration and points K47MXV_SIM at it, before
// an API library loads a simulated driver.
bool ConfigureSimulator(std::string& path)
{
    path = hostplatform::TempFolder() + "k47mxv_bench_" + std::to_string(hostplatform::ProcessId()) + ".ini";
    std::ofstream ini(path);
    ini << "[simulator]\ntiming = realtime\nlink = bridge\n\n[device]\nusb_serial = " << kSerial
        << "\nfirmware = " << kFirmware << "\ncalibration = generated\n";
    ini.close();
    return ini.good() && hostplatform::SetEnvironment("K47MXV_SIM", path.c_str());
}

// A temporary folder holding a copy of the API library beside the driver
// without latency-timer functions, under the driver's own name; removed again
// when it goes, after the library loaded from it has been freed.
class NoLatencyFolder {
public:
    NoLatencyFolder()
    {
        Path = hostplatform::TempFolder() + "k47mxv_bench_" + std::to_string(hostplatform::ProcessId());
        const std::string bin = ProgramFolder() + hostplatform::separator;
        Ready = hostplatform::MakeFolder(Path) && hostplatform::CopyFileTo(bin + kApiLibraryName, File(kApiLibraryName)) &&
                hostplatform::CopyFileTo(bin + kNoLatencyDriverName, File(kDriverName));
    }
    ~NoLatencyFolder()
    {
        hostplatform::RemoveFile(File(kApiLibraryName));
        hostplatform::RemoveFile(File(kDriverName));
        hostplatform::RemoveFolder(Path);
    }
    NoLatencyFolder(const NoLatencyFolder&) = delete;
    NoLatencyFolder& operator=(const NoLatencyFolder&) = delete;

    std::string File(const char* name) const { return Path + hostplatform::separator + name; }

    std::string Path;
    bool Ready = false;
};

// The latency timer the library last set on the simulated driver in folder,
// from its traffic ("latency 2"); the bridge's default when it set none.
// Returns false when the driver keeps no traffic.
bool LatencyFromTraffic(const std::string& folder, double& latencyMs)
{
    const auto getTraffic = reinterpret_cast<SIM_GetTraffic_t>(
        hostplatform::FindLoadedFunction(folder + hostplatform::separator + kDriverName, "SIM_GetTraffic"));
    if (!getTraffic)
        return false;
    std::string traffic(static_cast<size_t>(getTraffic(nullptr, 0)) + 1, '\0');
    getTraffic(&traffic[0], static_cast<int>(traffic.size()));
    for (size_t at = traffic.find(" latency "); at != std::string::npos; at = traffic.find(" latency ", at + 1)) {
        unsigned ms = 0;
        const std::string line = traffic.substr(at, traffic.find('\n', at) - at);
        if (std::sscanf(line.c_str(), " latency %u", &ms) == 1 && line.find("failed") == std::string::npos)
            latencyMs = ms;
    }
    return true;
}

// Opens and closes the converter once, then reads from the driver's traffic
// which latency timer the library left in force.
void ProbeLatency(Setting& setting)
{
    setting.api.Close(setting.api.Open(kSerial));
    double latencyMs = WireTime::kDefaultLatencyMs;
    setting.latencySet = LatencyFromTraffic(setting.folder, latencyMs) && latencyMs != WireTime::kDefaultLatencyMs;
    setting.latencyMs = latencyMs;
}

// Times one call; the call reports its own success.
std::optional<double> Timed(const std::function<bool()>& call)
{
    const double start = NowMs();
    const bool ok = call();
    const double elapsed = NowMs() - start;
    return ok ? std::optional<double>(elapsed) : std::nullopt;
}

// Opens the converter, times one call on it, closes it, so each run meets the
// state a host meets right after Open: no range selected, no block cached.
std::optional<double> TimedOnFreshOpen(const ApiBinding& api, const std::function<bool(int)>& call)
{
    const int device = api.Open(kSerial);
    if (device < 0)
        return std::nullopt;
    const std::optional<double> elapsed = Timed([&] { return call(device); });
    api.Close(device);
    return elapsed;
}

// The median of the runs, or nothing when any run failed.
std::optional<double> MedianMs(const Benchmark& benchmark)
{
    std::vector<double> runs;
    for (int i = 0; i < benchmark.repetitions; ++i) {
        const std::optional<double> elapsed = benchmark.run();
        if (!elapsed)
            return std::nullopt;
        runs.push_back(*elapsed);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// A correction of 0.0 may be a true value; success is a valid calibration
// header, which the library answers without traffic.
bool HasCalibration(const ApiBinding& api, int device)
{
    unsigned header = 0;
    return api.GetCalibrationData(device, 0, nullptr, 0, &header) == 1 && header != 0;
}

// The benchmarks of one setting in the order they run, with the floors at
// its latency. Each run opens the converter anew, so every run starts from
// the state a host meets after Open.
std::vector<Benchmark> Benchmarks(Setting& setting)
{
    using namespace WireTime;
    const ApiBinding& api = setting.api;
    std::vector<unsigned char>& image = setting.image;
    const double latency = setting.latencyMs;
    return {
        {"Open", OpenMs(kVersionReply, latency), kQuickRepetitions,
         [&api] {
             int device = -1;
             const std::optional<double> elapsed = Timed([&] { return (device = api.Open(kSerial)) >= 0; });
             api.Close(device);
             return elapsed;
         }},
        {"SetRange", SetRangeMs(latency), kQuickRepetitions,
         [&api] { return TimedOnFreshOpen(api, [&](int device) { return api.SetRange(device, 5) == OVK47MXV_OK; }); }},
        {"SetClearPower", SetClearPowerMs(), kQuickRepetitions,
         [&api] { return TimedOnFreshOpen(api, [&](int device) { return api.SetClearPower(device) == 1; }); }},
        {"GetConfig", GetConfigMs(kVersionReply, latency), kQuickRepetitions,
         [&api] {
             DeviceConfig config{};
             return TimedOnFreshOpen(api, [&](int device) { return api.GetConfig(device, &config) == 1; });
         }},
        {"first GetSSCorrection", FirstCorrectionMs(kCorrectionPoint, latency), kQuickRepetitions,
         [&api] {
             return TimedOnFreshOpen(api, [&](int device) {
                 api.GetSSCorrection(device, kCorrectionHz);
                 return HasCalibration(api, device);
             });
         }},
        {"GetCalibrationData 5318", FullReadMs(latency), kTransferRepetitions,
         [&api, &image] {
             unsigned header = 0;
             const std::optional<double> elapsed = TimedOnFreshOpen(
                 api, [&](int device) { return ReadCalibrationImage(api, device, image, header); });
             // Only an image read whole is written back.
             if (!elapsed)
                 image.clear();
             return elapsed;
         }},
        // Writes back the image just read, so the converter keeps its calibration.
        {"WriteCalibrationData 5321", WriteImageMs(kImageBytes, kVersionReply, latency), kTransferRepetitions,
         [&api, &image] {
             return TimedOnFreshOpen(api, [&](int device) {
                 return image.size() == kImageBytes &&
                        api.WriteCalibrationData(device, image.data(), static_cast<unsigned short>(kImageBytes)) == 1;
             });
         }},
    };
}

// One operation's result under one setting; ratio 0 when the call failed.
struct Result {
    std::optional<double> ms;
    double floorMs;
    double ratio;
};

// The worst ratio of one setting and the operation that has it.
struct Worst {
    double ratio = 0.0;
    const char* name = "none";
    bool anyFailed = false;
};

Result Measure(const Benchmark& benchmark, Worst& worst)
{
    const std::optional<double> ms = MedianMs(benchmark);
    const double ratio = ms ? *ms / benchmark.floorMs : 0.0;
    worst.anyFailed = worst.anyFailed || !ms;
    if (ratio > worst.ratio) {
        worst.ratio = ratio;
        worst.name = benchmark.name;
    }
    return {ms, benchmark.floorMs, ratio};
}

void PrintResult(const Result& result)
{
    if (result.ms)
        std::printf("  %9.1f %9.1f %6.3f", *result.ms, result.floorMs, result.ratio);
    else
        std::printf("  %9s %9.1f %6s", "failed", result.floorMs, "-");
}

void PrintSetting(const Setting& setting)
{
    std::printf("latency %.0f ms: %s beside %s; %s\n", setting.latencyMs, kApiLibraryName, setting.driverFile,
                setting.latencySet ? "the library set the latency timer"
                                   : "the bridge's default latency timer (the library set none)");
}

std::string MsText(const std::optional<double>& ms)
{
    char text[32] = "failed";
    if (ms)
        std::snprintf(text, sizeof text, "%.1f ms", *ms);
    return text;
}

const char* Verdict(bool met)
{
    return met ? "met" : "missed";
}

// Runs every benchmark under both settings, the slow one first, prints a row
// per operation, then the goals. The rows to report before and after are Open
// and the full calibration read.
void RunAll(Setting& slow, Setting& fast)
{
    const std::vector<Benchmark> slowBenchmarks = Benchmarks(slow);
    const std::vector<Benchmark> fastBenchmarks = Benchmarks(fast);
    std::printf("\n%-26s  at %2.0f ms latency%10s  at %2.0f ms latency\n", "", slow.latencyMs, "", fast.latencyMs);
    std::printf("%-26s  %9s %9s %6s  %9s %9s %6s\n", "operation", "ms", "floor ms", "ratio", "ms", "floor ms",
                "ratio");
    Worst slowWorst;
    Worst fastWorst;
    std::vector<Result> slowResults;
    std::vector<Result> fastResults;
    for (size_t i = 0; i < slowBenchmarks.size(); ++i) {
        slowResults.push_back(Measure(slowBenchmarks[i], slowWorst));
        fastResults.push_back(Measure(fastBenchmarks[i], fastWorst));
        std::printf("%-26s", slowBenchmarks[i].name);
        PrintResult(slowResults.back());
        PrintResult(fastResults.back());
        std::printf("\n");
        std::fflush(stdout);
    }
    const Result& setRange = fastResults[1];
    std::printf("\ngoals:\n");
    std::printf("SetRange at %.0f ms latency: %s; at or below %.0f ms: %s\n", fast.latencyMs,
                MsText(setRange.ms).c_str(), kSetRangeGoalMs,
                Verdict(setRange.ms && *setRange.ms <= kSetRangeGoalMs));
    std::printf("worst ratio at %.0f ms: %.3f (%s), at %.0f ms: %.3f (%s); every exchange at or below %.2f x its "
                "floor: %s\n",
                slow.latencyMs, slowWorst.ratio, slowWorst.name, fast.latencyMs, fastWorst.ratio, fastWorst.name,
                kRatioGoal,
                Verdict(!slowWorst.anyFailed && !fastWorst.anyFailed && slowWorst.ratio <= kRatioGoal &&
                        fastWorst.ratio <= kRatioGoal));
    for (const size_t row : {size_t{0}, size_t{5}})
        std::printf("%s: %s before (%.0f ms latency), %s after (%.0f ms)\n", slowBenchmarks[row].name,
                    MsText(slowResults[row].ms).c_str(), slow.latencyMs, MsText(fastResults[row].ms).c_str(),
                    fast.latencyMs);
}

// Loads both API libraries, finds the latency timer each leaves in force and
// runs the benchmarks; false when a library cannot be loaded.
bool LoadAndRun(const NoLatencyFolder& noLatency)
{
    Setting slow{noLatency.Path, kNoLatencyDriverName, {}, WireTime::kDefaultLatencyMs, false, {}};
    Setting fast{ProgramFolder(), kDriverName, {}, WireTime::kDefaultLatencyMs, false, {}};
    for (Setting* setting : {&slow, &fast}) {
        std::string error;
        if (!setting->api.Load(error, setting->folder)) {
            std::fprintf(stderr, "k47mxv_bench: %s\n", error.c_str());
            return false;
        }
        if (setting->api.GetDeviceCount() < 1)
            std::fprintf(stderr, "k47mxv_bench: no converter found beside %s; every operation will fail\n",
                         setting->driverFile);
        ProbeLatency(*setting);
        PrintSetting(*setting);
    }
    if (!fast.latencySet)
        std::printf("the library did not shorten the latency timer: both columns show %.0f ms\n", fast.latencyMs);
    std::printf("median of %d runs; the calibration read and write: %d run each\n", kQuickRepetitions,
                kTransferRepetitions);
    RunAll(slow, fast);
    return true;
}

}  // namespace

int main()
{
    std::string iniPath;
    if (!ConfigureSimulator(iniPath))
        std::fprintf(stderr, "k47mxv_bench: cannot write %s; using the simulator's default\n", iniPath.c_str());
    std::printf("K47MXV API against the simulated converter %s (realtime, bridge link)\n", kSerial);
    bool ran = false;
    {
        const NoLatencyFolder noLatency;
        if (!noLatency.Ready)
            std::fprintf(stderr, "k47mxv_bench: cannot put %s and %s as %s into %s\n", kApiLibraryName,
                         kNoLatencyDriverName, kDriverName, noLatency.Path.c_str());
        else
            ran = LoadAndRun(noLatency);
    }
    hostplatform::RemoveFile(iniPath);
    return ran ? 0 : 1;
}
