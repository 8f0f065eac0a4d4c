// A platform made of fakes that fail the way the platform fails. Windows are records and
// messages are delivered straight to a dialog's sink; files, keys and adapters live in maps.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

std::string Narrow(std::u16string_view text);
WideString Wide(const std::string& text);

struct FakeAppServices : IAppServices {
    WideString GetModuleFileName() override { return u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe"; }
    unsigned long CreateOwnedMutex(const WideString& name) override { return mutexName = Narrow(name), 0; }
    void InitCommonControls(unsigned) override {}
    int StartSockets(std::uint16_t, std::uint16_t& version) override { return version = socketsVersion, socketsResult; }
    void CleanupSockets() override {}
    void SetSocketsLastError(int) override {}
    bool RestartSystem() override { return ++restarts > 0; }

    std::string mutexName;
    int socketsResult = 0;
    std::uint16_t socketsVersion = 0x0101;
    int restarts = 0;
};

// Every string reads "#<id>" unless the test gives it a text.
struct FakeResources : IResources {
    WideString LoadString(unsigned id) const override;
    IconHandle LoadIcon(unsigned id) const override { return reinterpret_cast<IconHandle>(std::uintptr_t{id}); }
    MenuHandle LoadMenu(unsigned id) const override { return reinterpret_cast<MenuHandle>(std::uintptr_t{id}); }
    std::map<unsigned, WideString> strings{{104, u"TolvexPhoneBook.pbk"}, {105, u"Tolvex Cell VPN"}};
};

struct FakeSystemInfo : ISystemInfo {
    bool GetVersionEx(OsVersionInfo& info) override { return info = {major, minor}, true; }
    bool GetSystemDirectory(WideString& path, unsigned) override { return Give(systemDirectory, path); }
    bool GetAppDataFolder(WideString& path) override { return Give(appData, path); }
    bool IsUserAnAdmin() override { return admin; }
    WideString DescribeError(long code) override { return WideString::Format(u"error %d", {static_cast<int>(code)}); }
    static bool Give(const std::optional<WideString>& value, WideString& path) { return value && (path = *value, true); }

    std::uint32_t major = 6;
    std::uint32_t minor = 1;
    bool admin = true;
    std::optional<WideString> systemDirectory = WideString(u"C:\\Windows\\system32");
    std::optional<WideString> appData = WideString(u"C:\\Users\\u\\AppData\\Roaming");
};

struct FakeWindow {
    int id = 0;
    IDialogSink* sink = nullptr;
    WideString text;
    bool visible = false;
    bool enabled = true;
    std::vector<WindowHandle> children;
};

struct FakeMessageBox {
    std::string text;
    std::string caption;
    unsigned type = 0;
    WindowHandle owner = nullptr;
};

class FakeWindowSystem : public IWindowSystem {
public:
    std::map<unsigned, std::vector<int>> templates;  // template -> control ids in window order
    std::deque<int> answers;                         // message boxes' answers; IDOK when none left
    std::function<void()> whileBoxOpen;              // runs inside the next message box
    std::deque<std::function<void()>> steps;         // run one by one when the queue is empty
    std::vector<FakeMessageBox> boxes;
    std::vector<std::pair<unsigned, NotifyIconRecord>> notifications;
    std::vector<std::string> events;                 // what a user would see, in order
    std::set<unsigned> allowedMessages;
    WindowHandle focus = nullptr;

    FakeWindow& Window(WindowHandle hwnd) { return m_windows.at(hwnd); }
    WindowHandle Control(WindowHandle dialog, int id);
    std::intptr_t Deliver(WindowHandle hwnd, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    void Post(Message msg) { m_queue.push_back(msg); }

    WindowHandle CreateDialogFromTemplate(unsigned templateId, WindowHandle owner, IDialogSink& sink) override;
    void DestroyWindow(WindowHandle hwnd) override;
    bool IsDialogMessage(WindowHandle, Message&) override { return false; }
    std::vector<ChildControl> GetChildControls(WindowHandle dialog) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override { return Control(dialog, id); }
    bool PeekMessage(Message& msg) override { return !m_queue.empty() && (msg = m_queue.front(), true); }
    bool GetMessage(Message& msg) override;
    void TranslateAndDispatch(const Message& msg) override { Deliver(msg.hwnd, msg.message, msg.wParam, msg.lParam); }
    void PostQuitMessage(int) override {}
    void PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        Post({hwnd, message, wParam, lParam, {}});
    }
    std::intptr_t SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void DefaultProcessing(WindowHandle, unsigned message, std::uintptr_t, std::intptr_t) override
    {
        events.push_back("default processing " + std::to_string(message));
    }
    void ShowWindow(WindowHandle hwnd, int command) override;
    bool IsIconic(WindowHandle) override { return false; }
    bool IsWindowVisible(WindowHandle hwnd) override { return Window(hwnd).visible; }
    void SetForegroundWindow(WindowHandle) override {}
    void SetFocus(WindowHandle hwnd) override { focus = hwnd; }
    WindowHandle GetFocus() override { return focus; }
    void EnableWindow(WindowHandle hwnd, bool enable) override;
    WideString GetWindowText(WindowHandle hwnd) override { return Window(hwnd).text; }
    void SetWindowText(WindowHandle hwnd, const WideString& text) override;
    long GetExStyle(WindowHandle) override { return 0; }
    void SetExStyle(WindowHandle, long) override {}
    void SetLayeredWindowAttributes(WindowHandle, std::uint32_t, std::uint8_t, unsigned) override {}
    WindowHandle FindWindowByCaption(const WideString&) override { return nullptr; }
    WindowHandle GetLastActivePopup(WindowHandle hwnd) override { return hwnd; }
    void SetTimer(WindowHandle, std::uintptr_t, unsigned) override {}
    MenuHandle GetSystemMenu(WindowHandle, bool) override { return this; }
    void AppendMenuItem(MenuHandle, unsigned, const WideString&) override {}
    void AppendMenuSeparator(MenuHandle) override {}
    MenuHandle GetSubMenu(MenuHandle menu, int) override { return menu; }
    void TrackPopupMenu(MenuHandle, unsigned, Point, WindowHandle) override { events.push_back("popup menu"); }
    void DestroyMenu(MenuHandle) override {}
    Point GetCursorPos() override { return {}; }
    DeviceContext BeginPaint(WindowHandle) override { return nullptr; }
    void EndPaint(WindowHandle) override {}
    int GetSystemMetrics(int) override { return 32; }
    Rect GetClientRect(WindowHandle) override { return {}; }
    void DrawIcon(DeviceContext, int, int, IconHandle) override {}
    int MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type) override;
    void NotifyIcon(unsigned operation, const NotifyIconRecord& record) override { notifications.emplace_back(operation, record); }
    unsigned RegisterWindowMessage(const WideString&) override { return 0xC123; }
    void AllowMessageFromLowerPrivilege(WindowHandle, unsigned message) override { allowedMessages.insert(message); }

private:
    WindowHandle AddWindow(FakeWindow window);

