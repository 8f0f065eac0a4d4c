// The framework the dialogs stand on: the modal loop's idle passes, the updaters' context, the
// message box conventions and the dialog defaults.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/TolvexDesktopWinApp.h"
#include "fakes/FakePlatform.h"
#include "framework/Dialog.h"
#include "platform/Constants.h"

namespace {

// A dialog that counts its idle passes and has updaters for two of the template's controls.
class CCountingDlg : public CDialog {
public:
    explicit CCountingDlg(CWinApp& app) : CDialog(app, 102) {}
    int passes = 0;
    std::vector<int> updated;

protected:
    bool DispatchMessageMap(const MessageArgs& args, std::intptr_t& result) override
    {
        if (args.message != win::WM_KICKIDLE)
            return false;
        ++passes;
        UpdateDialogControls();
        result = 0;
        return true;
    }
    bool DispatchCommandUpdate(unsigned id, CCmdUI& cmdUI) override
    {
        if (id != 1002 && id != 1004)
            return false;
        updated.push_back(static_cast<int>(id));
        cmdUI.SetText(u"updated");
        return true;
    }
};

class Framework : public ::testing::Test {
protected:
    // Runs the dialog modally; each step runs when the loop has emptied its queue, and the
    // loop ends after the last step by closing the dialog.
    std::intptr_t RunModal(CDialog& dlg, std::vector<std::function<void(WindowHandle)>> steps)
    {
        std::size_t next = 0;
        fake.ui.onQueueEmpty = [&] {
            if (next < steps.size())
                steps[next++](fake.ui.lastDialog);
            else if (!fake.ui.Window(fake.ui.lastDialog).destroyed)
                fake.ui.PostCommand(fake.ui.lastDialog, win::IDCANCEL);
        };
        return dlg.DoModal();
    }
    void Post(unsigned message, Point pt = {})
    {
        fake.ui.queue.push_back({fake.ui.lastDialog, message, 0, 0, pt});
    }

