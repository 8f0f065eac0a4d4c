// The phonebook file's text as the program reads and edits it: 8-bit characters, each byte one
// character; a line ends at a line feed, a carriage return just before it is dropped, and a last
// line without a line feed is still a line. Both readers take the file in pieces of any size and
// keep only a few bytes between pieces, so memory does not grow with the file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace phonebook {

// Searches a file fed in pieces for a text that some line contains. A text holding a line feed
// can never lie within one line, so it is never found; an empty text is in every line.
class CLineTextSearch {
public:
    explicit CLineTextSearch(std::string text);
    // Feeds the next piece of the file; true once the text has been found.
    bool Feed(std::string_view piece);
    // The file has ended: a text ending in a carriage return that matches the file's last bytes
    // lies in the last line, which has no line feed to drop that carriage return.
    bool Finish();

private:
    std::string m_text;
    std::string m_window;  // the tail of the previous piece, where a match may start
    bool m_bFound = false;
};

constexpr std::string_view kMetricPrefix = "IpInterfaceMetric=";
constexpr std::string_view kMetricLine = "IpInterfaceMetric=1";

// Rewrites a file fed in pieces: every line that starts with "IpInterfaceMetric=" becomes
// "IpInterfaceMetric=1", every other line keeps its bytes, and every line ends with CR LF. The
// result goes to the sink in pieces as soon as it is known.
class CMetricRewriter {
public:
    using Sink = std::function<void(std::string_view)>;
    explicit CMetricRewriter(Sink sink);

    void Feed(std::string_view piece);
    void Finish();
    // Some line read so far was changed: only then is the file worth writing back.
    bool Changed() const { return m_bChanged; }

private:
    enum class Line {
        Start,      // nothing of the line seen yet
        Undecided,  // every byte so far matches "IpInterfaceMetric=1", then perhaps a CR
        Plain,      // not a metric line: handed on as it comes
        Replaced,   // a stale metric line: written as the target, the rest skipped
    };

    std::size_t FeedUndecided(std::string_view piece);
    std::size_t FeedPlain(std::string_view piece);
    void EndLine(bool byLineFeed);
    void BecomePlain();
    void Replace();

    Sink m_sink;
    Line m_line = Line::Start;
    std::string m_held;        // Undecided: the line so far
    bool m_bHeldCr = false;    // Plain: a CR that may belong to the line end
    bool m_bChanged = false;
};

}  // namespace phonebook
