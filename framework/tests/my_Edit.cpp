#include "my_Edit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "myPanelTest.h"
#include "myTestGraveyard.h"
#include "myTestInput.h"

namespace {

// Left aligned, vertically centred text (the grid editor's alignment).
constexpr unsigned leftMiddle = AlignTextLeft | AlignTextMiddle;

// Replaces the clipboard's content with one format.
void PutClipboard(HWND window, UINT format, const void* bytes, size_t size)
{
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    SetClipboardData(format, memory);
    CloseClipboard();
}
void PutClipboardText(HWND window, const char* text)
{
    PutClipboard(window, CF_TEXT, text, std::strlen(text) + 1);
}
void PutClipboardWide(HWND window, const wchar_t* text)
{
    PutClipboard(window, CF_UNICODETEXT, text, (std::wcslen(text) + 1) * sizeof(wchar_t));
}
// The clipboard's data in format as bytes up to the terminator ("" when none).
std::string ClipboardBytes(UINT format)
{
    std::string bytes;
    if (!OpenClipboard(nullptr))
        return bytes;
    if (HANDLE data = GetClipboardData(format)) {
        const char* text = static_cast<const char*>(GlobalLock(data));
        if (format == CF_UNICODETEXT)
            bytes.assign(text, std::wcslen(reinterpret_cast<const wchar_t*>(text)) * sizeof(wchar_t));
        else
            bytes.assign(text);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes;
}
std::string WideBytes(const wchar_t* text)
{
    return std::string(reinterpret_cast<const char*>(text), std::wcslen(text) * sizeof(wchar_t));
}

struct Recorder : TmyEventLog {
    int Changed(Tmy_Edit* edit) { Add(std::string("change ") + edit->GetText().c_str()); return 0; }
};

// A focused field of 200 x 24 at (10, 10) of a shown host.
class EditTest : public ::testing::Test {
protected:
    EditTest()
    {
        Edit->OnChange.Set(&Events, &Recorder::Changed);
        SetForegroundWindow(Window());
        Edit->SetFocus();
        PumpPending();
    }
    ~EditTest() override
    {
        delete Host;
        PumpPending();
    }
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c)
            SendMessageA(Window(), WM_CHAR, static_cast<unsigned char>(*c), 0);
    }
    void Key(unsigned key) { SendMessageA(Window(), WM_KEYDOWN, key, 0); }
    // Left button messages at the field's x through the host window.
    void Mouse(UINT message, WPARAM keys, int x) { SendMessageA(Window(), message, keys, MAKELPARAM(10 + x, 20)); }
    void Click(int x)
    {
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x);
        Mouse(WM_LBUTTONUP, 0, x);
    }
    std::string Text() const { return Edit->GetText().c_str(); }
    HWND Window() const { return Host->GetWindow(); }

    TmyTestHost* Host = new TmyTestHost(300, 100, RGB(40, 40, 40));
    Tmy_Edit* Edit = new Tmy_Edit(Host, 10, 10, 200, 24, leftMiddle);
    Recorder Events;
};

// ---- Typing and keys -------------------------------------------------------------

TEST_F(EditTest, TypedCharactersGoInAtTheCaretAndControlCodesNot)
{
    Type("abc\x01\r\x1b");
    Key(VK_LEFT);
    Key(VK_LEFT);
    Type("X");
    EXPECT_EQ("aXbc", Text());
    EXPECT_EQ(2, Edit->GetCaret());
    EXPECT_EQ((std::vector<std::string>{"change a", "change ab", "change abc", "change aXbc"}), Events.Entries);
    EXPECT_EQ(94, GetTypeId(Edit));
}

