// A value string of 16-bit characters, used for every path, command line and text.
#pragma once

#include <charconv>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

class WideString {
public:
    WideString() = default;
    WideString(const char16_t* psz) : m_str(psz ? psz : u"") {}
    WideString(std::u16string_view sv) : m_str(sv) {}
    WideString(std::u16string str) : m_str(std::move(str)) {}

    // One argument of Format: "%s" takes a string, "%d" an integer.
    using FormatArg = std::variant<std::u16string_view, int>;
    // printf-style formatting with "%s", "%d" and "%%" only. A directive without a matching
    // argument, or with one of the other kind, is copied as it stands: the result never reads
    // past the arguments given.
    static WideString Format(std::u16string_view format, std::initializer_list<FormatArg> args);
    // The same, handing the result to put piece by piece; it allocates nothing itself.
    template <class Put>
    static void FormatTo(std::u16string_view format, std::initializer_list<FormatArg> args, Put&& put);

    const char16_t* c_str() const { return m_str.c_str(); }
    const std::u16string& str() const { return m_str; }
    std::u16string_view view() const { return m_str; }
    std::size_t Length() const { return m_str.size(); }
    bool IsEmpty() const { return m_str.empty(); }

    // Position of the first occurrence of sub; none when it does not occur.
    std::optional<std::size_t> Find(std::u16string_view sub) const;
    // Replaces every occurrence of from, left to right.
    void Replace(std::u16string_view from, std::u16string_view to);
    // Folds A-Z only; every other character, full-width letters included, stays.
    void MakeLowerAscii();

    WideString& operator+=(std::u16string_view rhs) { m_str += rhs; return *this; }
    WideString& operator+=(const WideString& rhs) { m_str += rhs.m_str; return *this; }
    WideString& operator+=(char16_t ch) { m_str += ch; return *this; }
    friend WideString operator+(WideString lhs, std::u16string_view rhs) { return lhs += rhs; }
    friend WideString operator+(WideString lhs, const WideString& rhs) { return lhs += rhs; }
    friend WideString operator+(WideString lhs, const char16_t* rhs) { return lhs += std::u16string_view(rhs); }
    friend WideString operator+(std::u16string_view lhs, const WideString& rhs)
    {
        return WideString(std::u16string(lhs) + rhs.m_str);
    }
    friend WideString operator+(const char16_t* lhs, const WideString& rhs)
    {
        return std::u16string_view(lhs) + rhs;
    }
    friend bool operator==(const WideString& a, const WideString& b) = default;
    operator std::u16string_view() const { return m_str; }

private:
    std::u16string m_str;
};

template <class Put>
void WideString::FormatTo(std::u16string_view format, std::initializer_list<FormatArg> args, Put&& put)
{
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t ch = format[i];
        const char16_t directive = i + 1 < format.size() && ch == u'%' ? format[i + 1] : u'\0';
        const bool wantsText = directive == u's';
        const bool wantsNumber = directive == u'd';
        const bool argumentFits = next != args.end()
            && ((wantsText && std::holds_alternative<std::u16string_view>(*next))
                || (wantsNumber && std::holds_alternative<int>(*next)));
        if (directive == u'%') {
            put(u"%");
            ++i;
        } else if (!argumentFits) {
            put(std::u16string_view(&format[i], 1));
        } else if (wantsText) {
            put(std::get<std::u16string_view>(*next++));
            ++i;
        } else {
            char digits[16];
            const char* end = std::to_chars(digits, digits + sizeof(digits), std::get<int>(*next++)).ptr;
            for (const char* at = digits; at != end; ++at) {
                const char16_t wide = static_cast<char16_t>(*at);
                put(std::u16string_view(&wide, 1));
            }
            ++i;
        }
    }
}
