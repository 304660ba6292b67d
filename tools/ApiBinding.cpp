#include "ApiBinding.h"

ApiBinding::~ApiBinding()
{
    Unload();
}

bool ApiBinding::Load(std::string& error, const std::string& folder)
{
    const std::string path = folder + hostplatform::separator + kApiLibraryName;
    std::string reason;
    Library = static_cast<Module>(hostplatform::LoadLibraryFile(path, reason));
    if (Library == nullptr) {
        error = std::string("cannot load ") + kApiLibraryName + " from " + folder + ": " + reason;
        return false;
    }
    if (const char* missing = Resolve(Library)) {
        error = std::string(kApiLibraryName) + " has no export named \"" + missing + "\"";
        Unload();
        return false;
    }
    return true;
}

void ApiBinding::Unload()
{
    if (Library != nullptr)
        hostplatform::FreeLibraryFile(Library);
    Library = nullptr;
}
