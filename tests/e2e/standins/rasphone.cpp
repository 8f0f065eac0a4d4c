// The system's dialer tool as the end-to-end tours see it, installed as
// C:\windows\system32\rasphone.exe. No window; the one command-line form the program uses:
//     rasphone.exe -f "<phonebook>" -a|-e|-d|-h "<entry>"
// Every start appends its arguments as one UTF-8 line to C:\tolvex-e2e\rasphone.log. -a and -e
// write the entry's section (that of the sample C:\tolvex-e2e\TolvexPhoneBook.pbk, under
// "[<entry>]") when the phonebook lacks it; -d (for an entry the phonebook holds) and -h have the
// session's helper (hostd.py) bring up or
// take down a point-to-point device named after C:\tolvex-e2e\link-name ("tolvex0" without it),
// and wait for its answer. Exit code 0 when done, 1 otherwise.
#include <windows.h>

#include <string>

#include "HostRequest.h"

namespace {

const std::wstring kFolder = L"C:\\tolvex-e2e\\";

std::string Utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

bool Write(const std::wstring& path, const std::string& bytes, DWORD disposition = CREATE_ALWAYS)
{
    const HANDLE file = CreateFileW(path.c_str(), disposition == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return CloseHandle(file) && ok;
}

// The first section of the sample the session put beside the log, under the entry's header.
std::string SampleSection(const std::string& header)
{
    const std::string sample = ReadFileBytes(kFolder + L"TolvexPhoneBook.pbk");
    const std::size_t body = sample.find('\n', sample.find('[')) + 1;
    const std::size_t next = sample.find("\n[", body);
    return header + "\r\n" + sample.substr(body, next == std::string::npos ? std::string::npos : next + 1 - body);
}

// Has the session's helper bring the link named in C:\tolvex-e2e\link-name up or down.
bool RequestLink(const char* action)
{
    std::string name = ReadFileBytes(kFolder + L"link-name");
    return AskHost(std::string(action) + "\n" + (name.empty() ? "tolvex0" : name));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    CreateDirectoryW(kFolder.c_str(), nullptr);
    Write(kFolder + L"rasphone.log", Utf8(commandLine) + "\r\n", OPEN_ALWAYS);
    int count = 0;
    wchar_t** args = CommandLineToArgvW(commandLine, &count);
    if (count != 4 || std::wstring(args[0]) != L"-f")
        return 1;
    const std::wstring phoneBook = args[1], action = args[2];
    const std::string header = "[" + Utf8(args[3]) + "]";
    const bool holdsEntry = ReadFileBytes(phoneBook).find(header + "\r\n") != std::string::npos;
    if (action == L"-a" || action == L"-e")
        return holdsEntry || Write(phoneBook, ReadFileBytes(phoneBook) + SampleSection(header)) ? 0 : 1;
    if (action == L"-d")
        return holdsEntry && RequestLink("up") ? 0 : 1;
    return action == L"-h" && RequestLink("down") ? 0 : 1;
}
