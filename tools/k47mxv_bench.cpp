// k47mxv_bench: times the device API's exchanges against the simulated
// converter in real time and sets each beside its wire-time floor, the least
// time the bytes of that exchange need on the link. A ratio near 1 means the
// library adds little of its own. The program is a report: it exits 0 unless
// the API library cannot be loaded.
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
#include "WireTime.h"

namespace {

// The simulated converter the benchmark runs against.
constexpr const char* kSerial = "K4700001";
constexpr const char* kFirmware = "Version 4.2";
// The version reply is the firmware text ended by CR LF.
const unsigned kVersionReplyBytes = static_cast<unsigned>(std::strlen(kFirmware)) + 2;

// The corrected frequency lies in segment 6 (grid base 9892000000 Hz, data
// offset 2503), on point 46 at offset 2549 plus 2 MHz; points 46 and 47 sit
// in blocks 50 and 51, so the first correction reads two blocks.
constexpr unsigned long long kCorrectionHz = 10078000000ULL;
constexpr unsigned long long kSegmentGridBaseHz = 9892000000ULL;
constexpr unsigned kSegmentOffset = 2503;
constexpr unsigned long long kGridStepHz = 4000000;
constexpr unsigned kCorrectionPoint =
    kSegmentOffset + static_cast<unsigned>((kCorrectionHz - kSegmentGridBaseHz) / kGridStepHz);

// Repetitions per operation: more for the quick ones, fewer for the
// calibration transfers of several seconds each.
constexpr int kQuickRepetitions = 7;
constexpr int kTransferRepetitions = 3;
constexpr double kRatioGoal = 1.10;

// One measured operation: ms of one run, or nothing when the call failed.
using Measurement = std::function<std::optional<double>()>;

struct Benchmark {
    const char* name;
    double floorMs;
    int repetitions;
    Measurement run;
};

// Writes the simulator's configuration and points K47MXV_SIM at it, before
// the API library loads the simulated driver.
bool ConfigureSimulator(std::string& path)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    path = std::string(folder) + "k47mxv_bench_" + std::to_string(GetCurrentProcessId()) + ".ini";
    std::ofstream ini(path);
    ini << "[simulator]\ntiming = realtime\n\n[device]\nusb_serial = " << kSerial << "\nfirmware = " << kFirmware
        << "\ncalibration = generated\n";
    ini.close();
    return ini.good() && SetEnvironmentVariableA("K47MXV_SIM", path.c_str());
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

// The benchmarks in the order they run. Each run opens the converter anew,
// so every run starts from the state a host meets after Open; `image`
// carries the image read by one benchmark to the write benchmark.
std::vector<Benchmark> Benchmarks(const ApiBinding& api, std::vector<unsigned char>& image)
{
    using namespace WireTime;
    return {
        {"Open", OpenMs(kVersionReplyBytes), kQuickRepetitions,
         [&api] {
             int device = -1;
             const std::optional<double> elapsed = Timed([&] { return (device = api.Open(kSerial)) >= 0; });
             api.Close(device);
             return elapsed;
         }},
        {"SetRange", SetRangeMs(), kQuickRepetitions,
         [&api] { return TimedOnFreshOpen(api, [&](int device) { return api.SetRange(device, 5) == OVK47MXV_OK; }); }},
        {"SetClearPower", SetClearPowerMs(), kQuickRepetitions,
         [&api] { return TimedOnFreshOpen(api, [&](int device) { return api.SetClearPower(device) == 1; }); }},
        {"GetConfig", GetConfigMs(kVersionReplyBytes), kQuickRepetitions,
         [&api] {
             DeviceConfig config{};
             return TimedOnFreshOpen(api, [&](int device) { return api.GetConfig(device, &config) == 1; });
         }},
        {"first GetSSCorrection", FirstCorrectionMs(kCorrectionPoint), kQuickRepetitions,
         [&api] {
             return TimedOnFreshOpen(api, [&](int device) {
                 api.GetSSCorrection(device, kCorrectionHz);
                 return HasCalibration(api, device);
             });
         }},
        {"GetCalibrationData 5318", FullReadMs(), kTransferRepetitions,
         [&api, &image] {
             unsigned header = 0;
             return TimedOnFreshOpen(api, [&](int device) { return ReadCalibrationImage(api, device, image, header); });
         }},
        // Writes back the image just read, so the converter keeps its calibration.
        {"WriteCalibrationData 5321", WriteImageMs(kImageBytes, kVersionReplyBytes), kTransferRepetitions,
         [&api, &image] {
             return TimedOnFreshOpen(api, [&](int device) {
                 return image.size() == kImageBytes &&
                        api.WriteCalibrationData(device, image.data(), static_cast<unsigned short>(kImageBytes)) == 1;
             });
         }},
    };
}

// Runs every benchmark, prints its row, then the worst ratio seen.
void RunAll(const std::vector<Benchmark>& benchmarks)
{
    std::printf("%-26s %12s %10s %7s\n", "operation", "measured ms", "floor ms", "ratio");
    double worst = 0.0;
    const char* worstName = "none";
    for (const Benchmark& benchmark : benchmarks) {
        const std::optional<double> measured = MedianMs(benchmark);
        if (!measured) {
            std::printf("%-26s %12s %10.1f %7s\n", benchmark.name, "failed", benchmark.floorMs, "-");
            continue;
        }
        const double ratio = *measured / benchmark.floorMs;
        std::printf("%-26s %12.1f %10.1f %7.3f\n", benchmark.name, *measured, benchmark.floorMs, ratio);
        std::fflush(stdout);
        if (ratio > worst) {
            worst = ratio;
            worstName = benchmark.name;
        }
    }
    std::printf("worst ratio %.3f (%s); goal: every ratio at or below %.2f: %s\n", worst, worstName, kRatioGoal,
                worst <= kRatioGoal ? "met" : "missed");
}

}  // namespace

int main()
{
    std::string iniPath;
    if (!ConfigureSimulator(iniPath))
        std::fprintf(stderr, "k47mxv_bench: cannot write %s; using the simulator's default\n", iniPath.c_str());
    ApiBinding api;
    std::string error;
    if (!api.Load(error)) {
        std::fprintf(stderr, "k47mxv_bench: %s\n", error.c_str());
        DeleteFileA(iniPath.c_str());
        return 1;
    }
    if (api.GetDeviceCount() < 1)
        std::fprintf(stderr, "k47mxv_bench: no converter found; every operation will fail\n");
    std::vector<unsigned char> image;
    std::printf("K47MXV API against the simulated converter %s (realtime)\n\n", kSerial);
    RunAll(Benchmarks(api, image));
    DeleteFileA(iniPath.c_str());
    return 0;
}
