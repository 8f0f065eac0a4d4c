#include "fakes/FakePlatform.h"

#include <algorithm>
#include <cstring>

#include "base/ResourceIds.h"
#include "platform/Constants.h"

std::string Narrow(std::u16string_view text)
{
    std::string out;
    for (const char16_t ch : text)
        out += ch < 0x100 ? static_cast<char>(ch) : '?';
    return out;
}

WideString Wide(const std::string& text)
{
    std::u16string out;
    for (const char ch : text)
        out += static_cast<char16_t>(static_cast<unsigned char>(ch));
    return WideString(out);
}

unsigned long FakeAppServices::CreateOwnedMutex(const WideString& name)
{
    mutexName = Narrow(name);
    return mutexLastError;
}

int FakeAppServices::StartSockets(std::uint16_t, std::uint16_t& version)
{
    version = socketsVersion;
    return socketsResult;
}

FakeResources::FakeResources()
{
    strings = {{IDS_PHONEBOOK_FILE_NAME, u"TolvexPhoneBook.pbk"}, {IDS_ENTRY_NAME, u"Tolvex Cell VPN"}};
}

WideString FakeResources::LoadString(unsigned id) const
{
    const auto it = strings.find(id);
    return it != strings.end() ? it->second : WideString::Format(u"#%d", {static_cast<int>(id)});
}

bool FakeSystemInfo::GetVersionEx(OsVersionInfo& info)
{
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return true;
}

bool FakeSystemInfo::GetSystemDirectory(WideString& path, unsigned)
{
    if (systemDirectory)
        path = *systemDirectory;
    return systemDirectory.has_value();
}

bool FakeSystemInfo::GetAppDataFolder(WideString& path)
{
    if (appData)
        path = *appData;
    return appData.has_value();
}

// Windows

WindowHandle FakeWindowSystem::AddWindow(FakeWindow window)
{
    const auto hwnd = reinterpret_cast<WindowHandle>(m_nextHandle++);
    m_windows[hwnd] = std::move(window);
    return hwnd;
}

WindowHandle FakeWindowSystem::Control(WindowHandle dialog, int id)
{
    for (const WindowHandle child : Window(dialog).children) {
        if (Window(child).id == id)
            return child;
    }
    return nullptr;
}

std::intptr_t FakeWindowSystem::Deliver(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    std::intptr_t result = 0;
    if (IDialogSink* sink = Window(hwnd).sink)
        sink->OnWindowMessage(hwnd, message, wParam, lParam, result);
    return result;
}

WindowHandle FakeWindowSystem::CreateDialogFromTemplate(unsigned templateId, WindowHandle, IDialogSink& sink)
{
    FakeWindow dialog;
    dialog.sink = &sink;
    for (const int id : templates[templateId]) {
        FakeWindow control;
        control.id = id;
        dialog.children.push_back(AddWindow(control));
    }
    const WindowHandle hwnd = AddWindow(dialog);
    Deliver(hwnd, win::WM_INITDIALOG);
    // The template's visible style takes effect once the initialisation is over.
    Window(hwnd).visible = true;
    return hwnd;
}

void FakeWindowSystem::DestroyWindow(WindowHandle hwnd)
{
    events.push_back("destroy");
    Deliver(hwnd, win::WM_DESTROY);
    Window(hwnd).sink = nullptr;
}

std::vector<ChildControl> FakeWindowSystem::GetChildControls(WindowHandle dialog)
{
    std::vector<ChildControl> children;
    for (const WindowHandle child : Window(dialog).children)
        children.push_back({child, Window(child).id});
    return children;
}

bool FakeWindowSystem::PeekMessage(Message& msg)
{
    if (m_queue.empty())
        return false;
    msg = m_queue.front();
    return true;
}

bool FakeWindowSystem::GetMessage(Message& msg)
{
    while (m_queue.empty() && !steps.empty()) {
        const auto step = std::move(steps.front());
        steps.pop_front();
        step();
    }
    if (m_queue.empty())
        return false;
    msg = m_queue.front();
    m_queue.pop_front();
    return true;
}

void FakeWindowSystem::PostMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    m_queue.push_back({hwnd, message, wParam, lParam, {}});
}

