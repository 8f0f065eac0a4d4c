// The refresh's decisions about the link, pass by pass: the state to show, whether a drop shows
// the dialog and is dialled again, and the activity indicator's frame. It sees what the dialog
// tells it and decides; it reaches nothing of the platform and says nothing to the user, and
// records its decisions for support.
#pragma once

#include <cstdint>
#include <optional>

#include "base/EventLog.h"
#include "connection/ConnectionState.h"
#include "platform/Types.h"

// What a working pass decided.
struct LinkView {
    LinkState state = LinkState::Unknown;
    bool showDialog = false;  // the link dropped since it was last seen up
    bool dialAgain = false;   // ... and this system dials a dropped link again
};

class CLinkWatch {
public:
    // The indicator has this many frames, shown one per tick in turn.
    static constexpr std::uint32_t kFrames = 8;

    explicit CLinkWatch(CEventLog& log) : m_log(log) {}

    // Counts a refresh of the Connect button: the link is read on every second pass only, the
    // first included. The other passes leave everything as it was.
    bool IsWorkingPass();
    // Whether a working pass reads another state than the last one read.
    bool IsChange(LinkState state) const { return m_lastState != state; }
    // A working pass that found the entry set up read this link state; reportedNow is the
    // version the platform reports to the program now.
    LinkView SeeLink(LinkState state, const OsVersionInfo& reportedNow);
    // The pass's own work is done. Until then, after a pass that found the link down, a re-dial
    // that failed on the phonebook is tried again at the next such pass.
    void OnPassDone();
    // A re-dial failed on the phonebook: true the first time for this drop only, so that the user
    // is told once while the next passes try again.
    bool IsFirstFailedRedial();

    // The user's own hang-up is not dialled again when its link goes, as long as it is still
    // pending: until a pass sees the link down, a dial is started, or about a minute of passes
    // went by that still saw the link up (then it did not happen). A script's hang-up is the
    // user's too, and its drop does not show the dialog: nobody is at the screen for it.
    void OnUserHangUp(bool scripted = false);
    // A dial was started, by the user or by the re-dial: it takes the place of a re-dial still
    // pending for a drop, and ends a remembered hang-up.
    void OnDial();

    // The indicator's frame at the next tick of the one-second timer, turning while the link is
    // up (the phase follows the ticks since start); none otherwise.
    std::optional<std::uint32_t> OnTick();

private:
    CEventLog& m_log;
    std::optional<LinkState> m_lastState;
    std::uint32_t m_nPasses = 0;
    std::uint32_t m_nTicks = 0;
    bool m_bConnected = false;
    bool m_bRedial = false;
    bool m_bDropPending = false;
    bool m_bRedialFailureTold = false;
    bool m_bUserHungUp = false;
    bool m_bScriptedHangUp = false;
    std::uint32_t m_nHangUpTick = 0;
};
