#include "base/WideString.h"

#include <string>


WideString WideString::Format(std::u16string_view format, std::initializer_list<FormatArg> args)
{
    std::u16string out;
    out.reserve(format.size());
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t ch = format[i];
        if (ch != u'%' || i + 1 == format.size()) {
            out += ch;
            continue;
        }
        const char16_t directive = format[i + 1];
        if (directive == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        const bool wantsText = directive == u's';
        const bool wantsNumber = directive == u'd';
        const bool argumentFits = next != args.end()
            && ((wantsText && std::holds_alternative<std::u16string_view>(*next))
                || (wantsNumber && std::holds_alternative<int>(*next)));
        if (!argumentFits) {
            out += ch;
            continue;
        }
        if (wantsText) {
            out += std::get<std::u16string_view>(*next);
        } else {
            for (char c : std::to_string(std::get<int>(*next)))
                out += static_cast<char16_t>(c);
        }
        ++next;
        ++i;
    }
    return WideString(std::move(out));
}

std::optional<std::size_t> WideString::Find(std::u16string_view sub) const
{
    const auto pos = m_str.find(sub);
    return pos == std::u16string::npos ? std::nullopt : std::optional<std::size_t>(pos);
}

void WideString::Replace(std::u16string_view from, std::u16string_view to)
{
    if (from.empty())
        return;
    std::u16string out;
    std::size_t start = 0;
    for (auto pos = m_str.find(from); pos != std::u16string::npos; pos = m_str.find(from, start)) {
        out.append(m_str, start, pos - start);
        out += to;
        start = pos + from.size();
    }
    out.append(m_str, start, std::u16string::npos);
    m_str = std::move(out);
}

void WideString::MakeLowerAscii()
{
    for (auto& ch : m_str) {
        if (ch >= u'A' && ch <= u'Z')
            ch = static_cast<char16_t>(ch + 0x20);
    }
}
