// Tmy_Edit: editing, caret and selection, keys and characters, clipboard,
// measuring and painting of the single-line text field.
#include "my_Edit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "myDrawing.h"

namespace {

constexpr int editTypeId = 94;
// Style table of a new field: room for the selection colour, a sunken
// 3-pixel border and a black field.
constexpr unsigned editStyleCount = PropSelectionColor + 1;
constexpr int editBorderWidth = 3;
constexpr int editBorderStyle = 3;
constexpr COLORREF editFieldColor = 0;
// Character advances a new field has room for.
constexpr unsigned initialAdvanceRoom = 12;
// Caret blink period, ms.
constexpr unsigned caretBlinkMs = 500;
// A label is separated from the text by this many pixels.
constexpr int labelGap = 2;
// Characters a file name cannot hold.
constexpr const char* fileNameForbidden = "\"*/:<>?\\|";
// Codes below this are control characters.
constexpr unsigned firstPrintable = 32;

bool IsForbiddenInFileName(unsigned character)
{
    return character != 0 && character < 128 && std::strchr(fileNameForbidden, static_cast<int>(character));
}

// The text without control characters and, with the filter, without the
// characters a file name cannot hold.
TmyWideString Filtered(const TmyWideString& text, bool fileNameFilter)
{
    std::vector<wchar_t> kept;
    for (unsigned i = 0; i < text.Length(); ++i) {
        const wchar_t c = text[i];
        if (c >= firstPrintable && !(fileNameFilter && IsForbiddenInFileName(c)))
            kept.push_back(c);
    }
    return TmyWideString(kept.data(), static_cast<unsigned>(kept.size()));
}

// Places an extent in [low, high) by the first matching flag of an axis; 0 without one.
int PlaceAxis(unsigned align, unsigned first, unsigned last, unsigned middle, int low, int high, int extent)
{
    if (align & first)
        return low;
    if (align & last)
        return high - extent;
    if (align & middle)
        return low + (high - low - extent) / 2;
    return 0;
}

// Moves global memory holding bytes onto the clipboard in format; 1 when it went.
int PutOnClipboard(UINT format, const void* bytes, size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return 0;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return 0;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(memory);
    if (!SetClipboardData(format, memory)) {
        GlobalFree(memory);
        return 0;
    }
    return 1;
}

// The clipboard's text, Unicode preferred; the clipboard must be open.
TmyWideString ClipboardText()
{
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data));
        TmyWideString result(text);
        if (text)
            GlobalUnlock(data);
        return result;
    }
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        const char* text = static_cast<const char*>(GlobalLock(data));
        TmyWideString result(text ? text : "", CP_ACP, -1);
        if (text)
            GlobalUnlock(data);
        return result;
    }
    return TmyWideString();
}

// The nearest window at or above control, whose clipboard and drawing it uses.
HWND OwningWindow(TmyControl* control)
{
    while (control && !control->GetWindow())
        control = control->GetParent();
    return control ? control->GetWindow() : nullptr;
}

// The control's drawing context for measuring, or the screen's outside a window.
class TmyEditContext {
public:
    explicit TmyEditContext(TmyControl* control) : Control(control), Dc(control->BeginDraw()), Screen(!Dc)
    {
        if (Screen)
            Dc = GetDC(nullptr);
    }
    ~TmyEditContext()
    {
        if (Screen)
            ReleaseDC(nullptr, Dc);
        else
            Control->EndDraw(Dc);
    }
    TmyEditContext(const TmyEditContext&) = delete;
    TmyEditContext& operator=(const TmyEditContext&) = delete;

    HDC Get() const { return Dc; }

private:
    TmyControl* Control;
    HDC Dc;
    bool Screen;
};

}  // namespace

// An I-beam field with a private style table of 10 properties, a sunken
// border, a tab stop and no key preview.
Tmy_Edit::Tmy_Edit(TmyControl* parent, int x, int y, int width, int height, unsigned alignment)
    : TmyControl(parent, x, y, width, height), PasswordChar(0), Alignment(alignment), ReadOnly(0), MaxLength(0),
      Caret(0), Anchor(0), TextOffset(0), FileNameFilter(0), PendingBytes{}, PendingCount(0), LabelInset(0),
      TextExtent{0, 0}, CaretTimer(0), CaretShown(0)
{
    RegisterType(this, editTypeId, "_Edit");
    SetCursorShape(LoadCursorA(nullptr, IDC_IBEAM));
    MakeStyleTablePrivate();
    if (StyleTable->Count < editStyleCount)
        StyleTable->Put(PropSelectionColor, static_cast<int32_t>(GetSysColor(COLOR_HIGHLIGHT)));
    SetProperty(PropBorderWidth, editBorderWidth);
    SetProperty(PropBorderStyle, editBorderStyle);
    SetProperty(PropFieldColor, static_cast<int32_t>(editFieldColor));
    SetState(StateKeyPreview, 0);
    SetState(StateTabStop, 1);
    CharacterAdvances.reserve(initialAdvanceRoom);
    Measure();
}

