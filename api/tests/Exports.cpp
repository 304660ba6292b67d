// The export layer: enumeration, the device table of 32 slots, the results
// of every export for bad input, unloading the library with converters open
// and at the end of the host process, threads racing Close, and every
// operation against random replies.
#include "ApiTestSupport.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "hostRun.h"

using apitest::ReadLine;
using apitest::WriteLine;

namespace {

constexpr const char* usb = "K4700001";

// "K47" and five digits: the USB serial of the n-th converter of a test bus.
std::string NumberedSerial(int n)
{
    char serial[16];
    snprintf(serial, sizeof serial, "K47%05d", n);
    return serial;
}

// A bus of count converters K4700001, K4700002, ...
std::string NumberedConverters(int count)
{
    std::string devices;
    for (int n = 1; n <= count; ++n)
        devices += apitest::Device(NumberedSerial(n));
    return devices;
}

std::string SerialAt(int n)
{
    char serial[OVK47MXV_SERIAL_BYTES + 3];
    memset(serial, 'Z', sizeof serial);
    if (!GetDeviceSerial(n, serial))
        return "(none)";
    return serial;
}

class EnumerationTest : public apitest::DeviceTest {};

TEST_F(EnumerationTest, CountSkipsOtherFtdiDevicesAndKeepsDriverOrder)
{
    UseBus(apitest::Device("K47000B2") + apitest::Device("FT123456", "id = 0x04036001\n") +
           apitest::Device("K47000A1"));
    EXPECT_EQ(2, GetDeviceCount());
    EXPECT_EQ("K47000B2", SerialAt(0));
    EXPECT_EQ("K47000A1", SerialAt(1));
    EXPECT_EQ("(none)", SerialAt(2));
    EXPECT_TRUE(Sim.Traffic().empty()) << "listing opens no device";
}

TEST_F(EnumerationTest, SerialsAreThoseOfLastCount)
{
    UseBus(NumberedConverters(2));
    ASSERT_EQ(2, GetDeviceCount());
    UseBus(apitest::Device("K4799999"));
    EXPECT_EQ(NumberedSerial(2), SerialAt(1)) << "no new enumeration before the next count";
    ASSERT_EQ(1, GetDeviceCount());
    EXPECT_EQ("K4799999", SerialAt(0));
    EXPECT_EQ("(none)", SerialAt(1));
}

TEST_F(EnumerationTest, SerialIndexOutsideCountOrNullBufferIsRefused)
{
    UseBus(NumberedConverters(1));
    ASSERT_EQ(1, GetDeviceCount());
    char buffer[OVK47MXV_SERIAL_BYTES] = "untouched";
    for (int n : {-1, 1, INT_MIN, INT_MAX})
        EXPECT_EQ(0, GetDeviceSerial(n, buffer)) << n;
    EXPECT_STREQ("untouched", buffer);
    EXPECT_EQ(0, GetDeviceSerial(0, nullptr));
}

TEST_F(EnumerationTest, MoreThan64ConvertersListFirst64)
{
    UseBus(NumberedConverters(70));
    EXPECT_EQ(64, GetDeviceCount());
    EXPECT_EQ(NumberedSerial(64), SerialAt(63));
    EXPECT_EQ("(none)", SerialAt(64));
    EXPECT_EQ(0, ::Open(NumberedSerial(70).c_str())) << "any attached converter can be opened";
}

class DeviceTableTest : public apitest::DeviceTest {};

TEST_F(DeviceTableTest, OpenTakesLowestFreeIndex)
{
    UseBus(NumberedConverters(6));
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(n - 1, ::Open(NumberedSerial(n).c_str()));
    EXPECT_NE(0, ::Close(1));
    EXPECT_EQ(1, ::Open(NumberedSerial(5).c_str()));
    EXPECT_NE(0, ::Close(2));
    EXPECT_NE(0, ::Close(0));
    EXPECT_EQ(0, ::Open(NumberedSerial(6).c_str()));
    EXPECT_EQ(1, IsOpen(0));
    EXPECT_EQ(0, IsOpen(2));
}

TEST_F(DeviceTableTest, ThirtyThirdOpenClearsPowerAndClosesConverterAgain)
{
    UseBus(NumberedConverters(33));
    for (int n = 1; n <= 32; ++n)
        ASSERT_EQ(n - 1, ::Open(NumberedSerial(n).c_str()));
    Sim.ClearTraffic();
    const std::string last = NumberedSerial(33);
    EXPECT_EQ(-1, ::Open(last.c_str()));
    EXPECT_EQ(apitest::Concat({apitest::OpeningTraffic("Version 4.2\r\n", std::string("\x01\xFF\x3F", 3)),
                               apitest::closingTraffic}),
              Sim.TrafficOf(last));
    EXPECT_NE(0, ::Close(5));
    EXPECT_EQ(5, ::Open(last.c_str())) << "the converter was closed, so it opens again";
}

// Every per-device export with an index that holds no open converter.
void ExpectEveryExportRefuses(int dev)
{
    SCOPED_TRACE(dev);
    const unsigned char image[10] = {1};
    unsigned char buffer[10] = {};
    unsigned header = 77;
    DeviceConfig config;
    memset(&config, 0x5A, sizeof config);
    EXPECT_EQ(0, ::Close(dev));
    EXPECT_EQ(0, IsOpen(dev));
    EXPECT_EQ(OVK47MXV_NOT_OPEN, SetRange(dev, 3));
    EXPECT_EQ(0, SetClearPower(dev));
    EXPECT_EQ(0, WriteCalibrationData(dev, image, sizeof image));
    EXPECT_EQ(0, GetCalibrationData(dev, 0, buffer, sizeof buffer, &header));
    EXPECT_EQ(77u, header);
    EXPECT_EQ(0.0f, GetSSCorrection(dev, 10000000000ULL));
    EXPECT_EQ(OVK47MXV_NOT_OPEN, SendBuffer(dev, "x"));
    EXPECT_EQ(0, GetConfig(dev, &config));
    EXPECT_EQ(0x5A5A5A5A, config.rangeCount);
    EXPECT_EQ(0, IsAlive(dev));
}

class BadInputTest : public apitest::DeviceTest {};

TEST_F(BadInputTest, EveryExportRefusesIndexWithoutOpenConverter)
{
    UseBus(NumberedConverters(2));
    ASSERT_EQ(0, OpenQuietly(NumberedSerial(1).c_str()));
    ASSERT_EQ(1, ::Open(NumberedSerial(2).c_str()));
    ASSERT_NE(0, ::Close(1));
    Sim.ClearTraffic();
    testplatform::SetErrorCode(1234);
    for (int dev : {-1, static_cast<int>(OVK47MXV_MAX_DEVICES), 1, 31, INT_MIN, INT_MAX})
        ExpectEveryExportRefuses(dev);
    EXPECT_EQ(1234u, testplatform::ErrorCode()) << "the export layer sets no error code";
    EXPECT_TRUE(Sim.Traffic().empty());
    EXPECT_EQ(1, IsOpen(0)) << "the open converter is untouched";
}

TEST_F(BadInputTest, NullPointersAreRefusedWithoutTraffic)
{
    UseBus(NumberedConverters(1));
    int dev = OpenQuietly(usb);
    ASSERT_EQ(0, dev);
    EXPECT_EQ(-1, ::Open(nullptr));
    EXPECT_EQ(0, GetConfig(dev, nullptr));
    EXPECT_EQ(OVK47MXV_OK, SendBuffer(dev, nullptr));
    EXPECT_EQ(1, ConvertFrequency(dev, 5000000000LL, nullptr, nullptr, nullptr));
    EXPECT_EQ(1, GetCalibrationData(dev, 0, nullptr, 100, nullptr)) << "a header query that asks for nothing";
    testplatform::SetErrorCode(0);
    EXPECT_EQ(0, WriteCalibrationData(dev, nullptr, 0));
    EXPECT_EQ(testplatform::invalidParameterCode, testplatform::ErrorCode());
    EXPECT_TRUE(Sim.Traffic().empty());
}

// Each case loads its own copy of the API library beside its own copy of the
// simulated driver, so the library starts with no enumeration and no devices.
class FreshLibraryTest : public ::testing::Test {
protected:
    FreshLibraryTest()
        : Copied(Folder.CopyFromBin(apitest::driverFileName, apitest::driverFileName)),
          Sim(Folder.Path + apitest::driverFileName)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(Copied && Sim.Loaded());
        ASSERT_TRUE(Sim.Configure(apitest::VirtualBus(NumberedConverters(2))));
    }

