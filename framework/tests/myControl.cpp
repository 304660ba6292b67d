#include "myControl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "myComponents.h"
#include "myTestInput.h"
#include "myThunks.h"

namespace {

// Records the events of the controls it watches as lines "<name> <event> <args>".
class Recorder : public TmyObject {
public:
    std::vector<std::string> Log;
    int PassWheelOn = 1;
    int WheelResult = 0;

    void Watch(TmyControl* control, const char* name)
    {
        Names[control] = name;
        control->OnDestroy.Set(this, &Recorder::Destroyed);
        control->OnTimer.Set(this, &Recorder::TimerFired);
        control->OnDoubleClick.Set(this, &Recorder::DoubleClicked);
        control->OnMouseDown.Set(this, &Recorder::MouseDown);
        control->OnMouseUp.Set(this, &Recorder::MouseUp);
        control->OnMouseMove.Set(this, &Recorder::MouseMove);
        control->OnRightMouseDown.Set(this, &Recorder::RightDown);
        control->OnKeyDown.Set(this, &Recorder::KeyDown);
        control->OnChar.Set(this, &Recorder::Char);
        control->OnKeyPreview.Set(this, &Recorder::Preview);
        control->OnFocusChange.Set(this, &Recorder::Focus);
        control->OnMouseWheel.Set(this, &Recorder::Wheel);
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> lines;
        lines.swap(Log);
        return lines;
    }

    int Destroyed(TmyControl* s) { return Add(s, "destroy"); }
    int TimerFired(TmyControl* s, UINT_PTR id) { return Add(s, "timer %u", static_cast<unsigned>(id)); }
    int DoubleClicked(TmyControl* s, int x, int y) { return Add(s, "double %d,%d", x, y) + 7; }
    int MouseDown(TmyControl* s, unsigned, int x, int y) { return Add(s, "down %d,%d", x, y); }
    int MouseUp(TmyControl* s, unsigned, int x, int y) { return Add(s, "up %d,%d", x, y); }
    int MouseMove(TmyControl* s, unsigned, int x, int y) { return Add(s, "move %d,%d", x, y); }
    int RightDown(TmyControl* s, unsigned, int x, int y) { return Add(s, "rdown %d,%d", x, y) + 3; }
    int KeyDown(TmyControl* s, unsigned key, unsigned) { return Add(s, "key %u", key); }
    int Char(TmyControl* s, WPARAM* c, unsigned) { return Add(s, "char %c", static_cast<char>(*c)); }
    int Preview(TmyControl* s, unsigned* key, unsigned) { return Add(s, "preview %u", *key); }
    int Focus(TmyControl* s, int gained) { return Add(s, "focus %d", gained); }
    int Wheel(TmyControl* s, int notches, unsigned keys, int* passOn)
    {
        *passOn = PassWheelOn;
        Add(s, "wheel %d %u", notches, keys);
        return WheelResult;
    }

private:
    std::map<const TmyControl*, std::string> Names;

    int Add(const TmyControl* s, const char* format, int a = 0, int b = 0)
    {
        char text[64];
        std::snprintf(text, sizeof text, format, a, b);
        Log.push_back(Names[s] + " " + text);
        return 0;
    }
};

// Handlers that delete the control that fired the event, as a close button does.
class Deleter : public TmyObject {
public:
    int Mouse(TmyControl* sender, unsigned, int, int) { return Delete(sender); }
    int Key(TmyControl* sender, unsigned, unsigned) { return Delete(sender); }
    int Wheel(TmyControl* sender, int, unsigned, int*) { return Delete(sender); }
    // Deletes on the second release: the one that completes a double click.
    int SecondUp(TmyControl* sender, unsigned, int, int) { return ++Ups == 2 ? Delete(sender) : 0; }

private:
    int Ups = 0;
    static int Delete(TmyControl* sender)
    {
        delete sender;
        return 0;
    }
};

// A control that shows its protected state and notes the virtual calls tests look for.
class Probe : public TmyControl {
public:
    Probe(TmyControl* parent, int x, int y, int width, int height) : TmyControl(parent, x, y, width, height) {}

