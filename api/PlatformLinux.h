// The Linux half of the platform layer's types: modules are dlopen handles
// (the API library's own is its load address), the locks POSIX mutexes, the
// device table's with a condition variable.
#pragma once

#include <pthread.h>

namespace platform {

using ModuleHandle = void*;

class RecursiveLock {
public:
    RecursiveLock()
    {
        pthread_mutexattr_t recursive;
        pthread_mutexattr_init(&recursive);
        pthread_mutexattr_settype(&recursive, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutex_init(&Mutex, &recursive);
        pthread_mutexattr_destroy(&recursive);
    }
    ~RecursiveLock() { pthread_mutex_destroy(&Mutex); }
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void Enter() { pthread_mutex_lock(&Mutex); }
    void Leave() { pthread_mutex_unlock(&Mutex); }

private:
    pthread_mutex_t Mutex;
};

class TableLock {
public:
    constexpr TableLock() = default;
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    void Acquire() { pthread_mutex_lock(&Mutex); }
    void Release() { pthread_mutex_unlock(&Mutex); }
    void Wait() { pthread_cond_wait(&Changed, &Mutex); }
    void WakeAll() { pthread_cond_broadcast(&Changed); }

private:
    pthread_mutex_t Mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t Changed = PTHREAD_COND_INITIALIZER;
};

}  // namespace platform
