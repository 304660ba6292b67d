// CAboutWindow: the modal window of the About button. It shows the program's
// name and version, the notice line, the converter's serial number and
// firmware version and, when the configuration could be read, its range
// table: input band, local oscillator and output band with its sense.
#pragma once

#include <windows.h>

#include <cstdint>

#include "OVK47MXV_API.h"
#include "myComponents.h"

class Tmy_Label;

// Text colours (0x00BBGGRR) of the title, the device line and the table's
// even and odd rows.
constexpr COLORREF AboutTitleColor = 0x0400F2;
constexpr COLORREF AboutDeviceColor = 0x00FF00;
constexpr COLORREF AboutEvenRowColor = 0x00AA00;
constexpr COLORREF AboutOddRowColor = 0x00FF00;
// Width of the client area; its height fits the content.
constexpr int AboutClientWidth = 300;

class CAboutWindow : public TmyComponent {
public:
    // A hidden window at (0, 0) owned by owner's window. config may be null
    // and must outlive the window.
    CAboutWindow(TmyComponent* owner, const DeviceConfig* config);
    // Frees the title font and the label arrays; the labels themselves go
    // with the window.
    ~CAboutWindow() override;

    unsigned GetVersionMajor() const { return VersionMajor; }
    unsigned GetVersionMinor() const { return VersionMinor; }
    unsigned GetVersionBuild() const { return VersionBuild; }
    Tmy_Label* GetTitleLabel() const { return Title; }
    Tmy_Label* GetVersionLabel() const { return Version; }
    Tmy_Label* GetNoticeLabel() const { return Notice; }
    Tmy_Label* GetDeviceLabel() const { return Device; }
    // Rows of the range table (0 without a configuration).
    int GetRowCount() const { return RowCount; }
    Tmy_Label* GetBandLabel(int row) const { return BandLabels[row]; }
    Tmy_Label* GetOscillatorLabel(int row) const { return OscillatorLabels[row]; }
    Tmy_Label* GetOutputLabel(int row) const { return OutputLabels[row]; }

private:
    // Reads major, minor and build from the program's version record.
    void ReadVersion();
    void CreateTitleFont();
    // A label sized to its text, centred in the client width at y.
    Tmy_Label* AddCentred(const TmyString& text, int y);
    // The three headers and one row per range from y; returns the y below them.
    int AddRangeTable(int y);
    void AddRange(int row, int y);

    // Fields, in the order the rest of the program relies on.
    Tmy_Label* Title;
    Tmy_Label* Version;
    Tmy_Label* Notice;
    Tmy_Label* Device;
    Tmy_Label* BandHeader;
    Tmy_Label* OscillatorHeader;
    Tmy_Label* OutputHeader;
    Tmy_Label** BandLabels;
    Tmy_Label** OscillatorLabels;
    Tmy_Label** OutputLabels;
    HFONT TitleFont;
    uint32_t VersionMajor;
    uint32_t VersionMinor;
    uint32_t VersionBuild;
    const DeviceConfig* Config;
    int32_t RowCount;
};
