#include "base/EventLog.h"

#include <algorithm>

CEventLog::CEventLog(std::function<LocalTime()> clock)
    : m_clock(std::move(clock)), m_events(std::make_unique<Event[]>(kCapacity))
{
}

void CEventLog::Record(std::u16string_view format, std::initializer_list<WideString::FormatArg> args)
{
    Event& event = m_events[m_nRecorded++ % kCapacity];
    event.at = m_clock();
    event.length = 0;
    WideString::FormatTo(format, args, [&](std::u16string_view piece) {
        const std::size_t taken = std::min(piece.size(), kTextChars - event.length);
        std::copy_n(piece.begin(), taken, event.text + event.length);
        event.length += taken;
    });
}

WideString CEventLog::GetText() const
{
    std::u16string text;
    const auto number = [&](int value, int width, char16_t after) {
        const std::u16string digits = WideString::Format(u"%d", {value}).str();
        text.append(std::max(0, width - static_cast<int>(digits.size())), u'0').append(digits) += after;
    };
    for (std::size_t n = m_nRecorded > kCapacity ? m_nRecorded - kCapacity : 0; n < m_nRecorded; ++n) {
        const Event& event = m_events[n % kCapacity];
        const LocalTime& at = event.at;
        number(at.year, 4, u'-'), number(at.month, 2, u'-'), number(at.day, 2, u' ');
        number(at.hour, 2, u':'), number(at.minute, 2, u':'), number(at.second, 2, u' ');
        text.append(event.text, event.length) += u"\r\n";
    }
    return WideString(std::move(text));
}
