// Tests of TmyProfiler and its region scope: counting, probing, and the
// report lines it traces when destroyed.
#include "myProfiler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "debugCapture.h"
#include "myApplication.h"

namespace {

const char TestFile[] = "profilerTest";
const char Outer[] = "Outer";
const char Cheap[] = "Cheap";
const char Costly[] = "Costly";

// Waits until the performance counter has moved past count.
void WaitPast(int64_t count)
{
    while (TmyTimeCounter::Now() <= count) {
    }
}

class ProfilerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Saved = Application.Profiler;
        const unsigned savedFlags = myDefaultTraceFlags;
        myDefaultTraceFlags = myTraceToDebugger;
        Profiler = new TmyProfiler;
        myDefaultTraceFlags = savedFlags;
        Application.Profiler = Profiler;
    }

    void TearDown() override
    {
        Application.Profiler = Saved;
        delete Profiler;
    }

    // Destroys the profiler and returns the messages of the report it traced.
    std::vector<std::string> Report()
    {
        DebugCapture capture;
        Application.Profiler = Saved;
        delete Profiler;
        Profiler = nullptr;
        std::vector<std::string> messages;
        for (const std::string& line : capture.Texts()) {
            const std::string message = line.substr(line.rfind('\t') + 1);
            messages.push_back(message.substr(0, message.find("\r\n")));
        }
        return messages;
    }

    // A region entered hits times that runs a few microseconds each time, so
    // every reported time is above zero.
    void Run(unsigned id, const char* name, int hits = 1)
    {
        const int64_t fewMicroseconds = static_cast<int64_t>(myTraceTimeBase.Frequency() / 200000);
        for (int i = 0; i < hits; ++i) {
            TmyProfilerScope scope(id, TestFile, name);
            WaitPast(TmyTimeCounter::Now() + fewMicroseconds);
        }
    }

    TmyProfiler* Profiler = nullptr;
    TmyProfiler* Saved = nullptr;
};

TEST_F(ProfilerTest, RecursiveEntryCountsEveryHitButTimesOnlyTheOutermost)
{
    {
        TmyProfilerScope outer(10, TestFile, Outer);
        {
            TmyProfilerScope inner(10, TestFile, Outer);
            WaitPast(TmyTimeCounter::Now());
        }
        EXPECT_EQ(Profiler->Slot(10).Hits, 2);
        EXPECT_EQ(Profiler->Slot(10).Nesting, 1);
        EXPECT_EQ(Profiler->Slot(10).TotalCounts, 0u);
        WaitPast(TmyTimeCounter::Now());
    }
    EXPECT_EQ(Profiler->Slot(10).Hits, 2);
    EXPECT_EQ(Profiler->Slot(10).Nesting, 0);
    EXPECT_GT(Profiler->Slot(10).TotalCounts, 0u);
}

TEST_F(ProfilerTest, RegionsSharingAnIdTakeNeighbouringRecords)
{
    Run(20, Cheap);
    Run(20, Costly, 2);

    EXPECT_EQ(Profiler->Slot(20).Name, Cheap);
    EXPECT_EQ(Profiler->Slot(20).Hits, 1);
    EXPECT_EQ(Profiler->Slot(21).Name, Costly);
    EXPECT_EQ(Profiler->Slot(21).Id, 20u);
    EXPECT_EQ(Profiler->Slot(21).Hits, 2);
    EXPECT_EQ(Profiler->Slot(22).Name, nullptr);
}

TEST_F(ProfilerTest, RegionsOutsideTheTableAreIgnored)
{
    Run(myProfilerSlotCount, Outer);
    Run(myProfilerSlotCount - 1, Cheap);
    Run(myProfilerSlotCount - 1, Costly);

    EXPECT_EQ(Profiler->Slot(myProfilerSlotCount - 1).Name, Cheap);
    EXPECT_EQ(Profiler->Slot(myProfilerSlotCount - 1).Hits, 1);
    EXPECT_EQ(Report().size(), 4u);
}

