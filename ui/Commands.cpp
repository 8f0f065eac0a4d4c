// The user's commands: Connect and disconnect, OK (Enter), the entry settings, and every way of
// closing the program.
#include <utility>

#include "base/ResourceIds.h"
#include "connection/DialerTool.h"
#include "ui/TolvexDesktopWinDlg.h"

WideString CTolvexDesktopWinDlg::LoadEntryName() const
{
    return platform().resources.LoadString(IDS_ENTRY_NAME);
}

void CTolvexDesktopWinDlg::OnConnect() { ReportIfAny(ConnectOrHangUp(LinkIntent::Toggle).failure); }

CTolvexDesktopWinDlg::LinkResult CTolvexDesktopWinDlg::ConnectOrHangUp(LinkIntent intent, bool scripted)
{
    const LinkResult result = ConnectOrHangUpAsAsked(intent, scripted);
    constexpr std::pair<LinkOutcome, const char16_t*> kNothingStarted[] = {
        {LinkOutcome::NotSetUp, u"the entry not set up"},      {LinkOutcome::AlreadyUp, u"the link is up already"},
        {LinkOutcome::AlreadyDown, u"the link is down already"}, {LinkOutcome::Unreadable, u"the link's state unreadable"},
        {LinkOutcome::PhoneBookFailed, u"the phonebook failed"},
    };
    for (const auto& [outcome, why] : kNothingStarted) {
        if (outcome == result.outcome)
            m_log.Record(u"connect command: nothing started, %s", {why});
    }
    return result;
}

CTolvexDesktopWinDlg::LinkResult CTolvexDesktopWinDlg::ConnectOrHangUpAsAsked(LinkIntent intent, bool scripted)
{
    // The link is looked at first, before the phonebook is read or written.
    const LinkState state = GetConnectionState();
    const std::optional<FileError> failure = RewriteInterfaceMetric();
    const WideString path = GetPhoneBookPath();
    const WideString entryName = LoadEntryName();
    if (IsEntryConfigured(path, entryName) == 0)
        return {LinkOutcome::NotSetUp, failure};
    if (state == LinkState::Up) {
        if (intent == LinkIntent::Connect)
            return {LinkOutcome::AlreadyUp, failure};
        // A phonebook that could not be rewritten stops a dial, never a hang-up: the user must
        // always be able to take the link down.
        m_linkWatch.OnUserHangUp(scripted);
        RunDialerTool(platform(), m_log, DialerAction::HangUp, path, entryName);
        return {LinkOutcome::HungUp, failure};
    }
    if (intent == LinkIntent::Disconnect)
        return {state == LinkState::Down ? LinkOutcome::AlreadyDown : LinkOutcome::Unreadable, failure};
    if (failure)
        return {LinkOutcome::PhoneBookFailed, failure};
    Dial(path, entryName);
    return {LinkOutcome::Dialled, failure};
}

void CTolvexDesktopWinDlg::Dial(const WideString& path, const WideString& entryName)
{
    m_linkWatch.OnDial();
    RunDialerTool(platform(), m_log, DialerAction::Dial, path, entryName);
}

void CTolvexDesktopWinDlg::OnOK()
{
    const WideString path = GetPhoneBookPath();
    const WideString entryName = LoadEntryName();
    if (IsEntryConfigured(path, entryName) == 0) {
        RunDialerTool(platform(), m_log, DialerAction::HangUp, path, entryName);
        return;
    }
    MessageBox(FormatDialerParameters(DialerAction::Dial, path, entryName), win::MB_OK | win::MB_ICONEXCLAMATION);
    Dial(path, entryName);
}

void CTolvexDesktopWinDlg::OnSettings()
{
    const WideString path = GetPhoneBookPath();
    const WideString entryName = LoadEntryName();
    if (IsEntryConfigured(path, entryName) != 0) {
        RunDialerTool(platform(), m_log, DialerAction::Edit, path, entryName);
        return;
    }
    if (MessageBox(IDS_NOT_SET_UP_YET, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION) == win::IDOK)
        RunDialerTool(platform(), m_log, DialerAction::Add, path, entryName);
    else
        m_log.Record(u"settings: nothing started, the user cancelled");
}

void CTolvexDesktopWinDlg::OnQuit()
{
    // The tray menu's Quit can arrive while one of the program's boxes waits for its answer: the
    // user answers the box first, or a Quit beneath it could ask twice, hang up twice, or end the
    // program under a command that then goes on.
    if (IsMessageBoxOpen())
        return;
    Quit(true);
}

void CTolvexDesktopWinDlg::Quit(bool ask)
{
    ShowRepairOutcome(RepairNatTraversal(platform().registry, platform().system, m_log));
    if (GetConnectionState() == LinkState::Up) {
        if (ask && MessageBox(IDS_CONFIRM_DISCONNECT_QUIT, win::MB_YESNO) == win::IDNO)
            return;
        // Only ever a hang-up: the link may have dropped, or become unreadable, while the question
        // was open, and a dial would leave a new link behind with nothing to manage it. Hangs up
        // even when the phonebook could not be rewritten, and tells so before the program ends.
        ReportIfAny(ConnectOrHangUp(LinkIntent::Disconnect).failure);
    }
    EndDialog(win::IDCANCEL);
}

void CTolvexDesktopWinDlg::ReportIfAny(const std::optional<FileError>& failure)
{
    if (failure)
        ReportFileError(*failure);
}

void CTolvexDesktopWinDlg::ShowRepairOutcome(NatRepair repair)
{
    switch (repair) {
    case NatRepair::InPlace:
        break;
    case NatRepair::NeedsAdministrator:
        MessageBox(IDS_RUN_AS_ADMINISTRATOR, win::MB_OK);
        break;
    // The numbers the user has always been shown: 0 the key opened for the write, -1 it did not.
    case NatRepair::Attempted:
        MessageBox(u"0", win::MB_OK);
        break;
    case NatRepair::KeyRefused:
        MessageBox(u"-1", win::MB_OK);
        break;
    }
}

// Windows ending the session, or an installer's restart manager closing the program: no
// question may hold that up, and the link and the registry stay as they are.
bool CTolvexDesktopWinDlg::OnQueryEndSession() { return true; }

void CTolvexDesktopWinDlg::OnEndSession(bool ending)
{
    if (ending)
        EndDialog(win::IDCANCEL);
}