std::intptr_t FakeWindowSystem::SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam)
{
    if (message != win::WM_NEXTDLGCTL)
        return Deliver(hwnd, message, wParam, lParam);
    events.push_back("focus moves on");
    focus = nullptr;
    return 0;
}

void FakeWindowSystem::DefaultProcessing(WindowHandle, unsigned message, std::uintptr_t, std::intptr_t)
{
    events.push_back("default processing " + std::to_string(message));
}

void FakeWindowSystem::ShowWindow(WindowHandle hwnd, int command)
{
    if (m_windows.count(hwnd) != 0)
        Window(hwnd).visible = command != win::SW_HIDE;
    events.push_back(command == win::SW_HIDE ? "hide" : "show");
}

void FakeWindowSystem::EnableWindow(WindowHandle hwnd, bool enable)
{
    Window(hwnd).enabled = enable;
    events.push_back((enable ? "enable " : "disable ") + std::to_string(Window(hwnd).id));
}

void FakeWindowSystem::SetWindowText(WindowHandle hwnd, const WideString& text)
{
    Window(hwnd).text = text;
    events.push_back("text " + std::to_string(Window(hwnd).id) + " " + Narrow(text));
}

void FakeWindowSystem::AppendMenuItem(MenuHandle, unsigned id, const WideString& text)
{
    events.push_back("menu item " + std::to_string(id) + " " + Narrow(text));
}

