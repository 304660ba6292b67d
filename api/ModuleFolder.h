// The folder the Windows library loads its driver library from: its own,
// taken from the module file name that GetModuleFileNameA wrote. Separate from
// the call so that a failed or cut name can be tested without such a path on
// disk; it needs no Windows header, so the test runs on every platform.
#pragma once

// Length of the folder part of a module file name, the characters before its
// last backslash, where length is what GetModuleFileNameA returned for a
// buffer of capacity bytes. -1 when there is no folder to take: the call
// failed (0), the name was cut at the buffer's end (capacity or more), or it
// holds no backslash.
inline int ModuleFolderLength(const char* fileName, unsigned long length, unsigned long capacity)
{
    if (length >= capacity)
        return -1;
    for (unsigned long n = length; n > 0; --n) {
        if (fileName[n - 1] == '\\')
            return static_cast<int>(n - 1);
    }
    return -1;
}
