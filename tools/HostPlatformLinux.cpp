#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "HostPlatform.h"

const char* const hostplatform::apiLibraryName = "libk47mxv_api.so.1";
const char* const hostplatform::driverName = "libk47mxv_usb.so";
const char* const hostplatform::noLatencyDriverName = "libk47mxv_usb_nolatency.so";
const char hostplatform::separator = '/';

void* hostplatform::LoadLibraryFile(const std::string& path, std::string& reason)
{
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* error = dlerror();
        reason = error ? error : "unknown error";
    }
    return library;
}

void* hostplatform::FindFunction(void* library, const char* name)
{
    return dlsym(library, name);
}

void hostplatform::FreeLibraryFile(void* library)
{
    dlclose(library);
}

// RTLD_NOLOAD finds the library only when it is loaded already; the
// reference it takes is given back at once, the library stays loaded.
void* hostplatform::FindLoadedFunction(const std::string& path, const char* name)
{
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        return nullptr;
    void* function = dlsym(library, name);
    dlclose(library);
    return function;
}

std::string hostplatform::ProgramFolder()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    const std::string name(path, length > 0 ? static_cast<size_t>(length) : 0);
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string(".") : name.substr(0, slash);
}

std::string hostplatform::TempFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/";
}

unsigned long hostplatform::ProcessId()
{
    return static_cast<unsigned long>(getpid());
}

bool hostplatform::SetEnvironment(const char* name, const char* value)
{
    return (value ? setenv(name, value, 1) : unsetenv(name)) == 0;
}

bool hostplatform::MakeFolder(const std::string& path)
{
    return mkdir(path.c_str(), 0700) == 0;
}

bool hostplatform::CopyFileTo(const std::string& from, const std::string& to)
{
    File source;
    File target;
    uint64_t size = 0;
    if (!source.Open(from, false) || !source.Size(size) || !target.Open(to, true))
        return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    return source.Read(&bytes[0], bytes.size()) && target.Write(bytes.data(), bytes.size());
}

void hostplatform::RemoveFile(const std::string& path)
{
    unlink(path.c_str());
}

void hostplatform::RemoveFolder(const std::string& path)
{
    rmdir(path.c_str());
}

bool hostplatform::IsConsole(StandardStream stream)
{
    return isatty(stream == StandardStream::Input ? STDIN_FILENO : STDERR_FILENO) != 0;
}

std::string hostplatform::LastErrorText()
{
    return std::strerror(errno);
}

hostplatform::File::~File()
{
    if (handle_ != -1)
        close(static_cast<int>(handle_));
}

bool hostplatform::File::Open(const std::string& path, bool forWriting)
{
    handle_ = forWriting ? open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                         : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return handle_ != -1;
}

bool hostplatform::File::Size(uint64_t& bytes)
{
    struct stat status {};
    if (fstat(static_cast<int>(handle_), &status) != 0)
        return false;
    bytes = static_cast<uint64_t>(status.st_size);
    return true;
}

bool hostplatform::File::Read(void* buffer, size_t count)
{
    for (size_t done = 0; done < count;) {
        const ssize_t got = read(static_cast<int>(handle_), static_cast<char*>(buffer) + done, count - done);
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool hostplatform::File::Write(const void* bytes, size_t count)
{
    for (size_t done = 0; done < count;) {
        const ssize_t written = write(static_cast<int>(handle_), static_cast<const char*>(bytes) + done, count - done);
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}
