// The program's record of its last events, for support: in memory only (no file, nothing sent),
// a fixed ring of the newest kCapacity, each stamped with the local time to the second. Texts are
// short fixed forms, one line each, never translated and never the phonebook's contents.
// Recording allocates nothing and never blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/WideString.h"

struct LocalTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
};

class CEventLog {
public:
    static constexpr std::size_t kCapacity = 200;
    // Longer texts are cut there.
    static constexpr std::size_t kTextChars = 160;

    // clock: the local time now.
    explicit CEventLog(std::function<LocalTime()> clock);

    // The event's text, formatted as WideString::Format formats it; the oldest event makes room.
    void Record(std::u16string_view format, std::initializer_list<WideString::FormatArg> args = {});
    // The events kept, oldest first, a line each: "YYYY-MM-DD hh:mm:ss text", lines ended by CR LF.
    WideString GetText() const;

private:
    struct Event {
        LocalTime at;
        std::size_t length = 0;
        char16_t text[kTextChars];
    };

    std::function<LocalTime()> m_clock;
    std::unique_ptr<Event[]> m_events;
    std::size_t m_nRecorded = 0;
};
