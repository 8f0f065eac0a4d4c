// The framework: the idle passes of the modal loop, the updaters' context, message boxes, and the
// boundary no exception crosses.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "base/ResourceIds.h"
#include "fakes/FakePlatform.h"
#include "framework/Dialog.h"
#include "framework/FileErrorText.h"
#include "framework/IdleActivity.h"

namespace {

constexpr int kThrowCommand = 100;

class CTestDialog : public CDialog {
public:
    using CDialog::CDialog;
    using CDialog::IsMessageBoxOpen;
    using CDialog::MessageBox;
    using CDialog::ReportFileError;

    int passes = 0;
    std::vector<int> updated;
    std::function<void()> onCommand;
    std::function<void()> onIdle;
    std::function<void()> onSysCommand;

protected:
    bool DispatchMessageMap(const MessageArgs& args, std::intptr_t& result) override
    {
        return s_map.Dispatch(*this, args, result);
    }
    void DispatchCommandUpdate(unsigned id, CCmdUI& cmdUI) override { s_map.Update(*this, id, cmdUI); }

private:
    using Map = MessageMap<CTestDialog>;
    static const Map s_map;
};

const MessageMap<CTestDialog> CTestDialog::s_map = {
    Map::Command(kThrowCommand, [](auto& dlg, const MessageArgs&) { dlg.onCommand(); return Handled(); }),
    Map::Message(win::WM_KICKIDLE, [](auto& dlg, const MessageArgs&) {
        ++dlg.passes;
        if (dlg.onIdle)
            dlg.onIdle();
        dlg.UpdateDialogControls();
        return Handled();
    }),
    Map::Message(win::WM_TIMER, [](auto& dlg, const MessageArgs&) {
        if (dlg.onIdle)
            dlg.onIdle();
        return Handled();
    }),
    Map::Message(win::WM_SYSCOMMAND, [](auto& dlg, const MessageArgs&) {
        dlg.onSysCommand();
        return Handled();
    }),
    Map::UpdateCommand(1, [](auto& dlg, CCmdUI& cmdUI) {
        dlg.updated.push_back(1);
        cmdUI.Enable(true);
    }),
    Map::UpdateCommand(2, [](auto& dlg, CCmdUI& cmdUI) {
        dlg.updated.push_back(2);
        cmdUI.Enable(false);
        cmdUI.SetText(u"same");
    }),
};

class Framework : public ::testing::Test {
protected:
    Framework() { fake.ui.templates[7] = {3, 1, 2}; }

    WindowHandle Create(CTestDialog& dialog) { return fake.ui.CreateDialogFromTemplate(7, nullptr, dialog); }
    std::ptrdiff_t Index(const std::string& event) const
    {
        const auto& events = fake.ui.events;
        return std::find(events.begin(), events.end(), event) - events.begin();
    }