int FakeWindowSystem::MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type)
{
    boxes.push_back({Narrow(text), Narrow(caption), type, owner});
    events.push_back("box " + Narrow(text));
    if (whileBoxOpen) {
        const auto during = std::move(whileBoxOpen);
        whileBoxOpen = nullptr;
        during();
    }
    if (answers.empty())
        return win::IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeWindowSystem::NotifyIcon(unsigned operation, const NotifyIconRecord& record)
{
    notifications.emplace_back(operation, record);
}

// Files

namespace {

class FakeFile : public IFile {
public:
    FakeFile(FakeFileSystem& files, std::string path) : m_files(files), m_path(std::move(path)) { ++m_files.openFiles; }
    ~FakeFile() override
    {
        if (!m_bClosed)
            Release();
    }

    unsigned long Read(void* buffer, std::size_t size, std::size_t& read) override
    {
        read = 0;
        if (m_files.Fails())
            return m_files.failWith;
        const std::string& bytes = m_files.nodes.at(m_path).bytes;
        read = std::min(size, bytes.size() - std::min(m_nAt, bytes.size()));
        std::memcpy(buffer, bytes.data() + m_nAt, read);
        m_nAt += read;
        return 0;
    }
    unsigned long Rewind() override
    {
        m_nAt = 0;
        return m_files.Fails() ? m_files.failWith : 0;
    }
    unsigned long Write(const void* data, std::size_t size) override
    {
        if (m_files.Fails())
            return m_files.failWith;
        m_files.nodes.at(m_path).bytes.append(static_cast<const char*>(data), size);
        return 0;
    }
    unsigned long Flush() override { return m_files.Fails() ? m_files.failWith : 0; }
    // A handle whose close fails is gone all the same.
    unsigned long Close() override
    {
        Release();
        return m_files.Fails() ? m_files.failWith : 0;
    }

private:
    void Release()
    {
        m_bClosed = true;
        --m_files.openFiles;
        m_files.m_open.erase(m_path);
    }

    FakeFileSystem& m_files;
    std::string m_path;
    std::size_t m_nAt = 0;
    bool m_bClosed = false;
};

constexpr unsigned long kFileNotFound = 2;
constexpr unsigned long kAccessDenied = 5;
constexpr unsigned long kSharingViolation = 32;
constexpr unsigned long kFileExists = 80;
constexpr unsigned long kAlreadyExists = 183;

}  // namespace

std::optional<std::string> FakeFileSystem::Bytes(const std::string& path) const
{
    const auto it = nodes.find(path);
    return it == nodes.end() || it->second.directory ? std::nullopt : std::optional<std::string>(it->second.bytes);
}

std::unique_ptr<IFile> FakeFileSystem::Open(const WideString& widePath, FileOpen mode, unsigned long& error)
{
    const std::string path = Narrow(widePath);
    const auto it = nodes.find(path);
    if (Fails())
        error = failWith;
    else if (mode == FileOpen::CreateNew)
        error = it == nodes.end() ? 0 : it->second.directory ? kAccessDenied : kFileExists;
    else
        error = it == nodes.end() ? kFileNotFound : it->second.directory ? kAccessDenied : 0;
    if (error == 0 && (m_open.count(path) != 0 || (it != nodes.end() && it->second.held)))
        error = kSharingViolation;
    if (error != 0)
        return nullptr;
    nodes[path];
    m_open.insert(path);
    return std::make_unique<FakeFile>(*this, path);
}

unsigned long FakeFileSystem::ReplaceFile(const WideString& wideReplaced, const WideString& wideReplacement,
                                          const WideString& wideBackup)
{
    const std::string replaced = Narrow(wideReplaced), replacement = Narrow(wideReplacement), backup = Narrow(wideBackup);
    if (Fails())
        return failWith;
    if (nodes.count(replaced) == 0 || nodes.count(replacement) == 0)
        return kFileNotFound;
    if (nodes[replaced].held || m_open.count(replaced) != 0 || m_open.count(replacement) != 0)
        return 1175;  // ERROR_UNABLE_TO_REMOVE_REPLACED
    Node old = nodes[replaced];
    // What each documented outcome leaves behind.
    switch (replaceOutcome) {
    case 0:
        nodes[replacement].readOnly = old.readOnly;
        nodes[replaced] = nodes[replacement];
        nodes.erase(replacement);
        break;
    case 1176:  // the replacement could not be renamed; without a backup the old file is gone
        if (backup.empty())
            nodes.erase(replaced);
        return replaceOutcome;
    case 1177:  // the old file moved away (to the backup, if named); the replacement kept its name
        nodes[replacement].readOnly = old.readOnly;
        nodes.erase(replaced);
        nodes[backup.empty() ? "lost-old-phonebook" : backup] = old;
        return replaceOutcome;
    default:
        return replaceOutcome;
    }
    if (!backup.empty())
        nodes[backup] = old;
    return 0;
}

unsigned long FakeFileSystem::MoveFile(const WideString& wideFrom, const WideString& wideTo)
{
    const std::string from = Narrow(wideFrom), to = Narrow(wideTo);
    if (Fails())
        return failWith;
    if (nodes.count(from) == 0)
        return kFileNotFound;
    if (nodes.count(to) != 0)
        return kAlreadyExists;
    if (nodes[from].held || m_open.count(from) != 0)
        return kSharingViolation;
    nodes[to] = nodes[from];
    nodes.erase(from);
    return 0;
}

unsigned long FakeFileSystem::DeleteFile(const WideString& widePath)
{
    const std::string path = Narrow(widePath);
    if (Fails())
        return failWith;
    const auto it = nodes.find(path);
    if (it == nodes.end() || it->second.directory)
        return kFileNotFound;
    if (it->second.held || m_open.count(path) != 0)
        return kSharingViolation;
    nodes.erase(it);
    return 0;
}

std::vector<WideString> FakeFileSystem::FindFiles(const WideString& folder, const WideString& pattern)
{
    // One '*' in the pattern, as the program uses it.
    const std::string prefix = Narrow(folder), wild = Narrow(pattern);
    const std::string head = wild.substr(0, wild.find('*')), tail = wild.substr(wild.find('*') + 1);
    std::vector<WideString> names;
    for (const auto& [path, node] : nodes) {
        if (node.directory || path.rfind(prefix, 0) != 0)
            continue;
        const std::string name = path.substr(prefix.size());
        if (name.find('\\') == std::string::npos && name.size() >= head.size() + tail.size() && name.rfind(head, 0) == 0
            && name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
            names.push_back(Wide(name));
    }
    return names;
}

// Shell and adapters

std::intptr_t FakeShell::Execute(WindowHandle, const std::optional<WideString>& verb, const WideString& file,
                                 const std::optional<WideString>& parameters,
                                 const std::optional<WideString>& directory, int showCommand)
{
    const auto narrow = [](const std::optional<WideString>& text) {
        return text ? std::optional<std::string>(Narrow(*text)) : std::nullopt;
    };
    starts.push_back({narrow(verb), Narrow(file), narrow(parameters), narrow(directory), showCommand});
    if (onStart)
        onStart(starts.back());
    return 42;
}

namespace {

// How a record sits in the fake's buffer: which adapter, and where the next record is.
struct FakeRecord {
    std::size_t index;
    const void* next;
};
constexpr std::uint32_t kRecordSize = 376;  // about a real record and its strings

}  // namespace

unsigned long FakeAdapters::GetAdaptersAddresses(std::uint32_t, std::uint32_t, void* buffer, std::uint32_t& size)
{
    const std::uint32_t needed = neededSize.value_or(static_cast<std::uint32_t>(adapters.size()) * kRecordSize);
    if (buffer == nullptr) {
        size = needed;
        return sizingResult.value_or(win::ERROR_BUFFER_OVERFLOW);
    }
    sizesPassed.push_back(size);
    if (fillingResult)
        return *fillingResult;
    if (size < needed)
        return win::ERROR_BUFFER_OVERFLOW;
    auto* records = static_cast<FakeRecord*>(buffer);
    for (std::size_t i = 0; i < adapters.size(); ++i)
        records[i] = {i, i + 1 < adapters.size() ? &records[i + 1] : nullptr};
    return adapters.empty() ? 232 : 0;  // ERROR_NO_DATA
}

AdapterRecord FakeAdapters::ReadRecord(const void* record)
{
    const auto* at = static_cast<const FakeRecord*>(record);
    return {WideString(adapters.at(at->index).name), adapters.at(at->index).ifType, at->next};
}

// Registry

std::string FakeRegistry::Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

void FakeRegistry::Set(const std::string& key, const std::string& name, std::uint32_t type, std::string bytes)
{
    KeyAt(key).values[Lower(name)] = {type, std::move(bytes)};
}

void FakeRegistry::SetDword(const std::string& key, const std::string& name, std::uint32_t value)
{
    Set(key, name, win::REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

const FakeRegistry::Value* FakeRegistry::Get(const std::string& key, const std::string& name) const
{
    const auto k = keys.find(Lower(key));
    if (k == keys.end())
        return nullptr;
    const auto v = k->second.values.find(Lower(name));
    return v == k->second.values.end() ? nullptr : &v->second;
}

void FakeRegistry::Remove(const std::string& key, const std::string& name) { KeyAt(key).values.erase(Lower(name)); }

long FakeRegistry::Handle(const std::string& path, RegistryKey& key)
{
    m_handles.push_back(path);
    key = reinterpret_cast<RegistryKey>(m_handles.size());
    ++openKeys;
    return 0;
}

long FakeRegistry::OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    const auto it = keys.find(Lower(Narrow(path)));
    if (it == keys.end())
        return 2;
    if (access != win::KEY_READ && it->second.refuseWrite)
        return 5;
    return Handle(it->first, key);
}

long FakeRegistry::CreateMachineKey(const WideString& path, std::uint32_t, RegistryKey& key)
{
    if (KeyAt(Narrow(path)).refuseWrite)
        return 5;
    return Handle(Lower(Narrow(path)), key);
}

long FakeRegistry::QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size, std::uint32_t& type)
{
    const std::string& path = m_handles.at(reinterpret_cast<std::uintptr_t>(key) - 1);
    const Value* value = Get(path, Narrow(name));
    if (value == nullptr)
        return 2;
    const bool fits = value->bytes.size() <= size;
    size = static_cast<std::uint32_t>(value->bytes.size());
    type = value->type;
    if (!fits)
        return 234;  // ERROR_MORE_DATA
    std::memcpy(data, value->bytes.data(), value->bytes.size());
    return 0;
}

long FakeRegistry::SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data, std::uint32_t size)
{
    const std::string& path = m_handles.at(reinterpret_cast<std::uintptr_t>(key) - 1);
    ++writes;
    if (const long refused = KeyAt(path).setResult)
        return refused;
    Set(path, Narrow(name), type, std::string(static_cast<const char*>(data), size));
    return 0;
}

FakePlatform::FakePlatform()
{
    registry.SetDword(kPolicyAgentKey, kEncapsulation, 2);
    registry.SetDword(kIpsecKey, kEncapsulation, 2);
    registry.SetDword(kNdisWanKey, "TunnelMTU", 1400);
}