TEST_F(EditTest, ShiftExtendsTheSelectionAndTypingReplacesIt)
{
    Edit->SetText("hello");
    Key(VK_END);
    {
        TmyKeyHeld shift(Window(), VK_SHIFT);
        ASSERT_TRUE(shift.Active());
        Key(VK_LEFT);
        Key(VK_LEFT);
        EXPECT_EQ(3, Edit->GetCaret());
        EXPECT_EQ(5, Edit->GetAnchor());
    }
    Type("p!");
    EXPECT_EQ("help!", Text());
    Key(VK_HOME);
    EXPECT_EQ(0, Edit->GetCaret());
    EXPECT_EQ(0, Edit->GetAnchor());
}

TEST_F(EditTest, BackspaceAndDeleteRemoveOneCharacterOrTheSelection)
{
    Edit->SetText("abcd");
    Events.Entries.clear();
    Key(VK_BACK);
    EXPECT_EQ("abcd", Text());
    EXPECT_TRUE(Events.Entries.empty());
    Key(VK_DELETE);
    EXPECT_EQ("bcd", Text());
    Key(VK_END);
    Key(VK_BACK);
    EXPECT_EQ("bc", Text());
    Key(VK_DELETE);
    EXPECT_EQ("bc", Text());
    Edit->SetCaret(0, 2);
    Key(VK_DELETE);
    EXPECT_EQ("", Text());
}

TEST_F(EditTest, LongTextScrollsSoThatTheCaretStaysInTheFrame)
{
    Type("The quick brown fox jumps over the lazy dog again and again");
    const RECT area = Edit->GetClientArea();
    EXPECT_LT(Edit->GetTextOffset(), 0);
    EXPECT_LE(Edit->CharacterX(Edit->GetCaret()), area.right - 1);
    Key(VK_HOME);
    EXPECT_EQ(0, Edit->GetTextOffset());
    EXPECT_EQ(area.left, Edit->CharacterX(0));
}

TEST_F(EditTest, ReadOnlyFieldTakesNoTextAndNoTabStop)
{
    Edit->SetText("fixed");
    Edit->SetReadOnly(1);
    Type("x");
    Key(VK_BACK);
    Host->RouteText(TmyWideString(L"\u304B"));
    EXPECT_EQ("fixed", Text());
    EXPECT_EQ(0u, Edit->GetComposition().Length());
    EXPECT_FALSE(Edit->HasState(StateTabStop));
    Edit->SetReadOnly(0);
    EXPECT_TRUE(Edit->HasState(StateTabStop));
}

TEST_F(EditTest, SetTextFiresOnlyForNewContentAndResetsTheCaret)
{
    Edit->SetText("one");
    Key(VK_END);
    Edit->SetText("one");
    EXPECT_EQ(3, Edit->GetCaret());
    Edit->SetText("two");
    EXPECT_EQ(0, Edit->GetCaret());
    EXPECT_EQ((std::vector<std::string>{"change one", "change two"}), Events.Entries);
}

TEST_F(EditTest, HighByteIsTypedAsItsCodePageCharacter)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "needs code page 1252";
    Type("caf\xE9");
    EXPECT_TRUE(Edit->GetWideText() == TmyWideString(L"caf\u00E9"));
}

// ---- Limits and filter ------------------------------------------------------------

TEST_F(EditTest, PasteIntoAFieldWithMaximumLengthFiveHoldingFourInsertsOne)
{
    Edit->SetMaxLength(5);
    Edit->SetText("abcd");
    Key(VK_END);
    PutClipboardText(Window(), "xyz");
    EXPECT_EQ(1, Edit->Paste());
    EXPECT_EQ("abcdx", Text());
    Events.Entries.clear();
    Type("q");
    EXPECT_EQ("abcdx", Text());
    EXPECT_TRUE(Events.Entries.empty());
}

TEST_F(EditTest, FileNameFilterDropsForbiddenCharactersTypedOrPasted)
{
    Edit->SetFileNameFilter(1);
    Type("a:b");
    EXPECT_EQ("ab", Text());
    PutClipboardText(Window(), "<c*d?e|\\f\"g/h>\r\n");
    Edit->Paste();
    EXPECT_EQ("abcdefgh", Text());
}

