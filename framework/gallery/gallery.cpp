// widget_gallery: one window that shows every widget of the framework in its
// states (push buttons of the three kinds up, down, pressed, disabled, flat
// and glowing; a string grid with header, fixed column, check column and sort
// mark; scroll bars; an edit field with a selection; labels and panels) and,
// beside it, the message box without its modal loop. With /hostile it also
// shows the hostile strip (hostileGallery.h) for random-input runs.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

#include "gallery.h"
#include "hostileGallery.h"
#include "myApplication.h"
#include "myButton.h"
#include "myComponents.h"
#include "myLabel.h"
#include "myMsgBox.h"
#include "myPanel.h"
#include "myStringGrid.h"
#include "my_Btn.h"
#include "my_Edit.h"
#include "my_Label.h"
#include "my_Panel.h"
#include "my_ScrollBar.h"

namespace {

constexpr DWORD galleryStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD childStyle = WS_CHILD | WS_VISIBLE;
constexpr COLORREF captionInk = RGB(255, 255, 255);
constexpr COLORREF gridInk = RGB(0, 0, 0);
// The face of a button while it is down or pressed.
constexpr COLORREF galleryButtonDownFace = RGB(40, 64, 96);
// User message the gallery posts to itself to end the message box's loop at once.
constexpr unsigned endBoxLoopCode = 1;

// The states a row of buttons shows, left to right.
enum TmyGalleryState : int { ShowUp, ShowDown, ShowPressed, ShowDisabled, ShowFlat, ShowGlowing };
constexpr const char* stateNames[] = {"Up", "Down", "Pressed", "Disabled", "Flat", "Glowing"};

// The three button kinds with their pressed look (and the glow) shown
// without a mouse holding them.
class TmyGalleryButton : public TmyButton {
public:
    TmyGalleryButton(const char* caption, TmyControl* window, int x, int y)
        : TmyButton(caption, window->GetWindow(), x, y, galleryButtonWidth, galleryButtonHeight, childStyle)
    {
    }
    void ShowPressed()
    {
        Pressed = 1;
        ApplyLook();
    }
};

class TmyGalleryBtn : public Tmy_Btn {
public:
    TmyGalleryBtn(const char* caption, TmyControl* window, int x, int y)
        : Tmy_Btn(caption, window, x, y, galleryButtonWidth, galleryButtonHeight)
    {
    }
    void ShowPressed()
    {
        Pressed = 1;
        Refresh();
    }
};

class TmyGalleryBtn2 : public Tmy_Btn2 {
public:
    TmyGalleryBtn2(const char* caption, TmyControl* window, int x, int y)
        : Tmy_Btn2(caption, window, x, y, galleryButtonWidth, galleryButtonHeight)
    {
    }
    void ShowPressed()
    {
        Pressed = 1;
        Refresh();
    }
    // The full hover glow, held: no animation timer runs to fade it.
    void ShowGlow()
    {
        SetFlat(1);
        Glow = BtnGlowMax;
        Refresh();
    }
};

// The main window; it ends the message box's modal loop when asked.
class TmyGalleryWindow : public TmyComponent {
public:
    TmyGalleryWindow() : TmyComponent(galleryTitle, galleryStyle, 0, 20, 20, galleryWidth, galleryHeight, nullptr)
    {
        SetClientSize(galleryWidth, galleryHeight);
        SetBackColor(galleryBack);
    }
    void UserMessage(unsigned code, WPARAM, LPARAM) override
    {
        if (code == endBoxLoopCode && Box)
            Box->EndModal(1);
    }
    TmyMsgBox* Box = nullptr;
};

void AddRowTitle(TmyControl* window, const char* title, int top)
{
    auto* label = new Tmy_Label(title, window, 10, top + 6, 0, 0);
    label->SetForeColor(captionInk);
}

// One button of each state in a row; only Tmy_Btn2 has the glowing state.
template <typename Button>
void AddButtonRow(TmyControl* window, const char* title, int top, int states)
{
    AddRowTitle(window, title, top);
    for (int state = 0; state < states; ++state) {
        auto* button = new Button(stateNames[state], window, galleryButtonLeft + state * galleryButtonStep, top);
        button->SetBackColor(galleryButtonFace);
        button->SetFieldColor(galleryButtonDownFace);
        button->SetForeColor(captionInk);
        switch (state) {
        case ShowDown: button->SetDown(1); break;
        case ShowPressed: button->ShowPressed(); break;
        case ShowDisabled: button->SetEnabled(0); break;
        case ShowFlat: button->SetFlat(1); break;
        case ShowGlowing:
            if constexpr (std::is_same_v<Button, TmyGalleryBtn2>)
                button->ShowGlow();
            break;
        default: break;
        }
    }
}

void AddGrid(TmyControl* window)
{
    const RECT& r = galleryGrid;
    auto* grid = new TmyStringGrid(window, r.left, r.top, r.right - r.left, r.bottom - r.top, 4, 12,
                                   galleryGridColumnWidth, 1, 1, 1, 1);
    grid->SetBackColor(galleryGridHeader);
    grid->SetFieldColor(galleryGridField);
    grid->SetForeColor(gridInk);
    grid->SetProperty(PropHeaderTextColor, static_cast<int32_t>(captionInk));
    const char* headers[] = {"#", "Range", "Value", ""};
    const char* names[] = {"low", "mid", "high", "top"};
    for (int c = 0; c < 4; ++c)
        grid->SetCellText(0, c, headers[c]);
    for (int r = 1; r < 12; ++r) {
        char text[32];
        snprintf(text, sizeof text, "%d", r);
        grid->SetCellText(r, 0, text);
        snprintf(text, sizeof text, "%s %02d", names[(r * 7) % 4], (r * 37) % 50);
        grid->SetCellText(r, 1, text);
        snprintf(text, sizeof text, "%d.%d GHz", r * 3 % 21, r % 10);
        grid->SetCellText(r, 2, text);
        grid->SetCellText(r, 3, r % 3 ? "" : "!");
    }
    grid->SetColumnStyle(1, AlignTextLeft | AlignTextMiddle);
    grid->SetCheckColumn(3, 1);
    grid->SetEditorColumn(2, 1);
    grid->SetSortColumn(1);
    grid->SortRows();
    grid->SelectRow(2);
}

void AddScrollBars(TmyControl* window)
{
    auto* across = new Tmy_ScrollBar(window, 0, 420, 140, 200, 18, 0);
    across->SetAll(0, 100, 20, 30, 0, 0);
    auto* down = new Tmy_ScrollBar(window, 1, 640, 140, 18, 120, 0);
    down->SetAll(0, 100, 25, 60, 0, 0);
    auto* flat = new Tmy_ScrollBar(window, 0, 420, 165, 200, 18, 0);
    flat->SetFlat(1);
    flat->SetAll(0, 100, 20, 10, 50, 80);
    auto* disabled = new Tmy_ScrollBar(window, 0, 420, 190, 200, 18, 0);
    disabled->SetEnabled(0);
}

// The edit field is returned: it shows its selection once it has the focus.
Tmy_Edit* AddTextWidgets(TmyControl* window)
{
    auto* edit = new Tmy_Edit(window, 420, 220, 200, 22, AlignTextLeft | AlignTextMiddle);
    edit->SetText("Edit field with a selection");
    edit->SetCaret(15, 5);
    new TmyLabel("TmyLabel", window->GetWindow(), 420, 255, 0, 0, childStyle);
    auto* label = new Tmy_Label("Tmy_Label", window, 530, 255, 0, 0);
    label->SetForeColor(captionInk);
    new TmyPanel("TmyPanel", window->GetWindow(), 420, 285, 110, 45, childStyle, 0);
    new Tmy_Panel(window, 540, 285, 110, 45);
    return edit;
}

// The message box laid out by its own Show, whose loop the gallery ends at
// once, then shown again beside the gallery as an ordinary window.
void AddMessageBox(TmyGalleryWindow* window)
{
    auto* box = new TmyMsgBox(window->GetWindow(), 2, galleryBoxCaption);
    box->SetButton(0, " OK ");
    box->SetButton(1, " Cancel ");
    window->Box = box;
    window->PostUserMessage(endBoxLoopCode, 0, 0);
    box->Show("The message box, shown without its modal loop.", 0);
    const RECT& frame = window->GetBounds();
    box->Move(frame.right + 10, frame.top);
    box->SetVisible(1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Application.ModuleInstance = instance;
    auto* window = new TmyGalleryWindow();
    AddButtonRow<TmyGalleryButton>(window, "TmyButton", galleryPanelButtonTop, ShowGlowing);
    AddButtonRow<TmyGalleryBtn>(window, "Tmy_Btn", galleryBtnTop, ShowGlowing);
    AddButtonRow<TmyGalleryBtn2>(window, "Tmy_Btn2", galleryBtn2Top, ShowGlowing + 1);
    AddGrid(window);
    AddScrollBars(window);
    Tmy_Edit* edit = AddTextWidgets(window);
    // The hostile strip lives while the message loop runs.
    std::unique_ptr<TmyHostileGallery> hostile;
    if (std::strcmp(Application.GetArgument(1).c_str(), galleryHostileSwitch) == 0)
        hostile = std::make_unique<TmyHostileGallery>(window);
    // The gallery shows itself only when everything is in place.
    AddMessageBox(window);
    window->SetVisible(1);
    edit->SetFocus();
    Application.MainComponent = window;
    Application.Run();
    return 0;
}
