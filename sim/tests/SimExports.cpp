// The two driver libraries' export tables, by plain name.
#include "SimDriver.h"

namespace {

constexpr const char* kEntryPoints[] = {
    "FT_OpenEx",         "FT_ListDevices",          "FT_Close",             "FT_Read",
    "FT_Write",          "FT_ResetDevice",          "FT_Purge",             "FT_SetTimeouts",
    "FT_GetQueueStatus", "FT_CreateDeviceInfoList", "FT_GetDeviceInfoList", "FT_GetStatus",
    "FT_SetFlowControl", "FT_SetBaudRate",          "SIM_Configure",        "SIM_ScriptReply",
    "SIM_GetTraffic",    "SIM_ClearTraffic",        "SIM_GetClock",         "SIM_ReadMemory",
    "SIM_Unplug"};

TEST(SimExportsTest, DriverExportsEveryEntryPointByPlainName) {
    HMODULE module = LoadLibraryA(BesideProgram("OVK47MXVusb.dll").c_str());
    ASSERT_NE(nullptr, module);
    for (const char* name : kEntryPoints) EXPECT_NE(nullptr, GetProcAddress(module, name)) << name;
    FreeLibrary(module);
}

TEST(SimExportsTest, IncompleteDriverLacksOnlyGetStatus) {
    HMODULE module = LoadLibraryA(BesideProgram("OVK47MXVusb_incomplete.dll").c_str());
    ASSERT_NE(nullptr, module);
    for (const char* name : kEntryPoints) {
        const bool expected = std::string(name) != "FT_GetStatus";
        EXPECT_EQ(expected, GetProcAddress(module, name) != nullptr) << name;
    }
    FreeLibrary(module);
}

}  // namespace