// ---- Clipboard ----------------------------------------------------------------------

TEST_F(EditTest, CtrlCPlacesTheSelectionAsUnicodeAndAnsiText)
{
    PutClipboardWide(Window(), L"x\u03A9yz");
    Edit->Paste();
    Edit->SetCaret(1, 3);
    {
        TmyKeyHeld ctrl(Window(), VK_CONTROL);
        ASSERT_TRUE(ctrl.Active());
        Key('C');
    }
    EXPECT_EQ(WideBytes(L"\u03A9y"), ClipboardBytes(CF_UNICODETEXT));
    EXPECT_EQ(TmyString(TmyWideString(L"\u03A9y")).c_str(), ClipboardBytes(CF_TEXT));
    Key(VK_END);
    TmyKeyHeld ctrl(Window(), VK_CONTROL);
    Key('V');
    EXPECT_TRUE(Edit->GetWideText() == TmyWideString(L"x\u03A9yz\u03A9y"));
}

TEST_F(EditTest, AnsiClipboardTextPastesAndAnEmptySelectionCopiesNothing)
{
    PutClipboardText(Window(), "keep");
    Edit->Paste();
    EXPECT_EQ("keep", Text());
    EXPECT_EQ(0, Edit->Copy());
    EXPECT_EQ("keep", ClipboardBytes(CF_TEXT));
}

// Without a selection there is nothing to copy: the character after the caret goes.
TEST_F(EditTest, ShiftDeleteCutsTheSelectionOrDeletesForward)
{
    Edit->SetText("scissors");
    Edit->SetCaret(3, 0);
    TmyKeyHeld shift(Window(), VK_SHIFT);
    Key(VK_DELETE);
    EXPECT_EQ("ssors", Text());
    EXPECT_EQ("sci", ClipboardBytes(CF_TEXT));
    Key(VK_DELETE);
    EXPECT_EQ("sors", Text());
    EXPECT_EQ("sci", ClipboardBytes(CF_TEXT));
}

// Each case arms a handler that deletes a second field and drives that
// field's own slots until it ran; the field must touch nothing of itself afterwards.
TEST_F(EditTest, HandlersThatDeleteTheirFieldLeaveItUntouched)
{
    using Field = TmyPoisoned<Tmy_Edit>;
    using Deleter = TmySelfDeleter;
    ExpectUntouchedAfterSelfDelete<Field>(
        [&] { return new Field(Host, 10, 50, 200, 24, leftMiddle); }, {
        {"OnChange of SetText",
         [](Field* f, Deleter* d) {
             f->OnChange.Set(d, &Deleter::Delete<Tmy_Edit*>);
             f->SetText("gone");
         }},
        {"OnMouseDown",
         [](Field* f, Deleter* d) {
             f->OnMouseDown.Set(d, &Deleter::Delete<TmyControl*, unsigned, int, int>);
             f->LeftButtonDown(MK_LBUTTON, 5, 5);
         }},
        {"OnMouseMove",
         [](Field* f, Deleter* d) {
             f->OnMouseMove.Set(d, &Deleter::Delete<TmyControl*, unsigned, int, int>);
             f->MouseMoved(MK_LBUTTON, 5, 5);
         }},
        {"OnDoubleClick",
         [](Field* f, Deleter* d) {
             f->OnDoubleClick.Set(d, &Deleter::Delete<TmyControl*, int, int>);
             f->DoubleClick(5, 5);
         }},
        {"OnChar",
         [](Field* f, Deleter* d) {
             f->OnChar.Set(d, &Deleter::Delete<TmyControl*, WPARAM*, unsigned>);
             WPARAM character = 'a';
             f->CharInput(&character, 0);
         }},
        {"OnFocusChange",
         [](Field* f, Deleter* d) {
             f->OnFocusChange.Set(d, &Deleter::Delete<TmyControl*, int>);
             f->FocusChanged(1);
         }},
    });
}