    std::vector<std::string> Calls;
    int StateChanges = 0;
    TmyWideString Text;

    void* GetTimerThunk() const { return TimerThunk; }
    TmyControl* GetPressedChild() const { return PressedChild; }
    TmyControl* GetStyleOwner() const { return StyleOwner; }

    void StateChanged() override { ++StateChanges; }
    void TextInput(const TmyWideString& text) override { Text = text; }
    void ControlMessage(unsigned code, WPARAM parameter) override
    {
        Calls.push_back("message " + std::to_string(code) + " " + std::to_string(parameter));
    }
    void SetProperty(int index, int32_t value) override
    {
        Calls.push_back("property " + std::to_string(index));
        TmyControl::SetProperty(index, value);
    }
    void SetBackColor(COLORREF c) override { Note("back", c); TmyControl::SetBackColor(c); }
    void SetFieldColor(COLORREF c) override { Note("field", c); TmyControl::SetFieldColor(c); }
    void SetForeColor(COLORREF c) override { Note("fore", c); TmyControl::SetForeColor(c); }
    void SetDisabledColor(COLORREF c) override { Note("disabled", c); TmyControl::SetDisabledColor(c); }
    void SetBorderWidth(int w) override { Note("width", w); TmyControl::SetBorderWidth(w); }
    void SetBorderStyle(int s) override { Note("style", s); TmyControl::SetBorderStyle(s); }
    void SetBorderIntensity(int i) override { Note("intensity", i); TmyControl::SetBorderIntensity(i); }

private:
    void Note(const char* setter, uint32_t value) { Calls.push_back(std::string(setter) + " " + std::to_string(value)); }
};

// Dispatches this thread's messages until done() holds; false when 5 s pass first.
bool PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 5000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

using Lines = std::vector<std::string>;

// ---- Style table -------------------------------------------------------------

class StyleTableTest : public ::testing::Test {
protected:
    std::unique_ptr<Probe> root = std::make_unique<Probe>(nullptr, 0, 0, 200, 100);
};

TEST_F(StyleTableTest, ChildrenSeeParentValuesOnlyFromTheirConstruction)
{
    Probe* before = new Probe(root.get(), 0, 0, 10, 10);
    root->SetForeColor(0x123456);
    Probe* after = new Probe(root.get(), 0, 0, 10, 10);
    EXPECT_EQ(0xFFFFFF, before->GetProperty(PropTextColor));
    EXPECT_EQ(0x123456, after->GetProperty(PropTextColor));
    EXPECT_EQ(0x123456, root->GetProperty(PropTextColor));
    EXPECT_NE(before->GetStyleTable(), root->GetStyleTable());
    EXPECT_EQ(after->GetStyleTable(), root->GetStyleTable());
    EXPECT_EQ(after, after->GetStyleOwner());
}

TEST_F(StyleTableTest, SettingTheCurrentValueCopiesNothingAndNotifiesNoOne)
{
    Probe* child = new Probe(root.get(), 0, 0, 10, 10);
    TmyStyleTable* shared = root->GetStyleTable();
    child->Calls.clear();
    child->SetProperty(PropBackColor, 0x636363);
    EXPECT_EQ(shared, child->GetStyleTable());
    EXPECT_EQ(2u, shared->Sharers.Count());
    EXPECT_EQ(Lines{"property 0"}, child->Calls);
}

TEST_F(StyleTableTest, ChangeNotifiesTheChangersOverridesThroughItsNewTable)
{
    Probe* child = new Probe(root.get(), 0, 0, 10, 10);
    child->Calls.clear();
    child->SetProperty(PropTextColor, 0x123456);
    EXPECT_EQ((Lines{"property 2", "property 2", "fore 1193046", "property 2"}), child->Calls);
    EXPECT_EQ(1u, child->GetStyleTable()->Sharers.Count());
    EXPECT_EQ(1u, root->GetStyleTable()->Sharers.Count());
    EXPECT_EQ(0xFFFFFF, root->GetProperty(PropTextColor));
}

TEST_F(StyleTableTest, OnlyPutGrowsTheTable)
{
    root->SetProperty(myStylePropertyCount, 5);
    EXPECT_EQ(myStylePropertyCount, root->GetStyleTable()->Count);
    EXPECT_EQ(0, root->GetProperty(myStylePropertyCount));
    TmyStyleTable table;
    table.Put(12, 77);
    EXPECT_GE(table.Count, 13u);
    EXPECT_EQ(77, table.Get(12));
    EXPECT_EQ(0, table.Get(10));
    EXPECT_EQ(0x888888, table.Get(PropDisabledTextColor));
}

TEST_F(StyleTableTest, AdoptionByCopyTakesValuesWithoutChangingRelatives)
{
    Probe other(nullptr, 0, 0, 10, 10);
    other.SetBackColor(0x010203);
    other.SetBorderStyle(4);
    Probe* child = new Probe(root.get(), 0, 0, 10, 10);
    child->Calls.clear();
    child->AdoptStyleCopy(&other);
    EXPECT_EQ(0x010203, child->GetProperty(PropBackColor));
    EXPECT_EQ(4, child->GetProperty(PropBorderStyle));
    EXPECT_NE(other.GetStyleTable(), child->GetStyleTable());
    EXPECT_NE(root->GetStyleTable(), child->GetStyleTable());
    EXPECT_EQ(0x636363, root->GetProperty(PropBackColor));
    const Lines order{"width 3",    "property 4", "style 4",  "property 5",   "field 0",
                      "property 1", "back 66051", "property 0", "disabled 8947848", "property 3",
                      "fore 16777215", "property 2", "intensity 100", "property 6", "property -1"};
    EXPECT_EQ(order, child->Calls);
}

TEST_F(StyleTableTest, AdoptionByReferenceSharesUntilOneSharerChanges)
{
    auto other = std::make_unique<Probe>(nullptr, 0, 0, 10, 10);
    other->SetBackColor(0x010203);
    Probe* child = new Probe(root.get(), 0, 0, 10, 10);
    child->AdoptStyleReference(other.get());
    EXPECT_EQ(other->GetStyleTable(), child->GetStyleTable());
    EXPECT_EQ(2u, other->GetStyleTable()->Sharers.Count());
    EXPECT_EQ(1u, root->GetStyleTable()->Sharers.Count());
    other->SetBackColor(0x040506);
    EXPECT_EQ(0x010203, child->GetProperty(PropBackColor));
    other.reset();
    EXPECT_EQ(0x010203, child->GetProperty(PropBackColor));
}

// ---- Tree, state and lifecycle ---------------------------------------------------

class ControlTreeTest : public ::testing::Test {
protected:
    Recorder recorder;
    std::unique_ptr<Probe> root = std::make_unique<Probe>(nullptr, 0, 0, 200, 100);
    Probe* a = new Probe(root.get(), 10, 10, 50, 50);
    Probe* a1 = new Probe(a, 5, 5, 10, 10);
    Probe* b = new Probe(root.get(), 100, 10, 50, 50);