TEST_F(ProfilerTest, ScopeLeavingUnderAnotherProfilerAddsNothing)
{
    const std::unique_ptr<TmyProfiler> other(new TmyProfiler);
    {
        TmyProfilerScope replaced(30, TestFile, Outer);
        Application.Profiler = other.get();
    }
    Application.Profiler = Profiler;
    {
        TmyProfilerScope removed(31, TestFile, Outer);
        Application.Profiler = nullptr;
    }
    {
        TmyProfilerScope added(32, TestFile, Outer);
        Application.Profiler = Profiler;
    }
    EXPECT_EQ(Profiler->Slot(30).Nesting, 1);
    EXPECT_EQ(Profiler->Slot(30).TotalCounts, 0u);
    EXPECT_EQ(other->Slot(30).Name, nullptr);
    EXPECT_EQ(Profiler->Slot(31).Nesting, 1);
    EXPECT_EQ(Profiler->Slot(32).Name, nullptr);
}

TEST_F(ProfilerTest, ReportWithoutRegionsWritesNothing)
{
    EXPECT_EQ(GetTypeId(Profiler), 65);
    EXPECT_TRUE(Report().empty());
}

TEST_F(ProfilerTest, ReportListsTheCostliestRegionLast)
{
    Run(41, Cheap);
    const uint64_t cheapCounts = Profiler->Slot(41).TotalCounts;
    {
        TmyProfilerScope costly(40, TestFile, Costly);
        WaitPast(TmyTimeCounter::Now() + static_cast<int64_t>(cheapCounts));
    }

    const std::vector<std::string> report = Report();
    ASSERT_EQ(report.size(), 5u);
    EXPECT_EQ(report[1], "----------------");
    EXPECT_NE(report[2].find("% Cheap, profilerTest[41] 1 hits, ["), std::string::npos) << report[2];
    EXPECT_NE(report[3].find("% Costly, profilerTest[40] 1 hits, ["), std::string::npos) << report[3];
    EXPECT_EQ(report[4], "----------------");
    EXPECT_LT(std::strtod(report[2].c_str(), nullptr), std::strtod(report[3].c_str(), nullptr));
}

TEST_F(ProfilerTest, ReportWithCycleTimesNamesCyclesAndClocks)
{
    if (!Profiler->QueryProcessCycles || !Profiler->QueryThreadCycles)
        GTEST_SKIP() << "no cycle-time functions on this system";
    Run(50, Outer, 3);

    const std::vector<std::string> report = Report();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_TRUE(std::regex_match(report[0], std::regex(R"(Profiler report \[running \d+\.\d{6} Gcycles = )"
                                                       R"(\d+\.\d{3} seconds, avg \d+\.\d{3} Mcycles/sec\])")))
        << report[0];
    EXPECT_TRUE(std::regex_match(report[2], std::regex(R"(\d+\.\d{3}% Outer, profilerTest\[50\] 3 hits, )"
                                                       R"(\[\d+\.\d{6} Gclocks=\d+\.\d{6}sec\] )"
                                                       R"(<\d+\.\d{6} Mclocks=\d+\.\d{3})"
                                                       "\xB5"
                                                       R"(sec per hit>)")))
        << report[2];
}

TEST_F(ProfilerTest, ReportWithoutCycleTimesNamesSecondsOnly)
{
    Profiler->QueryProcessCycles = nullptr;
    Profiler->QueryThreadCycles = nullptr;
    Run(50, Outer, 3);

    const std::vector<std::string> report = Report();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_TRUE(std::regex_match(report[0], std::regex(R"(Profiler report \[running \d+\.\d{3}secs\])")))
        << report[0];
    EXPECT_TRUE(std::regex_match(report[2], std::regex(R"(\d+\.\d{3}% Outer, profilerTest\[50\] 3 hits, )"
                                                       R"(\[\d+\.\d{6}sec\] <\d+\.\d{3})"
                                                       "\xB5"
                                                       R"(s/hit>)")))
        << report[2];
}

}  // namespace
