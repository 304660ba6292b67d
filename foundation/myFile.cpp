// TmyFile and the file-system functions.
#include "myFile.h"

#include <shlobj.h>
#include <winioctl.h>

TmyFile::TmyFile(const char* path, DWORD desiredAccess, DWORD creationDisposition,
                 DWORD shareMode, DWORD flagsAndAttributes)
    : FileHandle(nullptr), FileName(path)
{
    RegisterType(this, 48, "File");
    if (!(desiredAccess & GENERIC_WRITE) && creationDisposition == OPEN_ALWAYS)
        creationDisposition = OPEN_EXISTING;
    HANDLE handle = CreateFileA(path, desiredAccess, shareMode, nullptr,
                                creationDisposition, flagsAndAttributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        Trace(this, 0, "File not opened, err=%d", static_cast<int>(error));
        return;
    }
    FileHandle = handle;
}

TmyFile::~TmyFile()
{
    if (FileHandle)
        CloseHandle(FileHandle);
}

int64_t TmyFile::GetSize()
{
    LARGE_INTEGER size;
    if (GetFileSizeEx(FileHandle, &size))
        return size.QuadPart;
    GET_LENGTH_INFORMATION length;
    DWORD returned = 0;
    if (DeviceIoControl(FileHandle, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                        sizeof(length), &returned, nullptr))
        return length.Length.QuadPart;
    return myFileNoPosition;
}

int64_t TmyFile::GetPosition()
{
    return MovePointer(0, FILE_CURRENT);
}

int64_t TmyFile::Seek(int64_t offset)
{
    return MovePointer(offset, FILE_BEGIN);
}

unsigned TmyFile::Write(const void* buffer, unsigned byteCount)
{
    DWORD written = 0;
    if (!WriteFile(FileHandle, buffer, byteCount, &written, nullptr))
        return 0;
    return written;
}

unsigned TmyFile::Read(void* buffer, unsigned byteCount)
{
    DWORD read = 0;
    if (!ReadFile(FileHandle, buffer, byteCount, &read, nullptr))
        return 0;
    return read;
}

// SetFilePointer with its 64-bit distance split in two halves. A low half of
// INVALID_SET_FILE_POINTER is a real position unless the last error says otherwise.
int64_t TmyFile::MovePointer(int64_t distance, DWORD method)
{
    LONG high = static_cast<LONG>(distance >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(FileHandle, static_cast<LONG>(distance), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return myFileNoPosition;
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low);
}

TmyString GetSpecialFolder(int folderId)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, folderId | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, path)))
        return TmyString();
    return TmyString(path);
}

int EnsureDirectory(const char* path)
{
    const TmyString whole(path);
    const int drive = whole.Find(":\\");
    if (drive >= 0) {
        for (int slash = whole.Find('\\', drive + 2); slash >= 0;
             slash = whole.Find('\\', slash + 1))
            CreateDirectoryA(whole.SubString(0, slash).c_str(), nullptr);
    }
    CreateDirectoryA(path, nullptr);
    return IsDirectory(path);
}

int IsDirectory(const char* path, WIN32_FIND_DATAA* found)
{
    WIN32_FIND_DATAA record;
    HANDLE search = FindFirstFileA(path, &record);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    if (found)
        *found = record;
    FindClose(search);
    return record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
}

HMODULE GetKernelModule()
{
    static const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel;
}