    void SetUp() override
    {
        recorder.Watch(root.get(), "root");
        recorder.Watch(a, "a");
        recorder.Watch(a1, "a1");
        recorder.Watch(b, "b");
    }
};

TEST_F(ControlTreeTest, ChildrenJoinTheListInOrderAndInheritParentState)
{
    EXPECT_EQ(a, root->FirstChildControl());
    EXPECT_EQ(b, a->NextSiblingControl());
    EXPECT_EQ(nullptr, b->NextSiblingControl());
    root->SetEnabled(0);
    root->SetFlat(1);
    Probe* late = new Probe(root.get(), 0, 0, 5, 5);
    EXPECT_TRUE(late->HasState(StateParentDisabled));
    EXPECT_TRUE(late->HasState(StateFlat));
    EXPECT_TRUE(late->HasState(StateKeyPreview));
    EXPECT_EQ(root->GetCursorShape(), late->GetCursorShape());
    EXPECT_EQ(root->ResolveFont(), late->ResolveFont());
}

TEST_F(ControlTreeTest, DisablingPropagatesAndOwnDisabledStateSurvivesReenabling)
{
    a1->SetEnabled(0);
    root->SetEnabled(0);
    EXPECT_FALSE(b->IsEnabled());
    EXPECT_TRUE(a->HasState(StateParentDisabled));
    EXPECT_EQ(1, b->StateChanges);
    root->SetEnabled(1);
    EXPECT_TRUE(a->IsEnabled());
    EXPECT_TRUE(b->IsEnabled());
    EXPECT_FALSE(a1->IsEnabled());
    EXPECT_FALSE(a1->HasState(StateParentDisabled));
    EXPECT_EQ(0, root->SetEnabled(1));
}

TEST_F(ControlTreeTest, DestructionDeletesChildrenFirstAndFiresOnDestroyOnce)
{
    const int alive = TmyControl::LiveCount();
    delete a;
    EXPECT_EQ(b, root->FirstChildControl());
    EXPECT_EQ((Lines{"a1 destroy", "a destroy"}), recorder.Take());
    EXPECT_EQ(alive - 2, TmyControl::LiveCount());
    root.reset();
    EXPECT_EQ((Lines{"b destroy", "root destroy"}), recorder.Take());
    EXPECT_EQ(alive - 4, TmyControl::LiveCount());
}

TEST_F(ControlTreeTest, DeletedPressedChildNoLongerReceivesTheDrag)
{
    root->MouseEvent(MouseCodeLeftDown, 0, 20, 20);
    EXPECT_EQ(a, root->GetPressedChild());
    delete a;
    recorder.Take();
    root->MouseEvent(MouseCodeMove, 0, 30, 30);
    root->MouseEvent(MouseCodeLeftUp, 0, 30, 30);
    EXPECT_EQ((Lines{"root move 30,30", "root up 30,30"}), recorder.Take());
}

TEST_F(ControlTreeTest, WindowlessTimerFiresThroughItsThunkWhichDestructionReleases)
{
    const UINT_PTR id = a->StartTimer(10);
    ASSERT_NE(0u, id);
    void* thunk = a->GetTimerThunk();
    ASSERT_NE(nullptr, thunk);
    EXPECT_EQ(a, ControlByThunk(thunk));
    ASSERT_TRUE(PumpUntil([&] { return !recorder.Log.empty(); }));
    a->StopTimer(id);
    EXPECT_EQ("a timer " + std::to_string(id), recorder.Log.front());
    const UINT_PTR second = a->StartTimer(1000);
    EXPECT_EQ(thunk, a->GetTimerThunk());
    a->StopTimer(second);
    delete a;
    int object = 0;
    void* reused = AllocThunk(myTimerTarget(), &object);
    EXPECT_EQ(thunk, reused);
    FreeThunk(reused);
}

TEST_F(ControlTreeTest, DeletedControlsTimersDieWithIt)
{
    ASSERT_NE(0u, a->StartTimer(10));
    void* thunk = a->GetTimerThunk();
    delete a;
    // The next control that takes a timer thunk gets the same slot.
    const UINT_PTR own = b->StartTimer(100000);
    EXPECT_EQ(thunk, b->GetTimerThunk());
    recorder.Take();
    EXPECT_FALSE(::PumpUntil([&] { return !recorder.Log.empty(); }, 300)) << recorder.Log.front();
    b->StopTimer(own);
}

// ---- Mouse routing ---------------------------------------------------------------

class MouseRoutingTest : public ControlTreeTest {
protected:
    // Overlaps a in the square (40..60, 40..60) of the root.
    Probe* c = new Probe(root.get(), 40, 40, 40, 40);

