#include "myThunks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "debugCapture.h"
#include "hostRun.h"
#include "myApplication.h"
#include "myComponents.h"

namespace {

// Every test program of the framework must end with no thunk bound: a slot
// still in use at exit is a control or component that was never deleted.
class NoThunkLeftAtExit : public ::testing::Environment {
public:
    void TearDown() override
    {
        EXPECT_EQ(-1, Application.ThunkSlots.FirstIncluded()) << "a thunk is still bound at exit";
    }
};
const auto* const noThunkLeftAtExit = ::testing::AddGlobalTestEnvironment(new NoThunkLeftAtExit);

// One call that reached a test target.
struct TargetCall {
    void* Object;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};
std::vector<TargetCall> targetCalls;

// Target for thunks under test: records the call and answers a marker.
constexpr LRESULT targetAnswer = 0x5A5A;
LRESULT CALLBACK RecordingTarget(void* object, UINT message, WPARAM wParam, LPARAM lParam)
{
    targetCalls.push_back({object, message, wParam, lParam});
    return targetAnswer;
}

const void* RecordingTargetAddress()
{
    return reinterpret_cast<const void*>(&RecordingTarget);
}

void* FakeObject(uintptr_t address)
{
    return reinterpret_cast<void*>(address);
}

WNDPROC AsWindowProc(void* thunk)
{
    return reinterpret_cast<WNDPROC>(thunk);
}

int SlotOf(const void* thunk)
{
    return static_cast<int>((static_cast<const unsigned char*>(thunk) - Application.ThunkSpace) / myThunkSlotBytes);
}

bool AnyTextContains(const DebugCapture& capture, const std::string& part)
{
    for (const std::string& text : capture.Texts()) {
        if (text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

// Thunks allocated by a test, released in reverse order at its end unless
// the test released them itself.
class ThunkSpace : public ::testing::Test {
protected:
    void SetUp() override { targetCalls.clear(); }
    void TearDown() override
    {
        for (auto thunk = thunks.rbegin(); thunk != thunks.rend(); ++thunk) {
            if (*thunk && Application.ThunkSlots.Contains(SlotOf(*thunk)))
                FreeThunk(*thunk);
        }
        Application.TraceFlags = savedTraceFlags;
    }

    void* Alloc(uintptr_t object)
    {
        void* thunk = AllocThunk(RecordingTargetAddress(), FakeObject(object));
        thunks.push_back(thunk);
        return thunk;
    }
    // Trace lines of the application object reach the debugger output.
    void TraceApplication() { Application.TraceFlags = myTraceToDebugger; }

    std::vector<void*> thunks;
    unsigned savedTraceFlags = Application.TraceFlags;
};

TEST_F(ThunkSpace, ThunkBindsObjectAndJumpsToTarget)
{
    unsigned char* thunk = static_cast<unsigned char*>(Alloc(0x00A1B2C0));
    ASSERT_NE(nullptr, thunk);
    EXPECT_EQ(0u, (thunk - Application.ThunkSpace) % myThunkSlotBytes);
    void* object;
    memcpy(&object, thunk + myThunkObjectOffset, sizeof object);
    EXPECT_EQ(FakeObject(0x00A1B2C0), object);
    if (sizeof(void*) == 4) {
        unsigned char expected[myX86ThunkBytes];
        WriteX86Thunk(expected, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(thunk)), 0x00A1B2C0,
                      static_cast<uint32_t>(reinterpret_cast<uintptr_t>(RecordingTargetAddress())));
        EXPECT_EQ(0, memcmp(expected, thunk, sizeof expected));
    } else {
        const unsigned char code[] = {0x48, 0xB9, 0xC0, 0xB2, 0xA1, 0, 0, 0, 0, 0, 0xFF, 0x25, 0, 0, 0, 0};
        EXPECT_EQ(0, memcmp(code, thunk, sizeof code));
        const void* target;
        memcpy(&target, thunk + 16, sizeof target);
        EXPECT_EQ(RecordingTargetAddress(), target);
    }
}

TEST_F(ThunkSpace, WindowMessagesReachTargetThroughInstalledThunk)
{
    void* thunk = Alloc(0xBEEF0);
    ASSERT_NE(nullptr, thunk);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk));
    LRESULT result = SendMessageA(window, WM_USER + 7, 3, 4);
    SetWindowLongPtrA(window, GWLP_WNDPROC, previous);
    DestroyWindow(window);

    EXPECT_EQ(targetAnswer, result);
    ASSERT_EQ(1u, targetCalls.size());
    EXPECT_EQ(FakeObject(0xBEEF0), targetCalls[0].Object);
    EXPECT_EQ(WM_USER + 7u, targetCalls[0].Message);
    EXPECT_EQ(3u, targetCalls[0].WParam);
    EXPECT_EQ(4, targetCalls[0].LParam);
}

TEST_F(ThunkSpace, ReleasedSlotIsTheNextOneHandedOut)
{
    for (uintptr_t i = 0; i < 5; ++i)
        ASSERT_NE(nullptr, Alloc(0x1000 + i));
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(static_cast<unsigned char*>(thunks[0]) + i * myThunkSlotBytes, thunks[i]);
    FreeThunk(thunks[2]);
    EXPECT_EQ(thunks[2], Alloc(0x2000));
}

TEST_F(ThunkSpace, FullSpaceRefusesOneMoreAndReusesExactlyTheFreedSlot)
{
    for (void* thunk = Alloc(0x3000); thunk; thunk = Alloc(0x3000 + thunks.size()))
        ;
    thunks.pop_back();
    EXPECT_EQ(myThunkSlotCount - 1, Application.HighestThunkIndex);
    for (unsigned slot = 0; slot < myThunkSlotCount; ++slot)
        ASSERT_TRUE(Application.ThunkSlots.Contains(slot)) << slot;

    DebugCapture capture;
    EXPECT_EQ(nullptr, AllocThunk(RecordingTargetAddress(), FakeObject(0x4000)));
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_EQ("No free WndProc thunk\r\n", capture.Texts()[0]);

    void* freed = thunks[thunks.size() / 2];
    FreeThunk(freed);
    void* again = AllocThunk(RecordingTargetAddress(), FakeObject(0x4000));
    EXPECT_EQ(freed, again);
    EXPECT_EQ(FakeObject(0x4000), ControlByThunk(again));
}

TEST_F(ThunkSpace, LookupOfNonThunkAddressesTracesAndFindsNothing)
{
    TraceApplication();
    char space[64];
    snprintf(space, sizeof space, "Space=%p, Size=%x", static_cast<void*>(Application.ThunkSpace),
             myThunkSpaceBytes);
    struct Case {
        const void* Address;
        const char* Diagnosis;
    };
    const Case cases[] = {
        {Application.ThunkSpace + 14, "ControlByThunk not aligned"},
        {Application.ThunkSpace - 1, "ControlByThunk not found"},
        {Application.ThunkSpace + myThunkSlotCount * myThunkSlotBytes, "ControlByThunk not found"},
        {reinterpret_cast<const void*>(&DefWindowProcA), "ControlByThunk not found"},
    };
    for (const Case& item : cases) {
        DebugCapture capture;
        EXPECT_EQ(nullptr, ControlByThunk(item.Address));
        ASSERT_EQ(1u, capture.Texts().size());
        char expected[160];
        snprintf(expected, sizeof expected, "\t%s, thunk=%p, %s\r\n", item.Diagnosis, item.Address, space);
        const std::string& line = capture.Texts()[0];
        EXPECT_EQ(strlen(expected), line.size() - line.rfind('\t')) << line;
        EXPECT_NE(std::string::npos, line.find(expected)) << line;
    }
}

TEST_F(ThunkSpace, ReleasedThunkReportsTheCallAndAnswersZero)
{
    void* thunk = Alloc(0x00A1B2C0);
    FreeThunk(thunk);
    EXPECT_EQ(FakeObject(0x00A1B2C0), ControlByThunk(thunk)) << "a released slot still names its last object";
    DebugCapture capture;
    LRESULT result = CallWindowProcA(AsWindowProc(thunk), nullptr, WM_TIMER, 1, 0);
    EXPECT_EQ(0, result);
    EXPECT_TRUE(targetCalls.empty());
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_EQ("Message 113 to non-existing control a1b2c0\r\n", capture.Texts()[0]);
}

TEST_F(ThunkSpace, SecondReleaseTracesOnceAndChangesNothing)
{
    TraceApplication();
    void* first = Alloc(0x7000);
    void* second = Alloc(0x8000);
    FreeThunk(first);
    DebugCapture capture;
    FreeThunk(first);
    ASSERT_EQ(1u, capture.Texts().size());
    EXPECT_TRUE(AnyTextContains(capture, "\tTrying to free nonexisting WNDPROC thunk\r\n"));
    EXPECT_FALSE(Application.ThunkSlots.Contains(SlotOf(first)));
    EXPECT_TRUE(Application.ThunkSlots.Contains(SlotOf(second)));
    EXPECT_EQ(first, Alloc(0x9000));
}

TEST_F(ThunkSpace, ReleaseOfAnAddressInsideASlotLeavesTheSlotBound)
{
    unsigned char* thunk = static_cast<unsigned char*>(Alloc(0xA000));
    unsigned char before[myThunkSlotBytes];
    memcpy(before, thunk, sizeof before);
    FreeThunk(thunk + 1);
    FreeThunk(nullptr);
    EXPECT_TRUE(Application.ThunkSlots.Contains(SlotOf(thunk)));
    EXPECT_EQ(0, memcmp(before, thunk, sizeof before));
    EXPECT_EQ(targetAnswer, CallWindowProcA(AsWindowProc(thunk), nullptr, WM_USER, 0, 0));
}

// A control that records its timer calls.
class TimerRecorder : public TmyControl {
public:
    TimerRecorder() : TmyControl(nullptr, 0, 0, 10, 10) {}
    void Timer(UINT_PTR id) override { ids.push_back(id); }
    std::vector<UINT_PTR> ids;
};

// A component that records the messages its window procedure receives.
class MessageRecorder : public TmyComponent {
public:
    MessageRecorder() : TmyComponent("recorder", WS_POPUP, 0, 0, 0, 40, 30, nullptr) {}
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        return TmyComponent::WndProc(message, wParam, lParam);
    }
    std::vector<UINT> messages;
};

