// The system's phone-book dialer tool as the end-to-end scenarios see it, installed into the test
// prefix as C:\windows\system32\rasphone.exe. It shows no window and takes the one command-line
// form the program uses:
//
//   rasphone.exe -f "<phonebook>" -a|-e|-d|-h "<entry>"
//
// - Every start first appends its arguments (the command line after the program's own name and
//   the blanks that follow it) as one UTF-8 line ended by CR LF to C:\tolvex-e2e\rasphone.log.
// - -a writes the entry's section into the phonebook: the section of the sample phonebook built
//   in, under the header "[<entry>]". Other sections stay; a section of the same name is replaced.
//   -e keeps an existing section as it is and writes the section only when it is missing.
// - -d brings the entry's link up when the phonebook holds the entry, -h takes it down: a TUN
//   device of link type PPP in the suite's network namespace, made and deleted by the Linux link
//   daemon (linkd.py) on request; the tool waits for the daemon's answer. The device is named
//   after the text of C:\tolvex-e2e\link-name, "tolvex0" when there is no such file.
// - The phonebook is opened the way the real tool holds it while it works: others may read it,
//   nobody may write it. While another program holds it without sharing, the tool waits.
//
// Exit codes: 0 done, 2 a command line it does not understand, 3 the phonebook could not be
// read or written, 4 -d for an entry the phonebook does not hold, 5 the link daemon did not
// answer or could not do it.
#include <windows.h>

#include <string>
#include <string_view>

#include "sample_phonebook.h"

namespace {

constexpr wchar_t kWorkFolder[] = L"C:\\tolvex-e2e";
constexpr wchar_t kLogPath[] = L"C:\\tolvex-e2e\\rasphone.log";
constexpr wchar_t kLinkNamePath[] = L"C:\\tolvex-e2e\\link-name";
// The link daemon answers within moments; without it (a desktop run outside a private network
// namespace) the tool gives up after this long.
constexpr DWORD kLinkWaitMs = 15000;
// A program that holds the phonebook only for a moment is waited for; one that holds it longer
// makes the tool give up, as the real one reports a phonebook it cannot open.
constexpr DWORD kBusyWaitMs = 30000;

enum ExitCode { kDone = 0, kBadCommandLine = 2, kPhoneBookFailed = 3, kNoSuchEntry = 4, kNoLink = 5 };

struct Request {
    wchar_t action = 0;  // 'a', 'e', 'd' or 'h'
    std::wstring phoneBook;
    std::wstring entry;
};

bool IsBlank(wchar_t ch) { return ch == L' ' || ch == L'\t'; }

// The command line without the program's name, quoted or not, and the blanks after it.
std::wstring_view ArgumentsText()
{
    std::wstring_view line = GetCommandLineW();
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        at = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (at < line.size() && !IsBlank(line[at]))
            ++at;
    }
    while (at < line.size() && IsBlank(line[at]))
        ++at;
    return line.substr(at);
}

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void AppendToLog(std::wstring_view arguments)
{
    CreateDirectoryW(kWorkFolder, nullptr);
    // Append-only access: lines of tools started at the same moment never overwrite each other.
    const HANDLE log = CreateFileW(kLogPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    const std::string line = ToUtf8(arguments) + "\r\n";
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
}

// Words separated by blanks; a word in quotation marks keeps its blanks and loses the marks.
bool NextWord(std::wstring_view& rest, std::wstring& word)
{
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    if (rest.empty())
        return false;
    std::size_t end = 0;
    if (rest.front() == L'"') {
        end = rest.find(L'"', 1);
        if (end == std::wstring_view::npos)
            return false;
        word.assign(rest.substr(1, end - 1));
        ++end;
    } else {
        while (end < rest.size() && !IsBlank(rest[end]))
            ++end;
        word.assign(rest.substr(0, end));
    }
    rest.remove_prefix(end);
    return true;
}

bool ParseRequest(std::wstring_view arguments, Request& request)
{
    std::wstring option;
    while (NextWord(arguments, option)) {
        std::wstring value;
        if (option.size() != 2 || option[0] != L'-' || !NextWord(arguments, value))
            return false;
        switch (option[1]) {
        case L'f':
            request.phoneBook = value;
            break;
        case L'a':
        case L'e':
        case L'd':
        case L'h':
            if (request.action != 0)
                return false;
            request.action = option[1];
            request.entry = value;
            break;
        default:
            return false;
        }
    }
    return request.action != 0 && !request.phoneBook.empty() && !request.entry.empty();
}

HANDLE OpenWhenFree(const std::wstring& path, DWORD access, DWORD disposition)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || GetTickCount() - start > kBusyWaitMs)
            return INVALID_HANDLE_VALUE;
        Sleep(20);
    }
}

bool ReadAll(HANDLE file, std::string& content)
{
    content.clear();
    char piece[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, piece, sizeof(piece), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        content.append(piece, read);
    }
}

bool WriteAll(HANDLE file, const std::string& content)
{
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    DWORD written = 0;
    return WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size() && SetEndOfFile(file);
}

