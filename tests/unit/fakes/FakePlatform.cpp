#include "fakes/FakePlatform.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Constants.h"
#include "ui/resources/resource.h"

namespace {

const MenuHandle kSystemMenu = reinterpret_cast<MenuHandle>(0x5000);
const MenuHandle kPopupMenu = reinterpret_cast<MenuHandle>(0x6000);
const MenuHandle kPopupSubMenu = reinterpret_cast<MenuHandle>(0x6001);
const DeviceContext kPaintDc = reinterpret_cast<DeviceContext>(0x7000);

std::string Hex(const void* p) { return std::to_string(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace

std::string Narrow(std::u16string_view text)
{
    std::string out;
    for (char16_t ch : text)
        out += ch < 0x80 ? static_cast<char>(ch) : '?';
    return out;
}

unsigned long FakeAppServices::CreateOwnedMutex(const WideString& name)
{
    log.push_back("CreateMutex " + Narrow(name));
    return mutexLastError;
}

void FakeAppServices::InitCommonControls(unsigned classes)
{
    log.push_back("InitCommonControls " + std::to_string(classes));
}

int FakeAppServices::StartSockets(std::uint16_t requested, std::uint16_t& version)
{
    log.push_back("WSAStartup " + std::to_string(requested));
    version = socketsVersion;
    return socketsResult;
}

FakeResources::FakeResources()
{
    strings = {
        {IDS_ABOUTBOX, u"&About..."},
        {IDS_SOCKETS_INIT_FAILED, u"Fail to initialize Windows socket"},
        {IDS_PHONEBOOK_FILE_NAME, u"TolvexPhoneBook.pbk"},
        {IDS_ENTRY_NAME, u"Tolvex Cell VPN"},
        {IDS_EDIT_SETTINGS, u"&Edit settings"},
        {IDS_CREATE_SETTINGS, u"&Create settings"},
        {IDS_CONNECT, u"&Connect"},
        {IDS_DISCONNECT, u"&Disconnect"},
        {IDS_HIDE_TO_TASKTRAY, u"&Hide to tasktray"},
        {IDS_NOT_SET_UP_YET, u"not set up"},
        {IDS_CONFIRM_DISCONNECT_QUIT, u"Are you sure to disconnect the VPN connection, and quit?"},
    };
}

WideString FakeResources::LoadString(unsigned id) const
{
    const auto it = strings.find(id);
    return it == strings.end() ? WideString() : it->second;
}

IconHandle FakeResources::LoadIcon(unsigned id) const { return reinterpret_cast<IconHandle>(std::uintptr_t{0x10000} + id); }

MenuHandle FakeResources::LoadMenu(unsigned id) const
{
    return menusMissing || id != IDR_POPUPMENU ? nullptr : kPopupMenu;
}

bool FakeSystemInfo::GetSystemDirectory(WideString& path, unsigned bufferChars)
{
    systemDirectoryBuffer = bufferChars;
    if (!systemDirectory)
        return false;
    path = *systemDirectory;
    return true;
}

bool FakeSystemInfo::GetAppDataFolder(WideString& path)
{
    ++appDataCalls;
    if (!appData)
        return false;
    path = *appData;
    return true;
}

bool FakeSystemInfo::GetVersionEx(OsVersionInfo& info)
{
    ++versionCalls;
    if (info.dwOSVersionInfoSize != 276)
        return false;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return true;
}

FakeWindowSystem::FakeWindowSystem()
{
    templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {IDC_SETTINGS, 2, IDC_CONNECT, IDC_ANIMATE, IDC_HIDE, IDC_ACTIVITY};
    templateExStyles[IDD_TOLVEXDESKTOPWIN_DIALOG] = 0x00040000;
    templates[IDD_ABOUTBOX] = {1};
    templateVisible[IDD_ABOUTBOX] = false;
}

WindowHandle FakeWindowSystem::AddWindow(FakeWindow window)
{
    const auto hwnd = reinterpret_cast<WindowHandle>(m_nextHandle += 0x10);
    m_windows[hwnd] = std::move(window);
    return hwnd;
}

FakeWindow& FakeWindowSystem::Window(WindowHandle hwnd)
{
    const auto it = m_windows.find(hwnd);
    if (it == m_windows.end())
        throw std::logic_error("no such fake window");
    return it->second;
}

WindowHandle FakeWindowSystem::Control(WindowHandle dialog, int id)
{
    for (WindowHandle child : Window(dialog).children) {
        if (Window(child).id == id)
            return child;
    }
    return nullptr;
}

int FakeWindowSystem::CountLog(const std::string& entry) const
{
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

std::intptr_t FakeWindowSystem::Deliver(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    FakeWindow& window = Window(hwnd);
    // A control's messages are not routed anywhere; a dialog's go to its sink.
    if (window.sink == nullptr || window.destroyed)
        return 0;
    std::intptr_t result = 0;
    if (!window.sink->OnWindowMessage(hwnd, message, wParam, lParam, result)) {
        log.push_back("default " + std::to_string(message));
        // The dialog manager turns the close command into IDCANCEL.
        if (message == win::WM_SYSCOMMAND && (wParam & 0xFFF0) == 0xF060)
            return Deliver(hwnd, win::WM_COMMAND, win::IDCANCEL, 0);
    }
    return result;
}

WindowHandle FakeWindowSystem::CreateDialogFromTemplate(unsigned templateId, WindowHandle owner, IDialogSink& sink)
{
    log.push_back("CreateDialog " + std::to_string(templateId));
    if (createFails)
        return nullptr;
    FakeWindow dialog;
    dialog.templateId = templateId;
    dialog.owner = owner;
    dialog.sink = &sink;
    dialog.exStyle = templateExStyles[templateId];
    const WindowHandle hwnd = AddWindow(dialog);
    for (int id : templates[templateId]) {
        FakeWindow control;
        control.id = id;
        control.parent = hwnd;
        control.visible = true;
        control.text = u"template";
        Window(hwnd).children.push_back(AddWindow(control));
    }
    lastDialog = hwnd;
    Deliver(hwnd, win::WM_INITDIALOG);
    // A template with the visible style shows once initialisation is over.
    const auto visible = templateVisible.find(templateId);
    Window(hwnd).visible = visible == templateVisible.end() || visible->second;
    return hwnd;
}

void FakeWindowSystem::DestroyWindow(WindowHandle hwnd)
{
    log.push_back("DestroyWindow");
    Deliver(hwnd, win::WM_DESTROY);
    Window(hwnd).destroyed = true;
    Window(hwnd).visible = false;
}

std::vector<ChildControl> FakeWindowSystem::GetChildControls(WindowHandle dialog)
{
    std::vector<ChildControl> children;
    for (WindowHandle child : Window(dialog).children)
        children.push_back({child, Window(child).id});
    return children;
}

bool FakeWindowSystem::PeekMessage(Message& msg)
{
    if (queue.empty())
        return false;
    msg = queue.front();
    return true;
}

bool FakeWindowSystem::GetMessage(Message& msg)
{
    if (queue.empty() && onQueueEmpty)
        onQueueEmpty();
    if (queue.empty()) {
        // Nothing left to happen: end the loop rather than hang the test.
        log.push_back("queue exhausted");
        msg = {};
        return false;
    }
    msg = queue.front();
    queue.pop_front();
    return msg.message != 0x0012;  // WM_QUIT
}

void FakeWindowSystem::TranslateAndDispatch(const Message& msg)
{
    if (msg.hwnd != nullptr)
        Deliver(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

void FakeWindowSystem::PostQuitMessage(int exitCode)
{
    log.push_back("PostQuitMessage " + std::to_string(exitCode));
}

void FakeWindowSystem::PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    queue.push_back({hwnd, message, wParam, lParam, cursor});
}

std::intptr_t FakeWindowSystem::SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    log.push_back("SendMessage " + std::to_string(message) + " " + std::to_string(wParam));
    return Deliver(hwnd, message, wParam, lParam);
}

void FakeWindowSystem::ShowWindow(WindowHandle hwnd, int command)
{
    log.push_back("ShowWindow " + std::to_string(command));
    Window(hwnd).visible = command != win::SW_HIDE;
}

void FakeWindowSystem::SetForegroundWindow(WindowHandle hwnd)
{
    log.push_back("SetForegroundWindow");
    foreground = hwnd;
}

void FakeWindowSystem::SetFocus(WindowHandle hwnd)
{
    log.push_back("SetFocus");
    focus = hwnd;
}

void FakeWindowSystem::EnableWindow(WindowHandle hwnd, bool enable)
{
    log.push_back(std::string("EnableWindow ") + (enable ? "1" : "0"));
    Window(hwnd).enabled = enable;
}

void FakeWindowSystem::SetWindowText(WindowHandle hwnd, const WideString& text)
{
    log.push_back("SetWindowText " + std::to_string(Window(hwnd).id) + " " + Narrow(text));
    Window(hwnd).text = text;
}

void FakeWindowSystem::SetLayeredWindowAttributes(WindowHandle, std::uint32_t colorKey, std::uint8_t alpha, unsigned flags)
{
    log.push_back("SetLayeredWindowAttributes " + std::to_string(colorKey) + " " + std::to_string(alpha) + " "
                  + std::to_string(flags));
}

WindowHandle FakeWindowSystem::FindWindowByCaption(const WideString& caption)
{
    log.push_back("FindWindow " + Narrow(caption));
    const auto it = captions.find(Narrow(caption));
    return it == captions.end() ? nullptr : it->second;
}

void FakeWindowSystem::SetTimer(WindowHandle, std::uintptr_t id, unsigned milliseconds)
{
    log.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(milliseconds));
}

MenuHandle FakeWindowSystem::GetSystemMenu(WindowHandle, bool)
{
    return systemMenuMissing ? nullptr : kSystemMenu;
}

void FakeWindowSystem::AppendMenuItem(MenuHandle, unsigned id, const WideString& text)
{
    systemMenuItems.emplace_back(id, Narrow(text));
}

void FakeWindowSystem::AppendMenuSeparator(MenuHandle) { systemMenuItems.emplace_back(0, "-"); }

MenuHandle FakeWindowSystem::GetSubMenu(MenuHandle menu, int position)
{
    return menu == kPopupMenu && position == 0 ? kPopupSubMenu : nullptr;
}

void FakeWindowSystem::TrackPopupMenu(MenuHandle menu, unsigned flags, Point at, WindowHandle owner)
{
    log.push_back("TrackPopupMenu " + Hex(menu) + " " + std::to_string(flags) + " " + std::to_string(at.x) + ","
                  + std::to_string(at.y));
    // As the real menu does, the chosen item reaches the owner as a posted command.
    if (popupChoice != 0)
        PostCommand(owner, popupChoice);
}

void FakeWindowSystem::DestroyMenu(MenuHandle menu) { log.push_back("DestroyMenu " + Hex(menu)); }

DeviceContext FakeWindowSystem::BeginPaint(WindowHandle)
{
    log.push_back("BeginPaint");
    return kPaintDc;
}

void FakeWindowSystem::EndPaint(WindowHandle) { log.push_back("EndPaint"); }

Rect FakeWindowSystem::GetClientRect(WindowHandle) { return clientRect; }

void FakeWindowSystem::DrawIcon(DeviceContext, int x, int y, IconHandle)
{
    log.push_back("DrawIcon " + std::to_string(x) + "," + std::to_string(y));
}

int FakeWindowSystem::MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type)
{
    FakeMessageBox box{owner, Narrow(text), Narrow(caption), type};
    messageBoxes.push_back(box);
    log.push_back("MessageBox " + box.text);
    if (onMessageBox)
        onMessageBox(box);
    if (messageBoxAnswers.empty())
        return win::IDOK;
    const int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

void FakeWindowSystem::NotifyIcon(unsigned operation, const NotifyIconRecord& record)
{
    log.push_back("NotifyIcon " + std::to_string(operation));
    notifyCalls.emplace_back(operation, record);
}

unsigned FakeWindowSystem::RegisterWindowMessage(const WideString& name)
{
    return name == WideString(u"TaskbarCreated") ? 0xC0DE : 0xC000;
}
