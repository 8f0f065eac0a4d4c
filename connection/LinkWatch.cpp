#include "connection/LinkWatch.h"

#include "base/ResourceIds.h"
#include "connection/ConnectionState.h"

namespace {

// How long a hang-up the user asked for may take before it counts as not having happened.
constexpr std::uint32_t kHangUpTicks = 60;

constexpr const char16_t* kActivityFrames[8] = {
    u"\uFF5C", u"\uFF0F", u"\u2015", u"\uFF3C", u"\uFF5C", u"\uFF0F", u"\u2015", u"\uFF3C",
};

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

LinkView CLinkWatch::SeeLink(int state, const OsVersionInfo& reportedNow)
{
    m_bDropPending = state == kLinkDown;
    if (state == kLinkUp) {
        if (m_bUserHungUp && m_nTicks - m_nHangUpTick >= kHangUpTicks)
            m_bUserHungUp = false;
        m_bConnected = true;
        m_bRedial = !m_bUserHungUp;
        return {IDS_DISCONNECT, kTipConnected};
    }
    if (state != kLinkDown)
        return {};
    LinkView view{IDS_CONNECT, kTipNotConnected, m_bConnected};
    view.dialAgain = m_bRedial && RedialsDrops(reportedNow);
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

void CLinkWatch::OnUserHangUp()
{
    m_bRedial = false;
    m_bUserHungUp = true;
    m_nHangUpTick = m_nTicks;
}

void CLinkWatch::OnUserDial() { m_bUserHungUp = false; }

const char16_t* CLinkWatch::OnTick()
{
    ++m_nTicks;
    return m_bConnected ? kActivityFrames[m_nTicks % 8] : u"";
}
