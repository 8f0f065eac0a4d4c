// The real platform: each class translates one interface to Win32 calls and decides nothing.
#pragma once

#include <windows.h>

#include "platform/Platform.h"

class CWin32AppServices : public IAppServices {
public:
    WideString GetModuleFileName() override;
    WideString GetCommandLine() override;
    unsigned long CreateOwnedMutex(const WideString& name) override;
    bool MutexExists(const WideString& name) override;
    std::uint32_t GetTickCount() override;
    void Sleep(unsigned milliseconds) override;
    void InitCommonControls(unsigned classes) override;
    int StartSockets(std::uint16_t requested, std::uint16_t& version) override;
    void CleanupSockets() override;
    void SetSocketsLastError(int error) override;
    bool RestartSystem() override;
};

class CWin32Resources : public IResources {
public:
    WideString LoadString(unsigned id) const override;
    IconHandle LoadIcon(unsigned id) const override;
    MenuHandle LoadMenu(unsigned id) const override;
    WideString LoadVersion() const override;
};

class CWin32SystemInfo : public ISystemInfo {
public:
    OsVersionInfo GetVersion() override;
    std::optional<WideString> GetSystemDirectory(unsigned bufferChars) override;
    std::optional<WideString> GetAppDataFolder() override;
    bool IsUserAnAdmin() override;
    WideString DescribeError(long code) override;
    LocalTime GetLocalTime() override;
    unsigned GetUserInterfaceLanguage() override;
};

class CWin32Registry : public IRegistry {
public:
    long OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) override;
    long CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) override;
    long QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size,
                    std::uint32_t& type) override;
    long SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data,
                  std::uint32_t size) override;
    void CloseKey(RegistryKey key) override;
};

class CWin32FileSystem : public IFileSystem {
public:
    std::unique_ptr<IFile> OpenForReading(const WideString& path, unsigned long& error) override;
    bool FileExists(const WideString& path) override;
    void CreateDirectory(const WideString& path) override;
    std::unique_ptr<IFolder> HoldFolder(const WideString& path, unsigned long& error) override;
};

class CWin32Shell : public IShell {
public:
    void Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                          const std::optional<WideString>& parameters, const std::optional<WideString>& directory,
                          int showCommand) override;
    void StartProgram(const WideString& path, const WideString& parameters, int showCommand) override;
};

class CWin32Adapters : public IAdapters {
public:
    unsigned long GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer,
                                       std::uint32_t& size) override;
    AdapterRecord ReadRecord(const void* record) override;
};

class CWin32WindowSystem : public IWindowSystem {
public:
    WindowHandle CreateDialogFromTemplate(unsigned templateId, WindowHandle owner, IDialogSink& sink) override;
    void DestroyWindow(WindowHandle hwnd) override;
    bool IsDialogMessage(WindowHandle dialog, Message& msg) override;
    std::vector<ChildControl> GetChildControls(WindowHandle dialog) override;
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override;
    bool PeekMessage(Message& msg) override;
    bool GetMessage(Message& msg) override;
    void TranslateAndDispatch(const Message& msg) override;
    void PostQuitMessage(int exitCode) override;
    void PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::intptr_t SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::optional<std::intptr_t> SendMessageTimeout(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                                    std::intptr_t lParam, unsigned milliseconds, unsigned long& error) override;
    void ReplyMessage(std::intptr_t result) override;
    void DefaultProcessing(WindowHandle dialog, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void ShowWindow(WindowHandle hwnd, int command) override;
    bool IsIconic(WindowHandle hwnd) override;
    bool IsWindowVisible(WindowHandle hwnd) override;
    void SetForegroundWindow(WindowHandle hwnd) override;
    void SetFocus(WindowHandle hwnd) override;
    WindowHandle GetFocus() override;
    void EnableWindow(WindowHandle hwnd, bool enable) override;
    WideString GetWindowText(WindowHandle hwnd) override;
    void SetWindowText(WindowHandle hwnd, const WideString& text) override;
    long GetExStyle(WindowHandle hwnd) override;
    void SetExStyle(WindowHandle hwnd, long exStyle) override;
    void SetLayeredWindowAttributes(WindowHandle hwnd, std::uint32_t colorKey, std::uint8_t alpha, unsigned flags) override;
    std::vector<WindowHandle> FindWindows(const WideString& className, const WideString& caption) override;
    WindowHandle GetLastActivePopup(WindowHandle hwnd) override;
    void SetTimer(WindowHandle hwnd, std::uintptr_t id, unsigned milliseconds) override;
    MenuHandle GetSystemMenu(WindowHandle hwnd, bool revert) override;
    void AppendMenuItem(MenuHandle menu, unsigned id, const WideString& text) override;
    void AppendMenuSeparator(MenuHandle menu) override;
    MenuHandle GetSubMenu(MenuHandle menu, int position) override;
    void TrackPopupMenu(MenuHandle menu, unsigned flags, Point at, WindowHandle owner) override;
    void DestroyMenu(MenuHandle menu) override;
    Point GetCursorPos() override;
    DeviceContext BeginPaint(WindowHandle hwnd) override;
    void EndPaint(WindowHandle hwnd) override;
    int GetSystemMetrics(int index) override;
    Rect GetClientRect(WindowHandle hwnd) override;
    void DrawIcon(DeviceContext dc, int x, int y, IconHandle icon) override;
    int MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type) override;
    bool SetClipboardText(WindowHandle owner, const WideString& text) override;
    void NotifyIcon(unsigned operation, const NotifyIconRecord& record) override;
    unsigned RegisterWindowMessage(const WideString& name) override;
    void AllowMessageFromLowerPrivilege(WindowHandle hwnd, unsigned message) override;

private:
    // Paints do not nest: the dialog paints on its one thread, one message at a time.
    PAINTSTRUCT m_paint{};
};

class CWin32Platform {
public:
    Platform& Get() { return m_platform; }

private:
    CWin32AppServices m_app;
    CWin32Resources m_resources;
    CWin32SystemInfo m_system;
    CWin32WindowSystem m_ui;
    CWin32FileSystem m_files;
    CWin32Shell m_shell;
    CWin32Adapters m_adapters;
    CWin32Registry m_registry;
    Platform m_platform{m_app, m_resources, m_system, m_ui, m_files, m_shell, m_adapters, m_registry};
};
