#include "fakes/FakeServices.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

class FakeFile : public IFile {
public:
    FakeFile(FakeFileSystem& fs, std::string path, bool writing) : m_fs(fs), m_path(std::move(path)), m_bWriting(writing)
    {
        ++m_fs.openFiles;
    }
    ~FakeFile() override
    {
        if (!m_bClosed)
            --m_fs.openFiles;
    }

    unsigned long Read(void* buffer, std::size_t size, std::size_t& read) override
    {
        const std::string& bytes = m_fs.files[m_path];
        read = std::min(size, bytes.size() - m_pos);
        if (m_fs.readFailsAfter && m_pos + read > *m_fs.readFailsAfter) {
            read = 0;
            return m_fs.readError;
        }
        std::memcpy(buffer, bytes.data() + m_pos, read);
        m_pos += read;
        return 0;
    }

    unsigned long GetSize(std::uint64_t& size) override
    {
        size = m_fs.files[m_path].size();
        return 0;
    }

    unsigned long Write(const void* data, std::size_t size) override
    {
        if (m_fs.writeError != 0)
            return m_fs.writeError;
        m_fs.files[m_path].append(static_cast<const char*>(data), size);
        return 0;
    }

    unsigned long Close() override
    {
        m_bClosed = true;
        --m_fs.openFiles;
        return m_bWriting ? m_fs.closeError : 0;
    }

private:
    FakeFileSystem& m_fs;
    std::string m_path;
    bool m_bWriting;
    bool m_bClosed = false;
    std::size_t m_pos = 0;
};

}  // namespace

std::unique_ptr<IFile> FakeFileSystem::Open(const WideString& path, FileOpen mode, unsigned long& error)
{
    const std::string name = Narrow(path.view());
    const bool writing = mode == FileOpen::CreateAlways;
    log.push_back(std::string(writing ? "open W " : "open R ") + name);
    error = 0;
    if (held.count(name) != 0)
        error = 32;  // ERROR_SHARING_VIOLATION
    else if (openErrors.count(name) != 0)
        error = openErrors[name];
    else if (!writing && files.count(name) == 0)
        error = 2;  // ERROR_FILE_NOT_FOUND
    if (error != 0)
        return nullptr;
    if (writing)
        files[name].clear();
    return std::make_unique<FakeFile>(*this, name, writing);
}

bool FakeFileSystem::FileExists(const WideString& path)
{
    const std::string name = Narrow(path.view());
    log.push_back("exists " + name);
    return files.count(name) != 0;
}

void FakeFileSystem::CreateDirectory(const WideString& path)
{
    log.push_back("mkdir " + Narrow(path.view()));
    directories.insert(Narrow(path.view()));
}

unsigned long FakeFileSystem::ReplaceFile(const WideString& replaced, const WideString& replacement)
{
    const std::string target = Narrow(replaced.view());
    const std::string source = Narrow(replacement.view());
    log.push_back("replace " + target);
    if (held.count(target) != 0)
        return 1175;  // ERROR_UNABLE_TO_REMOVE_REPLACED
    if (replaceError != 0)
        return replaceError;
    files[target] = files[source];
    files.erase(source);
    return 0;
}

void FakeFileSystem::DeleteFile(const WideString& path)
{
    log.push_back("delete " + Narrow(path.view()));
    files.erase(Narrow(path.view()));
}

int FakeFileSystem::Count(const std::string& prefix) const
{
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& entry) {
        return entry.rfind(prefix, 0) == 0;
    }));
}

std::intptr_t FakeShell::Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                                 const std::optional<WideString>& parameters,
                                 const std::optional<WideString>& directory, int showCommand)
{
    auto narrow = [](const std::optional<WideString>& text) -> std::optional<std::string> {
        if (!text)
            return std::nullopt;
        return Narrow(text->view());
    };
    starts.push_back({narrow(verb), Narrow(file.view()), narrow(parameters), narrow(directory), showCommand});
    owners.push_back(owner);
    return 42;
}

std::uint32_t FakeAdapters::Needed() const
{
    return static_cast<std::uint32_t>(adapters.size()) * kRecordSize + m_nGrowth;
}

namespace {

struct RecordHeader {
    const void* next;
    std::uint32_t ifType;
    std::uint32_t index;
};

}  // namespace

