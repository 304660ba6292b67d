// TmyProfiler and its region scope.
#include "myProfiler.h"

#include "myApplication.h"
#include "myFile.h"

namespace {

// Address of a kernel export; null on systems without it.
TmyCycleTimeQuery KernelCycleQuery(const char* name)
{
    return reinterpret_cast<TmyCycleTimeQuery>(
        reinterpret_cast<void*>(GetProcAddress(GetKernelModule(), name)));
}

// The two cycle-time functions, looked up once per process.
TmyCycleTimeQuery ThreadCycleQuery()
{
    static const TmyCycleTimeQuery query = KernelCycleQuery("QueryThreadCycleTime");
    return query;
}

TmyCycleTimeQuery ProcessCycleQuery()
{
    static const TmyCycleTimeQuery query = KernelCycleQuery("QueryProcessCycleTime");
    return query;
}

constexpr const char* myReportRule = "----------------";

}  // namespace

TmyProfiler::TmyProfiler()
    : Slots(), Active(0), StartCount(0), StartProcessCycles(0),
      QueryThreadCycles(nullptr), QueryProcessCycles(nullptr)
{
    RegisterType(this, 65, "Profiler");
    Active = 1;
    QueryThreadCycles = ThreadCycleQuery();
    QueryProcessCycles = ProcessCycleQuery();
    StartCount = TmyTimeCounter::Now();
    StartProcessCycles = ProcessCycles();
}

TmyProfiler::~TmyProfiler()
{
    Report();
}

TmyProfilerRegion* TmyProfiler::Claim(unsigned id, const char* file, const char* name)
{
    for (unsigned index = id; index < myProfilerSlotCount; ++index) {
        TmyProfilerRegion& region = Slots[index];
        if (!region.Name) {
            region.Name = name;
            region.File = file;
            region.Id = id;
            return &region;
        }
        if (region.Name == name && region.Id == id && region.File == file)
            return &region;
    }
    return nullptr;
}

uint64_t TmyProfiler::ThreadCycles() const
{
    ULONG64 cycles = 0;
    if (QueryThreadCycles)
        QueryThreadCycles(GetCurrentThread(), &cycles);
    return cycles;
}

uint64_t TmyProfiler::ProcessCycles() const
{
    ULONG64 cycles = 0;
    if (QueryProcessCycles)
        QueryProcessCycles(GetCurrentProcess(), &cycles);
    return cycles;
}

// Header, one line per used region with the costliest last, and a closing
// rule; nothing when no region was used. Runs once.
void TmyProfiler::Report()
{
    if (!Active)
        return;
    const int64_t now = TmyTimeCounter::Now();
    const uint64_t processCycles = ProcessCycles();
    Active = 0;
    unsigned indexes[myProfilerSlotCount];
    const unsigned count = CollectUsed(indexes);
    if (count == 0)
        return;
    uint64_t runningCounts = static_cast<uint64_t>(now - StartCount);
    if (runningCounts == 0)
        runningCounts = 1;
    ReportHeader(runningCounts, processCycles - StartProcessCycles);
    SortByTotalCounts(indexes, count);
    for (unsigned i = 0; i < count; ++i)
        ReportRegion(Slots[indexes[i]], runningCounts);
    Trace(this, 0, "%s", myReportRule);
}

unsigned TmyProfiler::CollectUsed(unsigned* indexes) const
{
    unsigned count = 0;
    for (unsigned index = 0; index < myProfilerSlotCount; ++index) {
        if (Slots[index].Name)
            indexes[count++] = index;
    }
    return count;
}

// Bubble sort, smallest total first; equal totals keep their table order.
void TmyProfiler::SortByTotalCounts(unsigned* indexes, unsigned count) const
{
    for (unsigned end = count; end > 1; --end) {
        for (unsigned i = 1; i < end; ++i) {
            if (Slots[indexes[i - 1]].TotalCounts > Slots[indexes[i]].TotalCounts) {
                const unsigned swapped = indexes[i - 1];
                indexes[i - 1] = indexes[i];
                indexes[i] = swapped;
            }
        }
    }
}

void TmyProfiler::ReportHeader(uint64_t runningCounts, uint64_t processCycles)
{
    const double microseconds = static_cast<double>(Clock.ScaledTime(runningCounts, 1000000));
    if (QueryProcessCycles) {
        Trace(this, 0,
              "Profiler report [running %.6lf Gcycles = %.3lf seconds, avg %.3lf Mcycles/sec]",
              processCycles / 1e9, microseconds / 1e6, processCycles / microseconds);
    } else {
        Trace(this, 0, "Profiler report [running %.3lfsecs]", microseconds / 1e6);
    }
    Trace(this, 0, "%s", myReportRule);
}

void TmyProfiler::ReportRegion(const TmyProfilerRegion& region, uint64_t runningCounts)
{
    const double share = region.TotalCounts * 100.0 / runningCounts;
    const double seconds = Clock.ScaledTime(region.TotalCounts, 1000000) / 1e6;
    const double hits = static_cast<uint32_t>(region.Hits);
    const double microsecondsPerHit = Clock.ScaledTime(region.TotalCounts, 1000000000) / (hits * 1000);
    const int id = static_cast<int>(region.Id);
    const int hitCount = static_cast<int>(region.Hits);
    if (QueryThreadCycles) {
        const double cycles = static_cast<double>(region.TotalThreadCycles);
        Trace(this, 0,
              "%.3lf%% %s, %s[%d] %d hits, [%.6lf Gclocks=%.6lfsec] <%.6lf Mclocks=%.3lf\xB5sec per hit>",
              share, region.Name, region.File, id, hitCount, cycles / 1e9, seconds,
              cycles / (hits * 1e6), microsecondsPerHit);
    } else {
        Trace(this, 0, "%.3lf%% %s, %s[%d] %d hits, [%.6lfsec] <%.3lf\xB5s/hit>", share,
              region.Name, region.File, id, hitCount, seconds, microsecondsPerHit);
    }
}

// Counts a hit and starts the clock. An id or a probe outside the table leaves
// the scope idle rather than writing past the last record.
TmyProfilerScope::TmyProfilerScope(unsigned id, const char* file, const char* name)
    : StartCount(0), StartThreadCycles(0), Record(nullptr), Owner(Application.Profiler)
{
    if (!Owner || id >= myProfilerSlotCount)
        return;
    TmyProfilerRegion* record = Owner->Claim(id, file, name);
    if (!record || !Owner->IsActive())
        return;
    StartCount = TmyTimeCounter::Now();
    StartThreadCycles = Owner->ThreadCycles();
    InterlockedIncrement(&record->Hits);
    InterlockedIncrement(&record->Nesting);
    Record = record;
}

// Adds the time when the outermost entry of the region leaves. A scope whose
// profiler was replaced or removed meanwhile adds nothing: its record is gone.
TmyProfilerScope::~TmyProfilerScope()
{
    if (!Record || Application.Profiler != Owner)
        return;
    if (InterlockedDecrement(&Record->Nesting) > 0)
        return;
    const int64_t elapsed = TmyTimeCounter::Now() - StartCount;
    const uint64_t cycles = Owner->ThreadCycles() - StartThreadCycles;
    if (Owner->IsActive()) {
        Record->TotalCounts += static_cast<uint64_t>(elapsed);
        Record->TotalThreadCycles += cycles;
    }
}
