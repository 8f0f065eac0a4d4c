// A platform made of fakes that fail the way the platform fails. Windows are records and
// messages are delivered straight to a dialog's sink; files, keys and adapters live in maps.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Constants.h"
#include "platform/Platform.h"

std::string Narrow(std::u16string_view text);
WideString Wide(const std::string& text);

struct FakeAppServices : IAppServices {
    WideString GetModuleFileName() override { return u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe"; }
    WideString GetCommandLine() override { return commandLine; }
    unsigned long CreateOwnedMutex(const WideString& name) override { return mutexName = Narrow(name), mutexResult; }
    bool MutexExists(const WideString& name) override { return Narrow(name) == "TolvexDesktopWin" && mutexResult != 0; }
    std::uint32_t GetTickCount() override { return ticks; }
    // Another process may go on meanwhile.
    void Sleep(unsigned milliseconds) override
    {
        ticks += milliseconds;
        if (const auto during = std::exchange(whileAsleep, nullptr))
            during();
    }
    void InitCommonControls(unsigned) override {}
    int StartSockets(std::uint16_t, std::uint16_t& version) override { return version = socketsVersion, socketsResult; }
    // The real clean-up may leave a last error of its own.
    void CleanupSockets() override { ++cleanups, socketsLastError = 0; }
    void SetSocketsLastError(int error) override { socketsLastError = error; }
    bool RestartSystem() override { return ++restarts > 0; }

    WideString commandLine = u"\"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe\"";
    std::string mutexName;
    unsigned long mutexResult = 0;  // ERROR_ALREADY_EXISTS: a copy runs
    std::uint32_t ticks = 0;
    std::function<void()> whileAsleep;
    int cleanups = 0;
    int socketsLastError = 0;
    int socketsResult = 0;
    std::uint16_t socketsVersion = 0x0101;
    int restarts = 0;
};

// Every string reads "#<id>" unless the test gives it a text.
struct FakeResources : IResources {
    WideString LoadString(unsigned id) const override;
    IconHandle LoadIcon(unsigned id) const override { return reinterpret_cast<IconHandle>(std::uintptr_t{id}); }
    MenuHandle LoadMenu(unsigned id) const override { return reinterpret_cast<MenuHandle>(std::uintptr_t{id}); }
    WideString LoadVersion() const override { return u"1.0.0.8"; }
    std::map<unsigned, WideString> strings{{104, u"TolvexPhoneBook.pbk"}, {105, u"Tolvex Cell VPN"}};
};

struct FakeSystemInfo : ISystemInfo {
    OsVersionInfo GetVersion() override { return {major, minor}; }
    // As the system's call: a directory that does not fit the buffer with its terminator is none.
    std::optional<WideString> GetSystemDirectory(unsigned bufferChars) override
    {
        if (systemDirectory && systemDirectory->Length() >= bufferChars)
            return std::nullopt;
        return systemDirectory;
    }
    std::optional<WideString> GetAppDataFolder() override { return appData; }
    bool IsUserAnAdmin() override { return admin; }
    WideString DescribeError(long code) override { return WideString::Format(u"error %d", {static_cast<int>(code)}); }
    LocalTime GetLocalTime() override { return now; }
    unsigned GetUserInterfaceLanguage() override { return 1041; }

    std::uint32_t major = 6;
    std::uint32_t minor = 1;
    bool admin = true;
    std::optional<WideString> systemDirectory = WideString(u"C:\\Windows\\system32");
    std::optional<WideString> appData = WideString(u"C:\\Users\\u\\AppData\\Roaming");
    LocalTime now{2026, 12, 7, 9, 5, 3};
};

struct FakeWindow {
    int id = 0;
    IDialogSink* sink = nullptr;
    WideString text;
    WideString windowClass;
    bool topLevel = false;
    bool visible = false;
    bool enabled = true;
    bool iconic = false;
    long exStyle = 0;
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
    std::map<unsigned, WideString> captions;         // template -> caption
    std::set<unsigned> invisible;                    // templates without the visible style
    std::deque<int> answers;                         // message boxes' answers; IDOK when none left
    std::function<void()> whileBoxOpen;              // runs inside the next message box
    std::deque<std::function<void()>> steps;         // run one by one when the queue is empty
    std::vector<FakeMessageBox> boxes;
    std::vector<std::pair<unsigned, NotifyIconRecord>> notifications;
    std::vector<std::string> events;                 // what a user would see, in order
    std::set<unsigned> allowedMessages;
    std::map<std::string, unsigned> registered;      // registered messages by name
    std::map<std::uintptr_t, unsigned> timers;       // elapse in milliseconds by id
    Rect clientRect{0, 0, 101, 50};
    WindowHandle lastCreated = nullptr;
    WindowHandle focus = nullptr;
    bool starved = false;  // the loop asked for a message that would never come
    bool handled = false;  // the last message delivered was handled, not left to the defaults
    std::optional<std::intptr_t> reply;  // a sender answered before the handler ended
    std::set<WindowHandle> elevated;     // in a process of higher rights
    std::map<WindowHandle, int> busy;    // sends left unanswered, in time order
    WideString clipboard;