    void SetUp() override
    {
        ControlTreeTest::SetUp();
        recorder.Watch(c, "c");
        // The first press would otherwise focus the root.
        root->SetFocus();
        recorder.Take();
    }
    void Click(int x, int y)
    {
        root->MouseEvent(MouseCodeLeftDown, MK_LBUTTON, x, y);
        root->MouseEvent(MouseCodeLeftUp, 0, x, y);
    }
};

TEST_F(MouseRoutingTest, EarlierSiblingTakesClicksInTheOverlap)
{
    Click(45, 45);
    Click(70, 70);
    EXPECT_EQ((Lines{"a down 35,35", "a up 35,35", "c down 30,30", "c up 30,30"}), recorder.Take());
}

TEST_F(MouseRoutingTest, RightAndBottomEdgesAreOutside)
{
    Click(60, 20);
    Click(20, 60);
    EXPECT_EQ((Lines{"root down 60,20", "root up 60,20", "root down 20,60", "root up 20,60"}), recorder.Take());
}

TEST_F(MouseRoutingTest, DragEndingOutsideStaysWithThePressedChild)
{
    root->MouseEvent(MouseCodeLeftDown, MK_LBUTTON, 12, 12);
    root->MouseEvent(MouseCodeMove, MK_LBUTTON, 5, 3);
    root->MouseEvent(MouseCodeLeftUp, 0, 150, 2);
    root->MouseEvent(MouseCodeMove, 0, 5, 3);
    EXPECT_EQ((Lines{"a down 2,2", "a move -5,-7", "a up 140,-8", "root move 5,3"}), recorder.Take());
    EXPECT_EQ(nullptr, root->GetPressedChild());
}

TEST_F(MouseRoutingTest, DisabledAndHiddenChildrenAreNotHit)
{
    a->SetEnabled(0);
    b->SetState(StateHidden, 1);
    Click(20, 20);
    Click(110, 20);
    EXPECT_EQ((Lines{"root down 20,20", "root up 20,20", "root down 110,20", "root up 110,20"}), recorder.Take());
}

TEST_F(MouseRoutingTest, DeepHitTestFindsTheInnermostControl)
{
    EXPECT_EQ(a, root->HitTest(16, 16, 0));
    EXPECT_EQ(a1, root->HitTest(16, 16, 1));
    EXPECT_EQ(a, root->HitTest(30, 30, 1));
    EXPECT_EQ(nullptr, root->HitTest(5, 5, 1));
}

TEST_F(MouseRoutingTest, SecondClickCloseByIsADoubleClickAndSoIsTheThird)
{
    Click(130, 30);
    Click(131, 30);
    root->MouseEvent(MouseCodeLeftDown, MK_LBUTTON, 131, 31);
    EXPECT_EQ(7, root->MouseEvent(MouseCodeLeftUp, 0, 131, 31));
    EXPECT_EQ((Lines{"b down 30,20", "b up 30,20", "b down 31,20", "b up 31,20", "b double 31,20", "b down 31,21",
                     "b up 31,21", "b double 31,21"}),
              recorder.Take());
}

TEST_F(MouseRoutingTest, ClicksFarApartAreNoDoubleClick)
{
    const int distance = GetSystemMetrics(SM_CXDOUBLECLK);
    Click(101, 30);
    Click(101 + distance, 30);
    for (const std::string& line : recorder.Take())
        EXPECT_EQ(std::string::npos, line.find("double")) << line;
}

TEST_F(MouseRoutingTest, RightPressFiresMouseDownThenRightMouseDown)
{
    EXPECT_EQ(3, root->MouseEvent(MouseCodeRightDown, MK_RBUTTON, 110, 20));
    EXPECT_EQ((Lines{"b down 10,10", "b rdown 10,10"}), recorder.Take());
    EXPECT_EQ(nullptr, root->GetPressedChild());
}

TEST_F(MouseRoutingTest, LeftPressFocusesTheNearestTabStopAbove)
{
    a->SetState(StateTabStop, 1);
    root->MouseEvent(MouseCodeLeftDown, MK_LBUTTON, 16, 16);
    EXPECT_EQ((Lines{"a focus 1", "a1 down 1,1"}), recorder.Take());
    EXPECT_TRUE(a->IsFocused());
    // A press on a tab stop whose child holds the focus pulls it back.
    a1->SetFocus();
    recorder.Take();
    root->MouseEvent(MouseCodeLeftUp, 0, 16, 16);
    root->MouseEvent(MouseCodeLeftDown, MK_LBUTTON, 16, 16);
    EXPECT_EQ((Lines{"a1 up 1,1", "a1 focus 0", "a focus 1", "a1 down 1,1"}), recorder.Take());
}

TEST_F(MouseRoutingTest, WheelRisesFromTheFocusedControlUntilAHandlerKeepsIt)
{
    const unsigned parameter = (static_cast<unsigned>(static_cast<uint16_t>(-2)) << 16) | MK_SHIFT;
    root->SetFocusPath(nullptr);
    recorder.Take();
    EXPECT_EQ(0, root->MouseEvent(MouseCodeWheel, parameter, 0, 0));
    EXPECT_TRUE(recorder.Take().empty());
    a1->SetFocus();
    recorder.Take();
    root->MouseEvent(MouseCodeWheel, parameter, 0, 0);
    EXPECT_EQ((Lines{"a1 wheel -2 4", "a wheel -2 4", "root wheel -2 4"}), recorder.Take());
    recorder.PassWheelOn = 0;
    recorder.WheelResult = 9;
    EXPECT_EQ(9, root->MouseEvent(MouseCodeWheel, parameter, 0, 0));
    EXPECT_EQ((Lines{"a1 wheel -2 4"}), recorder.Take());
}

// After a handler deleted its control, nothing more of that control runs:
// no double click, no right-button event, no key preview, no wheel pass-on.
TEST_F(MouseRoutingTest, HandlerDeletingItsControlEndsTheEventThere)
{
    Deleter deleter;
    Probe* e = new Probe(root.get(), 150, 60, 20, 20);
    recorder.Watch(e, "e");
    struct Case {
        const char* Name;
        std::function<void()> Arm;
        std::function<void()> Act;
    };
    const Case cases[] = {
        {"a1", [&] { a1->SetFocus(); a1->OnKeyDown.Set(&deleter, &Deleter::Key); },
         [&] { root->RouteKeyDown('K', 0); }},
        {"b", [&] { b->OnMouseUp.Set(&deleter, &Deleter::SecondUp); }, [&] { Click(130, 30); Click(131, 30); }},
        {"c", [&] { c->OnMouseDown.Set(&deleter, &Deleter::Mouse); },
         [&] { root->MouseEvent(MouseCodeRightDown, MK_RBUTTON, 70, 70); }},
        {"e", [&] { e->OnMouseUp.Set(&deleter, &Deleter::Mouse); },
         [&] { root->MouseEvent(MouseCodeRightUp, 0, 155, 65); }},
        {"a", [&] { a->SetFocus(); a->OnMouseWheel.Set(&deleter, &Deleter::Wheel); },
         [&] { root->MouseEvent(MouseCodeWheel, 1u << 16, 0, 0); }},
    };
    for (const Case& item : cases) {
        item.Arm();
        recorder.Take();
        item.Act();
        EXPECT_EQ(std::string(item.Name) + " destroy", recorder.Log.back()) << item.Name;
    }
}

// ---- Keyboard routing and Tab ----------------------------------------------------

class KeyboardRoutingTest : public ControlTreeTest {
protected:
    Probe* d = new Probe(root.get(), 160, 10, 20, 20);

