// TmyComponent: a control that owns one window. It turns the window's
// messages into the control model (window procedure, input routing, painting
// of its windowless descendants), and can run a modal message loop.
#pragma once

#include <windows.h>

#include "myControl.h"

class TmyBitmapDD;

// Window messages of the framework.
constexpr UINT MsgVisibility = 0x7998;     // posted to itself when the window was shown or hidden
constexpr UINT MsgControlBase = 0x7999;    // + code: control messages, lParam = target control
constexpr UINT myUserMessageLast = 0x7997; // WM_USER..this: delivered as UserMessage
constexpr unsigned myMaxUserCode = 0x4000; // PostUserMessage refuses codes above it

class TmyComponent : public TmyControl {
public:
    // Creates the window; x = y = -1 centres it on the work area. The parent
    // control is the framework control of parentWindow, if any.
    TmyComponent(const char* title, DWORD style, DWORD exStyle, int x, int y, int width, int height,
                 HWND parentWindow);

    // Overrides of TmyControl slots.
    ~TmyComponent() override;
    void Paint(HDC dc) override;
    int IsFocused() override;
    POINT GetWindowOffset(POINT point) override;
    TmyComponent* GetRoot() override;
    void InvalidateRegion(HRGN region) override;
    void Update() override;
    int SetEnabled(int enabled) override;
    void SetVisible(int shown) override;
    int IsEnabled() override;
    int IsVisible() override;
    HDC BeginDraw() override;
    void EndDraw(HDC dc) override;
    int GetHeight() override;
    int GetWidth() override;
    void FitToChildren(int extraWidth, int extraHeight) override;
    POINT GetScreenPos(POINT point, int clientOrigin) override;
    void SetBounds(int x, int y, int width, int height) override;
    void Move(int x, int y) override;
    void Resize(int width, int height) override;
    void SetFont(HFONT font) override;
    void SetBorderWidth(int width) override;
    void SetBorderStyle(int style) override;

    // The order of the virtual operations appended below is part of the
    // class's contract.
    virtual void SyncBounds();
    virtual LRESULT EraseBackground(HDC dc);
    virtual LRESULT Command(WPARAM parameter);
    virtual LRESULT Notify(NMHDR* header);
    virtual void ContextMenu(int x, int y);
    virtual void ComponentCreated(TmyComponent* component);
    virtual void UserMessage(unsigned code, WPARAM wParam, LPARAM lParam);
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void SetTextString(const TmyString& text);
    virtual void SetText(const char* text);
    virtual TmyString GetTextString();
    virtual int GetText(char* buffer, int size);
    virtual int GetTextLength();
    virtual int SetRedraw(int on);
    virtual int IsDoubleBuffered();
    virtual void SetDoubleBuffered(int on);
    virtual int PostUserMessage(unsigned code, WPARAM wParam, LPARAM lParam);
    virtual int PostOwnControlMessage(TmyControl* target, unsigned code, WPARAM parameter);
    virtual void SetClientSize(int width, int height);

    // Operations
    // Window timer: SetTimer(window, id, milliseconds); true when it succeeded.
    int StartTimer(UINT_PTR id, unsigned milliseconds);
    void StopTimer(UINT_PTR id);
    // Runs a nested message loop until EndModal or WM_CLOSE; returns the modal result.
    int RunModal(HWND owner);
    // Ends the nearest modal loop at or above this component with result.
    void EndModal(int result);
    LONG GetStyle() const;
    int GetModalResult() const { return ModalResult; }
    int InModalLoop() const { return InModal; }
    int GetClientWidth() const { return ClientWidth; }
    int GetClientHeight() const { return ClientHeight; }
    WNDPROC GetWindowThunk() const { return WindowThunk; }

private:
    // Message handlers of WndProc (WM_SIZE, WM_PAINT, WM_WINDOWPOSCHANGED) and
    // the frame size (bounds size minus the cached client size).
    void ClientSized(int width, int height);
    LRESULT PaintMessage(HDC dc);
    void WindowPosChanged(const WINDOWPOS& pos);
    SIZE FrameSize() const;

    // Fields, in the order the rest of the framework relies on.
    WNDPROC WindowThunk;
    int32_t ModalResult;
    TmyBitmapDD* BackBuffer;
    int32_t InModal;
    int32_t ClientWidth;
    int32_t ClientHeight;
    WNDPROC PreviousWindowProc;

public:
    // Message filter: may rewrite the message number, wParam and lParam.
    TmyEvent<TmyComponent*, UINT*, WPARAM*, LPARAM*> OnMessage;
    TmyEvent<TmyComponent*, int, int> OnContextMenu;
};

// The framework control that owns window, or null (also for windows the
// framework did not create).
TmyControl* FindControl(HWND window);