Tmy_Edit::~Tmy_Edit()
{
    StopBlinking();
}

// Composition text from the input method, shown after the content.
void Tmy_Edit::TextInput(const TmyWideString& text)
{
    if (ReadOnly)
        return;
    Composition = text;
    Invalidate();
    Measure();
}

// Field, selection band (while focused), label and text, border, caret.
void Tmy_Edit::Paint(HDC dc)
{
    RECT whole{0, 0, GetWidth(), GetHeight()};
    FillColor(dc, whole, static_cast<COLORREF>(GetProperty(PropFieldColor)));
    RECT area = GetClientArea();
    const POINT origin = TextOrigin();
    if (IsFocused() && SelectionLength() > 0) {
        const int from = CharacterX(SelectionStart());
        const int to = CharacterX(SelectionStart() + SelectionLength());
        FillColor(dc, RECT{from, area.top, to, area.bottom}, SelectionColor());
    }
    TmyTextRecord record;
    record.ShadowBase = static_cast<COLORREF>(GetProperty(PropFieldColor));
    record.TextColor = StateTextColor();
    record.Shadow = GetProperty(PropShadow);
    HFONT font = EffectiveFont();
    RECT textClip = area;
    if (LabelInset) {
        DrawShadowTextW(dc, origin.x, origin.y, TmyWideString(Label.c_str(), CP_ACP, -1), font, record, &area);
        textClip.left = std::max<LONG>(area.left, origin.x + LabelInset);
    }
    DrawShadowTextW(dc, CharacterX(0), origin.y, DisplayText(), font, record, &textClip);
    DrawControlBorder(dc, &whole);
    if (CaretShown)
        DrawCaret(dc);
    TmyControl::Paint(dc);
}

// Dragging with the left button moves the caret and keeps the anchor. Here
// and below, an event fired may delete the field: the watch tells.
void Tmy_Edit::MouseMoved(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    TmyControl::MouseMoved(keys, x, y);
    if (watch.Alive() && (keys & MK_LBUTTON))
        SetCaret(IndexAt(x), Anchor);
}

int Tmy_Edit::DoubleClick(int x, int y)
{
    TmyControlGuard watch(this);
    const int result = TmyControl::DoubleClick(x, y);
    if (watch.Alive())
        SetCaret(static_cast<int>(Text.Length()), 0);
    return result;
}

// Caret keys move (Shift extends), Back and Delete delete, Insert and
// Ctrl+C, V, X use the clipboard.
void Tmy_Edit::KeyDown(unsigned key, unsigned flags)
{
    TmyControlGuard watch(this);
    TmyControl::KeyDown(key, flags);
    if (!watch.Alive())
        return;
    const unsigned modifiers = GetModifierKeys();
    const int shift = (modifiers & ModifierShift) != 0;
    const int ctrl = (modifiers & ModifierCtrl) != 0;
    if (!CaretKey(key, shift))
        EditKey(key, shift, ctrl);
}

// Typed bytes: the file-name filter drops what a file name cannot hold;
// control codes count only inside a multibyte character.
void Tmy_Edit::CharInput(WPARAM* character, unsigned flags)
{
    TmyControlGuard watch(this);
    TmyControl::CharInput(character, flags);
    const unsigned code = static_cast<unsigned>(*character & 0xFF);
    if (!watch.Alive() || *character == 0)
        return;
    if (FileNameFilter && IsForbiddenInFileName(code))
        return;
    if (code < firstPrintable && PendingCount == 0)
        return;
    Composition = TmyWideString();
    TypeByte(static_cast<char>(code));
}

void Tmy_Edit::Resized()
{
    TmyControl::Resized();
    Measure();
}

int Tmy_Edit::LeftButtonDown(unsigned keys, int x, int y)
{
    TmyControlGuard watch(this);
    const int result = TmyControl::LeftButtonDown(keys, x, y);
    if (watch.Alive())
        SetCaret(IndexAt(x), -1);
    return result;
}

