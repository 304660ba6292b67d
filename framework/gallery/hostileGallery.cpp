// The gallery's hostile strip: victims, their makers and the keeper.
#include "hostileGallery.h"

#include "myButton.h"
#include "myComponents.h"
#include "myMsgBox.h"
#include "myStringGrid.h"
#include "my_Btn.h"
#include "my_Edit.h"
#include "my_Label.h"
#include "my_Panel.h"
#include "my_ScrollBar.h"

namespace {

constexpr int cellWidth = 100;   // one victim's column, pixels
constexpr int victimWidth = 94;
constexpr int victimHeight = 26;
constexpr int rowStep = 38;
constexpr COLORREF victimFace = RGB(120, 60, 60);
constexpr COLORREF victimInk = RGB(255, 255, 255);
// The windowed buttons stand right of the container, in the window itself.
constexpr int windowedLeft = galleryHostileArea.right + 10;

// Windowless victims: slot, caption, column and row inside the container.
struct TmyVictimPlace {
    int Slot;
    const char* Caption;
    int Column;
    int Row;
};
constexpr TmyVictimPlace buttonPlaces[] = {
    {TmyHostileGallery::SlotVanish, "Vanish", 0, 0},
    {TmyHostileGallery::SlotBox, "Box", 2, 0},
    {TmyHostileGallery::SlotDialog, "Dialog", 3, 0},
    {TmyHostileGallery::SlotRebuild, "Rebuild", 4, 0},
    {TmyHostileGallery::SlotRepeatOff, "Repeat off", 3, 2},
    {TmyHostileGallery::SlotRepeatVanish, "Repeat vanish", 4, 2},
};

RECT Cell(int column, int row)
{
    const int x = 5 + column * cellWidth;
    const int y = 5 + row * rowStep;
    return RECT{x, y, x + victimWidth, y + victimHeight};
}

void Colour(TmyControl* control)
{
    control->SetBackColor(victimFace);
    control->SetForeColor(victimInk);
}

}  // namespace

TmyHostileGallery::TmyHostileGallery(TmyComponent* window) : Window(window)
{
    Keeper = new Tmy_Label("", window, 0, 0, 0, 0);
    Keeper->OnTimer.Set(this, &TmyHostileGallery::Refill);
    Keeper->OnDestroy.Set(this, &TmyHostileGallery::Forget);
    Keeper->StartTimer(keeperPeriodMs);
    for (int slot = 0; slot < SlotCount; ++slot)
        Make(slot);
}

TmyHostileGallery::~TmyHostileGallery() = default;

void TmyHostileGallery::Make(int slot)
{
    if (slot == SlotCloseButton || slot == SlotRepeatButton)
        MakeWindowed(slot);
    else if (slot == SlotContainer || Slots[SlotContainer])
        MakeWindowless(slot);
    if (Slots[slot])
        Slots[slot]->OnDestroy.Set(this, &TmyHostileGallery::Forget);
}

Tmy_Btn* TmyHostileGallery::MakeButton(int slot, const char* caption, int x, int y)
{
    auto* button = new Tmy_Btn(caption, Slots[SlotContainer], x, y, victimWidth, victimHeight);
    Colour(button);
    Slots[slot] = button;
    return button;
}