    FakePlatform fake;
    CTolvexDesktopWinApp app{fake.platform};
};

TEST_F(Framework, IdlePassFollowsActivityOnly)
{
    struct Case {
        const char* name;
        std::vector<Message> burst;
        int extraPasses;
    };
    const std::vector<Case> cases = {
        {"paint", {{nullptr, win::WM_PAINT}}, 0},
        {"caret blink", {{nullptr, win::WM_SYSTIMER}}, 0},
        {"timer", {{nullptr, win::WM_TIMER}}, 1},
        {"key and paint in one burst", {{nullptr, win::WM_KEYDOWN}, {nullptr, win::WM_PAINT}}, 1},
        {"mouse move repeating the position", {{nullptr, win::WM_MOUSEMOVE, 0, 0, {5, 5}}, {nullptr, win::WM_MOUSEMOVE, 0, 0, {5, 5}}}, 1},
        {"mouse move to a new position", {{nullptr, win::WM_MOUSEMOVE, 0, 0, {5, 5}}, {nullptr, win::WM_MOUSEMOVE, 0, 0, {6, 5}}}, 2},
        {"client then non-client move at one position", {{nullptr, win::WM_MOUSEMOVE, 0, 0, {5, 5}}, {nullptr, win::WM_NCMOUSEMOVE, 0, 0, {5, 5}}}, 2},
    };
    for (const auto& c : cases) {
        FakePlatform local;
        CTolvexDesktopWinApp localApp(local.platform);
        CCountingDlg dlg(localApp);
        std::size_t step = 0;
        local.ui.onQueueEmpty = [&] {
            // One burst at a time: each message alone, so that a pass may follow each.
            if (step < c.burst.size()) {
                Message msg = c.burst[step++];
                msg.hwnd = local.ui.lastDialog;
                local.ui.queue.push_back(msg);
            }
        };
        dlg.DoModal();
        EXPECT_EQ(dlg.passes, 1 + c.extraPasses) << c.name;
    }
}

TEST_F(Framework, IdlePassRunsUpdatersInWindowOrderAndLeavesOtherControlsAlone)
{
    CCountingDlg dlg(app);
    RunModal(dlg, {[&](WindowHandle hwnd) {
        EXPECT_EQ(dlg.updated, (std::vector<int>{1002, 1004}));
        EXPECT_EQ(Narrow(fake.ui.Window(fake.ui.Control(hwnd, 1002)).text.view()), "updated");
        EXPECT_EQ(Narrow(fake.ui.Window(fake.ui.Control(hwnd, 2)).text.view()), "template");
        EXPECT_TRUE(fake.ui.Window(fake.ui.Control(hwnd, 2)).enabled);
    }});
}

TEST_F(Framework, TemplateWithoutVisibleStyleShowsWhenTheLoopFirstGoesIdle)
{
    fake.ui.templateVisible[102] = false;
    CCountingDlg dlg(app);
    RunModal(dlg, {[&](WindowHandle hwnd) { EXPECT_TRUE(fake.ui.Window(hwnd).visible); }});
}

TEST_F(Framework, CommandStateContext)
{
    CCountingDlg dlg(app);
    RunModal(dlg, {[&](WindowHandle hwnd) {
        const WindowHandle button = fake.ui.Control(hwnd, 1004);
        CCmdUI cmdUI(fake.ui, hwnd, button, 1004);
        fake.ui.log.clear();

        cmdUI.SetText(u"updated");  // unchanged: no write
        EXPECT_EQ(fake.ui.log, std::vector<std::string>{});
        cmdUI.SetText(u"&Connect");
        EXPECT_EQ(fake.ui.log, std::vector<std::string>{"SetWindowText 1004 &Connect"});

        fake.ui.log.clear();
        fake.ui.focus = button;
        cmdUI.Enable(false);  // the focus moves on first
        EXPECT_EQ(fake.ui.log, (std::vector<std::string>{"SendMessage 40 0", "default 40", "EnableWindow 0"}));

        fake.ui.log.clear();
        fake.ui.focus = nullptr;
        cmdUI.Enable(false);
        cmdUI.Enable(true);
        EXPECT_EQ(fake.ui.log, (std::vector<std::string>{"EnableWindow 0", "EnableWindow 1"}));
    }});
}

TEST_F(Framework, MessageBoxCaptionOwnerAndDefaultIcons)
{
    struct Case {
        unsigned type;
        unsigned shown;
    };
    const Case cases[] = {
        {win::MB_OK, win::MB_OK | win::MB_ICONEXCLAMATION},
        {win::MB_OKCANCEL, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION},
        {win::MB_YESNO, win::MB_YESNO | win::MB_ICONQUESTION},
        {win::MB_YESNOCANCEL, win::MB_YESNOCANCEL | win::MB_ICONQUESTION},
        {win::MB_OK | win::MB_ICONHAND, win::MB_OK | win::MB_ICONHAND},
        {5 /* MB_RETRYCANCEL */, 5},
    };
    for (const auto& c : cases)
        app.MessageBox(u"text", c.type);
    ASSERT_EQ(fake.ui.messageBoxes.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(fake.ui.messageBoxes[i].type, cases[i].shown) << i;
        EXPECT_EQ(fake.ui.messageBoxes[i].caption, "TolvexDesktopWin");
        EXPECT_EQ(fake.ui.messageBoxes[i].owner, nullptr) << "no owner before the dialog exists";
    }

    CCountingDlg dlg(app);
    app.SetMainWnd(&dlg);
    RunModal(dlg, {[&](WindowHandle hwnd) {
        app.MessageBox(u"inside");
        EXPECT_EQ(fake.ui.messageBoxes.back().owner, hwnd);
    }});
}

TEST_F(Framework, ApplicationNameIsTheExecutableFileTitle)
{
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"C:\\Program Files\\Tolvex\\TolvexDesktopWin.exe", "TolvexDesktopWin"},
        {u"C:\\x.y\\Copy of Tool.v2.exe", "Copy of Tool.v2"},
        {u"Tool", "Tool"},
        {u"C:\\dir\\", ""},
    };
    for (const auto& [path, title] : cases)
        EXPECT_EQ(Narrow(FileTitleOf(path).view()), title);
}

TEST_F(Framework, DialogDefaultsEndWithOkAndCancelAndOwnerIsReenabled)
{
    for (const int command : {win::IDOK, win::IDCANCEL}) {
        FakePlatform local;
        CTolvexDesktopWinApp localApp(local.platform);
        CCountingDlg owner(localApp);
        localApp.SetMainWnd(&owner);
        local.ui.CreateDialogFromTemplate(102, nullptr, owner);
        const WindowHandle ownerHwnd = local.ui.lastDialog;

        CDialog about(localApp, 100);
        local.ui.onQueueEmpty = [&] {
            EXPECT_FALSE(local.ui.Window(ownerHwnd).enabled) << "modal over its owner";
            EXPECT_EQ(local.ui.Window(local.ui.lastDialog).owner, ownerHwnd);
            local.ui.PostCommand(local.ui.lastDialog, command);
            local.ui.onQueueEmpty = nullptr;
        };
        EXPECT_EQ(about.DoModal(), command);
        EXPECT_TRUE(local.ui.Window(ownerHwnd).enabled);
        EXPECT_TRUE(local.ui.Window(local.ui.lastDialog).destroyed);
    }
}

TEST_F(Framework, DialogThatCannotBeCreatedAnswersMinusOne)
{
    fake.ui.createFails = true;
    CDialog dlg(app, 100);
    EXPECT_EQ(dlg.DoModal(), -1);
}

}  // namespace
