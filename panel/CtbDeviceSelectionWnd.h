// CtbDeviceSelectionWnd: the small modal window that lists the serial numbers
// of the attached converters and returns the one the user picks with OK, or
// none on Cancel or when it is closed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "myComponents.h"

class Tmy_Btn;
class Tmy_Btn2;
class Tmy_Label;
class TmyStringGrid;

// Size of the result buffer: a serial number of at most 19 characters and its zero.
constexpr int SelectionResultSize = 20;
// Rows the list shows without its vertical scroll bar.
constexpr int SelectionVisibleRows = 9;

class CtbDeviceSelectionWnd : public TmyComponent {
public:
    // A hidden window, centred on the screen, owned by owner.
    explicit CtbDeviceSelectionWnd(HWND owner);
    ~CtbDeviceSelectionWnd() override;

    // Empties the list and makes room for count converters (a negative count
    // lists none); row 0 is selected.
    void SetDeviceCount(int count);
    void AddDevice(int row, const char* serial);
    // The chosen serial number, zero-terminated, or 20 zero bytes when none
    // was chosen.
    void Result(char (&buffer)[SelectionResultSize]) const;

    TmyStringGrid* GetList() const { return List; }
    Tmy_Btn2* GetOkButton() const { return OkButton; }
    Tmy_Btn2* GetCancelButton() const { return CancelButton; }
    int GetChosenRow() const { return ChosenRow; }

private:
    void CreateList(int top);
    Tmy_Btn2* CreateButton(const char* caption, int x, int y);
    // A selection outside the listed converters falls back to the last one.
    int ClampSelection(TmyStringGrid* list);
    int OnOkClick(Tmy_Btn* button);
    int OnCancelClick(Tmy_Btn* button);

    // Fields, in the order the rest of the program relies on.
    Tmy_Label* Title;
    TmyStringGrid* List;
    Tmy_Btn2* OkButton;
    Tmy_Btn2* CancelButton;
    int32_t DeviceCount;
    int32_t ChosenRow;
};