// Gaining the focus shows the caret and starts its blinking; losing it
// removes the caret. The selection band shows only while focused.
void Tmy_Edit::FocusChanged(int gained)
{
    TmyControlGuard watch(this);
    TmyControl::FocusChanged(gained);
    if (!watch.Alive())
        return;
    if (gained) {
        SetCaret(Caret, Anchor);
        StartBlinking();
    } else {
        StopBlinking();
    }
    Invalidate();
}

void Tmy_Edit::Timer(UINT_PTR id)
{
    if (CaretTimer && id == CaretTimer)
        ToggleCaret();
    else
        TmyControl::Timer(id);
}

void Tmy_Edit::SetFont(HFONT font)
{
    TmyControl::SetFont(font);
    Measure();
}

// New content puts caret, anchor and text offset at 0 and fires OnChange,
// last: its handler may delete the field.
void Tmy_Edit::SetText(const char* text)
{
    const TmyWideString wide(text ? text : "", CP_ACP, -1);
    if (wide == Text)
        return;
    Text = wide;
    Caret = 0;
    Anchor = 0;
    TextOffset = 0;
    Measure();
    Invalidate();
    OnChange.Fire(this);
}

TmyString Tmy_Edit::GetText() const
{
    return TmyString(Text);
}

// The label's width plus a gap becomes the text's left inset.
void Tmy_Edit::SetLabel(const char* label)
{
    Label = label ? label : "";
    LabelInset = Label.Length() ? MeasureText(Label, EffectiveFont()).cx + labelGap : 0;
    SetCaret(Caret, Anchor);
    Invalidate();
}

// The inserted text is cut to what the maximum length leaves room for; caret
// and anchor follow the insertion. Nothing happens (and nothing fires) when
// the content stays the same.
void Tmy_Edit::ReplaceSelection(const TmyWideString& text)
{
    const unsigned length = static_cast<unsigned>(SelectionLength());
    if (ReadOnly || (length == 0 && text.Length() == 0))
        return;
    const unsigned start = static_cast<unsigned>(SelectionStart());
    TmyWideString inserted = text;
    if (MaxLength) {
        const unsigned kept = Text.Length() - length;
        const unsigned room = MaxLength > kept ? MaxLength - kept : 0;
        if (inserted.Length() > room)
            inserted = text.SubString(0, room);
    }
    TmyWideString result = Text;
    result.Replace(start, length, inserted.c_str());
    if (result == Text)
        return;
    Text = result;
    const int caret = static_cast<int>(std::min(start + inserted.Length(), Text.Length()));
    Caret = caret;
    Anchor = caret;
    Invalidate();
    Measure();
    OnChange.Fire(this);
}

void Tmy_Edit::SetCaret(int caret, int anchor)
{
    const int length = static_cast<int>(Text.Length());
    if (anchor == -1)
        anchor = caret;
    const bool shown = CaretShown != 0;
    if (shown)
        HideCaret();
    Caret = std::min(std::max(caret, 0), length);
    Anchor = std::min(std::max(anchor, 0), length);
    Invalidate();
    Measure();
    if (shown)
        ToggleCaret();
}

// Read-only clears the tab stop and removes the caret.
void Tmy_Edit::SetReadOnly(int readOnly)
{
    ReadOnly = readOnly != 0;
    SetState(StateTabStop, !ReadOnly);
    if (ReadOnly)
        StopBlinking();
    else if (IsFocused())
        StartBlinking();
}

void Tmy_Edit::SetPasswordChar(char character)
{
    PasswordChar = character;
    Measure();
    Invalidate();
}

void Tmy_Edit::SetMaxLength(unsigned length)
{
    MaxLength = length;
}

void Tmy_Edit::SetFileNameFilter(int on)
{
    FileNameFilter = on != 0;
}

int Tmy_Edit::Copy()
{
    const unsigned length = static_cast<unsigned>(SelectionLength());
    if (length == 0 || !OpenClipboard(OwningWindow(this)))
        return 0;
    EmptyClipboard();
    const TmyWideString selected = Text.SubString(static_cast<unsigned>(SelectionStart()), length);
    const TmyString narrow(selected);
    const int wide = PutOnClipboard(CF_UNICODETEXT, selected.c_str(), (selected.Length() + 1) * sizeof(wchar_t));
    const int ansi = PutOnClipboard(CF_TEXT, narrow.c_str(), narrow.Length() + 1);
    CloseClipboard();
    return wide || ansi;
}

