// TmyMsgBox: construction of the pop-up with its text panel and buttons,
// button captions kept equal in size, and the layout and modal run of Show.
#include "myMsgBox.h"

#include "myPanel.h"
#include "my_Btn.h"

namespace {

constexpr int msgBoxTypeId = 44;
// The box is a captioned pop-up, hidden until it runs; topmost, and its
// owner is not told of its creation.
constexpr DWORD boxStyle = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD boxExStyle = WS_EX_TOPMOST | WS_EX_NOPARENTNOTIFY;
constexpr DWORD panelStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;
static_assert(boxStyle == 0x86C00000 && boxExStyle == 12 && panelStyle == 0x56010000, "window styles");
// Initial sizes of the box, the panel and a button, replaced by the first Show.
constexpr int boxSize = 100;
constexpr int panelSize = 10;
constexpr int buttonWidth = 20;
constexpr int buttonHeight = 10;
// Spacing in pixels: around and between the buttons, and below the text.
constexpr int spacing = 10;
// Button height is the caption height times 10 / 7; its width twice the caption's.
constexpr int heightNumerator = 10;
constexpr int heightDenominator = 7;
// Every button's caption until the user sets another.
constexpr const char* defaultCaption = " OK ";

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}

int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

unsigned ClampCount(unsigned count)
{
    if (count > MsgBoxMaxButtons)
        return MsgBoxMaxButtons;
    return count < MsgBoxMinButtons ? MsgBoxMinButtons : count;
}

// Gives button the size of model when it is lower or narrower than model.
void MatchIfSmaller(Tmy_Btn2* button, Tmy_Btn2* model)
{
    if (button->GetHeight() < model->GetHeight())
        button->Resize(model->GetWidth(), model->GetHeight());
    if (button->GetWidth() < model->GetWidth())
        button->Resize(model->GetWidth(), model->GetHeight());
}

// The top-level window a child window belongs to; null stays null.
HWND TopLevelOf(HWND window)
{
    while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        window = GetParent(window);
    return window;
}

}  // namespace

TmyMsgBox::TmyMsgBox(HWND owner, unsigned count, const char* caption)
    : TmyComponent(caption, boxStyle, boxExStyle, 0, 0, boxSize, boxSize, owner), TextPanel(nullptr),
      Buttons(nullptr), ButtonCount(0), Owner(owner)
{
    RegisterType(this, msgBoxTypeId, "MsgBox");
    TextPanel = new TmyPanel("", Window, 0, 0, panelSize, panelSize, panelStyle, 0);
    ButtonCount = ClampCount(count);
    Buttons = new Tmy_Btn2*[ButtonCount];
    // All buttons share the first one's private style table, so they always look alike.
    for (unsigned i = 0; i < ButtonCount; ++i) {
        Buttons[i] = new Tmy_Btn2("", this, 0, 0, buttonWidth, buttonHeight);
        Buttons[i]->SetModalResult(static_cast<int>(i) + 1);
        if (i == 0)
            Buttons[0]->AdoptStyleCopy(Buttons[0]);
        else
            Buttons[i]->AdoptStyleReference(Buttons[0]);
    }
    for (unsigned i = 0; i < ButtonCount; ++i)
        SetButton(i, defaultCaption);
}

TmyMsgBox::~TmyMsgBox()
{
    delete[] Buttons;
}

Tmy_Btn2* TmyMsgBox::GetButton(unsigned index) const
{
    return index < ButtonCount ? Buttons[index] : nullptr;
}

// The button is sized to its caption (plus the box's border inset), then
// every button takes the larger size of itself and the changed one.
void TmyMsgBox::SetButton(unsigned index, const char* caption)
{
    if (index >= ButtonCount)
        return;
    Tmy_Btn2* changed = Buttons[index];
    changed->SetCaption(caption);
    const SIZE text = changed->MeasureText(changed->GetCaption());
    const int inset = BorderMargin();
    const int width = text.cx + inset;
    const int height = text.cy + inset;
    changed->Resize(2 * width, height * heightNumerator / heightDenominator);
    for (unsigned i = 0; i < ButtonCount; ++i) {
        MatchIfSmaller(Buttons[i], changed);
        MatchIfSmaller(changed, Buttons[i]);
    }
}

// A docked panel would keep the width of the last box; it is freed first so
// that it can fit the new text.
int TmyMsgBox::Show(const char* text, int centreOnScreen)
{
    TextPanel->SetAlign(AlignNone);
    TextPanel->SetText(text);
    TextPanel->AutoSize();
    const RECT& panel = TextPanel->GetBounds();
    const int grow = 2 * GetTextHeight();
    TextPanel->Resize(Width(panel) + grow, Height(panel) + grow);
    return LayoutAndRun(centreOnScreen, 1);
}

// The buttons are laid out before the box is centred, so that a box widened
// for its buttons is still centred.
int TmyMsgBox::LayoutAndRun(int centreOnScreen, int buttonLayout)
{
    Owner = TopLevelOf(Owner);
    RECT reference{0, 0, 0, 0};
    if (Owner)
        GetWindowRect(Owner, &reference);
    if (centreOnScreen)
        reference = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};

    const RECT& panel = TextPanel->GetBounds();
    const int least = spacing * static_cast<int>(ButtonCount) + spacing;
    const int width = Width(panel) > least ? Width(panel) : least;
    SetClientSize(width, Height(panel) + Buttons[0]->GetHeight() + 2 * spacing);
    if (buttonLayout)
        LayoutButtons();
    CentreOn(reference);
    return RunModal(Owner) - 1;
}

void TmyMsgBox::CentreOn(const RECT& reference)
{
    const RECT& box = GetBounds();
    const int x = reference.left + (Width(reference) - Width(box)) / 2;
    const int y = reference.top + (Height(reference) - Height(box)) / 2;
    Move(x > 0 ? x : 0, y > 0 ? y : 0);
}

// Equal gaps before, between and after the buttons; a box too narrow for
// them is widened to leave 10 pixels around each, and the text panel then
// spans the box.
void TmyMsgBox::LayoutButtons()
{
    const int count = static_cast<int>(ButtonCount);
    const int buttonWidthNow = Buttons[0]->GetWidth();
    int space = GetClientWidth() - count * buttonWidthNow;
    if (space <= 0) {
        SetClientSize((buttonWidthNow + spacing) * count + spacing, GetClientHeight());
        TextPanel->SetAlign(AlignInnerTop);
        space = spacing * count + spacing;
    }
    const int gap = space / (count + 1);
    const int offset = (space - gap * (count + 1)) / 2;
    const int y = TextPanel->GetBounds().bottom + spacing;
    for (int i = 0; i < count; ++i)
        Buttons[i]->Move(i * (buttonWidthNow + gap) + offset + gap, y);
}