void TmyHostileGallery::MakeWindowless(int slot)
{
    const RECT& area = galleryHostileArea;
    for (const TmyVictimPlace& place : buttonPlaces) {
        if (place.Slot != slot)
            continue;
        const RECT r = Cell(place.Column, place.Row);
        Tmy_Btn* button = MakeButton(slot, place.Caption, r.left, r.top);
        switch (slot) {
        case SlotVanish: button->OnClick.Set(this, &TmyHostileGallery::DeleteSender<Tmy_Btn*>); break;
        case SlotBox: button->OnClick.Set(this, &TmyHostileGallery::OpenBox); break;
        case SlotDialog: button->OnClick.Set(this, &TmyHostileGallery::OpenDialog); break;
        case SlotRebuild: button->OnClick.Set(this, &TmyHostileGallery::DeleteContainer); break;
        case SlotRepeatOff:
            button->OnAutoRepeat.Set(this, &TmyHostileGallery::DisableAfterRepeats<Tmy_Btn*>);
            break;
        default: button->OnAutoRepeat.Set(this, &TmyHostileGallery::DeleteSender<Tmy_Btn*>); break;
        }
        return;
    }
    TmyControl* parent = Slots[SlotContainer];
    switch (slot) {
    case SlotContainer:
        Slots[slot] = new Tmy_Panel(Window, area.left, area.top, area.right - area.left, area.bottom - area.top);
        break;
    case SlotVanishUp: {
        const RECT r = Cell(1, 0);
        auto* button = new Tmy_Btn2("Vanish up", parent, r.left, r.top, victimWidth, victimHeight);
        Colour(button);
        button->OnMouseUp.Set(this, &TmyHostileGallery::DeleteSender<TmyControl*, unsigned, int, int>);
        Slots[slot] = button;
        break;
    }
    case SlotTicker: {
        const RECT r = Cell(5, 0);
        auto* ticker = new Tmy_Label("Ticker", parent, r.left, r.top, victimWidth, victimHeight);
        ticker->OnTimer.Set(this, &TmyHostileGallery::DeleteOnTick);
        ticker->StartTimer(tickerPeriodMs);
        Slots[slot] = ticker;
        break;
    }
    case SlotKeyEdit:
    case SlotFocusEdit: {
        const RECT r = Cell(slot == SlotKeyEdit ? 0 : 2, 1);
        auto* edit = new Tmy_Edit(parent, r.left, r.top, 2 * victimWidth, victimHeight, AlignTextLeft | AlignTextMiddle);
        edit->SetText(slot == SlotKeyEdit ? "Delete or Enter" : "Leave me");
        if (slot == SlotKeyEdit)
            edit->OnKeyDown.Set(this, &TmyHostileGallery::DeleteOnKey);
        else
            edit->OnFocusChange.Set(this, &TmyHostileGallery::DeleteOnFocusLoss);
        Slots[slot] = edit;
        break;
    }
    case SlotClickLabel: {
        const RECT r = Cell(4, 1);
        auto* label = new Tmy_Label("Double or right", parent, r.left, r.top, victimWidth, victimHeight);
        label->OnDoubleClick.Set(this, &TmyHostileGallery::DeleteSender<TmyControl*, int, int>);
        label->OnRightMouseUp.Set(this, &TmyHostileGallery::DeleteSender<TmyControl*, unsigned, int, int>);
        Slots[slot] = label;
        break;
    }
    case SlotWheelBar: {
        const RECT r = Cell(5, 1);
        auto* bar = new Tmy_ScrollBar(parent, 0, r.left, r.top, victimWidth, 18, 0);
        bar->OnMouseWheel.Set(this, &TmyHostileGallery::DeleteSender<TmyControl*, int, unsigned, int*>);
        bar->OnChange.Set(this, &TmyHostileGallery::DisableAfterRepeats<Tmy_ScrollBar*>);
        Slots[slot] = bar;
        break;
    }
    case SlotGrid: {
        const RECT r = Cell(0, 2);
        auto* grid = new TmyStringGrid(parent, r.left, r.top, 3 * cellWidth - 6, victimHeight + 12, 3, 6, 60, 1, 1, 1, 1);
        grid->SetCellText(0, 1, "Click a cell");
        grid->OnCellClick.Set(this, &TmyHostileGallery::DeleteSender<TmyStringGrid*, int, int>);
        Slots[slot] = grid;
        break;
    }
    default: break;
    }
}

