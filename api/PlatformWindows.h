// The Windows half of the platform layer's types: modules are HMODULEs, the
// converter's lock a critical section, the device table's lock a slim
// reader/writer lock with a condition variable.
#pragma once

#include <windows.h>

namespace platform {

using ModuleHandle = HMODULE;

class RecursiveLock {
public:
    RecursiveLock() { InitializeCriticalSection(&Section); }
    ~RecursiveLock() { DeleteCriticalSection(&Section); }
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void Enter() { EnterCriticalSection(&Section); }
    void Leave() { LeaveCriticalSection(&Section); }

private:
    CRITICAL_SECTION Section;
};

class TableLock {
public:
    constexpr TableLock() = default;
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    void Acquire() { AcquireSRWLockExclusive(&Lock); }
    void Release() { ReleaseSRWLockExclusive(&Lock); }
    void Wait() { SleepConditionVariableSRW(&Changed, &Lock, INFINITE, 0); }
    void WakeAll() { WakeAllConditionVariable(&Changed); }

private:
    SRWLOCK Lock = SRWLOCK_INIT;
    CONDITION_VARIABLE Changed = CONDITION_VARIABLE_INIT;
};

}  // namespace platform