    apitest::TempFolder Folder;
    bool Copied;
    apitest::SimDriver Sim;
};

TEST_F(FreshLibraryTest, SerialBeforeAnyCountIsRefused)
{
    apitest::LibraryCopy library(Folder);
    ASSERT_TRUE(library.Loaded());
    char serial[OVK47MXV_SERIAL_BYTES] = {};
    EXPECT_EQ(0, library.Api.GetDeviceSerial(0, serial));
    EXPECT_EQ(2, library.Api.GetDeviceCount());
    EXPECT_EQ(1, library.Api.GetDeviceSerial(0, serial));
    EXPECT_STREQ(usb, serial);
}

TEST_F(FreshLibraryTest, ConversionWithoutOpenDeviceNeedsEnumerationFirst)
{
    apitest::LibraryCopy library(Folder);
    ASSERT_TRUE(library.Loaded());
    long long output = 5;
    int range = 5;
    int inverted = 5;
    EXPECT_EQ(0, library.Api.ConvertFrequency(-1, 10000000000LL, &output, &range, &inverted));
    EXPECT_EQ(5, output);
    EXPECT_EQ(5, range);
    EXPECT_EQ(5, inverted);
    ASSERT_EQ(2, library.Api.GetDeviceCount());
    EXPECT_EQ(1, library.Api.ConvertFrequency(-1, 10000000000LL, &output, &range, &inverted));
    EXPECT_EQ(2200000000LL, output);
    EXPECT_EQ(6, range);
    EXPECT_EQ(1, inverted);
}