    FakeWindow& Window(WindowHandle hwnd) { return m_windows.at(hwnd); }
    WindowHandle AddTopLevel(const std::string& windowClass, const std::string& caption);
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
    void PostQuitMessage(int exitCode) override { Post({nullptr, kQuit, static_cast<std::uintptr_t>(exitCode), 0, {}}); }
    void PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        Post({hwnd, message, wParam, lParam, {}});
    }
    std::intptr_t SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // A message no handler takes is answered 0, as the dialog default answers it. A window of a
    // process with higher rights gets only the messages it let through; a busy one none.
    std::optional<std::intptr_t> SendMessageTimeout(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                                    std::intptr_t lParam, unsigned, unsigned long& error) override;
    void ReplyMessage(std::intptr_t result) override { reply = result; }
    void DefaultProcessing(WindowHandle, unsigned message, std::uintptr_t, std::intptr_t) override
    {
        events.push_back("default processing " + std::to_string(message));
    }
    void ShowWindow(WindowHandle hwnd, int command) override;
    bool IsIconic(WindowHandle hwnd) override { return Window(hwnd).iconic; }
    bool IsWindowVisible(WindowHandle hwnd) override { return Window(hwnd).visible; }
    void SetForegroundWindow(WindowHandle hwnd) override { events.push_back("foreground " + Narrow(Window(hwnd).text.view())); }
    void SetFocus(WindowHandle hwnd) override
    {
        focus = hwnd;
        events.push_back("focus");
    }
    WindowHandle GetFocus() override { return focus; }
    void EnableWindow(WindowHandle hwnd, bool enable) override;
    WideString GetWindowText(WindowHandle hwnd) override { return Window(hwnd).text; }
    void SetWindowText(WindowHandle hwnd, const WideString& text) override;
    long GetExStyle(WindowHandle hwnd) override { return Window(hwnd).exStyle; }
    void SetExStyle(WindowHandle hwnd, long exStyle) override { Window(hwnd).exStyle = exStyle; }
    // Taken only by a window that has the layered style already.
    void SetLayeredWindowAttributes(WindowHandle hwnd, std::uint32_t, std::uint8_t alpha, unsigned) override
    {
        if ((Window(hwnd).exStyle & win::WS_EX_LAYERED) != 0)
            events.push_back("opacity " + std::to_string(alpha));
    }
    std::vector<WindowHandle> FindWindows(const WideString& windowClass, const WideString& caption) override;
    WindowHandle GetLastActivePopup(WindowHandle hwnd) override { return hwnd; }
    void SetTimer(WindowHandle, std::uintptr_t id, unsigned elapseMs) override { timers[id] = elapseMs; }
    // Reverting gives the system's own menu back and no handle.
    MenuHandle GetSystemMenu(WindowHandle, bool revert) override { return revert ? nullptr : this; }
    void AppendMenuItem(MenuHandle, unsigned id, const WideString& text) override
    {
        events.push_back("menu " + std::to_string(id) + " " + Narrow(text));
    }
    void AppendMenuSeparator(MenuHandle) override { events.push_back("menu separator"); }
    // The menu resources hold a single popup.
    MenuHandle GetSubMenu(MenuHandle menu, int position) override { return position == 0 ? menu : nullptr; }
    void TrackPopupMenu(MenuHandle, unsigned, Point, WindowHandle) override { events.push_back("popup menu"); }
    void DestroyMenu(MenuHandle) override {}
    Point GetCursorPos() override { return {}; }
    DeviceContext BeginPaint(WindowHandle) override { return nullptr; }
    void EndPaint(WindowHandle) override { events.push_back("end paint"); }
    int GetSystemMetrics(int) override { return 32; }
    Rect GetClientRect(WindowHandle) override { return clientRect; }
    void DrawIcon(DeviceContext, int x, int y, IconHandle) override
    {
        events.push_back("icon drawn at " + std::to_string(x) + "," + std::to_string(y));
    }
    int MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type) override;
    bool SetClipboardText(WindowHandle, const WideString& text) override { return clipboard = text, true; }
    void NotifyIcon(unsigned operation, const NotifyIconRecord& record) override
    {
        notifications.emplace_back(operation, record);
        events.push_back("icon " + std::to_string(operation));
    }
    // One number per name, from 0xC000 as the system hands them out.
    unsigned RegisterWindowMessage(const WideString& name) override
    {
        return registered.emplace(Narrow(name), 0xC000 + static_cast<unsigned>(registered.size())).first->second;
    }
    void AllowMessageFromLowerPrivilege(WindowHandle, unsigned message) override { allowedMessages.insert(message); }

    static constexpr unsigned kQuit = 0x0012;  // WM_QUIT