    // Tab stops in tree order: a1 (inside a), b, d.
    void SetUp() override
    {
        ControlTreeTest::SetUp();
        recorder.Watch(d, "d");
        for (Probe* stop : {a1, b, d})
            stop->SetState(StateTabStop, 1);
    }
    // Sends a Tab along the focus path; returns the one "focus 1" line it caused.
    std::string Tab()
    {
        WPARAM character = myTab;
        root->RouteChar(&character, 0);
        EXPECT_EQ(0u, character);
        Lines gained;
        for (const std::string& line : recorder.Take()) {
            if (line.find("focus 1") != std::string::npos)
                gained.push_back(line);
        }
        return gained.size() == 1 ? gained.front() : "";
    }
    static constexpr WPARAM myTab = 9;
};

TEST_F(KeyboardRoutingTest, KeysFollowTheFocusPathAndTheRootPreviewsThem)
{
    a1->SetFocus();
    recorder.Take();
    EXPECT_TRUE(root->HasState(StateFocusPath));
    root->RouteKeyDown('K', 0);
    EXPECT_EQ((Lines{"a1 key 75", "a1 preview 75"}), recorder.Take());
    a1->SetKeyPreview(0);
    root->RouteKeyDown('K', 0);
    EXPECT_EQ((Lines{"a1 key 75"}), recorder.Take());
    root->RouteText(TmyWideString(L"\u00e9t\u00e9"));
    EXPECT_TRUE(TmyWideString(L"\u00e9t\u00e9") == a1->Text);
}

TEST_F(KeyboardRoutingTest, MovingTheFocusTellsTheOldControlFirst)
{
    a1->SetFocus();
    recorder.Take();
    b->SetFocus();
    EXPECT_EQ((Lines{"a1 focus 0", "b focus 1"}), recorder.Take());
    EXPECT_FALSE(a->HasState(StateFocusPath));
    EXPECT_TRUE(b->IsFocused());
}

TEST_F(KeyboardRoutingTest, TabWalksForwardAndWrapsToTheFirstStop)
{
    a1->SetFocus();
    recorder.Take();
    EXPECT_EQ("b focus 1", Tab());
    EXPECT_EQ("d focus 1", Tab());
    EXPECT_EQ("a1 focus 1", Tab());
}

TEST_F(KeyboardRoutingTest, ShiftTabWalksBackwardAndWrapsToTheLastStop)
{
    a1->SetFocus();
    recorder.Take();
    TmyKeyHeld shift(nullptr, VK_SHIFT);
    ASSERT_TRUE(shift.Active());
    EXPECT_EQ("d focus 1", Tab());
    EXPECT_EQ("b focus 1", Tab());
    EXPECT_EQ("a1 focus 1", Tab());
}

TEST_F(KeyboardRoutingTest, TabSkipsDisabledAndHiddenStops)
{
    b->SetFocus();
    a1->SetEnabled(0);
    d->SetState(StateHidden, 1);
    recorder.Take();
    EXPECT_EQ("b focus 1", Tab());
    EXPECT_TRUE(b->IsFocused());
}

TEST_F(KeyboardRoutingTest, TabNeverReachesCharInputOtherCharactersDo)
{
    b->SetFocus();
    recorder.Take();
    WPARAM character = myTab;
    EXPECT_EQ(1, root->RouteChar(&character, 0));
    character = 'x';
    root->RouteChar(&character, 0);
    character = 0;
    EXPECT_EQ(0, root->RouteChar(&character, 0));
    EXPECT_EQ((Lines{"b focus 0", "d focus 1", "d char x"}), recorder.Take());
}

// ---- Through a window ------------------------------------------------------------

TEST(ControlWindowTest, ControlMessageArrivesAtItsTarget)
{
    TmyComponent window("control messages", WS_POPUP, 0, 0, 0, 100, 100, nullptr);
    ASSERT_NE(nullptr, window.GetWindow());
    Probe* control = new Probe(&window, 10, 10, 20, 20);
    EXPECT_NE(0, control->PostControlMessage(control, 5, 77));
    EXPECT_EQ(0, control->PostControlMessage(control, 0x667, 1));
    EXPECT_TRUE(PumpUntil([&] { return !control->Calls.empty(); }));
    EXPECT_EQ((Lines{"message 5 77"}), control->Calls);
}

TEST(ControlWindowTest, FocusOnAWindowlessControlFocusesItsWindow)
{
    TmyComponent window("focus", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 100, nullptr);
    Probe* control = new Probe(&window, 10, 10, 20, 20);
    control->SetFocus();
    EXPECT_EQ(window.GetWindow(), GetFocus());
    EXPECT_TRUE(control->IsFocused());
    EXPECT_EQ(&window, control->GetRoot());
}

}  // namespace