TEST_F(FreshLibraryTest, UnloadingLibraryClearsPowerAndClosesOpenConverters)
{
    {
        apitest::LibraryCopy library(Folder);
        ASSERT_TRUE(library.Loaded());
        ASSERT_EQ(0, library.Api.Open(NumberedSerial(1).c_str()));
        ASSERT_EQ(1, library.Api.Open(NumberedSerial(2).c_str()));
        EXPECT_EQ(OVK47MXV_OK, library.Api.SetRange(1, 12));
        Sim.ClearTraffic();
        library.Unload();
    }
    EXPECT_EQ(apitest::closingTraffic, Sim.TrafficOf(NumberedSerial(1)));
    EXPECT_EQ(apitest::closingTraffic, Sim.TrafficOf(NumberedSerial(2)));
    apitest::LibraryCopy again(Folder);
    ASSERT_TRUE(again.Loaded());
    EXPECT_EQ(0, again.Api.Open(NumberedSerial(2).c_str())) << "the handles were closed";
}

// The exit host (api_exithost, beside the test program) opens a converter
// and ends either after FreeLibrary or with the library still loaded; the
// simulator it loads writes its traffic to a log file named in the K47MXV_SIM
// file.
class ProcessExitTest : public ::testing::Test {
protected:
    // Runs the host in mode ("free" or "exit") and returns the events of its
    // converter from the log file.
    std::vector<std::string> HostTraffic(const char* mode)
    {
        const std::string log = Folder.Path + mode + ".log";
        const std::string ini = Folder.Path + mode + ".ini";
        EXPECT_TRUE(Folder.Write((std::string(mode) + ".ini").c_str(),
                                 "[simulator]\ntiming = virtual\nlog = " + log + "\n" + apitest::Device(usb)));
        testplatform::SetEnvironment("K47MXV_SIM", ini.c_str());
        std::string output = RunHost(testplatform::exitHostFile, std::string(mode) + " " + usb);
        testplatform::SetEnvironment("K47MXV_SIM", nullptr);
        EXPECT_EQ(0u, output.find("opened 0")) << output;
        std::ifstream file(log);
        std::stringstream text;
        text << file.rdbuf();
        return apitest::EventsOf(apitest::TrafficLines(text.str()), usb);
    }

    apitest::TempFolder Folder;
};

// Unloading (FreeLibrary, dlclose) clears the power of a converter left open and
// closes it; at the end of the process the driver library may already be
// gone, so the library sends nothing and frees nothing.
TEST_F(ProcessExitTest, FreeLibraryClearsPowerAndProcessEndSendsNothing)
{
    std::vector<std::string> freed = HostTraffic("free");
    std::vector<std::string> ended = HostTraffic("exit");
    ASSERT_FALSE(ended.empty()) << "the converter was opened";
    EXPECT_EQ(apitest::Concat({ended, apitest::closingTraffic}), freed);
}

// Threads against the simulator in real time, where a read sleeps without
// holding the simulator's lock, so calls on different converters can overlap.
// The bridge splits replies into packets at seeded random places.
class DeviceThreadTest : public apitest::DeviceTest {
protected:
    // Longest a thread test may take before it counts as hung.
    static constexpr unsigned threadsBoundMs = 20000;

