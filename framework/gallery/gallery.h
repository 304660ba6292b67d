// Layout and colours of the widget gallery window, shared by the gallery
// program and the test that starts it and checks its picture.
#pragma once

#include <windows.h>

// Title of the gallery's main window (found by it with FindWindowA).
constexpr const char* galleryTitle = "K47MXV widget gallery";
// Caption of the message box the gallery shows beside itself, without a modal loop.
constexpr const char* galleryBoxCaption = "Gallery message";
constexpr int galleryWidth = 760;    // client area, pixels
constexpr int galleryHeight = 470;
constexpr COLORREF galleryBack = RGB(48, 52, 60);
// A strip at the bottom right that no widget covers.
constexpr RECT galleryBlank{640, 400, 750, 460};

// The rows of buttons: each state one button of galleryButtonWidth pixels.
constexpr int galleryButtonWidth = 96;
constexpr int galleryButtonHeight = 28;
constexpr int galleryButtonStep = 104;
constexpr int galleryButtonLeft = 110;
constexpr int galleryPanelButtonTop = 10;   // TmyButton row
constexpr int galleryBtnTop = 50;           // Tmy_Btn row
constexpr int galleryBtn2Top = 90;          // Tmy_Btn2 row
constexpr COLORREF galleryButtonFace = RGB(70, 110, 160);

// The grid: header row, fixed column, a check column and a sort mark.
constexpr RECT galleryGrid{10, 140, 400, 330};
constexpr int galleryGridColumnWidth = 90;
constexpr COLORREF galleryGridHeader = RGB(200, 120, 40);
constexpr COLORREF galleryGridField = RGB(236, 236, 228);
constexpr COLORREF galleryGridSelected = RGB(0x66, 0x66, 0xAA);
