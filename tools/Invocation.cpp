#include "Invocation.h"

#include <cstdio>

#include "Commands.h"

int Converter::Device(const Invocation& call)
{
    if (Tried)
        return Index;
    Tried = true;
    if (!call.BindApi())
        return -1;
    Index = Api.Open(SerialText.c_str());
    if (Index < 0)
        call.FailedCall("Open(\"" + SerialText + "\")", Index,
                        "no converter with this serial is attached, or it is already open");
    return Index;
}

bool Converter::Close()
{
    if (Index < 0)
        return false;
    Api.Close(Index);
    Index = -1;
    return true;
}

bool Invocation::BindApi() const
{
    std::string error;
    if (api.Load(error))
        return true;
    Fail(error);
    return false;
}

int Invocation::Fail(const std::string& what) const
{
    std::fprintf(stderr, "%s: %s\n", label.c_str(), what.c_str());
    return kExitFailed;
}

int Invocation::FailedCall(const std::string& operation, int result, const std::string& meaning) const
{
    Fail(operation + " failed with " + std::to_string(result) + " (" + meaning + ")");
    return kExitFailed;
}

int Invocation::Usage(const std::string& what) const
{
    std::fprintf(stderr, "%s: %s%s\n", label.c_str(), what.c_str(),
                 inShell ? "" : " (k47mxv --help lists the commands)");
    return kExitUsage;
}
