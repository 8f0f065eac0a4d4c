#include "fakes/FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

WideString FakeResources::LoadString(unsigned id) const
{
    const auto it = strings.find(id);
    return it != strings.end() ? it->second : WideString::Format(u"#%d", {static_cast<int>(id)});
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
    IDialogSink* sink = Window(hwnd).sink;
    handled = sink != nullptr && sink->OnWindowMessage(hwnd, message, wParam, lParam, result);
    return result;
}

WindowHandle FakeWindowSystem::AddTopLevel(const std::string& windowClass, const std::string& caption)
{
    FakeWindow window;
    window.text = Wide(caption);
    window.windowClass = Wide(windowClass);
    window.topLevel = true;
    return AddWindow(window);
}

std::vector<WindowHandle> FakeWindowSystem::FindWindows(const WideString& windowClass, const WideString& caption)
{
    std::vector<WindowHandle> found;
    for (const auto& [hwnd, window] : m_windows) {
        if (window.topLevel && window.windowClass == windowClass && window.text == caption)
            found.push_back(hwnd);
    }
    return found;
}

WindowHandle FakeWindowSystem::CreateDialogFromTemplate(unsigned templateId, WindowHandle, IDialogSink& sink)
{
    FakeWindow dialog;
    dialog.sink = &sink;
    dialog.text = captions[templateId];
    dialog.windowClass = u"#32770";
    dialog.topLevel = true;
    for (const int id : templates[templateId]) {
        FakeWindow control;
        control.id = id;
        dialog.children.push_back(AddWindow(control));
    }
    const WindowHandle hwnd = lastCreated = AddWindow(dialog);
    // As the dialog manager: an initialisation that answers non-zero gives the first control the
    // focus.
    if (Deliver(hwnd, win::WM_INITDIALOG) != 0 && handled && !dialog.children.empty())
        focus = dialog.children.front();
    // The template's visible style takes effect once the initialisation is over.
    Window(hwnd).visible = invisible.count(templateId) == 0;
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

bool FakeWindowSystem::GetMessage(Message& msg)
{
    while (m_queue.empty() && !steps.empty()) {
        const auto step = std::move(steps.front());
        steps.pop_front();
        step();
    }
    // The real call would wait for ever; the fake answers as if WM_QUIT came, and says so.
    if (m_queue.empty()) {
        starved = true;
        msg = {nullptr, kQuit, 0, 0, {}};
        return false;
    }
    msg = m_queue.front();
    m_queue.pop_front();
    return msg.message != kQuit;
}

std::optional<std::intptr_t> FakeWindowSystem::SendMessageTimeout(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                                                std::intptr_t lParam, unsigned, unsigned long& error)
{
    error = elevated.count(hwnd) != 0 && allowedMessages.count(message) == 0 ? 5 : busy[hwnd]-- > 0 ? 1460 : 0;  // ERROR_TIMEOUT
    if (error != 0)
        return std::nullopt;
    const std::intptr_t answer = Deliver(hwnd, message, wParam, lParam);
    return handled ? answer : 0;
}

std::intptr_t FakeWindowSystem::SendMessage(WindowHandle hwnd, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam)
{
    if (message != win::WM_NEXTDLGCTL)
        return Deliver(hwnd, message, wParam, lParam);
    // wParam names the direction unless lParam says it is a control's handle.
    events.push_back(lParam != 0 ? "focus to a control" : wParam != 0 ? "focus moves back" : "focus moves on");
    focus = nullptr;
    return 0;
}

void FakeWindowSystem::ShowWindow(WindowHandle hwnd, int command)
{
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

int FakeWindowSystem::MessageBox(WindowHandle owner, const WideString& text, const WideString& caption, unsigned type)
{
    boxes.push_back({Narrow(text), Narrow(caption), type, owner});
    if (const auto during = std::exchange(whileBoxOpen, nullptr))
        during();
    if (answers.empty())
        return win::IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

// Files

namespace {

constexpr unsigned long kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kSharingViolation = 32,
                        kFileExists = 80, kAlreadyExists = 183, kDirectory = 267;
using Step = FakeFileSystem::Step;
using Handle = FakeFileSystem::Handle;

class FakeFile : public IFolderFile {
public:
    FakeFile(FakeFileSystem& files, std::string path, Handle mode) : m_files(files), m_path(std::move(path)), m_mode(mode)
    {
        m_files.open.emplace(m_path, mode);
    }
    ~FakeFile() override { Forget(); }
    const std::string& Path() const { return m_path; }

    unsigned long Read(void* buffer, std::size_t size, std::size_t& read) override
    {
        read = 0;
        if (const unsigned long error = m_files.Take(Step::Read, m_path))
            return error;
        const std::string& bytes = m_files.nodes.at(m_path).bytes;
        read = std::min(size, bytes.size() - std::min(m_nAt, bytes.size()));
        std::memcpy(buffer, bytes.data() + m_nAt, read);
        m_nAt += read;
        return 0;
    }
    unsigned long Rewind() override { return m_nAt = 0, m_files.Take(Step::Rewind, m_path); }
    unsigned long Write(const void* data, std::size_t size) override
    {
        if (const unsigned long error = m_files.Take(Step::Write, m_path))
            return error;
        FakeFileSystem::Node& node = m_files.nodes.at(m_path);
        node.bytes.append(static_cast<const char*>(data), size);
        node.written = ++m_files.clock;
        return 0;
    }
    unsigned long Flush() override { return m_files.Take(Step::Flush, m_path); }
    // A handle whose close fails is gone all the same.
    unsigned long Close() override
    {
        const unsigned long error = m_files.Take(Step::Close, m_path);
        Forget();
        return error;
    }
    unsigned long Rename(const WideString& name) override
    {
        const std::string to = m_path.substr(0, m_path.rfind('\\') + 1) + Narrow(name);
        if (const unsigned long error = m_files.Take(Step::Rename, m_path))
            return error;
        if (const unsigned long error = m_files.MoveNode(m_path, to))
            return error;
        m_files.open.erase(std::find(m_files.open.begin(), m_files.open.end(), std::pair<const std::string, Handle>(m_path, m_mode)));
        m_files.open.emplace(m_path = to, m_mode);
        return 0;
    }
    unsigned long RemoveWhenClosed() override
    {
        const unsigned long error = m_files.Take(Step::Remove, m_path);
        m_bRemove = m_bRemove || error == 0;
        return error;
    }

private:
    void Forget()
    {
        if (!std::exchange(m_bOpen, false))
            return;
        m_files.open.erase(std::find(m_files.open.begin(), m_files.open.end(), std::pair<const std::string, Handle>(m_path, m_mode)));
        if (m_bRemove)
            m_files.nodes.erase(m_path);
    }

    FakeFileSystem& m_files;
    std::string m_path;
    Handle m_mode;
    std::size_t m_nAt = 0;
    bool m_bOpen = true;
    bool m_bRemove = false;
};

class FakeFolder : public IFolder {
public:
    FakeFolder(FakeFileSystem& files, const std::string& path) : m_files(files), m_path(path + "\\"), m_hold(files, path, Handle::Folder) {}

    std::unique_ptr<IFolderFile> OpenExclusive(const WideString& name, unsigned long& error) override
    {
        const std::string path = m_path + Narrow(name);
        error = m_files.Take(Step::Open, path);
        if (error == 0)
            error = m_files.Refusal(path);
        if (error == 0 && m_files.nodes.at(path).readOnly)
            error = kAccessDenied;
        return error == 0 ? std::make_unique<FakeFile>(m_files, path, Handle::Exclusive) : nullptr;
    }
    std::unique_ptr<IFolderFile> CreateLike(const WideString& name, IFolderFile& model, unsigned long& error) override
    {
        const std::string path = m_path + Narrow(name);
        error = m_files.Take(Step::Open, path);
        const auto it = m_files.nodes.find(path);
        if (error == 0 && it != m_files.nodes.end())
            error = it->second.notReal ? kNotARealFile : it->second.directory ? kAccessDenied : kFileExists;
        if (error != 0)
            return nullptr;
        m_files.nodes[path].protection = m_files.nodes.at(static_cast<FakeFile&>(model).Path()).protection;
        m_files.nodes[path].written = ++m_files.clock;
        return std::make_unique<FakeFile>(m_files, path, Handle::Exclusive);
    }
    unsigned long Move(const WideString& fromName, const WideString& toName) override
    {
        const std::string from = m_path + Narrow(fromName), to = m_path + Narrow(toName);
        if (const unsigned long error = m_files.Take(Step::Move, from))
            return error;
        if (const unsigned long refused = m_files.Refusal(from))
            return refused;
        return m_files.MoveNode(from, to);
    }
    unsigned long Delete(const WideString& name) override
    {
        const std::string path = m_path + Narrow(name);
        if (const unsigned long error = m_files.Take(Step::Delete, path))
            return error;
        const unsigned long refused = m_files.Refusal(path);
        if (refused == 0)
            m_files.nodes.erase(path);
        return refused;
    }
    std::vector<FolderEntry> FindFiles(const WideString& pattern) override
    {
        // One '*' in the pattern, as the program uses it.
        const std::string wild = Narrow(pattern);
        const std::string head = m_path + wild.substr(0, wild.find('*')), tail = wild.substr(wild.find('*') + 1);
        std::vector<FolderEntry> found;
        if (m_files.Take(Step::Find, m_path) != 0)
            return found;
        for (const auto& [path, node] : m_files.nodes) {
            if (!node.directory && path.starts_with(head) && path.ends_with(tail) && path.find('\\', m_path.size()) == std::string::npos)
                found.push_back({Wide(path.substr(m_path.size())), node.written});
        }
        return found;
    }

private:
    FakeFileSystem& m_files;
    std::string m_path;
    FakeFile m_hold;
};

}  // namespace

std::optional<std::string> FakeFileSystem::Bytes(const std::string& path) const
{
    const auto it = nodes.find(path);
    return it == nodes.end() || it->second.directory ? std::nullopt : std::optional<std::string>(it->second.bytes);
}

bool FakeFileSystem::OthersCanWrite(const std::string& path) const
{
    const auto [first, last] = open.equal_range(path);
    return std::all_of(first, last, [](const auto& handle) { return handle.second == Handle::Shared; });
}

unsigned long FakeFileSystem::Take(Step step, const std::string& path)
{
    if (++steps == crashAt)
        throw Crash{};
    if (meanwhile)
        meanwhile(step, path);
    unsigned long error = 0;
    for (Failure& failure : failures) {
        if (failure.step == step && path.find(failure.on) != std::string::npos && ++failure.seen == failure.time)
            error = failure.error;
    }
    return error;
}

unsigned long FakeFileSystem::MoveNode(const std::string& from, const std::string& to)
{
    if (nodes.count(to) != 0)
        return kAlreadyExists;
    nodes[to] = nodes.at(from);
    nodes.erase(from);
    return 0;
}

unsigned long FakeFileSystem::Refusal(const std::string& path) const
{
    const auto it = nodes.find(path);
    if (it == nodes.end())
        return kFileNotFound;
    if (it->second.notReal)
        return kNotARealFile;
    if (it->second.directory)
        return kAccessDenied;
    return it->second.held || open.count(path) != 0 ? kSharingViolation : 0;
}

// The lookup follows whatever the path leads to: a link is read like a file.
std::unique_ptr<IFile> FakeFileSystem::OpenForReading(const WideString& widePath, unsigned long& error)
{
    const std::string path = Narrow(widePath);
    error = Take(Step::Open, path);
    const auto it = nodes.find(path);
    if (error == 0)
        error = it == nodes.end() ? kFileNotFound : it->second.directory ? kAccessDenied : it->second.held || !OthersCanWrite(path) ? kSharingViolation : 0;
    return error == 0 ? std::make_unique<FakeFile>(*this, path, Handle::Shared) : nullptr;
}

std::unique_ptr<IFolder> FakeFileSystem::HoldFolder(const WideString& widePath, unsigned long& error)
{
    const std::string path = Narrow(widePath);
    error = Take(Step::Open, path);
    const auto it = nodes.find(path);
    if (error == 0)
        error = it == nodes.end() ? kPathNotFound : it->second.notReal ? kNotARealFile : it->second.directory ? 0 : kDirectory;
    return error == 0 ? std::make_unique<FakeFolder>(*this, path) : nullptr;
}

// Shell, adapters, registry

void FakeShell::Execute(WindowHandle, const std::optional<WideString>& verb, const WideString& file,
                                 const std::optional<WideString>& parameters,
                                 const std::optional<WideString>& directory, int showCommand)
{
    const auto narrow = [](const std::optional<WideString>& text) {
        return text ? std::optional<std::string>(Narrow(*text)) : std::nullopt;
    };
    starts.push_back({narrow(verb), Narrow(file), narrow(parameters), narrow(directory), showCommand});
}

namespace {

// How a record sits in the fake's buffer: which adapter, and where the next record is.
struct FakeRecord {
    std::size_t index;
    const void* next;
};

}  // namespace

unsigned long FakeAdapters::GetAdaptersAddresses(std::uint32_t, std::uint32_t, void* buffer, std::uint32_t& size)
{
    // About a real record and its strings each.
    if (buffer == nullptr && !coming.empty()) {
        adapters = coming.front();
        coming.pop_front();
    }
    const std::uint32_t needed = neededSize.value_or(static_cast<std::uint32_t>(adapters.size()) * 376);
    if (buffer == nullptr) {
        size = needed;
        return sizingResult.value_or(win::ERROR_BUFFER_OVERFLOW);
    }
    if (fillingResult || size < needed)
        return fillingResult.value_or(win::ERROR_BUFFER_OVERFLOW);
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

std::optional<std::string> FakeRegistry::Get(const std::string& key, const std::string& name)
{
    const auto& values = KeyAt(key).values;
    const auto it = values.find(Lower(name));
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second.second);
}

long FakeRegistry::OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    const auto it = keys.find(Lower(Narrow(path)));
    if (it == keys.end())
        return 2;
    return access != win::KEY_READ && it->second.refuseWrite ? 5 : CreateMachineKey(path, win::KEY_READ, key);
}

long FakeRegistry::CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    if (access != win::KEY_READ && KeyAt(Narrow(path)).refuseWrite)
        return 5;
    key = reinterpret_cast<RegistryKey>(&KeyAt(Narrow(path)));
    ++openKeys;
    return 0;
}

long FakeRegistry::QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size, std::uint32_t& type)
{
    const auto& values = Of(key).values;
    const auto it = values.find(Lower(Narrow(name)));
    if (it == values.end())
        return 2;
    const std::string& bytes = it->second.second;
    const bool fits = bytes.size() <= size;
    size = static_cast<std::uint32_t>(bytes.size());
    type = it->second.first;
    if (fits)
        std::memcpy(data, bytes.data(), bytes.size());
    return fits ? 0 : 234;  // ERROR_MORE_DATA
}

long FakeRegistry::SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data, std::uint32_t size)
{
    Key& k = Of(key);
    ++writes;
    if (k.setResult == 0)
        k.values[Lower(Narrow(name))] = {type, std::string(static_cast<const char*>(data), size)};
    return k.setResult;
}

FakePlatform::FakePlatform()
{
    registry.SetDword(kPolicyAgentKey, kEncapsulation, 2);
    registry.SetDword(kIpsecKey, kEncapsulation, 2);
    registry.SetDword(kNdisWanKey, "TunnelMTU", 1400);
}