// Control characters and, with the file-name filter, the characters a file
// name cannot hold are dropped from the pasted text.
int Tmy_Edit::Paste()
{
    if (!IsClipboardFormatAvailable(CF_TEXT) && !IsClipboardFormatAvailable(CF_UNICODETEXT))
        return 0;
    if (!OpenClipboard(OwningWindow(this)))
        return 0;
    const TmyWideString text = ClipboardText();
    CloseClipboard();
    ReplaceSelection(Filtered(text, FileNameFilter != 0));
    return 1;
}

void Tmy_Edit::Cut()
{
    if (Copy())
        ReplaceSelection(TmyWideString());
}

TmyWideString Tmy_Edit::DisplayText() const
{
    if (!PasswordChar)
        return Text + Composition;
    const char narrow[2] = {PasswordChar, 0};
    const TmyWideString mask(narrow, CP_ACP, 1);
    return TmyWideString(Text.Length() + Composition.Length(), mask.Length() ? mask[0] : L'*');
}

int Tmy_Edit::CharacterX(int index)
{
    int x = TextOrigin().x + LabelInset + TextOffset;
    const int count = std::min(index, static_cast<int>(CharacterAdvances.size()));
    for (int i = 0; i < count; ++i)
        x += CharacterAdvances[static_cast<unsigned>(i)];
    return x;
}

void Tmy_Edit::DeleteBack()
{
    if (SelectionLength() == 0 && Caret > 0)
        Anchor = Caret - 1;
    ReplaceSelection(TmyWideString());
}

void Tmy_Edit::DeleteForward()
{
    if (SelectionLength() == 0 && Caret < static_cast<int>(Text.Length()))
        Anchor = Caret + 1;
    ReplaceSelection(TmyWideString());
}

// Left, Page Up and Down go one character left; Right, Page Down and Up one
// right. Returns 1 for a caret key.
int Tmy_Edit::CaretKey(unsigned key, int shift)
{
    const int length = static_cast<int>(Text.Length());
    switch (key) {
    case VK_LEFT:
    case VK_PRIOR:
    case VK_DOWN:
        MoveCaret(Caret > 0 ? Caret - 1 : Caret, shift);
        return 1;
    case VK_RIGHT:
    case VK_NEXT:
    case VK_UP:
        MoveCaret(Caret < length ? Caret + 1 : Caret, shift);
        return 1;
    case VK_HOME:
        MoveCaret(0, shift);
        return 1;
    case VK_END:
        MoveCaret(length, shift);
        return 1;
    default:
        return 0;
    }
}

// Back waits while a composition is pending. Shift+Delete cuts a selection
// (a failed copy deletes nothing); without one there is nothing to copy and
// it deletes forward as Delete does.
void Tmy_Edit::EditKey(unsigned key, int shift, int ctrl)
{
    switch (key) {
    case VK_BACK:
        if (Composition.Length() == 0)
            DeleteBack();
        break;
    case VK_DELETE:
        if (shift && SelectionLength() != 0)
            Cut();
        else
            DeleteForward();
        break;
    case VK_INSERT:
        if (ctrl)
            Copy();
        else if (shift)
            Paste();
        break;
    case 'C':
        if (ctrl)
            Copy();
        break;
    case 'V':
        if (ctrl)
            Paste();
        break;
    case 'X':
        if (ctrl)
            Cut();
        break;
    default:
        break;
    }
}

void Tmy_Edit::MoveCaret(int caret, int extend)
{
    SetCaret(caret, extend ? Anchor : -1);
}

// A complete character (one or more bytes in the process code page) replaces
// the selection; a fourth byte that still makes no character drops them all.
void Tmy_Edit::TypeByte(char byte)
{
    PendingBytes[PendingCount++] = byte;
    const TmyWideString typed(PendingBytes, CP_ACP, static_cast<int>(PendingCount));
    if (typed.Length() > 0) {
        PendingCount = 0;
        ReplaceSelection(typed);
    } else if (PendingCount == sizeof PendingBytes) {
        PendingCount = 0;
    }
}

