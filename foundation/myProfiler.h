// TmyProfiler: counts how often and how long marked code regions run, and
// writes a report through Trace when it is destroyed. A region is marked by a
// TmyProfilerScope on the stack; the application's profiler (null while
// profiling is off) collects it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myObject.h"
#include "myTimeCounter.h"

// Records in the region table; region ids are below this.
constexpr unsigned myProfilerSlotCount = 5000;

// One region: free while Name is null. Name and File point to static texts.
struct TmyProfilerRegion {
    const char* Name;
    const char* File;
    uint32_t Id;
    volatile LONG Hits;
    volatile LONG Nesting;
    uint64_t TotalCounts;
    uint64_t TotalThreadCycles;
};

// QueryThreadCycleTime and QueryProcessCycleTime share this signature.
using TmyCycleTimeQuery = BOOL(WINAPI*)(HANDLE, PULONG64);

class TmyProfiler : public TmyObject {
public:
    TmyProfiler();
    TmyProfiler(const TmyProfiler&) = delete;
    TmyProfiler& operator=(const TmyProfiler&) = delete;
    // Writes the report.
    ~TmyProfiler() override;

    // The record of (id, file, name): probes from record id upward to the same
    // region or the first free record and claims it. Null when the probe
    // leaves the table.
    TmyProfilerRegion* Claim(unsigned id, const char* file, const char* name);
    const TmyProfilerRegion& Slot(unsigned index) const { return Slots[index]; }
    bool IsActive() const { return Active != 0; }
    // The calling thread's cycle time, 0 when the system cannot tell.
    uint64_t ThreadCycles() const;

private:
    uint64_t ProcessCycles() const;
    void Report();
    unsigned CollectUsed(unsigned* indexes) const;
    void SortByTotalCounts(unsigned* indexes, unsigned count) const;
    void ReportHeader(uint64_t runningCounts, uint64_t processCycles);
    void ReportRegion(const TmyProfilerRegion& region, uint64_t runningCounts);

    TmyProfilerRegion Slots[myProfilerSlotCount];
    int32_t Active;
    int64_t StartCount;
    uint64_t StartProcessCycles;
    TmyTimeCounter Clock;

public:
    // Cycle-time functions of the kernel, null on systems without them; the
    // report chooses its line forms by them.
    TmyCycleTimeQuery QueryThreadCycles;
    TmyCycleTimeQuery QueryProcessCycles;
};

// Times one pass through a region of the application's profiler; does nothing
// while there is no profiler. Only the outermost of recursive entries adds
// time; every entry counts a hit.
class TmyProfilerScope {
public:
    TmyProfilerScope(unsigned id, const char* file, const char* name);
    ~TmyProfilerScope();
    TmyProfilerScope(const TmyProfilerScope&) = delete;
    TmyProfilerScope& operator=(const TmyProfilerScope&) = delete;

private:
    int64_t StartCount;
    uint64_t StartThreadCycles;
    TmyProfilerRegion* Record;
    TmyProfiler* Owner;
};
