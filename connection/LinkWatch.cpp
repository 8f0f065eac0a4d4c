#include "connection/LinkWatch.h"

#include <utility>

namespace {

// How long a hang-up the user asked for may take before it counts as not having happened.
constexpr std::uint32_t kHangUpTicks = 60;

// Every release from Windows 8 on reports itself as 6.2 to the program (its manifest names
// Vista and 7 only): those are the systems that dial a dropped link again.
bool RedialsDrops(const OsVersionInfo& version)
{
    return version.dwMajorVersion == 6 && version.dwMinorVersion == 2;
}

}  // namespace

bool CLinkWatch::IsWorkingPass()
{
    // Unsigned, so that the counter wraps without harm.
    return ++m_nPasses % 2 == 1;
}

LinkView CLinkWatch::SeeLink(LinkState state, const OsVersionInfo& reportedNow)
{
    m_lastState = state;
    m_bDropPending = state == LinkState::Down;
    if (state == LinkState::Up) {
        if (m_bUserHungUp && m_nTicks - m_nHangUpTick >= kHangUpTicks) {
            m_bUserHungUp = false;
            m_log.Record(u"hang-up forgotten: the link stayed up a minute");
        }
        m_bConnected = true;
        m_bRedial = !m_bUserHungUp;
        m_bRedialFailureTold = false;
        return {state};
    }
    if (state != LinkState::Down)
        return {state};
    const LinkView view{state, m_bConnected && !(m_bUserHungUp && m_bScriptedHangUp), m_bRedial && RedialsDrops(reportedNow)};
    if (view.dialAgain)
        m_log.Record(u"re-dial: the link dropped, dialled again");
    else if (m_bConnected && m_bUserHungUp)
        m_log.Record(u"re-dial: none, the user hung up");
    m_bConnected = false;
    return view;
}

void CLinkWatch::OnPassDone()
{
    if (!m_bDropPending)
        return;
    m_bDropPending = false;
    m_bRedial = false;
    // The user's hang-up is done once the link is seen down.
    m_bUserHungUp = false;
}

bool CLinkWatch::IsFirstFailedRedial()
{
    if (std::exchange(m_bRedialFailureTold, true))
        return false;
    m_log.Record(u"re-dial: stopped by the phonebook, tried again at each pass");
    return true;
}

void CLinkWatch::OnUserHangUp(bool scripted)
{
    m_bRedial = false;
    m_bUserHungUp = true;
    m_bScriptedHangUp = scripted;
    m_log.Record(scripted ? u"hang-up remembered, a script's: never dialled again, its drop not shown"
                          : u"hang-up remembered: never dialled again");
    m_nHangUpTick = m_nTicks;
}

void CLinkWatch::OnDial()
{
    // A re-dial still pending for a drop already seen is not needed any more.
    if (m_bDropPending)
        m_bRedial = false;
    m_bUserHungUp = false;
}

std::optional<std::uint32_t> CLinkWatch::OnTick()
{
    ++m_nTicks;
    if (!m_bConnected)
        return std::nullopt;
    return m_nTicks % kFrames;
}
