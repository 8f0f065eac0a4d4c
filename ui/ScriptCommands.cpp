// The commands of scripts, sent by another start of the program with a switch: each answered with
// the exit code that start ends with. None brings the dialog forward; a box one needs is shown
// after the answer, never inside the sender's wait.
#include "ui/TolvexDesktopWinDlg.h"

#include <iterator>

std::intptr_t CTolvexDesktopWinDlg::OnScriptCommand(std::uintptr_t command)
{
    constexpr const char16_t* kNames[] = {u"?", u"/connect", u"/disconnect", u"/status", u"/quit"};
    const auto asked = static_cast<ScriptCommand>(command);
    if (command == 0 || command >= std::size(kNames))
        return 0;  // a later version's command: answered as by a copy that knows none
    const auto answer = [&](ScriptExit exit) {
        m_log.Record(u"script: %s answered %d", {kNames[command], static_cast<int>(exit)});
        ui().ReplyMessage(ScriptAnswerOf(exit));
        return ScriptAnswerOf(exit);
    };
    // The user answers a box of the program first; the status is only looked at.
    if (asked == ScriptCommand::Status)
        return answer(GetStatus());
    if (IsMessageBoxOpen())
        return answer(ScriptExit::Busy);
    if (asked == ScriptCommand::Quit) {
        answer(ScriptExit::Done);
        Quit(false);
        return ScriptAnswerOf(ScriptExit::Done);
    }
    const LinkResult result = ConnectOrHangUp(asked == ScriptCommand::Connect ? LinkIntent::Connect : LinkIntent::Disconnect, true);
    const std::intptr_t answered = answer(ExitOf(result.outcome));
    ReportIfAny(result.failure);
    return answered;
}

ScriptExit CTolvexDesktopWinDlg::GetStatus()
{
    if (IsEntryConfigured(GetPhoneBookPath(), LoadEntryName()) == 0)
        return ScriptExit::NotSetUp;
    switch (GetConnectionState()) {
    case LinkState::Up:
        return ScriptExit::Done;
    case LinkState::Down:
        return ScriptExit::NotConnected;
    case LinkState::Unknown:
        break;
    }
    return ScriptExit::Unreadable;
}

ScriptExit CTolvexDesktopWinDlg::ExitOf(LinkOutcome outcome)
{
    switch (outcome) {
    case LinkOutcome::NotSetUp:
        return ScriptExit::NotSetUp;
    case LinkOutcome::Unreadable:
        return ScriptExit::Unreadable;
    case LinkOutcome::PhoneBookFailed:
        return ScriptExit::PhoneBookFailed;
    case LinkOutcome::Dialled:
    case LinkOutcome::HungUp:
    case LinkOutcome::AlreadyUp:
    case LinkOutcome::AlreadyDown:
        break;
    }
    return ScriptExit::Done;
}
