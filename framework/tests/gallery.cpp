// The widget gallery as a user starts it: a separate process whose window is
// found by its title, captured from the screen and checked at places where
// each kind of widget must have drawn, then closed with WM_CLOSE.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "gallery/gallery.h"
#include "myTestCanvas.h"

namespace {

// Bounds of the waits for the gallery: its window, its first picture, its exit.
constexpr DWORD windowWaitMs = 30000;
constexpr DWORD pictureWaitMs = 10000;
constexpr DWORD exitWaitMs = 10000;
constexpr DWORD pollMs = 50;

std::string GalleryPath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "widget_gallery.exe";
}

// Polls until found() holds or the bound passed; true when it held.
template <typename Found>
bool WaitFor(Found found, DWORD boundMs)
{
    const DWORD start = GetTickCount();
    while (!found()) {
        if (GetTickCount() - start > boundMs)
            return false;
        Sleep(pollMs);
    }
    return true;
}

int Area(const RECT& rect)
{
    return (rect.right - rect.left) * (rect.bottom - rect.top);
}

class GalleryProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string command = "\"" + GalleryPath() + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &Process))
            << "cannot start " << command;
        CloseHandle(Process.hThread);
        ASSERT_TRUE(WaitFor([this] { return (Window = FindWindowA(nullptr, galleryTitle)) != nullptr; },
                            windowWaitMs));
        ASSERT_TRUE(WaitFor([this] { return (Box = FindWindowA(nullptr, galleryBoxCaption)) != nullptr; },
                            windowWaitMs));
    }
    // A gallery still running is closed, or ended when it does not close, and
    // waited for, so that the next test cannot find its window.
    void TearDown() override
    {
        if (!Process.hProcess)
            return;
        if (WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT) {
            PostMessageA(Window, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(Process.hProcess, exitWaitMs) == WAIT_TIMEOUT)
                TerminateProcess(Process.hProcess, 1);
            WaitForSingleObject(Process.hProcess, exitWaitMs);
        }
        CloseHandle(Process.hProcess);
    }

    // Copies the gallery's client area from the screen into canvas.
    void Capture(TmyTestCanvas& canvas)
    {
        POINT origin{0, 0};
        ClientToScreen(Window, &origin);
        HDC screen = GetDC(nullptr);
        BitBlt(canvas.Get(), 0, 0, canvas.Width, canvas.Height, screen, origin.x, origin.y, SRCCOPY);
        ReleaseDC(nullptr, screen);
    }
    // The gallery is complete once both windows show, the box beside the
    // gallery and out of its modal loop (which disables the gallery).
    bool IsComplete()
    {
        RECT gallery;
        RECT box;
        RECT overlap;
        GetWindowRect(Window, &gallery);
        GetWindowRect(Box, &box);
        return IsWindowVisible(Window) && IsWindowVisible(Box) && IsWindowEnabled(Window) &&
               !IntersectRect(&overlap, &gallery, &box);
    }
    // Captures the complete gallery until the picture passes check or the
    // bound passed (the window paints in several steps); true when it passed.
    template <typename Check>
    bool CaptureUntil(TmyTestCanvas& canvas, Check check)
    {
        return WaitFor(
            [&] {
                if (!IsComplete())
                    return false;
                Capture(canvas);
                return check(canvas);
            },
            pictureWaitMs);
    }

    PROCESS_INFORMATION Process{};
    HWND Window = nullptr;
    HWND Box = nullptr;
};

}  // namespace

// Places where each kind of widget must have drawn its own colour.
struct TmyGalleryProbe {
    explicit TmyGalleryProbe(const TmyTestCanvas& canvas)
        : Blank(canvas.Count(galleryBack, galleryBlank)),
          Header(canvas.Count(galleryGridHeader, HeaderBand())),
          Selected(canvas.Count(galleryGridSelected, galleryGrid)),
          Field(canvas.Count(galleryGridField, galleryGrid))
    {
        for (int row = 0; row < 3; ++row)
            Faces[row] = canvas.Count(galleryButtonFace, Face(row));
    }
    // A strip inside the grid's header row, below its bevel.
    static RECT HeaderBand()
    {
        return RECT{galleryGrid.left + 4, galleryGrid.top + 4, galleryGrid.right - 30, galleryGrid.top + 6};
    }
    // Left of the caption of the "Up" button of button row 0, 1 or 2.
    static RECT Face(int row)
    {
        const int tops[] = {galleryPanelButtonTop, galleryBtnTop, galleryBtn2Top};
        return RECT{galleryButtonLeft + 5, tops[row] + 6, galleryButtonLeft + 20, tops[row] + galleryButtonHeight - 6};
    }
    bool AllDrawn() const
    {
        return Blank == Area(galleryBlank) && Header > Area(HeaderBand()) / 2 && Selected > 200 && Field > 2000 &&
               Faces[0] == Area(Face(0)) && Faces[1] == Area(Face(1)) && Faces[2] == Area(Face(2));
    }

    int Blank;
    int Header;
    int Selected;
    int Field;
    int Faces[3];
};

TEST_F(GalleryProgram, EveryKindOfWidgetHasDrawn)
{
    TmyTestCanvas canvas(galleryWidth, galleryHeight);
    CaptureUntil(canvas, [](const TmyTestCanvas& picture) { return TmyGalleryProbe(picture).AllDrawn(); });
    const TmyGalleryProbe probe(canvas);
    EXPECT_EQ(Area(galleryBlank), probe.Blank);
    // The grid: its header row, the selected row and the field colour.
    EXPECT_GT(probe.Header, Area(TmyGalleryProbe::HeaderBand()) / 2);
    EXPECT_GT(probe.Selected, 200);
    EXPECT_GT(probe.Field, 2000);
    // The "Up" button of each kind shows its face colour.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Area(TmyGalleryProbe::Face(row)), probe.Faces[row]) << "button row " << row;
}

TEST_F(GalleryProgram, MessageBoxShowsWithoutBlockingAndCloseEndsTheProgram)
{
    EXPECT_TRUE(WaitFor([this] { return IsComplete(); }, pictureWaitMs));

    PostMessageA(Window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Process.hProcess, exitWaitMs));
    DWORD code = 1;
    GetExitCodeProcess(Process.hProcess, &code);
    EXPECT_EQ(0u, code);
}
