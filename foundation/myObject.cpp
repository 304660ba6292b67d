#include "myObject.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <typeinfo>

#include "myApplication.h"
#include "myBinaryTree.h"
#include "myFile.h"
#include "myTimeCounter.h"

unsigned myDefaultTraceFlags = 0;
TmyBinaryTree* myTypeRegistry = nullptr;

namespace {

// Trace lines and their messages are built in buffers of this size.
constexpr size_t traceBufferBytes = 1024;
// Nesting is printed as at most this many leading blanks.
constexpr int maxTraceIndent = 500;

// Trace state shared by every object of the deliverable. Plain words: lines
// traced concurrently by several threads may interleave their numbers.
struct TraceState {
    unsigned LineNumber;
    uint32_t PreviousMs;
    int Indent;
    DWORD FirstThread;
    bool SeveralThreads;
};
TraceState traceState;

TmyDebugOutputHook debugOutputHook = nullptr;

// The registry key of the class whose constructor or object is current:
// during construction typeid names the class being constructed.
uintptr_t ClassIdentity(const TmyObject* object)
{
    return reinterpret_cast<uintptr_t>(&typeid(*object));
}

const TmyTypeRecord* FindTypeRecord(const TmyObject* object)
{
    if (!myTypeRegistry)
        return nullptr;
    return static_cast<const TmyTypeRecord*>(myTypeRegistry->Find(ClassIdentity(object)));
}

// Records the calling thread; once a second thread traces, lines carry the thread id.
void NoteTracingThread()
{
    DWORD thread = GetCurrentThreadId();
    if (traceState.FirstThread == 0)
        traceState.FirstThread = thread;
    if (thread != traceState.FirstThread)
        traceState.SeveralThreads = true;
}

// Milliseconds since the trace time base, truncated to 32 bits.
uint32_t TraceMilliseconds()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    uint64_t elapsed = static_cast<uint64_t>(now.QuadPart - myTraceTimeBase.StartCount());
    return static_cast<uint32_t>(elapsed * 1000 / myTraceTimeBase.Frequency());
}

// The object's type name as a trace line shows it: its record's name,
// "Type:<id>" for a record without a name, else "unknown".
const char* TraceTypeName(const TmyObject* object, char (&numbered)[32])
{
    const char* name = nullptr;
    int id = GetTypeId(object, &name);
    if (name)
        return name;
    if (id == 0)
        return "unknown";
    snprintf(numbered, sizeof numbered, "Type:%d", id);
    return numbered;
}

// The indent after a change, kept within 0..maxTraceIndent. The sum is taken
// in 64 bits so that no change, however large, can wrap it past the limits.
int ChangedIndent(int indent, int change)
{
    int64_t sum = static_cast<int64_t>(indent) + change;
    return sum < 0 ? 0 : (sum > maxTraceIndent ? maxTraceIndent : static_cast<int>(sum));
}

// Formats the message behind the indent. A message that does not fit is cut;
// the "\r\n" is added by the caller.
void FormatMessage(char (&message)[traceBufferBytes], const char* format, va_list args)
{
    int indent = traceState.Indent;
    memset(message, ' ', indent);
    vsnprintf(message + indent, sizeof message - indent, format, args);
}

}  // namespace

TmyObject::TmyObject()
    : TraceFlags(myDefaultTraceFlags), Reserved(0)
{
    RegisterType(this, 36, "Object");
}

TmyObject::~TmyObject() = default;

void RegisterType(const TmyObject* object, int typeId, const char* typeName)
{
    if (!myTypeRegistry || FindTypeRecord(object))
        return;
    uintptr_t identity = ClassIdentity(object);
    myTypeRegistry->Insert(identity, new TmyTypeRecord{identity, typeId, typeName});
}

int GetTypeId(const TmyObject* object, const char** typeName)
{
    const TmyTypeRecord* record = FindTypeRecord(object);
    if (!record)
        return 0;
    if (typeName)
        *typeName = record->TypeName;
    return record->TypeId;
}

void Trace(const TmyObject* object, int indentChange, const char* format, ...)
{
    if (object->TraceFlags == 0)
        return;
    NoteTracingThread();
    if (indentChange > 0)
        traceState.Indent = ChangedIndent(traceState.Indent, indentChange);

    char message[traceBufferBytes];
    va_list args;
    va_start(args, format);
    FormatMessage(message, format, args);
    va_end(args);

    char numbered[32];
    const char* typeName = TraceTypeName(object, numbered);
    uint32_t now = TraceMilliseconds();
    uint32_t delay = now - traceState.PreviousMs;

    // Room is kept for the "\r\n" that ends every line, however long the message.
    char line[traceBufferBytes];
    constexpr size_t lineRoom = sizeof line - 2;
    int length = traceState.SeveralThreads
        ? snprintf(line, lineRoom, "%4u: [%8u]\t<%10s:%p-%6lx>\t%s", traceState.LineNumber, delay,
                   typeName, static_cast<const void*>(object),
                   static_cast<unsigned long>(GetCurrentThreadId()), message)
        : snprintf(line, lineRoom, "%4u: [%8u]\t<%10s:%p>\t%s", traceState.LineNumber, delay,
                   typeName, static_cast<const void*>(object), message);
    size_t end = length < 0 ? 0 : (static_cast<size_t>(length) < lineRoom ? length : lineRoom - 1);
    memcpy(line + end, "\r\n", 3);
    traceState.LineNumber++;
    traceState.PreviousMs = now;

    if (object->TraceFlags & myTraceToDebugger)
        DebugOutput(line);
    if (Application.LogFile)
        Application.LogFile->Write(line, static_cast<unsigned>(end + 2));

    if (indentChange < 0)
        traceState.Indent = ChangedIndent(traceState.Indent, indentChange);
}

void DebugOutput(const char* text)
{
    if (debugOutputHook)
        debugOutputHook(text);
    else
        OutputDebugStringA(text);
}

void SetDebugOutputHook(TmyDebugOutputHook hook)
{
    debugOutputHook = hook;
}
