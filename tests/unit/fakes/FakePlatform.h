// A platform made of fakes: windows are records, the message queue is a deque, and every call
// the system makes is logged in order so that tests can check what happened and when.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/FakeServices.h"
#include "platform/Platform.h"


class FakeAppServices : public IAppServices {
public:
    WideString GetModuleFileName() override { return modulePath; }
    unsigned long CreateOwnedMutex(const WideString& name) override;
    void InitCommonControls(unsigned classes) override;
    int StartSockets(std::uint16_t requested, std::uint16_t& version) override;
    void CleanupSockets() override { log.push_back("WSACleanup"); }
    void SetSocketsLastError(int error) override { log.push_back("WSASetLastError " + std::to_string(error)); }

    WideString modulePath = u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe";
    unsigned long mutexLastError = 0;
    int socketsResult = 0;
    std::uint16_t socketsVersion = 0x0101;
    std::vector<std::string> log;
};

class FakeResources : public IResources {
public:
    FakeResources();
    WideString LoadString(unsigned id) const override;
    IconHandle LoadIcon(unsigned id) const override;
    MenuHandle LoadMenu(unsigned id) const override;

    std::map<unsigned, WideString> strings;
    bool menusMissing = false;
};

class FakeSystemInfo : public ISystemInfo {
public:
    bool GetVersionEx(OsVersionInfo& info) override;
    bool GetSystemDirectory(WideString& path, unsigned bufferChars) override;
    bool GetAppDataFolder(WideString& path) override;
    bool IsUserAnAdmin() override { return admin; }
    bool admin = true;
    std::uint32_t major = 6;
    std::uint32_t minor = 1;
    int versionCalls = 0;
    std::optional<WideString> systemDirectory = WideString(u"C:\\Windows\\system32");
    unsigned systemDirectoryBuffer = 0;
    std::optional<WideString> appData = WideString(u"C:\\Users\\u\\AppData\\Roaming");
    int appDataCalls = 0;
};

struct FakeWindow {
    int id = 0;
    unsigned templateId = 0;
    WindowHandle parent = nullptr;
    WindowHandle owner = nullptr;
    IDialogSink* sink = nullptr;
    WideString text;
    bool visible = false;
    bool enabled = true;
    bool iconic = false;
    bool destroyed = false;
    long exStyle = 0;
    std::vector<WindowHandle> children;
};

struct FakeMessageBox {
    WindowHandle owner = nullptr;
    std::string text;
    std::string caption;
    unsigned type = 0;
};

class FakeWindowSystem : public IWindowSystem {
public:
    FakeWindowSystem();

    // Test controls.
    std::map<unsigned, std::vector<int>> templates;  // template id -> control ids in window order
    std::map<unsigned, long> templateExStyles;
    std::map<unsigned, bool> templateVisible;         // the visible style; true when absent
    bool systemMenuMissing = false;
    bool createFails = false;
    std::deque<int> messageBoxAnswers;               // IDOK when empty
    std::function<void(const FakeMessageBox&)> onMessageBox;
    std::function<void()> onQueueEmpty;              // runs when GetMessage finds nothing to take
    WindowHandle lastDialog = nullptr;
    WindowHandle focus = nullptr;
    WindowHandle foreground = nullptr;
    std::map<std::string, WindowHandle> captions;    // windows FindWindowByCaption knows
    std::vector<FakeMessageBox> messageBoxes;
    std::vector<std::pair<unsigned, NotifyIconRecord>> notifyCalls;
    std::vector<std::pair<unsigned, std::string>> systemMenuItems;  // id 0 = separator
    std::vector<std::string> log;
    std::deque<Message> queue;

