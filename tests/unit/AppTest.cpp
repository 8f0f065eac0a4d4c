// One copy per logon under the executable's own name: a second start brings the running copy's
// dialog forward, in either language, and nothing else; a socket layer of another version than
// 1.1 ends the start with message 103, before any window.
#include <gtest/gtest.h>

#include "app/TolvexDesktopWinApp.h"
#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "platform/Constants.h"
#include "ui/TolvexDesktopWinDlg.h"

TEST(App, ASocketLayerOfAnotherVersionEndsTheStartWithMessage103)
{
    for (const auto& [result, version] : std::vector<std::pair<int, std::uint16_t>>{{10091, 0x0101}, {0, 0x0202}}) {
        FakePlatform fake;
        fake.app.socketsResult = result;
        fake.app.socketsVersion = version;
        EXPECT_FALSE(CTolvexDesktopWinApp(fake.platform).InitInstance());
        EXPECT_EQ(fake.app.mutexName, "TolvexDesktopWin") << "a renamed copy is a program of its own";
        ASSERT_EQ(fake.ui.boxes.size(), 1u);
        EXPECT_EQ(fake.ui.boxes[0].text, "#103");
        EXPECT_EQ(fake.ui.boxes[0].type, win::MB_OK | win::MB_ICONEXCLAMATION);
        EXPECT_EQ(fake.ui.boxes[0].owner, nullptr);
        EXPECT_TRUE(fake.ui.notifications.empty()) << "no dialog";
        EXPECT_EQ(fake.app.cleanups, result == 0 ? 1 : 0) << "a layer of the wrong version is shut down again";
        EXPECT_EQ(fake.app.socketsLastError, result == 0 ? win::WSAVERNOTSUPPORTED : 0) << "and says why";
    }
}

TEST(App, AFirstStartRunsTheDialogAndShutsTheSocketLayerDownAtTheEnd)
{
    FakePlatform fake;
    fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
    {
        CTolvexDesktopWinApp app(fake.platform);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(fake.ui.notifications.size(), 2u) << "the dialog's icon, added and removed";
        EXPECT_EQ(fake.app.cleanups, 0);
    }
    EXPECT_EQ(fake.app.cleanups, 1);
}

// A second start finds the hidden dialog of the running copy by its caption in either language,
// asks it whether it is that dialog, and shows it; windows of other programs with the same
// caption (an Explorer window of the install folder, a dialog of its own) are never touched.
TEST(App, ASecondStartBringsTheRunningDialogForwardInEitherLanguageAndNothingElse)
{
    for (const char16_t* caption : {u"Tolvex Cell VPN Manager", u"VPN Manager"}) {
        FakePlatform fake;
        fake.app.mutexResult = win::ERROR_ALREADY_EXISTS;
        fake.ui.templates[IDD_TOLVEXDESKTOPWIN_DIALOG] = {};
        fake.ui.captions[IDD_TOLVEXDESKTOPWIN_DIALOG] = caption;
        const WindowHandle explorer = fake.ui.AddTopLevel("CabinetWClass", Narrow(caption));
        const WindowHandle foreign = fake.ui.AddTopLevel("#32770", Narrow(caption));
        CTolvexDesktopWinDlg running(fake.platform);
        const WindowHandle dialog = fake.ui.CreateDialogFromTemplate(IDD_TOLVEXDESKTOPWIN_DIALOG, nullptr, running);
        fake.ui.Window(dialog).visible = false;
        fake.ui.events.clear();

        EXPECT_FALSE(CTolvexDesktopWinApp(fake.platform).InitInstance());
        EXPECT_EQ(fake.ui.events, (std::vector<std::string>{"foreground " + Narrow(caption), "show", "focus"}));
        EXPECT_TRUE(fake.ui.Window(dialog).visible);
        EXPECT_FALSE(fake.ui.Window(explorer).visible || fake.ui.Window(foreign).visible);
        EXPECT_EQ(fake.ui.focus, dialog);
        EXPECT_TRUE(fake.ui.boxes.empty());
    }
}