    std::map<WindowHandle, FakeWindow> m_windows;
    std::deque<Message> m_queue;
    std::intptr_t m_nextHandle = 0x1000;
};

// Files and folders by path; each operation is counted, and the one numbered failAt fails.
class FakeFileSystem : public IFileSystem {
public:
    struct Node {
        std::string bytes;
        bool directory = false;
        bool readOnly = false;
        bool held = false;  // open in another program, without sharing
    };

    std::map<std::string, Node> nodes;
    std::set<std::string> open;       // paths this program has open
    int failAt = -1;
    unsigned long failWith = 29;        // ERROR_WRITE_FAULT
    unsigned long replaceOutcome = 0;   // ReplaceFileW's result: 0, 1175, 1176, 1177 or another
    int operations = 0;

    void Put(const std::string& path, std::string bytes) { nodes[path].bytes = std::move(bytes); }
    std::optional<std::string> Bytes(const std::string& path) const;
    // Counts an operation; true when it is the one that fails.
    bool Fails() { return operations++ == failAt; }
    unsigned long Refusal(const std::string& path);

    std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) override;
    bool FileExists(const WideString& path) override { return nodes.count(Narrow(path)) != 0; }
    void CreateDirectory(const WideString& path) override { nodes[Narrow(path)].directory = true; }
    unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement, const WideString& backup) override;
    unsigned long MoveFile(const WideString& from, const WideString& to) override;
    unsigned long DeleteFile(const WideString& path) override;
    std::vector<WideString> FindFiles(const WideString& folder, const WideString& pattern) override;
};

struct FakeShellStart {
    std::optional<std::string> verb;
    std::string file;
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int show = -1;
};

struct FakeShell : IShell {
    std::intptr_t Execute(WindowHandle, const std::optional<WideString>& verb, const WideString& file,
                          const std::optional<WideString>& parameters, const std::optional<WideString>& directory,
                          int showCommand) override;
    std::vector<FakeShellStart> starts;
};

struct FakeAdapter {
    std::u16string name;
    std::uint32_t ifType = 0;
};

struct FakeAdapters : IAdapters {
    unsigned long GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer, std::uint32_t& size) override;
    AdapterRecord ReadRecord(const void* record) override;

    std::vector<FakeAdapter> adapters;
    std::optional<unsigned long> sizingResult;   // ERROR_BUFFER_OVERFLOW when absent
    std::optional<std::uint32_t> neededSize;     // what the list needs when absent
    std::optional<unsigned long> fillingResult;  // what the platform would answer when absent
};

// HKEY_LOCAL_MACHINE; names compare without regard to letter case, as the platform's do.
class FakeRegistry : public IRegistry {
public:
    struct Key {
        std::map<std::string, std::pair<std::uint32_t, std::string>> values;  // name -> type, bytes
        bool refuseWrite = false;  // opening for writing or with full access, or creating
        long setResult = 0;
    };

    void Set(const std::string& key, const std::string& name, std::uint32_t type, std::string bytes);
    void SetDword(const std::string& key, const std::string& name, std::uint32_t value);
    std::optional<std::string> Get(const std::string& key, const std::string& name);
    void Remove(const std::string& key, const std::string& name) { KeyAt(key).values.erase(Lower(name)); }
    Key& KeyAt(const std::string& key) { return keys[Lower(key)]; }
    static std::string Lower(std::string text);

    std::map<std::string, Key> keys;
    int openKeys = 0;
    int writes = 0;

    long OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) override;
    long CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) override;
    long QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size, std::uint32_t& type) override;
    long SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data, std::uint32_t size) override;
    void CloseKey(RegistryKey) override { --openKeys; }
    // A handle is the address of its key's record.
    static Key& Of(RegistryKey key) { return *reinterpret_cast<Key*>(key); }
};

constexpr const char* kPolicyAgentKey = "SYSTEM\\CurrentControlSet\\services\\PolicyAgent";
constexpr const char* kIpsecKey = "SYSTEM\\CurrentControlSet\\Services\\IPsec";
constexpr const char* kNdisWanKey = "SYSTEM\\CurrentControlSet\\services\\NdisWan\\Parameters\\Protocols\\0";
constexpr const char* kEncapsulation = "AssumeUDPEncapsulationContextOnSendRule";

// The whole platform, with the IPsec values in place as on a machine already prepared.
struct FakePlatform {
    FakePlatform();

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