    FakePlatform fake;
    CTestDialog dialog{fake.platform, 7};
};

TEST(IdleActivity, PaintCaretBlinkAndARepeatedMouseMoveAreNoActivity)
{
    struct Case {
        unsigned message;
        Point at;
        bool activity;
    };
    const Case sequence[] = {
        {win::WM_PAINT, {}, false},           {win::WM_SYSTIMER, {}, false},        {win::WM_MOUSEMOVE, {5, 5}, true},
        {win::WM_MOUSEMOVE, {5, 5}, false},   {win::WM_NCMOUSEMOVE, {5, 5}, true},  {win::WM_MOUSEMOVE, {6, 5}, true},
        {win::WM_TIMER, {}, true},
    };
    CIdleActivity activity;
    for (const Case& c : sequence) {
        activity.OnPassMade();
        activity.OnMessageTaken({nullptr, c.message, 0, 0, c.at});
        EXPECT_EQ(activity.IsPassDue(), c.activity) << c.message << " at " << c.at.x;
    }
}

TEST_F(Framework, AnIdlePassFollowsActivityAndRunsTheUpdatersInWindowOrder)
{
    fake.ui.steps = {[&] { fake.ui.Post({dialog.GetSafeHwnd(), win::WM_PAINT, 0, 0, {}}); },
                     [&] { fake.ui.Post({dialog.GetSafeHwnd(), win::WM_TIMER, 0, 0, {}}); }};
    EXPECT_EQ(dialog.DoModal(), -1);  // the queue ran dry: never ended
    EXPECT_EQ(dialog.passes, 2);      // the first one, and the one after the timer's tick
    EXPECT_EQ(dialog.updated, (std::vector<int>{1, 2, 1, 2}));
}

TEST_F(Framework, UpdatersMoveTheFocusBeforeDisablingAndWriteOnlyChangedTexts)
{
    const WindowHandle hwnd = Create(dialog);
    const WindowHandle control = fake.ui.Control(hwnd, 2);
    fake.ui.Window(control).text = u"same";
    fake.ui.Deliver(hwnd, win::WM_MOUSEMOVE);
    EXPECT_FALSE(fake.ui.handled) << "a message the map does not name goes to the defaults";
    fake.ui.focus = fake.ui.Control(hwnd, 1);
    fake.ui.Deliver(hwnd, win::WM_KICKIDLE);
    EXPECT_EQ(Index("focus moves on"), static_cast<std::ptrdiff_t>(fake.ui.events.size())) << "enabling keeps the focus";
    fake.ui.events.clear();
    fake.ui.focus = control;
    fake.ui.Deliver(hwnd, win::WM_KICKIDLE);
    EXPECT_LT(Index("focus moves on"), Index("disable 2"));
    EXPECT_FALSE(fake.ui.Window(control).enabled);
    EXPECT_EQ(Index("text 2 same"), static_cast<std::ptrdiff_t>(fake.ui.events.size())) << "the same text is not written";
    EXPECT_TRUE(fake.ui.Window(fake.ui.Control(hwnd, 3)).enabled) << "a control without an updater is left alone";
}

// A dialog with no handlers of its own, as the About box: its first control takes the focus; a
// template without the visible style is shown once, when the loop first goes idle; a posted OK or Cancel goes through the loop to the
// defaults, which end it with their codes; its window is hidden, then destroyed.
TEST(Dialog, ADialogOfItsOwnDefaultsShowsOnceEndsByOkOrCancelAndGoes)
{
    for (const int command : {win::IDOK, win::IDCANCEL}) {
        FakePlatform fake;
        fake.ui.templates[7] = {5};
        fake.ui.invisible = {7};
        CDialog plain(fake.platform, 7);
        fake.ui.steps = {[&] {
                             EXPECT_EQ(fake.ui.focus, fake.ui.Control(plain.GetSafeHwnd(), 5)) << "the first control";
                             fake.ui.Post({plain.GetSafeHwnd(), win::WM_TIMER, 0, 0, {}});
                         },
                         [&] { fake.ui.Post({plain.GetSafeHwnd(), win::WM_COMMAND, static_cast<unsigned>(command), 0, {}}); }};
        EXPECT_EQ(plain.DoModal(), command);
        EXPECT_EQ(fake.ui.events, (std::vector<std::string>{"show", "hide", "destroy"}));
    }
}

TEST_F(Framework, AModalChildDisablesItsParentAndGivesItBackBeforeItGoes)
{
    const WindowHandle parentWindow = Create(dialog);
    CTestDialog child(fake.platform, 7, &dialog);
    child.onIdle = [&] {
        EXPECT_FALSE(fake.ui.Window(parentWindow).enabled);
        child.EndDialog(win::IDOK);
    };
    EXPECT_EQ(child.DoModal(), win::IDOK);
    EXPECT_TRUE(fake.ui.Window(parentWindow).enabled);
    EXPECT_LT(Index("enable 0"), Index("destroy")) << "enabled again before the child is destroyed";
}

TEST_F(Framework, MessageBoxesTakeTheProgramsNameAndADefaultIcon)
{
    const struct {
        unsigned type;
        unsigned shown;
    } cases[] = {
        {win::MB_OK, win::MB_OK | win::MB_ICONEXCLAMATION},
        {win::MB_OKCANCEL, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION},
        {win::MB_YESNO, win::MB_YESNO | win::MB_ICONQUESTION},
        {win::MB_YESNOCANCEL, win::MB_YESNOCANCEL | win::MB_ICONQUESTION},
        {win::MB_OK | win::MB_ICONSTOP, win::MB_OK | win::MB_ICONSTOP},
    };
    const WindowHandle hwnd = Create(dialog);
    for (const auto& c : cases) {
        fake.ui.whileBoxOpen = [&] { EXPECT_TRUE(dialog.IsMessageBoxOpen()); };
        dialog.MessageBox(u"text", c.type);
        EXPECT_EQ(fake.ui.boxes.back().type, c.shown);
        EXPECT_EQ(fake.ui.boxes.back().caption, "TolvexDesktopWin");
        EXPECT_EQ(fake.ui.boxes.back().owner, hwnd);
    }
    EXPECT_FALSE(dialog.IsMessageBoxOpen());
}

TEST_F(Framework, NoExceptionLeavesTheDialogAndOnlyTheUsersCommandsAreTold)
{
    const WindowHandle hwnd = Create(dialog);
    const struct {
        unsigned message;
        std::function<void()> fail;
        const char* box;  // none when null
    } cases[] = {
        {win::WM_COMMAND, [] { throw std::length_error("too long"); }, "#150"},
        {win::WM_SYSCOMMAND, [] { throw std::bad_alloc(); }, "#150"},
        {win::WM_KICKIDLE, [] { throw std::bad_alloc(); }, nullptr},
        {win::WM_TIMER, [] { throw std::runtime_error("tick"); }, nullptr},
    };
    for (const auto& c : cases) {
        fake.ui.boxes.clear();
        dialog.onCommand = dialog.onIdle = dialog.onSysCommand = c.fail;
        fake.ui.Deliver(hwnd, c.message, kThrowCommand);
        EXPECT_TRUE(fake.ui.handled) << "never left to the defaults, which could end the dialog";
        ASSERT_EQ(fake.ui.boxes.size(), c.box != nullptr ? 1u : 0u) << c.message;
        if (c.box != nullptr) {
            EXPECT_EQ(fake.ui.boxes[0].text, c.box);
            EXPECT_EQ(fake.ui.boxes[0].type & win::MB_ICONMASK, win::MB_ICONSTOP);
        }
    }
}

// A click or a menu choice runs the command; a control's other notifications (a user button's
// paint request, a focus notice) do not.
TEST_F(Framework, OnlyAClickOrAMenuChoiceIsACommand)
{
    const WindowHandle hwnd = Create(dialog);
    int ran = 0;
    dialog.onCommand = [&] { ++ran; };
    for (const unsigned code : {1u, 6u, 0u})
        fake.ui.Deliver(hwnd, win::WM_COMMAND, kThrowCommand | code << 16);
    EXPECT_EQ(ran, 1);
}

TEST_F(Framework, AFileErrorIsToldInTheTextOfItsKind)
{
    for (const unsigned id : {IDP_FILE_GENERIC, IDP_FILE_ACCESS_DENIED, IDP_FILE_SHARING, IDP_FILE_DISK_FULL})
        fake.resources.strings[id] = WideString::Format(u"%d: %1", {static_cast<int>(id)});
    const struct {
        unsigned long code;
        unsigned id;
    } cases[] = {
        {32, IDP_FILE_SHARING}, {112, IDP_FILE_DISK_FULL}, {5, IDP_FILE_ACCESS_DENIED},
        {1392, IDP_FILE_GENERIC},
    };
    Create(dialog);
    for (const auto& c : cases) {
        dialog.ReportFileError({c.code, u"C:\\a\\p.pbk"});
        EXPECT_EQ(fake.ui.boxes.back().text, std::to_string(c.id) + ": C:\\a\\p.pbk") << c.code;
        EXPECT_EQ(fake.ui.boxes.back().type, win::MB_OK | win::MB_ICONSTOP);
    }
}

// The loop leaves as soon as the dialog is ended, also from a message sent to it while the loop
// waits (the end of a session); a WM_QUIT is left for the loop outside.
TEST_F(Framework, TheModalLoopWakesForItsEndAndHandsOnAQuit)
{
    fake.ui.steps = {[&] {
        dialog.onCommand = [&] { dialog.EndDialog(7); };
        fake.ui.Deliver(dialog.GetSafeHwnd(), win::WM_COMMAND, kThrowCommand);
    }};
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_FALSE(fake.ui.starved) << "the loop waited on after its end";

    CTestDialog quitting(fake.platform, 7);
    fake.ui.steps = {[&] { fake.ui.PostQuitMessage(3); }};
    EXPECT_EQ(quitting.DoModal(), -1);
    Message left;
    ASSERT_TRUE(fake.ui.PeekMessage(left));
    EXPECT_EQ(left.message, FakeWindowSystem::kQuit) << "handed on to the loop outside";
    EXPECT_EQ(left.wParam, 3u);
}

}  // namespace