    void UseRealtimeBus(const std::string& devices, unsigned seed)
    {
        ASSERT_TRUE(Sim.Configure("[simulator]\ntiming = realtime\nlink = bridge\njitter = " +
                                  std::to_string(seed) + "\n" + devices));
    }

    // Call n of a thread: SetRange, IsAlive, GetConfig and IsOpen in turn. The
    // result as SetRange gives it: a truth value's 1 becomes OVK47MXV_OK, its 0
    // OVK47MXV_NOT_OPEN, and any other value 1, which no function documents.
    static int CallOnDevice(int dev, unsigned n)
    {
        DeviceConfig config;
        int truth = 0;
        switch (n % 4) {
        case 0:
            return SetRange(dev, static_cast<int>(n % 14));
        case 1:
            truth = IsAlive(dev);
            break;
        case 2:
            truth = GetConfig(dev, &config);
            break;
        default:
            truth = IsOpen(dev);
            break;
        }
        return truth == 1 ? OVK47MXV_OK : truth == 0 ? OVK47MXV_NOT_OPEN : 1;
    }

    // Runs each function on a thread of its own; false when they have not all
    // ended within threadsBoundMs (those left are abandoned, still running).
    static bool RunOnThreads(std::vector<std::function<void()>> work)
    {
        struct Progress {
            std::mutex Lock;
            std::condition_variable Changed;
            size_t Ended = 0;
        };
        auto progress = std::make_shared<Progress>();
        std::vector<std::thread> threads;
        for (std::function<void()>& function : work) {
            threads.emplace_back([progress, function] {
                function();
                std::lock_guard<std::mutex> lock(progress->Lock);
                ++progress->Ended;
                progress->Changed.notify_all();
            });
        }
        std::unique_lock<std::mutex> lock(progress->Lock);
        bool ended = progress->Changed.wait_for(lock, std::chrono::milliseconds(threadsBoundMs),
                                                [&] { return progress->Ended == threads.size(); });
        lock.unlock();
        for (std::thread& thread : threads) {
            if (ended)
                thread.join();
            else
                thread.detach();
        }
        return ended;
    }
};

// Threads call SetRange, IsAlive, GetConfig and IsOpen on one converter, with
// late replies, while another thread closes it. Every result is one the
// function documents; calls in flight finish before Close clears power, so
// nothing follows Close's traffic; every call that starts after Close has
// returned finds the converter not open.
TEST_F(DeviceThreadTest, CloseWaitsForCallsInFlightAndLaterCallsFindDeviceClosed)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("jitter seed " + std::to_string(seed));
        UseRealtimeBus(apitest::Device(usb, "reply_delay = 40\n"), seed);
        const int dev = ::Open(usb);
        ASSERT_EQ(0, dev);
        std::atomic<bool> closed{false};
        std::atomic<int> succeeded{0}, undocumented{0}, openAfterClose{0};
        // Calls until it has made callsAfterClose calls that started after Close returned.
        auto hammer = [&](unsigned first) {
            constexpr int callsAfterClose = 10;
            for (unsigned n = first, after = 0; after < callsAfterClose; ++n) {
                bool late = closed;
                int result = CallOnDevice(dev, n);
                succeeded += result == OVK47MXV_OK;
                undocumented += result > 0 || result < OVK47MXV_BUSY || result == -2;
                openAfterClose += late && result != OVK47MXV_NOT_OPEN;
                after += late;
            }
        };
        int closeResult = 0;
        ASSERT_TRUE(RunOnThreads({[&] { hammer(0); }, [&] { hammer(1); }, [&] { hammer(2); },
                                  [&] {
                                      // the other threads are busy with the converter meanwhile
                                      std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                      closeResult = ::Close(dev);
                                      closed = true;
                                  }}))
            << "threads still running after " << threadsBoundMs << " ms";
        EXPECT_NE(0, closeResult);
        EXPECT_GT(succeeded, 3) << "calls ran on the open converter";
        EXPECT_EQ(0, undocumented);
        EXPECT_EQ(0, openAfterClose) << "calls after Close that did not find the converter closed";
        std::vector<std::string> events = Sim.TrafficOf(usb);
        const std::vector<std::string>& closing = apitest::closingTraffic;
        ASSERT_GE(events.size(), closing.size());
        EXPECT_EQ(closing, std::vector<std::string>(events.end() - closing.size(), events.end()))
            << "nothing after Close";
    }
}

