// Windows, dialogs, menus, the message queue, painting, timers, message boxes and the
// notification area: the user-interface calls of the platform, one to one.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/WideString.h"
#include "platform/Types.h"

// Receives the messages of a dialog window the platform created from a template.
class IDialogSink {
public:
    virtual ~IDialogSink() = default;
    // Returns true when the message was handled with result; false hands it to the platform's
    // dialog default processing.
    virtual bool OnWindowMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t lParam, std::intptr_t& result) = 0;
};

struct ChildControl {
    WindowHandle hwnd = nullptr;
    int id = 0;
};

class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    // Dialogs. Creation runs WM_INITDIALOG through the sink before it returns.
    virtual WindowHandle CreateDialogFromTemplate(unsigned templateId, WindowHandle owner,
                                                  IDialogSink& sink) = 0;
    virtual void DestroyWindow(WindowHandle hwnd) = 0;
    virtual bool IsDialogMessage(WindowHandle dialog, Message& msg) = 0;
    // The dialog's children in window order, which is the order of the dialog layout.
    virtual std::vector<ChildControl> GetChildControls(WindowHandle dialog) = 0;
    virtual WindowHandle GetDlgItem(WindowHandle dialog, int id) = 0;

    // The message queue of the calling thread.
    virtual bool PeekMessage(Message& msg) = 0;  // looks without removing
    virtual bool GetMessage(Message& msg) = 0;   // false on WM_QUIT
    virtual void TranslateAndDispatch(const Message& msg) = 0;
    virtual void PostQuitMessage(int exitCode) = 0;
    virtual void PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
    virtual std::intptr_t SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) = 0;
    // Sends to a window of any process and waits at most the time given: its answer, or none when
    // it did not answer, with the system's reason (hung, not in time, its process gone; or
    // ERROR_ACCESS_DENIED: the window's process runs with higher rights and filters the message).
    virtual std::optional<std::intptr_t> SendMessageTimeout(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                                            std::intptr_t lParam, unsigned milliseconds,
                                                            unsigned long& error) = 0;
    // Answers the message being handled now, sent by another thread or process, which goes on
    // while the handler does.
    virtual void ReplyMessage(std::intptr_t result) = 0;
    // The dialog's default processing of a message, run now from within its handler.
    virtual void DefaultProcessing(WindowHandle dialog, unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) = 0;

    // Windows.
    virtual void ShowWindow(WindowHandle hwnd, int command) = 0;
    virtual bool IsIconic(WindowHandle hwnd) = 0;
    virtual bool IsWindowVisible(WindowHandle hwnd) = 0;
    virtual void SetForegroundWindow(WindowHandle hwnd) = 0;
    virtual void SetFocus(WindowHandle hwnd) = 0;
    virtual WindowHandle GetFocus() = 0;
    virtual void EnableWindow(WindowHandle hwnd, bool enable) = 0;
    virtual WideString GetWindowText(WindowHandle hwnd) = 0;
    virtual void SetWindowText(WindowHandle hwnd, const WideString& text) = 0;
    virtual long GetExStyle(WindowHandle hwnd) = 0;
    virtual void SetExStyle(WindowHandle hwnd, long exStyle) = 0;
    // Looks "SetLayeredWindowAttributes" up in user32 at run time and calls it when found.
    virtual void SetLayeredWindowAttributes(WindowHandle hwnd, std::uint32_t colorKey,
                                            std::uint8_t alpha, unsigned flags) = 0;
    // The top-level windows of any process with this window class and exactly this caption.
    virtual std::vector<WindowHandle> FindWindows(const WideString& className, const WideString& caption) = 0;
    virtual WindowHandle GetLastActivePopup(WindowHandle hwnd) = 0;
    virtual void SetTimer(WindowHandle hwnd, std::uintptr_t id, unsigned milliseconds) = 0;

    // Menus.
    virtual MenuHandle GetSystemMenu(WindowHandle hwnd, bool revert) = 0;
    virtual void AppendMenuItem(MenuHandle menu, unsigned id, const WideString& text) = 0;
    virtual void AppendMenuSeparator(MenuHandle menu) = 0;
    virtual MenuHandle GetSubMenu(MenuHandle menu, int position) = 0;
    virtual void TrackPopupMenu(MenuHandle menu, unsigned flags, Point at, WindowHandle owner) = 0;
    virtual void DestroyMenu(MenuHandle menu) = 0;
    virtual Point GetCursorPos() = 0;

    // Painting.
    virtual DeviceContext BeginPaint(WindowHandle hwnd) = 0;
    virtual void EndPaint(WindowHandle hwnd) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    virtual Rect GetClientRect(WindowHandle hwnd) = 0;
    virtual void DrawIcon(DeviceContext dc, int x, int y, IconHandle icon) = 0;

    virtual int MessageBox(WindowHandle owner, const WideString& text, const WideString& caption,
                           unsigned type) = 0;
    // The text on the clipboard, as Unicode text, in the owner's name; false when the clipboard
    // could not be had.
    virtual bool SetClipboardText(WindowHandle owner, const WideString& text) = 0;

    // The notification area.
    virtual void NotifyIcon(unsigned operation, const NotifyIconRecord& record) = 0;
    virtual unsigned RegisterWindowMessage(const WideString& name) = 0;
    // Lets the message reach the window from processes of lower rights (the shell, when the
    // program runs elevated), where the system has that filter.
    virtual void AllowMessageFromLowerPrivilege(WindowHandle hwnd, unsigned message) = 0;
};
