// TmyObject, the root of every class that can trace itself, with the
// process-wide type registry (class identity -> type id and short name) and
// the numbered, timed trace lines.
#pragma once

#include <cstdint>

class TmyBinaryTree;

// Trace flag bits, kept in every object and in the application default.
constexpr unsigned myTraceToDebugger = 1;  // copy trace lines to the debugger output
constexpr unsigned myTraceToLogFile = 2;   // open the log file; memory report at exit

class TmyObject {
public:
    // Copies the default trace flags and registers "Object" (36).
    TmyObject();
    // The only virtual operation; releases nothing.
    virtual ~TmyObject();

    // Any non-zero value enables Trace; bit 0 copies lines to the debugger.
    unsigned TraceFlags;
    // Free for the owner's use (the string grid keeps a row value here).
    unsigned Reserved;
};

// One record per registered class; lives until the application's shutdown report.
struct TmyTypeRecord {
    uintptr_t ClassIdentity;
    int32_t TypeId;
    const char* TypeName;
};

// Default trace flags that every TmyObject copies at construction; 0 at load.
extern unsigned myDefaultTraceFlags;
// The type registry; null before the application exists and after its shutdown report.
extern TmyBinaryTree* myTypeRegistry;

// Registers the object's current class (the class whose constructor runs) under
// typeId and typeName; the first registration of a class wins.
void RegisterType(const TmyObject* object, int typeId, const char* typeName);
// Type id of the object's most derived registered class, or 0; stores its name
// in *typeName when asked for.
int GetTypeId(const TmyObject* object, const char** typeName = nullptr);
// Writes one trace line for the object. A positive indent change opens a
// nesting level before the line, a negative one closes it after the line.
void Trace(const TmyObject* object, int indentChange, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The one place that hands text to OutputDebugStringA.
void DebugOutput(const char* text);
// Receives every DebugOutput text instead of the debugger while set (tests, hosts
// that collect diagnostics); null restores the debugger output.
using TmyDebugOutputHook = void (*)(const char* text);
void SetDebugOutputHook(TmyDebugOutputHook hook);
