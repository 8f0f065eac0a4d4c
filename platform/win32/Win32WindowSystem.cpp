#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/Win32DynamicCalls.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

#if !defined(_WIN64)
static_assert(sizeof(NOTIFYICONDATAW) == 956, "the full notification record of 32-bit builds");
#endif

namespace {

HWND ToHwnd(WindowHandle hwnd) { return static_cast<HWND>(hwnd); }
HMENU ToHmenu(MenuHandle menu) { return static_cast<HMENU>(menu); }

// Messages whose result a dialog procedure returns directly instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    return message == WM_INITDIALOG || message == WM_QUERYDRAGICON || message == WM_COMPAREITEM
        || message == WM_VKEYTOITEM || message == WM_CHARTOITEM
        || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

// The message whose default processing a handler asked for from within the dialog procedure:
// while it runs, the procedure hands that message straight on to the default.
struct DefaultProcessingRun {
    HWND hwnd = nullptr;
    UINT message = 0;
};
DefaultProcessingRun g_defaultRun;

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == g_defaultRun.hwnd && message == g_defaultRun.message)
        return FALSE;
    if (message == WM_INITDIALOG)
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* sink = reinterpret_cast<IDialogSink*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (sink == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    std::intptr_t result = 0;
    if (!sink->OnWindowMessage(hwnd, message, wParam, lParam, result))
        return FALSE;
    if (ReturnsResultDirectly(message))
        return result;
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

Message FromMsg(const MSG& msg)
{
    return {msg.hwnd, msg.message, msg.wParam, msg.lParam, {msg.pt.x, msg.pt.y}};
}

MSG ToMsg(const Message& msg)
{
    MSG native{};
    native.hwnd = ToHwnd(msg.hwnd);
    native.message = msg.message;
    native.wParam = msg.wParam;
    native.lParam = msg.lParam;
    native.pt = {msg.pt.x, msg.pt.y};
    return native;
}

}  // namespace

WindowHandle CWin32WindowSystem::CreateDialogFromTemplate(unsigned templateId, WindowHandle owner,
                                                          IDialogSink& sink)
{
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), ToHwnd(owner),
                                DialogProc, reinterpret_cast<LPARAM>(&sink));
}

void CWin32WindowSystem::DestroyWindow(WindowHandle hwnd) { ::DestroyWindow(ToHwnd(hwnd)); }

bool CWin32WindowSystem::IsDialogMessage(WindowHandle dialog, Message& msg)
{
    MSG native = ToMsg(msg);
    return ::IsDialogMessageW(ToHwnd(dialog), &native) != FALSE;
}

std::vector<ChildControl> CWin32WindowSystem::GetChildControls(WindowHandle dialog)
{
    std::vector<ChildControl> children;
    for (HWND child = ::GetWindow(ToHwnd(dialog), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back({child, ::GetDlgCtrlID(child)});
    return children;
}

WindowHandle CWin32WindowSystem::GetDlgItem(WindowHandle dialog, int id) { return ::GetDlgItem(ToHwnd(dialog), id); }

bool CWin32WindowSystem::PeekMessage(Message& msg)
{
    MSG native{};
    if (!::PeekMessageW(&native, nullptr, 0, 0, PM_NOREMOVE))
        return false;
    msg = FromMsg(native);
    return true;
}

bool CWin32WindowSystem::GetMessage(Message& msg)
{
    MSG native{};
    const BOOL result = ::GetMessageW(&native, nullptr, 0, 0);
    msg = FromMsg(native);
    return result > 0;
}

void CWin32WindowSystem::TranslateAndDispatch(const Message& msg)
{
    const MSG native = ToMsg(msg);
    ::TranslateMessage(&native);
    ::DispatchMessageW(&native);
}

void CWin32WindowSystem::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

void CWin32WindowSystem::PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    ::PostMessageW(ToHwnd(hwnd), message, wParam, lParam);
}

std::intptr_t CWin32WindowSystem::SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                              std::intptr_t lParam)
{
    return ::SendMessageW(ToHwnd(hwnd), message, wParam, lParam);
}

