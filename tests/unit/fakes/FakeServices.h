// Fakes of the files, the shell and the adapter list: each keeps what was done to it and can be
// told to fail the way the platform fails.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Adapters.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

std::string Narrow(std::u16string_view text);

class FakeFileSystem : public IFileSystem {
public:
    std::map<std::string, std::string> files;       // path -> bytes
    std::set<std::string> directories;
    std::set<std::string> held;                     // held open by another program
    std::map<std::string, unsigned long> openErrors;
    std::optional<std::size_t> readFailsAfter;      // a read past this many bytes fails
    unsigned long readError = 30;                   // ERROR_READ_FAULT
    unsigned long writeError = 0;
    unsigned long closeError = 0;                   // for files opened for writing
    unsigned long replaceError = 0;
    std::vector<std::string> log;
    int openFiles = 0;

    std::unique_ptr<IFile> Open(const WideString& path, FileOpen mode, unsigned long& error) override;
    bool FileExists(const WideString& path) override;
    void CreateDirectory(const WideString& path) override;
    unsigned long ReplaceFile(const WideString& replaced, const WideString& replacement) override;
    void DeleteFile(const WideString& path) override;

    int Count(const std::string& prefix) const;
};

struct ShellStart {
    std::optional<std::string> verb;
    std::string file;
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int show = -1;
};

class FakeShell : public IShell {
public:
    std::intptr_t Execute(WindowHandle owner, const std::optional<WideString>& verb, const WideString& file,
                          const std::optional<WideString>& parameters, const std::optional<WideString>& directory,
                          int showCommand) override;
    std::vector<ShellStart> starts;
    std::vector<WindowHandle> owners;
};

struct FakeAdapter {
    std::u16string name;
    std::uint32_t ifType = 0;
};

class FakeAdapters : public IAdapters {
public:
    std::vector<FakeAdapter> adapters;
    std::optional<unsigned long> sizingResult;      // ERROR_BUFFER_OVERFLOW when absent
    std::optional<std::uint32_t> reportedSize;      // what the list needs when absent
    std::optional<unsigned long> fillingResult;     // what the platform would answer when absent
    std::uint32_t growthBetweenCalls = 0;           // bytes the list grows by after sizing
    std::vector<std::uint32_t> sizesPassed;
    int calls = 0;

    unsigned long GetAdaptersAddresses(std::uint32_t family, std::uint32_t flags, void* buffer,
                                       std::uint32_t& size) override;
    AdapterRecord ReadRecord(const void* record) override;

    static constexpr std::uint32_t kRecordSize = 376;  // about a real record and its strings

private:
    std::uint32_t Needed() const;
    std::uint32_t m_nGrowth = 0;
};

// A registry of HKEY_LOCAL_MACHINE keys; names compare without regard to letter case, as the
// platform's do. Keys can refuse opening (per access) and creation.
class FakeRegistry : public IRegistry {
public:
    struct Value {
        std::uint32_t type = 0;
        std::string bytes;
    };
    struct Key {
        std::map<std::string, Value> values;
        bool refuseRead = false;
        bool refuseWrite = false;  // opening for writing or with full access
    };

    void Set(const std::string& key, const std::string& name, std::uint32_t type, std::string bytes);
    void SetDword(const std::string& key, const std::string& name, std::uint32_t value);
    const Value* Get(const std::string& key, const std::string& name) const;
    Key& KeyAt(const std::string& key) { return keys[Lower(key)]; }
    static std::string Lower(std::string text);

    std::map<std::string, Key> keys;
    std::set<std::string> refuseCreate;
    std::vector<std::string> log;
    int openKeys = 0;

    long OpenMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) override;
    long CreateMachineKey(const WideString& path, std::uint32_t access, RegistryKey& key) override;
    long QueryValue(RegistryKey key, const WideString& name, void* data, std::uint32_t& size,
                    std::uint32_t& type) override;
    long SetValue(RegistryKey key, const WideString& name, std::uint32_t type, const void* data,
                  std::uint32_t size) override;
    void CloseKey(RegistryKey key) override;

private:
    std::vector<std::string> m_handles;  // handle n is the key at index n-1
};
