// The fixture of the end-to-end tests of k47mxv: the program runs as a child
// process beside the test program, with the API library and the simulated
// driver from the same folder, against a simulated bus that each test
// configures through a K47MXV_SIM file (virtual timing, traffic log in the
// test's folder). Standard input comes from a file, empty unless a test
// gives it lines.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "ApiBinding.h"
#include "childProcess.h"
#include "wholeFile.h"

// The longest a child may run before the test gives up on it.
constexpr DWORD kChildTimeoutMs = 60000;

struct RunResult {
    DWORD exitCode;
    std::string out;
    std::string err;
};

inline void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The program writes text-mode output; its CR LF line ends become LF.
inline std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

inline std::string K47mxvProgram()
{
    return ProgramFolder() + "\\k47mxv.exe";
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        Folder = std::string(temp) + "k47mxv-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++serial);
        RemoveFolder();  // left over by an earlier run with the same process id
        ASSERT_TRUE(CreateDirectoryA(Folder.c_str(), nullptr));
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("K47MXV_SIM", nullptr);
        RemoveFolder();
    }

    // Deletes the test's files, gathered first since deleting while
    // searching may skip entries, then the folder.
    void RemoveFolder() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA(PathOf("*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do
                names.push_back(entry.cFileName);
            while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        for (const std::string& name : names)
            DeleteFileA(PathOf(name).c_str());
        RemoveDirectoryA(Folder.c_str());
    }

    std::string PathOf(const std::string& name) const { return Folder + "\\" + name; }

    // Writes the bus (the [device] sections) under a virtual-time simulator
    // that logs its traffic, and hands the file to every child.
    void Configure(const std::string& devices)
    {
        WriteWholeFile(PathOf("sim.ini"),
                       "[simulator]\ntiming = virtual\nlog = " + PathOf("traffic.log") + "\n\n" + devices);
        SetEnvironmentVariableA("K47MXV_SIM", PathOf("sim.ini").c_str());
    }

    void ConfigureOneConverter() { Configure("[device]\nusb_serial = K4700001\n"); }

    std::string Traffic() const { return ReadWholeFile(PathOf("traffic.log")); }

    // A file for a child's standard handles. Helpers that Wine starts with
    // the first child may inherit it for a while, so it stays deletable
    // while open.
    HANDLE OpenStandardFile(const char* name, bool forOutput) const
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        return CreateFileA(PathOf(name).c_str(), forOutput ? GENERIC_WRITE : GENERIC_READ, sharing, &inherit,
                           forOutput ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    // Runs program with the argument text and input on its standard input;
    // stdout and stderr go into files.
    RunResult Run(const std::string& arguments, const std::string& program = K47mxvProgram(),
                  const std::string& input = "")
    {
        WriteWholeFile(PathOf("in.txt"), input);
        HANDLE in = OpenStandardFile("in.txt", false);
        HANDLE out = OpenStandardFile("out.txt", true);
        HANDLE err = OpenStandardFile("err.txt", true);
        PROCESS_INFORMATION process;
        const std::string line = "\"" + program + "\" " + arguments;
        const bool started = StartChild(line, in, out, err, process);
        CloseHandle(in);
        CloseHandle(out);
        CloseHandle(err);
        DWORD exitCode = STILL_ACTIVE;
        if (started) {
            if (WaitForSingleObject(process.hProcess, kChildTimeoutMs) != WAIT_OBJECT_0)
                TerminateProcess(process.hProcess, STILL_ACTIVE);
            GetExitCodeProcess(process.hProcess, &exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        EXPECT_TRUE(started) << line;
        EXPECT_NE(exitCode, STILL_ACTIVE) << line << " did not end";
        return {exitCode, WithoutCarriageReturns(ReadWholeFile(PathOf("out.txt"))),
                WithoutCarriageReturns(ReadWholeFile(PathOf("err.txt")))};
    }

    std::string Folder;
};