std::optional<std::intptr_t> CWin32WindowSystem::SendMessageTimeout(WindowHandle hwnd, unsigned message,
                                                                    std::uintptr_t wParam, std::intptr_t lParam,
                                                                    unsigned milliseconds, unsigned long& error)
{
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(ToHwnd(hwnd), message, wParam, lParam, SMTO_ABORTIFHUNG, milliseconds, &answer)) {
        error = ::GetLastError();
        return std::nullopt;
    }
    error = ERROR_SUCCESS;
    return static_cast<std::intptr_t>(answer);
}

void CWin32WindowSystem::ReplyMessage(std::intptr_t result) { ::ReplyMessage(result); }

void CWin32WindowSystem::DefaultProcessing(WindowHandle dialog, unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam)
{
    const DefaultProcessingRun outer = g_defaultRun;
    g_defaultRun = {ToHwnd(dialog), message};
    ::DefDlgProcW(ToHwnd(dialog), message, wParam, lParam);
    g_defaultRun = outer;
}

void CWin32WindowSystem::ShowWindow(WindowHandle hwnd, int command) { ::ShowWindow(ToHwnd(hwnd), command); }
bool CWin32WindowSystem::IsIconic(WindowHandle hwnd) { return ::IsIconic(ToHwnd(hwnd)) != FALSE; }
bool CWin32WindowSystem::IsWindowVisible(WindowHandle hwnd) { return ::IsWindowVisible(ToHwnd(hwnd)) != FALSE; }
void CWin32WindowSystem::SetForegroundWindow(WindowHandle hwnd) { ::SetForegroundWindow(ToHwnd(hwnd)); }
void CWin32WindowSystem::SetFocus(WindowHandle hwnd) { ::SetFocus(ToHwnd(hwnd)); }
WindowHandle CWin32WindowSystem::GetFocus() { return ::GetFocus(); }
void CWin32WindowSystem::EnableWindow(WindowHandle hwnd, bool enable) { ::EnableWindow(ToHwnd(hwnd), enable); }

