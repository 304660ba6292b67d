// The driver library's folder from the API library's module file name, as
// GetModuleFileNameA reports it into a buffer of a given size: only a name
// read whole gives a folder.
#include <gtest/gtest.h>

#include <string>

#include "ModuleFolder.h"

namespace {

TEST(ModuleFolderTest, OnlyNameReadWholeGivesFolder)
{
    constexpr unsigned long capacity = 16;
    const struct {
        const char* name;  // the buffer's text
        unsigned long length;  // GetModuleFileNameA's result
        int folder;        // expected folder length, -1 for none
    } cases[] = {
        {"C:\\k47\\api.dll", 14, 6},
        {"C:\\k47\\ab\\x.dll", 15, 9},         // 15 characters and the terminator fill the buffer
        {"C:\\k47\\abc\\x.dl", 16, -1},        // cut: the result is the buffer's size
        {"C:\\k47\\abc\\x.dll", 16, -1},       // cut, without a terminator
        {"", 0, -1},                           // the call failed
        {"api.dll", 7, -1},                    // no folder in the name
        {"C:\\k47\\api.dll\\", 9, 6},          // only the returned characters count
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.folder, ModuleFolderLength(c.name, c.length, capacity)) << c.name << " " << c.length;
}

}  // namespace
