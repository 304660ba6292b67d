// TmyFile: one open file handle (the log file, the trace sink) and the
// foundation's file-system functions: special folders, directory creation,
// the directory test and the cached kernel module.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myObject.h"
#include "myString.h"

// GetSize, GetPosition and Seek on a file that is not open or a call that failed.
constexpr int64_t myFileNoPosition = -1;

class TmyFile : public TmyObject {
public:
    // Opens path with CreateFileA (numbers in its meaning). A read-only open
    // never creates a file: OPEN_ALWAYS becomes OPEN_EXISTING without
    // GENERIC_WRITE. On failure traces the error and keeps a null handle.
    TmyFile(const char* path, DWORD desiredAccess, DWORD creationDisposition,
            DWORD shareMode, DWORD flagsAndAttributes);
    TmyFile(const TmyFile&) = delete;
    TmyFile& operator=(const TmyFile&) = delete;

    // The order of the virtual operations below is part of the class's contract.
    ~TmyFile() override;
    // Bytes in the file, or the length of a disk or volume handle.
    virtual int64_t GetSize();
    virtual int64_t GetPosition();
    // Moves to offset bytes from the start; returns the new position.
    virtual int64_t Seek(int64_t offset);
    // Bytes written, 0 when WriteFile fails.
    virtual unsigned Write(const void* buffer, unsigned byteCount);
    // Bytes read, 0 when ReadFile fails or at the end of the file.
    virtual unsigned Read(void* buffer, unsigned byteCount);

    // Null when the open failed.
    HANDLE Handle() const { return FileHandle; }
    // The path the file was opened with.
    const TmyString& Name() const { return FileName; }

private:
    int64_t MovePointer(int64_t distance, DWORD method);

    HANDLE FileHandle;
    TmyString FileName;
};

// Path of a per-user special folder (CSIDL id), created when missing; empty
// when the shell cannot give one.
TmyString GetSpecialFolder(int folderId);
// Creates every level of a "X:\..." path; existing levels are left alone.
// Returns the directory test of the whole path.
int EnsureDirectory(const char* path);
// FILE_ATTRIBUTE_DIRECTORY (0x10) when path names an existing directory, 0 for
// a plain file or nothing; copies the find record to *found when something is found.
int IsDirectory(const char* path, WIN32_FIND_DATAA* found = nullptr);
// Handle of "kernel32.dll", fetched once per process.
HMODULE GetKernelModule();