private:
    WindowHandle AddWindow(FakeWindow window);

    std::map<WindowHandle, FakeWindow> m_windows;
    std::deque<Message> m_queue;
    std::intptr_t m_nextHandle = 0x1000;
};

// Files and folders by path, as other programs and the platform may leave them. A failure is
// injected by naming the step that fails: which step, on a path holding which text, the first
// time or a later one. A crash ends the process at a step, leaving what it did so far; the
// system then closes its handles, removing the files marked for removal.
class FakeFileSystem : public IFileSystem {
public:
    enum class Step { Open, Read, Rewind, Write, Flush, Close, Find, Move, Delete, Rename, Remove };
    enum class Handle { Shared, Exclusive, Folder };
    struct Node {
        std::string bytes;
        bool directory = false;
        bool readOnly = false;       // by its attribute or its access rights: never opened for writing
        bool held = false;           // open in another program, without sharing
        bool notReal = false;        // a reparse point, or a path that resolves elsewhere
        std::string protection;      // access rights, encryption, compression: what a copy carries
        std::uint64_t written = 0;   // the time of its last write
    };
    struct Failure {
        Step step;
        std::string on;        // a part of the path
        int time = 1;
        unsigned long error = 29;  // ERROR_WRITE_FAULT
        int seen = 0;
    };
    struct Crash {};

    std::map<std::string, Node> nodes;
    std::multimap<std::string, Handle> open;  // this program's handles
    std::vector<Failure> failures;
    int crashAt = 0;                          // the process dies at this step, counted from 1
    int steps = 0;
    std::uint64_t clock = 0;
    std::function<void(Step, const std::string&)> meanwhile;  // another program, before each step

    void Put(const std::string& path, std::string bytes) { nodes[path].bytes = std::move(bytes), nodes[path].written = ++clock; }
    std::optional<std::string> Bytes(const std::string& path) const;
    void Fail(Step step, std::string on = "", int time = 1, unsigned long error = 29) { failures.push_back({step, std::move(on), time, error}); }
    // Whether another program could open the file for writing now.
    bool OthersCanWrite(const std::string& path) const;
    // Takes a step on path: the process may die here, another program act, or the step fail.
    unsigned long Take(Step step, const std::string& path);
    // Why the file may not be taken (opened, moved or deleted) now, if it may not.
    unsigned long Refusal(const std::string& path) const;
    // Never over another file.
    unsigned long MoveNode(const std::string& from, const std::string& to);

    std::unique_ptr<IFile> OpenForReading(const WideString& path, unsigned long& error) override;
    bool FileExists(const WideString& path) override { return nodes.count(Narrow(path)) != 0; }
    void CreateDirectory(const WideString& path) override { nodes[Narrow(path)].directory = true; }
    std::unique_ptr<IFolder> HoldFolder(const WideString& path, unsigned long& error) override;
};

struct FakeShellStart {
    std::optional<std::string> verb;
    std::string file;
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int show = -1;
};

struct FakeShell : IShell {
    void Execute(WindowHandle, const std::optional<WideString>& verb, const WideString& file,
                          const std::optional<WideString>& parameters, const std::optional<WideString>& directory,
                          int showCommand) override;
    void StartProgram(const WideString& path, const WideString& parameters, int showCommand) override
    {
        programs.push_back({std::nullopt, Narrow(path), Narrow(parameters), std::nullopt, showCommand});
    }
    std::vector<FakeShellStart> starts;    // through the shell
    std::vector<FakeShellStart> programs;  // directly, by full path
};

struct FakeAdapter {
    std::u16string name;
    std::uint32_t ifType = 0;
};

struct FakeAdapters : IAdapters {
    unsigned long GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer, std::uint32_t& size) override;
    AdapterRecord ReadRecord(const void* record) override;

    std::vector<FakeAdapter> adapters;
    std::deque<std::vector<FakeAdapter>> coming;  // the lists the next readings find, one each
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
    CEventLog log{[this] { return system.now; }};
};
