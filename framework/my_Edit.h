// Tmy_Edit: a windowless single-line text field with caret, selection,
// clipboard, password display, a file-name filter and input-method
// composition. The text is held as UTF-16; 8-bit text goes through the
// process code page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "myControl.h"
#include "myEvent.h"
#include "myString.h"

// Style property of the selection band's colour.
constexpr int PropSelectionColor = 9;

class Tmy_Edit : public TmyControl {
public:
    // alignment: placement of the text in the field (AlignText* flags).
    Tmy_Edit(TmyControl* parent, int x, int y, int width, int height, unsigned alignment);

    // Overrides of inherited slots, in slot order.
    ~Tmy_Edit() override;
    // Input-method text becomes the composition shown after the text.
    void TextInput(const TmyWideString& text) override;
    void Paint(HDC dc) override;
    // Dragging with the left button held extends the selection.
    void MouseMoved(unsigned keys, int x, int y) override;
    // Selects the whole text.
    int DoubleClick(int x, int y) override;
    void KeyDown(unsigned key, unsigned flags) override;
    void CharInput(WPARAM* character, unsigned flags) override;
    void Resized() override;
    // Puts caret and anchor at the character boundary nearest the pointer.
    int LeftButtonDown(unsigned keys, int x, int y) override;
    // The caret blinks while the field has the focus.
    void FocusChanged(int gained) override;
    void Timer(UINT_PTR id) override;
    void SetFont(HFONT font) override;

    // Operations
    // Replaces the content (8-bit text in the process code page) when it differs.
    void SetText(const char* text);
    TmyString GetText() const;
    const TmyWideString& GetWideText() const { return Text; }
    // Text shown before the content; the content starts after it.
    void SetLabel(const char* label);
    // Inserts text in place of the selection, within the maximum length.
    void ReplaceSelection(const TmyWideString& text);
    // Places caret and anchor (-1: at the caret), both clamped to the length.
    void SetCaret(int caret, int anchor);
    void SetReadOnly(int readOnly);
    int IsReadOnly() const { return ReadOnly; }
    void SetPasswordChar(char character);
    void SetMaxLength(unsigned length);
    void SetFileNameFilter(int on);
    unsigned GetAlignment() const { return Alignment; }
    int GetCaret() const { return Caret; }
    int GetAnchor() const { return Anchor; }
    int GetTextOffset() const { return TextOffset; }
    const TmyWideString& GetComposition() const { return Composition; }
    // Places the selected text on the clipboard as CF_UNICODETEXT and CF_TEXT;
    // 1 when it did. An empty selection leaves the clipboard alone.
    int Copy();
    // Replaces the selection with the clipboard's text (Unicode preferred)
    // less control characters and, with the filter, file-name characters;
    // 1 when there was text.
    int Paste();
    // Copy, then delete the selection (kept when the copy failed).
    void Cut();
    // The text as painted: content and composition, or password characters.
    TmyWideString DisplayText() const;
    // x of the boundary before character index of the display text, in field
    // coordinates (label inset and text offset included).
    int CharacterX(int index);

private:
    // Selects one character before (or after) the caret when nothing is
    // selected, then deletes the selection.
    void DeleteBack();
    void DeleteForward();
    // The caret keys (1 when key is one) and the editing and clipboard keys.
    int CaretKey(unsigned key, int shift);
    void EditKey(unsigned key, int shift, int ctrl);
    // Moves the caret; extend keeps the anchor, otherwise the selection is dropped.
    void MoveCaret(int caret, int extend);
    // Takes one byte of typed text, converting complete multibyte characters.
    void TypeByte(char byte);
    // Character advances and extent of the display text, then the caret is kept visible.
    void Measure();
    void KeepCaretVisible();
    // Boundary index nearest to field x.
    int IndexAt(int x);
    // Top-left of the display text placed by the alignment, before label inset and offset.
    POINT TextOrigin();
    HFONT EffectiveFont();
    COLORREF SelectionColor();
    // The XOR caret line; drawing it twice removes it.
    void DrawCaret(HDC dc);
    void ToggleCaret();
    void HideCaret();
    void StartBlinking();
    void StopBlinking();
    int SelectionStart() const;
    int SelectionLength() const;

protected:
    // Fields, in the order the rest of the framework relies on.
    TmyWideString Text;
    TmyWideString Composition;      // input-method text being composed
    char PasswordChar;              // 0 = none
    uint32_t Alignment;
    int32_t ReadOnly;
    uint32_t MaxLength;             // characters; 0 = none
    int32_t Caret;
    int32_t Anchor;
    int32_t TextOffset;             // horizontal scroll of the text in pixels
    int32_t FileNameFilter;
    char PendingBytes[3];           // multibyte character being typed
    uint32_t PendingCount;
    std::vector<int32_t> CharacterAdvances;  // pixels, one per display character
    TmyString Label;
    int32_t LabelInset;             // pixels before the text; 0 without label
    SIZE TextExtent;                // of the display text
    UINT_PTR CaretTimer;            // 0 = not blinking
    int32_t CaretShown;             // 1 while the XOR caret is on screen

public:
    // Fired with the field after the content changed.
    TmyEvent<Tmy_Edit*> OnChange;
};
