// Tests of TmyFile and the file-system functions, in a private folder under
// the temporary directory.
#include "myFile.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "debugCapture.h"

namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        Folder = std::string(temp) + "k47file-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(Folder.c_str(), nullptr));
    }

    void TearDown() override { RemoveTree(Folder); }

    std::string PathOf(const char* name) const { return Folder + "\\" + name; }

    static bool Exists(const std::string& path)
    {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    static void RemoveTree(const std::string& path)
    {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..")
                    continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path + "\\" + name);
                else
                    DeleteFileA((path + "\\" + name).c_str());
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }

    std::string Folder;
};

// Builds objects with the given default trace flags, restoring the old ones.
class DefaultTraceFlags {
public:
    explicit DefaultTraceFlags(unsigned flags) : Saved(myDefaultTraceFlags) { myDefaultTraceFlags = flags; }
    ~DefaultTraceFlags() { myDefaultTraceFlags = Saved; }

private:
    unsigned Saved;
};

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(FileTest, ReadOnlyOpenAlwaysOfMissingFileFailsAndCreatesNothing)
{
    const std::string path = PathOf("missing.txt");
    DebugCapture capture;
    DefaultTraceFlags flags(myTraceToDebugger);
    TmyFile file(path.c_str(), GENERIC_READ, OPEN_ALWAYS, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(file.Handle(), nullptr);
    EXPECT_FALSE(Exists(path));
    ASSERT_EQ(capture.Texts().size(), 1u);
    EXPECT_TRUE(EndsWith(capture.Texts()[0], "\tFile not opened, err=2\r\n")) << capture.Texts()[0];
    EXPECT_EQ(file.Name(), path.c_str());
    char bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(file.Write(bytes, sizeof(bytes)), 0u);
    EXPECT_EQ(file.Read(bytes, sizeof(bytes)), 0u);
    EXPECT_EQ(file.GetSize(), myFileNoPosition);
    EXPECT_EQ(file.GetPosition(), myFileNoPosition);
}

TEST_F(FileTest, WriteOpenAlwaysCreatesTheFile)
{
    const std::string path = PathOf("created.txt");
    {
        TmyFile file(path.c_str(), GENERIC_WRITE, OPEN_ALWAYS, 0, FILE_ATTRIBUTE_NORMAL);
        EXPECT_NE(file.Handle(), nullptr);
        EXPECT_EQ(GetTypeId(&file), 48);
    }
    EXPECT_TRUE(Exists(path));
}

TEST_F(FileTest, WrittenBytesReadBackAfterSeek)
{
    const std::string path = PathOf("data.bin");
    TmyFile file(path.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, 0, FILE_ATTRIBUTE_NORMAL);
    const char text[] = "0123456789";

    EXPECT_EQ(file.Write(text, 10), 10u);
    EXPECT_EQ(file.GetSize(), 10);
    EXPECT_EQ(file.GetPosition(), 10);
    EXPECT_EQ(file.Seek(4), 4);
    char back[16] = {};
    EXPECT_EQ(file.Read(back, sizeof(back)), 6u);
    EXPECT_STREQ(back, "456789");
    EXPECT_EQ(file.GetPosition(), 10);
    EXPECT_EQ(file.Read(back, sizeof(back)), 0u);
}

TEST_F(FileTest, PositionBeyondFourGigabytesKeepsItsHighHalf)
{
    TmyFile file(PathOf("sparse.bin").c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, 0,
                 FILE_ATTRIBUTE_NORMAL);
    const int64_t beyond = (int64_t(1) << 32) + 5;

    EXPECT_EQ(file.Seek(beyond), beyond);
    EXPECT_EQ(file.GetPosition(), beyond);
}

TEST_F(FileTest, EnsureDirectoryCreatesThreeLevels)
{
    const std::string deepest = PathOf("one\\two\\three");

    EXPECT_NE(EnsureDirectory(deepest.c_str()), 0);
    EXPECT_NE(IsDirectory(PathOf("one").c_str()), 0);
    EXPECT_NE(IsDirectory(PathOf("one\\two").c_str()), 0);
    EXPECT_NE(IsDirectory(deepest.c_str()), 0);
    EXPECT_NE(EnsureDirectory(deepest.c_str()), 0);
}

TEST_F(FileTest, DirectoryTestIsZeroForPlainFileButFillsFindRecord)
{
    const std::string path = PathOf("plain.txt");
    { TmyFile file(path.c_str(), GENERIC_WRITE, CREATE_ALWAYS, 0, FILE_ATTRIBUTE_NORMAL); }
    WIN32_FIND_DATAA found = {};

    EXPECT_EQ(IsDirectory(path.c_str(), &found), 0);
    EXPECT_STREQ(found.cFileName, "plain.txt");
    EXPECT_EQ(IsDirectory(PathOf("nothing").c_str()), 0);
    EXPECT_EQ(IsDirectory(Folder.c_str()), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileTest, DocumentsFolderExists)
{
    const TmyString documents = GetSpecialFolder(CSIDL_PERSONAL);

    EXPECT_NE(documents.Length(), 0u);
    EXPECT_NE(IsDirectory(documents.c_str()), 0);
}

}  // namespace
