// The phonebook file's text as the program reads and edits it: 8-bit characters, each byte one
// character; a line ends at a line feed, a carriage return just before it is dropped, and a last
// line without a line feed is still a line.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace phonebook {

// Calls onLine for every line of content, line ends removed.
void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& onLine);

// Searches a file fed in pieces of any size for a text that some line contains. A text holding a
// line feed can never lie within one line, so it is never found; an empty text is in every line.
class CLineTextSearch {
public:
    explicit CLineTextSearch(std::string text);
    // Feeds the next piece of the file; true once the text has been found.
    bool Feed(std::string_view piece);
    // The file has ended: a text ending in a carriage return that matches the file's last bytes
    // lies in the last line, which has no line feed to drop that carriage return.
    bool Finish();
    bool Found() const { return m_bFound; }

private:
    std::string m_text;
    std::string m_window;  // the tail of the previous piece, where a match may start
    bool m_bFound = false;
};

constexpr std::string_view kMetricPrefix = "IpInterfaceMetric=";
constexpr std::string_view kMetricLine = "IpInterfaceMetric=1";

// True when some line starts with "IpInterfaceMetric=" and is not exactly "IpInterfaceMetric=1".
bool NeedsMetricRewrite(std::string_view content);

// Writes the rewritten file in pieces: every "IpInterfaceMetric=" line becomes
// "IpInterfaceMetric=1", every other line keeps its bytes, and every line ends with CR LF.
void WriteMetricRewrite(std::string_view content, const std::function<void(std::string_view)>& write);

// The same, into one string; for tests and small files.
std::string RewriteMetricLines(std::string_view content);

}  // namespace phonebook
