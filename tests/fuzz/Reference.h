// What the fuzz targets hold the program's byte readers to: the plainest reading of the file's
// lines, one byte at a time, with nothing clever that could share a mistake with the code under
// test; and the failure report.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

// A line ends at a line feed, which is not part of it; a carriage return directly before the
// line feed is dropped; a last line without a line feed still counts.
inline std::vector<std::string> SplitLines(std::string_view content)
{
    std::vector<std::string> lines;
    std::string line;
    for (const char ch : content) {
        if (ch != '\n') {
            line += ch;
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        line.clear();
    }
    if (!content.empty() && content.back() != '\n')
        lines.push_back(line);
    return lines;
}

inline bool AnyLineContains(std::string_view content, const std::string& text)
{
    for (const std::string& line : SplitLines(content)) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

// Every "IpInterfaceMetric=" line made "IpInterfaceMetric=1", every line ended by CR LF; and
// whether a line changed.
inline std::pair<std::string, bool> RewriteMetricLines(std::string_view content)
{
    std::string out;
    bool changed = false;
    for (std::string line : SplitLines(content)) {
        if (line.rfind("IpInterfaceMetric=", 0) == 0 && line != "IpInterfaceMetric=1") {
            line = "IpInterfaceMetric=1";
            changed = true;
        }
        out += line + "\r\n";
    }
    return {out, changed};
}

// Says which rule broke, then stops the run so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* rule)
{
    std::fprintf(stderr, "\n*** %s\n", rule);
    std::abort();
}

inline void Check(bool condition, const char* rule)
{
    if (!condition)
        Fail(rule);
}

}  // namespace reference