// Two threads, each with a converter of its own: while one waits for its
// reply the other exchanges with its converter, so the traffic interleaves.
TEST_F(DeviceThreadTest, ExchangesWithDifferentConvertersOverlap)
{
    UseRealtimeBus(apitest::Device(usb) + apitest::Device("K4700002"), 7);
    ASSERT_EQ(0, ::Open(usb));
    ASSERT_EQ(1, ::Open("K4700002"));
    Sim.ClearTraffic();
    std::atomic<int> alive{0};
    auto check = [&](int dev) {
        for (int n = 0; n < 4; ++n)
            alive += IsAlive(dev);
    };
    ASSERT_TRUE(RunOnThreads({[&] { check(0); }, [&] { check(1); }}));
    EXPECT_EQ(8, alive);
    // Lines of one converter between the other's command and its reply.
    int overlapping = 0;
    std::string waiting;  // the converter whose command awaits its reply, if any
    for (const std::string& line : Sim.Traffic()) {
        std::string device = line.substr(0, line.find(' '));
        std::string event = line.substr(device.size() + 1);
        if (!waiting.empty() && device != waiting)
            ++overlapping;
        if (event.compare(0, 6, "write ") == 0)
            waiting = device;
        else if (event.compare(0, 5, "read ") == 0 && device == waiting)
            waiting.clear();
    }
    EXPECT_GT(overlapping, 0) << "the exchanges ran one after the other";
}

// Random replies for every command and random calls of every operation:
// each result is one the export documents, and each call ends within the
// read time-outs its exchanges may wait.
class RandomReplyTest : public apitest::DeviceTest {
protected:
    static constexpr unsigned operationCount = 9;

    // One reply token: a keyword, garbage, or literal bytes likely to
    // resemble real replies.
    std::string RandomReply()
    {
        static const char* const words[] = {"silence", "short", "normal", "\"DT\"", "\"OK\"", "\"X\\r\"",
                                            "\"P\\r\"", "\"Version 4.1\\r\"", "\"\\x01\\xFF\\x3F\""};
        switch (Pick(4)) {
        case 0:
            return words[Pick(sizeof words / sizeof *words)];
        case 1:
            return "garbage:" + std::to_string(1 + Pick(120));
        default: {
            // Mostly bytes of real replies, now and then any byte.
            static const char replyBytes[] = "PXDTOK\r\n0Vv. 4";
            std::string literal = "\"";
            for (unsigned n = Pick(70); n > 0; --n) {
                unsigned byte = Pick(3) == 0 ? Pick(256) : static_cast<unsigned char>(replyBytes[Pick(15)]);
                char escape[8];
                snprintf(escape, sizeof escape, "\\x%02X", byte);
                literal += escape;
            }
            return literal + "\"";
        }
        }
    }

    unsigned Pick(unsigned count) { return std::uniform_int_distribution<unsigned>(0, count - 1)(Random); }

