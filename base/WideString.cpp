#include "base/WideString.h"

#include <string>

WideString WideString::Format(std::u16string_view format, std::initializer_list<FormatArg> args)
{
    std::u16string out;
    out.reserve(format.size());
    FormatTo(format, args, [&](std::u16string_view piece) { out += piece; });
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
