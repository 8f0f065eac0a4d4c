// The refresh's decisions about the link, pass by pass: the Connect button's label, the tray tip,
// whether a drop shows the dialog and is dialled again, and the activity indicator's frames. It
// sees what the dialog tells it and decides; it reaches nothing of the platform.
#pragma once

#include <cstdint>

#include "platform/Types.h"

constexpr char16_t kTipNotConnected[] = u"Tolvex VPN Manager";
constexpr char16_t kTipConnected[] = u"Tolvex VPN Manager -- Connected";
// The Connect button's label when the adapter list could not be read, in every language.
constexpr char16_t kDetectionFailed[] = u"Error";

// What a working pass shows of the link.
struct LinkView {
    unsigned labelId = 0;           // a string of the resources; 0 for kDetectionFailed
    const char16_t* tip = nullptr;  // the tray tip to send; none when null
    bool showDialog = false;        // the link dropped since it was last seen up
    bool dialAgain = false;         // ... and this system dials a dropped link again
};

class CLinkWatch {
public:
    // Counts a refresh of the Connect button: the link is read on every second pass only, the
    // first included. The other passes leave everything as it was.
    bool IsWorkingPass();
    // A working pass that found the entry set up read this link state; reportedNow is the
    // version the platform reports to the program now.
    LinkView SeeLink(int state, const OsVersionInfo& reportedNow);
    // The pass's own work is done. Until then, after a pass that found the link down, a re-dial
    // that failed on the phonebook is tried again at the next such pass.
    void OnPassDone();

    // The user's own hang-up is not dialled again when its link goes, as long as it is still
    // pending: until a pass sees the link down, the user dials again, or about a minute of
    // passes went by that still saw the link up (then it did not happen).
    void OnUserHangUp();
    void OnUserDial();

    // The indicator's text at the next tick of the one-second timer: a bar turning through four
    // positions while the link is up, nothing otherwise.
    const char16_t* OnTick();

private:
    std::uint32_t m_nPasses = 0;
    std::uint32_t m_nTicks = 0;
    bool m_bConnected = false;
    bool m_bRedial = false;
    bool m_bDropPending = false;
    bool m_bUserHungUp = false;
    std::uint32_t m_nHangUpTick = 0;
};