// The x86 thunk's bytes for given addresses, checked in both word sizes so
// the 32-bit layout stays tested where 32-bit code cannot run.
TEST(X86ThunkLayout, BytesStoreTheObjectAndJumpRelativeToTheSlotEnd)
{
    struct Case {
        uint32_t slot, object, target;
        unsigned char bytes[myX86ThunkBytes];
    };
    const Case cases[] = {
        // target above the slot
        {0x10000000, 0x12345678, 0x10002000,
         {0xC7, 0x44, 0x24, 0x04, 0x78, 0x56, 0x34, 0x12, 0xE9, 0xF3, 0x1F, 0x00, 0x00}},
        // target below the slot: negative distance
        {0x00410000, 0x00A1B2C0, 0x00401000,
         {0xC7, 0x44, 0x24, 0x04, 0xC0, 0xB2, 0xA1, 0x00, 0xE9, 0xF3, 0x0F, 0xFF, 0xFF}},
        // slot near the top of the address space, target near the bottom
        {0xFFFF0000, 0xFEDCBA98, 0x00001000,
         {0xC7, 0x44, 0x24, 0x04, 0x98, 0xBA, 0xDC, 0xFE, 0xE9, 0xF3, 0x0F, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        unsigned char bytes[myX86ThunkBytes + 1];
        memset(bytes, 0xAA, sizeof bytes);
        WriteX86Thunk(bytes, c.slot, c.object, c.target);
        EXPECT_EQ(0, memcmp(c.bytes, bytes, myX86ThunkBytes)) << std::hex << "slot " << c.slot;
        EXPECT_EQ(0xAA, bytes[myX86ThunkBytes]) << "writes past the thunk";
    }
}

TEST(ThunkTargets, TimerThunkCallsTheControlsTimer)
{
    TimerRecorder control;
    void* thunk = AllocThunk(myTimerTarget(), &control);
    ASSERT_NE(nullptr, thunk);
    reinterpret_cast<TIMERPROC>(thunk)(nullptr, WM_TIMER, 42, 0);
    FreeThunk(thunk);
    ASSERT_EQ(1u, control.ids.size());
    EXPECT_EQ(42u, control.ids[0]);
}

TEST(ThunkTargets, ComponentWindowProcedureIsItsThunk)
{
    auto* component = new MessageRecorder;
    HWND window = component->GetWindow();
    void* thunk = reinterpret_cast<void*>(component->GetWindowThunk());
    EXPECT_NE(nullptr, window);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(thunk), GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_EQ(static_cast<void*>(component), ControlByThunk(thunk));
    SendMessageA(window, WM_USER + 5, 0, 0);
    EXPECT_EQ(std::vector<UINT>{WM_USER + 5}, component->messages);

    delete component;
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(Application.ThunkSlots.Contains(SlotOf(thunk)));
}

TEST(ApplicationThunkReport, OneThunkLeftAtExitIsNamedOnce)
{
    std::string output = RunHost("framework_apphost.exe", "/l leak");
    size_t bound = output.find("bound=");
    ASSERT_NE(std::string::npos, bound) << output;
    std::string object = output.substr(bound + 6, output.find('\n', bound) - bound - 6);
    std::string line = "\tUndeleted thunk control: " + object + "\r\n";
    size_t first = output.find(line);
    EXPECT_NE(std::string::npos, first) << output;
    EXPECT_EQ(first, output.rfind("Undeleted thunk control") - 1);
    EXPECT_NE(std::string::npos, output.find("Max. thunk index: 2 / 5041\r\n"));
}

TEST(ApplicationThunkReport, NoThunkLeftAtExitPrintsNoLine)
{
    std::string output = RunHost("framework_apphost.exe", "/l clean");
    EXPECT_NE(std::string::npos, output.find("Max. thunk index: 2 / 5041\r\n")) << output;
    EXPECT_EQ(std::string::npos, output.find("Undeleted thunk control"));
}

}  // namespace