void TmyHostileGallery::MakeWindowed(int slot)
{
    const int top = galleryHostileArea.top + (slot == SlotCloseButton ? 0 : rowStep);
    auto* button = new TmyButton(slot == SlotCloseButton ? "Close" : "Repeat", Window->GetWindow(), windowedLeft, top,
                                 victimWidth, victimHeight, WS_CHILD | WS_VISIBLE);
    Colour(button);
    if (slot == SlotCloseButton)
        button->OnClick.Set(this, &TmyHostileGallery::DeleteSender<TmyButton*>);
    else
        button->OnAutoRepeat.Set(this, &TmyHostileGallery::DisableAfterRepeats<TmyButton*>);
    Slots[slot] = button;
}

int TmyHostileGallery::Forget(TmyControl* control)
{
    if (control == Keeper)
        Keeper = nullptr;
    for (TmyControl*& slot : Slots)
        if (slot == control)
            slot = nullptr;
    return 0;
}

int TmyHostileGallery::DeleteOnKey(TmyControl* edit, unsigned key, unsigned)
{
    if (key == VK_DELETE || key == VK_RETURN)
        delete edit;
    return 0;
}

int TmyHostileGallery::DeleteOnFocusLoss(TmyControl* edit, int gained)
{
    if (!gained)
        delete edit;
    return 0;
}

int TmyHostileGallery::DeleteOnTick(TmyControl* ticker, UINT_PTR)
{
    delete ticker;
    return 0;
}

void TmyHostileGallery::Revive()
{
    for (int slot : {SlotRepeatOff, SlotWheelBar, SlotRepeatButton})
        if (Slots[slot] && !Slots[slot]->IsEnabled())
            Slots[slot]->SetEnabled(1);
}

int TmyHostileGallery::Refill(TmyControl*, UINT_PTR)
{
    Revive();
    for (int slot = 0; slot < SlotCount; ++slot)
        if (!Slots[slot])
            Make(slot);
    return 0;
}

// The box's owner is the window the button stands in; the button's own
// timer deletes it while the box's loop runs.
int TmyHostileGallery::OpenBox(Tmy_Btn* button)
{
    button->OnTimer.Set(this, &TmyHostileGallery::DeleteOnTick);
    button->StartTimer(boxVictimDelayMs);
    auto* box = new TmyMsgBox(button->GetRoot()->GetWindow(), 2, "Hostile box");
    TmyControlGuard watch(box);
    box->Show("The button that opened this box is gone.", 0);
    if (watch.Alive())
        delete box;
    return 0;
}

int TmyHostileGallery::OpenDialog(Tmy_Btn* button)
{
    TmyComponent* root = button->GetRoot();
    const RECT& frame = root->GetBounds();
    auto* dialog = new TmyComponent("Hostile dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, frame.left + 60,
                                    frame.top + 200, 4 * cellWidth + 20, 80, root->GetWindow());
    struct DialogButton {
        const char* Caption;
        int (TmyHostileGallery::*Handler)(Tmy_Btn*);
    };
    const DialogButton buttons[] = {
        {"End", nullptr},
        {"Vanish", &TmyHostileGallery::DeleteSender<Tmy_Btn*>},
        {"Box", &TmyHostileGallery::OpenBox},
        {"Close", &TmyHostileGallery::CloseRoot},
        {"Kill", &TmyHostileGallery::DeleteRoot},
    };
    int x = 5;
    for (const DialogButton& entry : buttons) {
        auto* item = new Tmy_Btn(entry.Caption, dialog, x, 10, 76, victimHeight);
        Colour(item);
        if (entry.Handler)
            item->OnClick.Set(this, entry.Handler);
        else
            item->SetModalResult(1);
        x += 82;
    }
    TmyControlGuard watch(dialog);
    dialog->RunModal(root->GetWindow());
    if (watch.Alive())
        delete dialog;
    return 0;
}

int TmyHostileGallery::DeleteContainer(Tmy_Btn*)
{
    delete Slots[SlotContainer];
    return 0;
}

int TmyHostileGallery::CloseRoot(Tmy_Btn* button)
{
    PostMessageA(button->GetRoot()->GetWindow(), WM_CLOSE, 0, 0);
    return 0;
}

int TmyHostileGallery::DeleteRoot(Tmy_Btn* button)
{
    delete button->GetRoot();
    return 0;
}
