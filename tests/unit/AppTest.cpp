// Start-up: one copy per logon, the socket layer, and the dialog.
#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

namespace {

bool Logged(const std::vector<std::string>& log, const std::string& entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

TEST(AppStartup, FirstCopyRunsTheDialogAfterControlsAndSockets)
{
    FakePlatform fake;
    CTolvexDesktopWinApp app(fake.platform);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(fake.app.log, (std::vector<std::string>{
        "CreateMutex TolvexDesktopWin", "InitCommonControls 255", "WSAStartup 257"}));
    EXPECT_EQ(fake.ui.CountLog("CreateDialog 102"), 1);
    EXPECT_EQ(Narrow(app.GetRegistryKey().view()), "Tolvex VPN Manager");
    EXPECT_TRUE(fake.ui.messageBoxes.empty());
    EXPECT_EQ(app.GetMainWnd(), nullptr) << "the dialog is gone when the routine returns";
}

TEST(AppStartup, MutexIsNamedAfterTheExecutableNotTheProduct)
{
    FakePlatform fake;
    fake.app.modulePath = u"D:\\tools\\Renamed Copy.exe";
    CTolvexDesktopWinApp app(fake.platform);
    app.InitInstance();
    EXPECT_EQ(fake.app.log.front(), "CreateMutex Renamed Copy");
}

TEST(AppStartup, SecondCopyActivatesTheWindowWithTheEnglishCaptionAndEnds)
{
    FakePlatform fake;
    fake.app.mutexLastError = win::ERROR_ALREADY_EXISTS;
    const WindowHandle running = fake.ui.AddWindow({});
    fake.ui.captions["Tolvex Cell VPN Manager"] = running;
    CTolvexDesktopWinApp app(fake.platform);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(fake.ui.log, (std::vector<std::string>{
        "FindWindow Tolvex Cell VPN Manager", "SetForegroundWindow", "ShowWindow 1", "SetFocus"}));
    EXPECT_TRUE(fake.ui.Window(running).visible);
    EXPECT_EQ(fake.app.log, std::vector<std::string>{"CreateMutex TolvexDesktopWin"}) << "nothing else starts";
}

TEST(AppStartup, SecondCopyWithoutAWindowToFindEndsSilently)
{
    FakePlatform fake;
    fake.app.mutexLastError = win::ERROR_ALREADY_EXISTS;
    CTolvexDesktopWinApp app(fake.platform);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(fake.ui.log, std::vector<std::string>{"FindWindow Tolvex Cell VPN Manager"});
    EXPECT_TRUE(fake.ui.messageBoxes.empty());
}

TEST(AppStartup, OtherMutexErrorsRunAsTheFirstCopy)
{
    FakePlatform fake;
    fake.app.mutexLastError = 5;  // ERROR_ACCESS_DENIED
    CTolvexDesktopWinApp app(fake.platform);
    app.InitInstance();
    EXPECT_EQ(fake.ui.CountLog("CreateDialog 102"), 1);
}

TEST(AppStartup, SocketFailureShowsMessage103AndNoDialog)
{
    struct Case {
        const char* name;
        int result;
        std::uint16_t version;
        bool cleansUp;
    };
    const Case cases[] = {
        {"start-up refused", 10091 /* WSASYSNOTREADY */, 0, false},
        {"only version 2.2", 0, 0x0202, true},
        {"version 1.0", 0, 0x0001, true},
    };
    for (const auto& c : cases) {
        FakePlatform fake;
        fake.app.socketsResult = c.result;
        fake.app.socketsVersion = c.version;
        CTolvexDesktopWinApp app(fake.platform);
        EXPECT_FALSE(app.InitInstance()) << c.name;
        ASSERT_EQ(fake.ui.messageBoxes.size(), 1u) << c.name;
        EXPECT_EQ(fake.ui.messageBoxes[0].text, "Fail to initialize Windows socket");
        EXPECT_EQ(fake.ui.messageBoxes[0].caption, "TolvexDesktopWin");
        EXPECT_EQ(fake.ui.messageBoxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
        EXPECT_EQ(fake.ui.messageBoxes[0].owner, nullptr);
        EXPECT_EQ(fake.ui.CountLog("CreateDialog 102"), 0) << c.name;
        EXPECT_EQ(Logged(fake.app.log, "WSACleanup"), c.cleansUp) << c.name;
        EXPECT_EQ(Logged(fake.app.log, "WSASetLastError 10092"), c.cleansUp) << c.name;
    }
}

TEST(AppStartup, SocketLayerIsShutDownWhenTheApplicationEnds)
{
    FakePlatform fake;
    {
        CTolvexDesktopWinApp app(fake.platform);
        app.InitInstance();
        EXPECT_FALSE(Logged(fake.app.log, "WSACleanup"));
    }
    EXPECT_TRUE(Logged(fake.app.log, "WSACleanup"));
}

}  // namespace
