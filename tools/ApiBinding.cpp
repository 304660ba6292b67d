#include "ApiBinding.h"

ApiBinding::~ApiBinding()
{
    Unload();
}

bool ApiBinding::Load(std::string& error, const std::string& folder)
{
    const std::string path = folder + "\\" + kApiLibraryName;
    Module = LoadLibraryA(path.c_str());
    if (Module == nullptr) {
        const DWORD code = GetLastError();
        error = std::string("cannot load ") + kApiLibraryName + " from " + folder + ": error " +
                std::to_string(code) + " (" + SystemErrorText(code) + ")";
        return false;
    }
    if (const char* missing = Resolve(Module)) {
        error = std::string(kApiLibraryName) + " has no export named \"" + missing + "\"";
        Unload();
        return false;
    }
    return true;
}

void ApiBinding::Unload()
{
    if (Module != nullptr)
        FreeLibrary(Module);
    Module = nullptr;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

std::string SystemErrorText(DWORD code)
{
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        0, text, sizeof text, nullptr);
    std::string line(text, length);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    return line.empty() ? "unknown error" : line;
}
