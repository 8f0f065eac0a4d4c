// The commands of scripts, sent by another start of the program with a switch: each answered with
// the exit code that start ends with. None brings the dialog forward; a box one needs is shown
// after the answer, never inside the sender's wait.
#include "ui/TolvexDesktopWinDlg.h"

std::intptr_t CTolvexDesktopWinDlg::OnScriptCommand(std::uintptr_t command)
{
    const auto asked = static_cast<ScriptCommand>(command);
    if (asked == ScriptCommand::Status)
        return ScriptAnswerOf(GetStatus());
    if (asked != ScriptCommand::Connect && asked != ScriptCommand::Disconnect && asked != ScriptCommand::Quit)
        return 0;  // a later version's command: answered as by a copy that knows none
    // The user answers a box of the program first.
    if (IsMessageBoxOpen())
        return ScriptAnswerOf(ScriptExit::Busy);
    if (asked == ScriptCommand::Quit) {
        ui().ReplyMessage(ScriptAnswerOf(ScriptExit::Done));
        Quit(false);
        return ScriptAnswerOf(ScriptExit::Done);
    }
    const LinkResult result = ConnectOrHangUp(asked == ScriptCommand::Connect ? LinkIntent::Connect : LinkIntent::Disconnect, true);
    const std::intptr_t answer = ScriptAnswerOf(ExitOf(result.outcome));
    ui().ReplyMessage(answer);
    ReportIfAny(result.failure);
    return answer;
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
