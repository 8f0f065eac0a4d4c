#include "app/CommandLine.h"

#include <algorithm>

namespace {

// "/disconnect" is the longest switch: a longer argument is not looked at further.
constexpr std::size_t kLongestSwitch = 11;

bool IsBlank(char16_t ch) { return ch == u' ' || ch == u'\t'; }

char16_t LowerAscii(char16_t ch) { return ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch + (u'a' - u'A')) : ch; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return LowerAscii(x) == LowerAscii(y); });
}

// What follows the program's name, as Windows' own rule reads the name: to its closing quotation
// mark, or else to the first blank (the program's own path unquoted is taken whole).
std::u16string_view ArgumentsOf(std::u16string_view line, std::u16string_view modulePath)
{
    if (line.starts_with(u'"')) {
        const std::size_t end = line.find(u'"', 1);
        return end == std::u16string_view::npos ? std::u16string_view() : line.substr(end + 1);
    }
    if (!modulePath.empty() && line.size() >= modulePath.size() && EqualsIgnoringCase(line.substr(0, modulePath.size()), modulePath))
        return line.substr(modulePath.size());
    const auto blank = std::find_if(line.begin(), line.end(), IsBlank);
    return line.substr(static_cast<std::size_t>(blank - line.begin()));
}

std::u16string_view Trimmed(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

CommandLine ParseCommandLine(std::u16string_view line, std::u16string_view modulePath)
{
    const std::u16string_view argument = Trimmed(ArgumentsOf(line, modulePath));
    if (argument.empty())
        return {};
    if (argument.size() > kLongestSwitch || (argument.front() != u'/' && argument.front() != u'-'))
        return {CommandLine::Kind::UsageError};
    const std::u16string_view name = argument.substr(1);
    if (name == u"?")
        return {CommandLine::Kind::Help};
    constexpr struct {
        std::u16string_view name;
        ScriptCommand command;
    } kSwitches[] = {
        {u"connect", ScriptCommand::Connect},
        {u"disconnect", ScriptCommand::Disconnect},
        {u"status", ScriptCommand::Status},
        {u"quit", ScriptCommand::Quit},
    };
    for (const auto& known : kSwitches) {
        if (EqualsIgnoringCase(name, known.name))
            return {CommandLine::Kind::Command, known.command};
    }
    return {CommandLine::Kind::UsageError};
}