// ---- Composition, mouse and label --------------------------------------------------

TEST_F(EditTest, CompositionArrivesThroughTheTextRoutingAndEndsWithATypedCharacter)
{
    Edit->SetText("ab");
    Host->RouteText(TmyWideString(L"\u3042\u3044"));
    EXPECT_TRUE(Edit->DisplayText() == TmyWideString(L"ab\u3042\u3044"));
    Key(VK_DELETE);
    Key(VK_BACK);
    EXPECT_EQ("b", Text());   // Back waits for the composition
    Type("c");
    EXPECT_EQ(0u, Edit->GetComposition().Length());
    EXPECT_EQ("cb", Text());
}

TEST_F(EditTest, PressPutsTheCaretAtTheNearestBoundaryDragAndDoubleClickSelect)
{
    Edit->SetText("abcdef");
    Click(Edit->CharacterX(2) + 1);
    EXPECT_EQ(2, Edit->GetCaret());
    Click(Edit->CharacterX(5) - 1);
    EXPECT_EQ(5, Edit->GetCaret());
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, Edit->CharacterX(1));
    Mouse(WM_MOUSEMOVE, MK_LBUTTON, Edit->CharacterX(5));
    EXPECT_EQ(5, Edit->GetCaret());
    EXPECT_EQ(1, Edit->GetAnchor());
    Mouse(WM_LBUTTONUP, 0, Edit->CharacterX(5));
    Click(20);
    Click(20);
    EXPECT_EQ(6, Edit->GetCaret());
    EXPECT_EQ(0, Edit->GetAnchor());
}

TEST_F(EditTest, LabelMovesTheTextRightByItsWidthAndAGap)
{
    const int plain = Edit->CharacterX(0);
    Edit->SetLabel("Name:");
    EXPECT_EQ(plain + Edit->MeasureText("Name:").cx + 2, Edit->CharacterX(0));
    Edit->SetLabel("");
    EXPECT_EQ(plain, Edit->CharacterX(0));
}

// ---- Painting -----------------------------------------------------------------------

TEST_F(EditTest, PasswordFieldPaintsLikeAFieldShowingItsCharacters)
{
    Edit->SetText("abcd");
    Edit->SetPasswordChar('*');
    Tmy_Edit masked(Host, 10, 40, 200, 24, leftMiddle);
    masked.SetText("****");
    Tmy_Edit clear(Host, 10, 70, 200, 24, leftMiddle);
    clear.SetText("abcd");
    Host->SetFocusPath(nullptr);
    TmyTestCanvas canvas(300, 100);
    RenderWindow(Window(), canvas);
    int sameAsMasked = 0;
    int sameAsClear = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 200; ++x) {
            sameAsMasked += canvas.Pixel(10 + x, 10 + y) == canvas.Pixel(10 + x, 40 + y);
            sameAsClear += canvas.Pixel(10 + x, 10 + y) == canvas.Pixel(10 + x, 70 + y);
        }
    EXPECT_EQ(200 * 24, sameAsMasked);
    EXPECT_LT(sameAsClear, 200 * 24);
}

TEST_F(EditTest, FocusedFieldShowsTheCaretInTheTextColourAndReadOnlyNone)
{
    const int x = 10 + Edit->CharacterX(0);
    const COLORREF text = Edit->GetProperty(PropTextColor);
    TmyTestCanvas canvas(300, 100);
    // The caret blinks: one of the renders within a few periods shows it.
    EXPECT_TRUE(PumpUntil(
        [&] {
            RenderWindow(Window(), canvas);
            return canvas.Pixel(x, 22) == text;
        },
        3000));
    Edit->SetReadOnly(1);
    RenderWindow(Window(), canvas);
    EXPECT_EQ(static_cast<COLORREF>(Edit->GetProperty(PropFieldColor)), canvas.Pixel(x, 22));
}

}  // namespace
