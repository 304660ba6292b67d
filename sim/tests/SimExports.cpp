// The two driver libraries' export tables, by plain name.
#include <set>
#include <utility>

#include "SimDriver.h"

namespace {

constexpr const char* kEntryPoints[] = {
    "FT_OpenEx",          "FT_ListDevices",          "FT_Close",             "FT_Read",
    "FT_Write",           "FT_ResetDevice",          "FT_Purge",             "FT_SetTimeouts",
    "FT_GetQueueStatus",  "FT_CreateDeviceInfoList", "FT_GetDeviceInfoList", "FT_GetStatus",
    "FT_SetFlowControl",  "FT_SetBaudRate",          "FT_SetLatencyTimer",   "FT_GetLatencyTimer",
    "SIM_Configure",      "SIM_ScriptReply",         "SIM_GetTraffic",       "SIM_ClearTraffic",
    "SIM_GetClock",       "SIM_ReadMemory",          "SIM_Unplug",           "SIM_UnplugAfterBytes"};

// Each library exports every entry point but the ones it lacks on purpose.
TEST(SimExportsTest, DriversExportTheirEntryPointsByPlainName) {
    const std::pair<const char*, std::set<std::string>> libraries[] = {
        {testplatform::driverFile, {}},
        {testplatform::incompleteDriverFile, {"FT_GetStatus"}},
        {testplatform::noLatencyDriverFile, {"FT_SetLatencyTimer", "FT_GetLatencyTimer"}},
    };
    for (const auto& [file, lacking] : libraries) {
        testplatform::Module module = testplatform::LoadLibraryAt(BesideProgram(file));
        ASSERT_NE(nullptr, module) << file;
        for (const char* name : kEntryPoints) {
            EXPECT_EQ(lacking.count(name) == 0, testplatform::FindSymbol(module, name) != nullptr) << file << " " << name;
        }
        testplatform::UnloadLibrary(module);
    }
}

}  // namespace