    FakeWindow& Window(WindowHandle hwnd);
    WindowHandle AddWindow(FakeWindow window);
    WindowHandle Control(WindowHandle dialog, int id);
    std::intptr_t Deliver(WindowHandle hwnd, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    void PostCommand(WindowHandle dialog, int id) { PostMessage(dialog, 0x0111, static_cast<std::uintptr_t>(id), 0); }
    int CountLog(const std::string& entry) const;

    // IWindowSystem
    WindowHandle CreateDialogFromTemplate(unsigned templateId, WindowHandle owner, IDialogSink& sink) override;
    void DestroyWindow(WindowHandle hwnd) override;
    bool IsDialogMessage(WindowHandle, Message&) override { return false; }
    std::vector<ChildControl> GetChildControls(WindowHandle dialog) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override { return Control(dialog, id); }
    bool PeekMessage(Message& msg) override;
    bool GetMessage(Message& msg) override;
    void TranslateAndDispatch(const Message& msg) override;
    void PostQuitMessage(int exitCode) override;
    void PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::intptr_t SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void ShowWindow(WindowHandle hwnd, int command) override;
    bool IsIconic(WindowHandle hwnd) override { return Window(hwnd).iconic; }
    bool IsWindowVisible(WindowHandle hwnd) override { return Window(hwnd).visible; }
    void SetForegroundWindow(WindowHandle hwnd) override;
    void SetFocus(WindowHandle hwnd) override;
    WindowHandle GetFocus() override { return focus; }
    void EnableWindow(WindowHandle hwnd, bool enable) override;
    bool IsWindowEnabled(WindowHandle hwnd) override { return Window(hwnd).enabled; }
    WideString GetWindowText(WindowHandle hwnd) override { return Window(hwnd).text; }
    void SetWindowText(WindowHandle hwnd, const WideString& text) override;
    long GetExStyle(WindowHandle hwnd) override { return Window(hwnd).exStyle; }
    void SetExStyle(WindowHandle hwnd, long exStyle) override { Window(hwnd).exStyle = exStyle; }
    void SetLayeredWindowAttributes(WindowHandle hwnd, std::uint32_t colorKey, std::uint8_t alpha, unsigned flags) override;
    WindowHandle FindWindowByCaption(const WideString& caption) override;
    WindowHandle GetLastActivePopup(WindowHandle hwnd) override { return hwnd; }
    void SetTimer(WindowHandle hwnd, std::uintptr_t id, unsigned milliseconds) override;
    MenuHandle GetSystemMenu(WindowHandle hwnd, bool revert) override;
    void AppendMenuItem(MenuHandle menu, unsigned id, const WideString& text) override;
    void AppendMenuSeparator(MenuHandle menu) override;
    MenuHandle GetSubMenu(MenuHandle menu, int position) override;
    void TrackPopupMenu(MenuHandle menu, unsigned flags, Point at, WindowHandle owner) override;
    void DestroyMenu(MenuHandle menu) override;
    Point GetCursorPos() override { return cursor; }
    DeviceContext BeginPaint(WindowHandle hwnd) override;
    void EndPaint(WindowHandle hwnd) override;
    int GetSystemMetrics(int index) override { return index == 11 || index == 12 ? 32 : 0; }
    Rect GetClientRect(WindowHandle hwnd) override;
    void DrawIcon(DeviceContext dc, int x, int y, IconHandle icon) override;
    int MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type) override;
    void NotifyIcon(unsigned operation, const NotifyIconRecord& record) override;
    unsigned RegisterWindowMessage(const WideString& name) override;

    Point cursor{100, 200};
    Rect clientRect{0, 0, 151, 47};
    int popupChoice = 0;  // command the user picks in a popup menu; 0 = none

private:
    std::map<WindowHandle, FakeWindow> m_windows;
    std::intptr_t m_nextHandle = 0x1000;
};

// The IPsec values in place, as on a machine the registry tool has already prepared.
constexpr const char* kPolicyAgentKey = "SYSTEM\\CurrentControlSet\\services\\PolicyAgent";
constexpr const char* kIpsecKey = "SYSTEM\\CurrentControlSet\\Services\\IPsec";
constexpr const char* kNdisWanKey = "SYSTEM\\CurrentControlSet\\services\\NdisWan\\Parameters\\Protocols\\0";
constexpr const char* kLinkageKey = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage";
constexpr const char* kEncapsulation = "AssumeUDPEncapsulationContextOnSendRule";

class FakePlatform {
public:
    FakePlatform()
    {
        registry.SetDword(kPolicyAgentKey, kEncapsulation, 2);
        registry.SetDword(kIpsecKey, kEncapsulation, 2);
        registry.SetDword(kNdisWanKey, "TunnelMTU", 1400);
    }

    FakeAppServices app;
    FakeResources resources;
    FakeSystemInfo system;
    FakeWindowSystem ui;
    FakeFileSystem files;
    FakeShell shell;
    FakeAdapters adapters;
    FakeRegistry registry;
    Platform platform{app, resources, system, ui, files, shell, adapters, registry};
};