// Advances from the character placement, each raised to the character's full
// ABC width; the extent of an empty text has the height of "Xq" and width 0.
void Tmy_Edit::Measure()
{
    const TmyWideString text = DisplayText();
    const unsigned count = text.Length();
    TmyEditContext context(this);
    HDC dc = context.Get();
    HGDIOBJ previous = SelectObject(dc, EffectiveFont());
    CharacterAdvances.assign(count, 0);
    if (count) {
        GCP_RESULTSW results{};
        results.lStructSize = sizeof results;
        results.lpDx = CharacterAdvances.data();
        results.nGlyphs = count;
        GetCharacterPlacementW(dc, text.c_str(), static_cast<int>(count), 0, &results, 0);
        for (unsigned i = 0; i < count; ++i) {
            ABC abc;
            if (GetCharABCWidthsW(dc, text[i], text[i], &abc)) {
                const int full = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
                CharacterAdvances[i] = std::max(CharacterAdvances[i], full);
            }
        }
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(count), &TextExtent);
    } else {
        GetTextExtentPoint32W(dc, L"Xq", 2, &TextExtent);
        TextExtent.cx = 0;
    }
    SelectObject(dc, previous);
    KeepCaretVisible();
}

// The text offset follows a caret that left the frame on either side.
void Tmy_Edit::KeepCaretVisible()
{
    const RECT area = GetClientArea();
    const int x = CharacterX(Caret);
    if (x < area.left)
        TextOffset += area.left - x;
    else if (x > area.right - 1)
        TextOffset -= x - (area.right - 1);
}

// A character counts as passed when x lies beyond half its advance.
int Tmy_Edit::IndexAt(int x)
{
    int left = CharacterX(0);
    const int count = static_cast<int>(std::min<size_t>(CharacterAdvances.size(), Text.Length()));
    for (int i = 0; i < count; ++i) {
        const int advance = CharacterAdvances[static_cast<unsigned>(i)];
        if (2 * (x - left) <= advance)
            return i;
        left += advance;
    }
    return count;
}

POINT Tmy_Edit::TextOrigin()
{
    const RECT area = GetClientArea();
    return POINT{PlaceAxis(Alignment, AlignTextLeft, AlignTextRight, AlignTextCentre, area.left, area.right,
                           TextExtent.cx),
                 PlaceAxis(Alignment, AlignTextTop, AlignTextBottom, AlignTextMiddle, area.top, area.bottom,
                           TextExtent.cy)};
}

HFONT Tmy_Edit::EffectiveFont()
{
    HFONT font = ResolveFont();
    if (!font || font == InheritedFont())
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return font;
}

// Property 9, or the system's highlight colour for a table without it.
COLORREF Tmy_Edit::SelectionColor()
{
    if (StyleTable->Count < editStyleCount)
        return GetSysColor(COLOR_HIGHLIGHT);
    return static_cast<COLORREF>(GetProperty(PropSelectionColor));
}

// A vertical line one text height tall from the text's top, inside the frame,
// in text colour XOR field colour.
void Tmy_Edit::DrawCaret(HDC dc)
{
    const RECT area = GetClientArea();
    const int x = CharacterX(Caret);
    const int top = std::max<int>(TextOrigin().y, area.top);
    const int bottom = std::min<int>(top + TextExtent.cy, area.bottom);
    const COLORREF color = static_cast<COLORREF>(GetProperty(PropTextColor) ^ GetProperty(PropFieldColor));
    const int mode = SetROP2(dc, R2_XORPEN);
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(DC_PEN));
    const COLORREF previousColor = SetDCPenColor(dc, color & 0xFFFFFF);
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, bottom);
    SetDCPenColor(dc, previousColor);
    SelectObject(dc, previousPen);
    SetROP2(dc, mode);
}

// Draws or removes the caret at once in the field's window.
void Tmy_Edit::ToggleCaret()
{
    if (IsVisible()) {
        if (HDC dc = BeginDraw()) {
            DrawCaret(dc);
            EndDraw(dc);
        }
    }
    CaretShown = !CaretShown;
}

void Tmy_Edit::HideCaret()
{
    if (CaretShown)
        ToggleCaret();
}

// A read-only field shows no caret.
void Tmy_Edit::StartBlinking()
{
    if (ReadOnly || CaretTimer)
        return;
    CaretTimer = StartTimer(caretBlinkMs);
    if (!CaretShown)
        ToggleCaret();
}

void Tmy_Edit::StopBlinking()
{
    HideCaret();
    if (CaretTimer)
        StopTimer(CaretTimer);
    CaretTimer = 0;
}

int Tmy_Edit::SelectionStart() const
{
    return std::min(Caret, Anchor);
}

int Tmy_Edit::SelectionLength() const
{
    return std::abs(Caret - Anchor);
}
