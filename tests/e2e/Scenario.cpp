#include "Scenario.h"

#include "base/ResourceIds.h"

namespace e2e {

namespace {

constexpr UINT kHideToTray = 0xF020;

}  // namespace

std::wstring FromUtf8(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

std::wstring PhoneBookFolder() { return AppDataFolder() + L"\\Tolvex Computer"; }
std::wstring PhoneBookPath() { return PhoneBookFolder() + L"\\TolvexPhoneBook.pbk"; }

std::wstring DialerLine(wchar_t action)
{
    return L"-f \"" + PhoneBookPath() + L"\" -" + action + L" \"" + kEntryName + L"\"";
}

std::wstring DialerCommand(const std::wstring& arguments)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return L"\"" + std::wstring(system) + L"\\rasphone.exe\" " + arguments;
}

std::vector<std::wstring> ReadDialerLog()
{
    std::vector<std::wstring> lines;
    const std::string bytes = ReadFileBytes(kDialerLog).value_or("");
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t lf = bytes.find('\n', at);
        std::string line = bytes.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(FromUtf8(line));
        at = lf == std::string::npos ? bytes.size() : lf + 1;
    }
    return lines;
}

bool WaitForDialersToEnd() { return WaitForNoProcess(kDialerExe, kDialerWaitMs); }

bool WaitForDialerLogLines(std::size_t count)
{
    return WaitUntil([&] { return ReadDialerLog().size() >= count; }, kDialerWaitMs) && WaitForDialersToEnd();
}

void Scenario::TearDown()
{
    m_app.reset();
    EXPECT_TRUE(WaitForDialersToEnd());
}

void Scenario::LaunchApp(const std::wstring& currentDirectory)
{
    m_app.emplace(currentDirectory);
    m_hDlg = m_app->WaitForMainDialog();
    ASSERT_NE(m_hDlg, nullptr);
}

void Scenario::StartApp(const std::wstring& currentDirectory)
{
    LaunchApp(currentDirectory);
    ASSERT_NE(m_hDlg, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ShowsDialog(); }));
}

void Scenario::AddEntryWithDialer()
{
    CreateDirectoryW(PhoneBookFolder().c_str(), nullptr);
    ASSERT_EQ(RunAndWait(DialerCommand(DialerLine(L'a')), kDialerWaitMs), 0);
    ASSERT_TRUE(DeleteFileW(kDialerLog));
    ASSERT_NE(ReadFileBytes(PhoneBookPath()).value_or("").find("[Tolvex Cell VPN]\r\n"), std::string::npos);
}

bool Scenario::WaitForLabel(int id, const std::wstring& label, int timeoutMs) const
{
    const bool shown = WaitUntil([&] { return Label(id) == label; }, timeoutMs);
    if (!shown)
        ADD_FAILURE() << "control " << id << " reads \"" << testing::PrintToString(Label(id)) << "\"";
    return shown;
}

void Scenario::HideToTray()
{
    PostMessageW(m_hDlg, WM_SYSCOMMAND, kHideToTray, 0);
    ASSERT_TRUE(WaitUntil([&] { return !ShowsDialog(); }));
}

HWND Scenario::WaitForBox()
{
    HWND box = m_app->WaitForMessageBox();
    EXPECT_NE(box, nullptr);
    if (box != nullptr) {
        EXPECT_EQ(WindowText(box), kBoxCaption);
    }
    return box;
}

void Scenario::Answer(HWND box, int button)
{
    ClickButton(box, button);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
}

void Scenario::WaitForARefreshOfTheLink()
{
    // Only a mark seen on the taskbar and then gone proves a refresh after this call.
    const bool refreshed = WaitUntil([&] {
        return MarkTrayIcon(m_hDlg) && WaitUntil([] { return !TrayIconMarked(); }, kRefreshWaitMs);
    }, 2 * kRefreshWaitMs);
    ASSERT_TRUE(refreshed) << "no refresh read the link";
}

}  // namespace e2e
