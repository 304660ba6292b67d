// The gallery's hostile mode (command-line switch /hostile): below the
// widgets stands a strip of widgets whose handlers delete them, their
// container or each other, also from inside their own events, and open
// message boxes and a dialog whose modal loops later input has to end. A
// keeper control re-creates whatever is missing on a control timer, so
// random input keeps finding victims.
#pragma once

#include <windows.h>

#include "myObject.h"

class TmyComponent;
class TmyControl;
class Tmy_Btn;
class Tmy_Label;

// The switch that turns the hostile mode on.
constexpr const char* galleryHostileSwitch = "/hostile";
// The hostile strip inside the gallery's client area.
constexpr RECT galleryHostileArea{10, 340, 630, 462};

class TmyHostileGallery : public TmyObject {
public:
    // Builds the strip in window and starts the keeper.
    explicit TmyHostileGallery(TmyComponent* window);
    // Nothing of the window is touched: the window and its controls are gone.
    ~TmyHostileGallery() override;
    TmyHostileGallery(const TmyHostileGallery&) = delete;
    TmyHostileGallery& operator=(const TmyHostileGallery&) = delete;

    // The slots of the strip, each refilled by its maker when empty.
    enum Slot : int {
        SlotContainer,     // the windowless panel holding the windowless victims
        SlotVanish,        // Tmy_Btn deleted by its own OnClick
        SlotVanishUp,      // Tmy_Btn2 deleted by its own OnMouseUp (also on a double click)
        SlotBox,           // Tmy_Btn whose message box outlives it (its own timer deletes it)
        SlotDialog,        // Tmy_Btn opening a modal dialog
        SlotRebuild,       // Tmy_Btn deleting its own container from OnClick
        SlotTicker,        // Tmy_Label deleting itself from its own OnTimer
        SlotKeyEdit,       // Tmy_Edit deleted by OnKeyDown on Delete or Enter
        SlotFocusEdit,     // Tmy_Edit deleted by OnFocusChange when it loses the focus
        SlotClickLabel,    // Tmy_Label deleted on a double click or a right-button release
        SlotWheelBar,      // Tmy_ScrollBar deleted by the mouse wheel, disabled by every third change
        SlotGrid,          // TmyStringGrid deleted by a cell click
        SlotRepeatOff,     // Tmy_Btn disabling itself from OnAutoRepeat
        SlotRepeatVanish,  // Tmy_Btn deleted by OnAutoRepeat
        SlotCloseButton,   // TmyButton (own window) deleted by its own OnClick
        SlotRepeatButton,  // TmyButton disabling itself from OnAutoRepeat
        SlotCount,
    };

    // Handlers (the sender is the control the event came from).
    template <typename Sender, typename... Rest>
    int DeleteSender(Sender sender, Rest...)
    {
        delete sender;
        return 0;
    }
    int Forget(TmyControl* control);
    int DeleteOnKey(TmyControl* edit, unsigned key, unsigned flags);
    int DeleteOnFocusLoss(TmyControl* edit, int gained);
    int DeleteOnTick(TmyControl* ticker, UINT_PTR id);
    int Refill(TmyControl* keeper, UINT_PTR id);
    int OpenBox(Tmy_Btn* button);
    int OpenDialog(Tmy_Btn* button);
    int DeleteContainer(Tmy_Btn* button);
    // In the dialog: close it with WM_CLOSE, or delete it inside its own loop.
    int CloseRoot(Tmy_Btn* button);
    int DeleteRoot(Tmy_Btn* button);
    template <typename Sender>
    int DisableAfterRepeats(Sender sender)
    {
        if (++Repeats % repeatsBeforeDisable == 0)
            sender->SetEnabled(0);
        return 0;
    }

private:
    static constexpr int repeatsBeforeDisable = 3;
    static constexpr unsigned keeperPeriodMs = 400;
    static constexpr unsigned tickerPeriodMs = 150;
    static constexpr unsigned boxVictimDelayMs = 250;

    void Make(int slot);
    void MakeWindowless(int slot);
    void MakeWindowed(int slot);
    Tmy_Btn* MakeButton(int slot, const char* caption, int x, int y);
    // Re-enables what disabled itself, so it can be driven again.
    void Revive();

    TmyComponent* Window;
    TmyControl* Keeper;
    TmyControl* Slots[SlotCount] = {};
    int Repeats = 0;
};