WideString CWin32WindowSystem::GetWindowText(WindowHandle hwnd)
{
    const int length = ::GetWindowTextLengthW(ToHwnd(hwnd));
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextW(ToHwnd(hwnd), buffer.data(), length + 1);
    return FromWide(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

void CWin32WindowSystem::SetWindowText(WindowHandle hwnd, const WideString& text)
{
    ::SetWindowTextW(ToHwnd(hwnd), ToWide(text));
}

long CWin32WindowSystem::GetExStyle(WindowHandle hwnd) { return ::GetWindowLongW(ToHwnd(hwnd), GWL_EXSTYLE); }
void CWin32WindowSystem::SetExStyle(WindowHandle hwnd, long exStyle) { ::SetWindowLongW(ToHwnd(hwnd), GWL_EXSTYLE, exStyle); }

void CWin32WindowSystem::SetLayeredWindowAttributes(WindowHandle hwnd, std::uint32_t colorKey, std::uint8_t alpha,
                                                    unsigned flags)
{
    dyn::SetLayeredWindowAttributes(ToHwnd(hwnd), colorKey, alpha, flags);
}

std::vector<WindowHandle> CWin32WindowSystem::FindWindows(const WideString& className, const WideString& caption)
{
    std::vector<WindowHandle> windows;
    for (HWND found = nullptr; (found = ::FindWindowExW(nullptr, found, ToWide(className), ToWide(caption))) != nullptr;)
        windows.push_back(found);
    return windows;
}

WindowHandle CWin32WindowSystem::GetLastActivePopup(WindowHandle hwnd) { return ::GetLastActivePopup(ToHwnd(hwnd)); }

void CWin32WindowSystem::SetTimer(WindowHandle hwnd, std::uintptr_t id, unsigned milliseconds)
{
    ::SetTimer(ToHwnd(hwnd), id, milliseconds, nullptr);
}

MenuHandle CWin32WindowSystem::GetSystemMenu(WindowHandle hwnd, bool revert) { return ::GetSystemMenu(ToHwnd(hwnd), revert); }

void CWin32WindowSystem::AppendMenuItem(MenuHandle menu, unsigned id, const WideString& text)
{
    ::AppendMenuW(ToHmenu(menu), MF_STRING, id, ToWide(text));
}

void CWin32WindowSystem::AppendMenuSeparator(MenuHandle menu) { ::AppendMenuW(ToHmenu(menu), MF_SEPARATOR, 0, nullptr); }
MenuHandle CWin32WindowSystem::GetSubMenu(MenuHandle menu, int position) { return ::GetSubMenu(ToHmenu(menu), position); }

void CWin32WindowSystem::TrackPopupMenu(MenuHandle menu, unsigned flags, Point at, WindowHandle owner)
{
    ::TrackPopupMenu(ToHmenu(menu), flags, at.x, at.y, 0, ToHwnd(owner), nullptr);
}

void CWin32WindowSystem::DestroyMenu(MenuHandle menu) { ::DestroyMenu(ToHmenu(menu)); }

Point CWin32WindowSystem::GetCursorPos()
{
    POINT pt{};
    ::GetCursorPos(&pt);
    return {pt.x, pt.y};
}

DeviceContext CWin32WindowSystem::BeginPaint(WindowHandle hwnd) { return ::BeginPaint(ToHwnd(hwnd), &m_paint); }
void CWin32WindowSystem::EndPaint(WindowHandle hwnd) { ::EndPaint(ToHwnd(hwnd), &m_paint); }
int CWin32WindowSystem::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

Rect CWin32WindowSystem::GetClientRect(WindowHandle hwnd)
{
    RECT rc{};
    ::GetClientRect(ToHwnd(hwnd), &rc);
    return {rc.left, rc.top, rc.right, rc.bottom};
}

void CWin32WindowSystem::DrawIcon(DeviceContext dc, int x, int y, IconHandle icon)
{
    ::DrawIcon(static_cast<HDC>(dc), x, y, static_cast<HICON>(icon));
}

int CWin32WindowSystem::MessageBox(WindowHandle owner, const WideString& text, const WideString& caption,
                                   unsigned type)
{
    return ::MessageBoxW(ToHwnd(owner), ToWide(text), ToWide(caption), type);
}

bool CWin32WindowSystem::SetClipboardText(WindowHandle owner, const WideString& text)
{
    if (!::OpenClipboard(ToHwnd(owner)))
        return false;
    const std::size_t bytes = (text.Length() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (void* at = memory != nullptr ? ::GlobalLock(memory) : nullptr) {
        std::memcpy(at, ToWide(text), bytes);
        ::GlobalUnlock(memory);
    }
    // The clipboard owns the memory once it took it.
    const bool taken = memory != nullptr && ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!taken && memory != nullptr)
        ::GlobalFree(memory);
    ::CloseClipboard();
    return taken;
}

void CWin32WindowSystem::NotifyIcon(unsigned operation, const NotifyIconRecord& record)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = ToHwnd(record.hWnd);
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    data.uCallbackMessage = record.uCallbackMessage;
    data.hIcon = static_cast<HICON>(record.hIcon);
    static_assert(sizeof(data.szTip) == sizeof(record.szTip));
    std::copy(std::begin(record.szTip), std::end(record.szTip), data.szTip);
    ::Shell_NotifyIconW(operation, &data);
}

unsigned CWin32WindowSystem::RegisterWindowMessage(const WideString& name)
{
    return ::RegisterWindowMessageW(ToWide(name));
}

void CWin32WindowSystem::AllowMessageFromLowerPrivilege(WindowHandle hwnd, unsigned message)
{
    dyn::AllowMessageFromLowerPrivilege(ToHwnd(hwnd), message);
}