// The phonebook as lines: a line runs to its line feed, included; its text is without CR LF.
std::size_t LineEnd(std::string_view content, std::size_t at)
{
    const std::size_t lf = content.find('\n', at);
    return lf == std::string_view::npos ? content.size() : lf + 1;
}

std::string_view LineText(std::string_view content, std::size_t at)
{
    std::string_view line = content.substr(at, LineEnd(content, at) - at);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

std::size_t FindLine(std::string_view content, std::string_view text, std::size_t from = 0)
{
    for (std::size_t at = from; at < content.size(); at = LineEnd(content, at)) {
        if (LineText(content, at) == text)
            return at;
    }
    return std::string_view::npos;
}

// Where the section that starts at the given line ends: at the next section's header line.
std::size_t SectionEnd(std::string_view content, std::size_t header)
{
    for (std::size_t at = LineEnd(content, header); at < content.size(); at = LineEnd(content, at)) {
        if (content[at] == '[')
            return at;
    }
    return content.size();
}

std::string SectionHeader(std::wstring_view entry)
{
    std::string header(1, '[');
    header += ToUtf8(entry);
    header += ']';
    return header;
}

// The first section of the built-in sample, named after the entry.
std::string SampleSection(const std::string& header)
{
    const std::string_view sample(kSamplePhoneBook, kSamplePhoneBookSize);
    std::size_t start = 0;
    while (start < sample.size() && sample[start] != '[')
        start = LineEnd(sample, start);
    const std::string_view oldHeader = LineText(sample, start);
    return header + std::string(sample.substr(start + oldHeader.size(), SectionEnd(sample, start) - start - oldHeader.size()));
}

int SaveEntry(const Request& request)
{
    const HANDLE file = OpenWhenFree(request.phoneBook, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return kPhoneBookFailed;
    std::string content;
    bool ok = ReadAll(file, content);
    const std::string header = SectionHeader(request.entry);
    const std::size_t existing = FindLine(content, header);
    if (ok && (existing == std::string::npos || request.action == L'a')) {
        const std::string section = SampleSection(header);
        if (existing != std::string::npos) {
            content.replace(existing, SectionEnd(content, existing) - existing, section);
        } else {
            if (!content.empty() && content.back() != '\n')
                content += "\r\n";
            content += section;
        }
        ok = WriteAll(file, content);
    }
    ok = CloseHandle(file) && ok;
    return ok ? kDone : kPhoneBookFailed;
}

bool HoldsEntry(const Request& request)
{
    const HANDLE file = OpenWhenFree(request.phoneBook, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string content;
    const bool read = ReadAll(file, content);
    CloseHandle(file);
    return read && FindLine(content, SectionHeader(request.entry)) != std::string::npos;
}

// The link itself is a real network device of the suite's network namespace, which only the
// Linux link daemon (linkd.py) can make: the request is handed over as a file and the tool waits
// for the daemon's answer. The device is named after C:\tolvex-e2e\link-name when a scenario
// wrote one, else "tolvex0".
std::string LinkName()
{
    std::string name = "tolvex0";
    const HANDLE file = CreateFileW(kLinkNamePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return name;
    std::string content;
    if (ReadAll(file, content)) {
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r' || content.back() == ' '))
            content.pop_back();
        if (!content.empty())
            name = content;
    }
    CloseHandle(file);
    return name;
}

bool WriteWholeFile(const std::wstring& path, const std::string& content)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                    written == content.size();
    return CloseHandle(file) && ok;
}

// Asks the link daemon for "up NAME" or "down NAME" and waits for its answer: true when it
// answered "ok".
bool RequestLink(const char* action, const std::string& name)
{
    CreateDirectoryW(kWorkFolder, nullptr);
    const std::wstring token = std::to_wstring(GetCurrentProcessId());
    const std::wstring request = std::wstring(kWorkFolder) + L"\\link-request-" + token;
    const std::wstring reply = std::wstring(kWorkFolder) + L"\\link-reply-" + token;
    DeleteFileW(reply.c_str());
    // Complete before the daemon can see it: written under another name, then renamed.
    const std::wstring partial = request + L".partial";
    if (!WriteWholeFile(partial, std::string(action) + " " + name + "\n") ||
        !MoveFileExW(partial.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING))
        return false;
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(reply.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > kLinkWaitMs) {
            DeleteFileW(request.c_str());
            return false;
        }
        Sleep(20);
    }
    std::string answer;
    const HANDLE file = CreateFileW(reply.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ReadAll(file, answer);
        CloseHandle(file);
    }
    DeleteFileW(reply.c_str());
    return answer.rfind("ok", 0) == 0;
}

int Dial(const Request& request)
{
    if (!HoldsEntry(request))
        return kNoSuchEntry;
    return RequestLink("up", LinkName()) ? kDone : kNoLink;
}

int HangUp() { return RequestLink("down", LinkName()) ? kDone : kNoLink; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::wstring_view arguments = ArgumentsText();
    AppendToLog(arguments);
    Request request;
    if (!ParseRequest(arguments, request))
        return kBadCommandLine;
    switch (request.action) {
    case L'a':
    case L'e':
        return SaveEntry(request);
    case L'd':
        return Dial(request);
    default:
        return HangUp();
    }
}