    // Runs one operation with random arguments; checks its result and its
    // virtual duration.
    void RunOperation(unsigned operation)
    {
        // A reply waits at most its read time-out, one more for a late
        // reply, and one to discard an unusable one: three time-outs.
        const unsigned long long replyUs = 3 * 100000;
        unsigned long long start = Sim.ClockUs();
        unsigned long long boundUs = 0;
        SCOPED_TRACE("operation " + std::to_string(operation));
        switch (operation) {
        case 0: {
            int result = SetRange(dev, static_cast<int>(Pick(18)) - 2);
            Succeeded[operation] += result == OVK47MXV_OK;
            EXPECT_TRUE(result <= 0 && result >= OVK47MXV_BUSY && result != -2 && result != OVK47MXV_NOT_OPEN)
                << result;
            boundUs = 3 * replyUs;
            break;
        }
        case 1:
        {
            int result = SetClearPower(dev);
            Succeeded[operation] += result == 1;
            EXPECT_LE(static_cast<unsigned>(result), 1u);
            boundUs = 6000;  // its 3 bytes crossing the line
            break;
        }
        case 2:
        {
            int result = IsAlive(dev);
            Succeeded[operation] += result == 1;
            EXPECT_LE(static_cast<unsigned>(result), 1u);
            boundUs = replyUs;
            break;
        }
        case 3: {
            DeviceConfig config;
            memset(&config, 0xEE, sizeof config);
            int result = GetConfig(dev, &config);
            Succeeded[operation] += result == 1;
            ASSERT_LE(static_cast<unsigned>(result), 1u);
            if (result) {
                EXPECT_EQ(14, config.rangeCount);
                EXPECT_EQ(std::string(12, '\0'), std::string(config.serial + 8, 12));
                EXPECT_EQ('\0', config.firmware[15]);
            }
            boundUs = 2 * replyUs;
            break;
        }
        case 4: {
            int result = SendBuffer(dev, "raw text\r");
            Succeeded[operation] += result == OVK47MXV_OK;
            EXPECT_TRUE(result == OVK47MXV_OK || result == OVK47MXV_WRITE_FAILED) << result;
            boundUs = 12000;  // its 9 bytes crossing the line
            break;
        }
        case 5: {
            unsigned start = Pick(5400);
            unsigned length = Pick(200);
            unsigned char buffer[200];
            unsigned header = 0;
            testplatform::SetErrorCode(0);
            int result = GetCalibrationData(dev, start, buffer, length, &header);
            Succeeded[operation] += result == 1 && length > 0;
            ASSERT_LE(static_cast<unsigned>(result), 1u);
            if (start + length > 5318)
                EXPECT_EQ(testplatform::invalidParameterCode, testplatform::ErrorCode());
            else
                EXPECT_TRUE(header == 0 || (header >> 16) == 1) << header;
            boundUs = (length / 50 + 2) * replyUs;
            break;
        }
        case 6: {
            float correction = GetSSCorrection(dev, static_cast<unsigned long long>(Pick(22000)) * 1000000ULL +
                                                        Pick(1000000));
            Succeeded[operation] += correction != 0.0f;
            EXPECT_TRUE(std::isfinite(correction) && std::fabs(correction) <= 64.0f) << correction;
            boundUs = 2 * replyUs;
            break;
        }
        case 7: {
            // Mostly images with the format byte 1, so calibration often stays valid.
            std::string image(Pick(300), '\0');
            for (char& c : image)
                c = static_cast<char>(Pick(256));
            if (!image.empty() && Pick(4) != 0)
                image[0] = 1;
            int result =
                WriteCalibrationData(dev, reinterpret_cast<const unsigned char*>(image.data()),
                                     static_cast<unsigned short>(image.size()));
            Succeeded[operation] += result == 1;
            EXPECT_LE(static_cast<unsigned>(result), 1u);
            boundUs = 4 * 3 * 200000 + 2 * replyUs;
            break;
        }
        default:
            EXPECT_NE(0, ::Close(dev));
            dev = ::Open(usb);
            ASSERT_EQ(0, dev);
            ++Succeeded[operation];
            boundUs = 2 * replyUs;
            break;
        }
        EXPECT_LE(Sim.ClockUs() - start, boundUs);
    }

    std::mt19937 Random{20240607};
    int dev = -1;
    // Calls of each operation that succeeded.
    unsigned Succeeded[operationCount] = {};
};

// Each round scripts up to two random replies for commands the chosen
// operation sends, then runs it; every 100 rounds the bus starts afresh, so
// replies an operation left unused do not pile up.
TEST_F(RandomReplyTest, EveryOperationGivesDocumentedResultsWithinTimeOuts)
{
    static const std::vector<const char*> commandsOf[operationCount] = {
        {"f"}, {"CP"}, {"sn"}, {"sn", "vr"}, {"raw"}, {"RC"}, {"RC"}, {"WF", "vr", "RC"}, {"CP", "vr", "RC"}};
    for (int round = 0; round < 10000 && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round % 100 == 0) {
            ::Close(dev);
            // Replies split at random and up to 150 ms late, some beyond the read time-out.
            const unsigned seed = 1 + round / 100;
            ASSERT_TRUE(Sim.Configure(apitest::JitterBus(seed, apitest::Device(usb, "reply_delay = 150\n"))));
            dev = ::Open(usb);
            ASSERT_EQ(0, dev);
        }
        unsigned operation = Pick(operationCount);
        const std::vector<const char*>& commands = commandsOf[operation];
        for (unsigned n = Pick(3); n > 0; --n) {
            const char* command = commands[Pick(static_cast<unsigned>(commands.size()))];
            std::string reply = RandomReply();
            ASSERT_TRUE(Sim.Script(usb, command, reply.c_str())) << command << " " << reply;
        }
        RunOperation(operation);
    }
    for (unsigned operation = 0; operation < operationCount; ++operation)
        EXPECT_GT(Succeeded[operation], 10u) << "operation " << operation << " also meets good replies";
}

}  // namespace