unsigned long FakeAdapters::GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer,
                                                 std::uint32_t& size)
{
    ++calls;
    sizesPassed.push_back(size);
    if (family != 0 || flags != 0x0010)
        return 87;  // ERROR_INVALID_PARAMETER
    if (buffer == nullptr) {
        m_nGrowth = 0;
        // With no adapter at all the platform answers "no data" at once.
        const unsigned long result = sizingResult.value_or(adapters.empty() ? 232 : 111);
        size = reportedSize.value_or(Needed());
        m_nGrowth = growthBetweenCalls;
        return result;
    }
    if (fillingResult)
        return *fillingResult;
    if (size < Needed()) {
        size = Needed();
        return 111;  // ERROR_BUFFER_OVERFLOW
    }
    if (adapters.empty())
        return 232;  // ERROR_NO_DATA
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (std::uint32_t i = 0; i < adapters.size(); ++i) {
        const bool last = i + 1 == adapters.size();
        RecordHeader header{last ? nullptr : bytes + (i + 1) * kRecordSize, adapters[i].ifType, i};
        std::memcpy(bytes + i * kRecordSize, &header, sizeof(header));
    }
    return 0;
}

AdapterRecord FakeAdapters::ReadRecord(const void* record)
{
    RecordHeader header{};
    std::memcpy(&header, record, sizeof(header));
    return {WideString(adapters.at(header.index).name), header.ifType, header.next};
}

std::string FakeRegistry::Lower(std::string text)
{
    for (auto& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

void FakeRegistry::Set(const std::string& key, const std::string& name, std::uint32_t type, std::string bytes)
{
    keys[Lower(key)].values[Lower(name)] = {type, std::move(bytes)};
}

void FakeRegistry::SetDword(const std::string& key, const std::string& name, std::uint32_t value)
{
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    Set(key, name, 4, bytes);
}

const FakeRegistry::Value* FakeRegistry::Get(const std::string& key, const std::string& name) const
{
    const auto k = keys.find(Lower(key));
    if (k == keys.end())
        return nullptr;
    const auto v = k->second.values.find(Lower(name));
    return v == k->second.values.end() ? nullptr : &v->second;
}

long FakeRegistry::OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    const std::string name = Lower(Narrow(path.view()));
    log.push_back("open " + std::to_string(access) + " " + name);
    const auto it = keys.find(name);
    if (it == keys.end())
        return 2;  // ERROR_FILE_NOT_FOUND
    const bool writing = access != 0x20019;
    if ((writing && it->second.refuseWrite) || (!writing && it->second.refuseRead))
        return 5;  // ERROR_ACCESS_DENIED
    m_handles.push_back(name);
    key = reinterpret_cast<RegistryKey>(m_handles.size());
    ++openKeys;
    return 0;
}

long FakeRegistry::CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key)
{
    const std::string name = Lower(Narrow(path.view()));
    log.push_back("create " + std::to_string(access) + " " + name);
    if (refuseCreate.count(name) != 0 || (keys.count(name) != 0 && keys[name].refuseWrite))
        return 5;
    keys[name];
    m_handles.push_back(name);
    key = reinterpret_cast<RegistryKey>(m_handles.size());
    ++openKeys;
    return 0;
}

long FakeRegistry::QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size,
                              std::uint32_t& type)
{
    const Key& k = keys[m_handles.at(reinterpret_cast<std::uintptr_t>(key) - 1)];
    const auto v = k.values.find(Lower(Narrow(name.view())));
    if (v == k.values.end())
        return 2;
    type = v->second.type;
    const std::uint32_t needed = static_cast<std::uint32_t>(v->second.bytes.size());
    if (needed > size) {
        size = needed;
        return 234;  // ERROR_MORE_DATA
    }
    std::memcpy(data, v->second.bytes.data(), needed);
    size = needed;
    return 0;
}

long FakeRegistry::SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data,
                            std::uint32_t size)
{
    const std::string keyName = m_handles.at(reinterpret_cast<std::uintptr_t>(key) - 1);
    log.push_back("set " + keyName + " " + Narrow(name.view()));
    keys[keyName].values[Lower(Narrow(name.view()))] = {type, std::string(static_cast<const char*>(data), size)};
    return 0;
}

void FakeRegistry::CloseKey(RegistryKey) { --openKeys; }
