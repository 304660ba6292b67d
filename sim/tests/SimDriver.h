// Test access to the simulated driver library: loads it (OVK47MXVusb.dll,
// libk47mxv_usb.so) from the test program's folder, as the API library does
// from its own, and offers a fixture with a fresh virtual-time bus and
// exchange helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "D2xx.h"
#include "K47MXVsim.h"
#include "TestPlatform.h"

// Path of a file beside the running test program.
inline std::string BesideProgram(const char* fileName) { return testplatform::ProgramFolder() + fileName; }

template <typename Function>
Function Resolve(testplatform::Module module, const char* name) {
    return reinterpret_cast<Function>(testplatform::FindSymbol(module, name));
}

// The driver's exports, resolved by name.
struct SimDriver {
    FT_OpenEx_t OpenEx;
    FT_Close_t Close;
    FT_Read_t Read;
    FT_Write_t Write;
    FT_ResetDevice_t ResetDevice;
    FT_Purge_t Purge;
    FT_SetTimeouts_t SetTimeouts;
    FT_GetQueueStatus_t GetQueueStatus;
    FT_CreateDeviceInfoList_t CreateDeviceInfoList;
    FT_GetDeviceInfoList_t GetDeviceInfoList;
    FT_SetFlowControl_t SetFlowControl;
    FT_SetBaudRate_t SetBaudRate;
    FT_SetLatencyTimer_t SetLatencyTimer;
    FT_GetLatencyTimer_t GetLatencyTimer;
    SIM_Configure_t Configure;
    SIM_ScriptReply_t ScriptReply;
    SIM_GetTraffic_t GetTraffic;
    SIM_ClearTraffic_t ClearTraffic;
    SIM_GetClock_t GetClock;
    SIM_ReadMemory_t ReadMemory;
    SIM_Unplug_t Unplug;
    SIM_UnplugAfterBytes_t UnplugAfterBytes;

    // The driver, loaded once per test process.
    static const SimDriver& Get() {
        static const SimDriver driver(testplatform::LoadLibraryAt(BesideProgram(testplatform::driverFile)));
        return driver;
    }

private:
    explicit SimDriver(testplatform::Module module)
        : OpenEx(Resolve<FT_OpenEx_t>(module, "FT_OpenEx")),
          Close(Resolve<FT_Close_t>(module, "FT_Close")),
          Read(Resolve<FT_Read_t>(module, "FT_Read")),
          Write(Resolve<FT_Write_t>(module, "FT_Write")),
          ResetDevice(Resolve<FT_ResetDevice_t>(module, "FT_ResetDevice")),
          Purge(Resolve<FT_Purge_t>(module, "FT_Purge")),
          SetTimeouts(Resolve<FT_SetTimeouts_t>(module, "FT_SetTimeouts")),
          GetQueueStatus(Resolve<FT_GetQueueStatus_t>(module, "FT_GetQueueStatus")),
          CreateDeviceInfoList(Resolve<FT_CreateDeviceInfoList_t>(module, "FT_CreateDeviceInfoList")),
          GetDeviceInfoList(Resolve<FT_GetDeviceInfoList_t>(module, "FT_GetDeviceInfoList")),
          SetFlowControl(Resolve<FT_SetFlowControl_t>(module, "FT_SetFlowControl")),
          SetBaudRate(Resolve<FT_SetBaudRate_t>(module, "FT_SetBaudRate")),
          SetLatencyTimer(Resolve<FT_SetLatencyTimer_t>(module, "FT_SetLatencyTimer")),
          GetLatencyTimer(Resolve<FT_GetLatencyTimer_t>(module, "FT_GetLatencyTimer")),
          Configure(Resolve<SIM_Configure_t>(module, "SIM_Configure")),
          ScriptReply(Resolve<SIM_ScriptReply_t>(module, "SIM_ScriptReply")),
          GetTraffic(Resolve<SIM_GetTraffic_t>(module, "SIM_GetTraffic")),
          ClearTraffic(Resolve<SIM_ClearTraffic_t>(module, "SIM_ClearTraffic")),
          GetClock(Resolve<SIM_GetClock_t>(module, "SIM_GetClock")),
          ReadMemory(Resolve<SIM_ReadMemory_t>(module, "SIM_ReadMemory")),
          Unplug(Resolve<SIM_Unplug_t>(module, "SIM_Unplug")),
          UnplugAfterBytes(Resolve<SIM_UnplugAfterBytes_t>(module, "SIM_UnplugAfterBytes")) {}
};

// Two converters in virtual time; K4700002 has its own serial and old firmware.
constexpr char kTwoConverters[] =
    "[simulator]\n"
    "timing = virtual\n"
    "[device]\n"
    "usb_serial = K4700001\n"
    "[device]\n"
    "usb_serial = K4700002\n"
    "serial = K4700222\n"
    "firmware = Version 3.9\n";

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, sim.Configure) << testplatform::driverFile << " not loaded";
        ASSERT_EQ(1, sim.Configure(kTwoConverters));
    }

    FT_HANDLE Open(const char* usbSerial = "K4700001") {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(FT_OK, sim.OpenEx(const_cast<char*>(usbSerial), FT_OPEN_BY_SERIAL_NUMBER, &handle));
        return handle;
    }

    FT_STATUS OpenStatus(const char* usbSerial) {
        FT_HANDLE handle = nullptr;
        return sim.OpenEx(const_cast<char*>(usbSerial), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    }

    void Write(FT_HANDLE handle, const std::string& bytes) {
        DWORD written = 0;
        EXPECT_EQ(FT_OK, sim.Write(handle, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written));
        EXPECT_EQ(bytes.size(), written);
    }

    std::string Read(FT_HANDLE handle, DWORD count) {
        std::string buffer(count, '\0');
        DWORD returned = 0;
        EXPECT_EQ(FT_OK, sim.Read(handle, &buffer[0], count, &returned));
        buffer.resize(returned);
        return buffer;
    }

    std::string Exchange(FT_HANDLE handle, const std::string& command, DWORD replyBytes) {
        Write(handle, command);
        return Read(handle, replyBytes);
    }

    DWORD AttachedCount() {
        DWORD count = 0;
        EXPECT_EQ(FT_OK, sim.CreateDeviceInfoList(&count));
        return count;
    }

    std::string Traffic() {
        std::string text(sim.GetTraffic(nullptr, 0) + 1, '\0');
        text.resize(sim.GetTraffic(&text[0], static_cast<int>(text.size())));
        return text;
    }

    const SimDriver& sim = SimDriver::Get();
};

// "f" <number> CR: select range number - 1.
inline std::string SelectCommand(int number) { return std::string{'f', static_cast<char>(number), '\r'}; }

// A 16-bit value, low byte first.
inline std::string Word(unsigned value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

// "RC" CR address length.
inline std::string MemoryReadCommand(unsigned address, unsigned length) {
    return "RC\r" + Word(address) + Word(length);
}

// "WF" CR address 128 and 128 data bytes.
inline std::string MemoryWriteCommand(unsigned address, const std::string& data) {
    return "WF\r" + Word(address) + Word(128) + data;
}
