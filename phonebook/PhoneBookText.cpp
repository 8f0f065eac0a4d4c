#include "phonebook/PhoneBookText.h"

namespace phonebook {

CLineTextSearch::CLineTextSearch(std::string text) : m_text(std::move(text)) {}

bool CLineTextSearch::Feed(std::string_view piece)
{
    if (m_bFound)
        return true;
    if (m_text.empty()) {
        // Every line holds the empty text, and a file with a byte has a line.
        m_bFound = !piece.empty();
        return m_bFound;
    }
    if (m_text.find('\n') != std::string::npos)
        return false;
    // The text holds no line feed, so a match in the raw bytes lies within one line, unless the
    // text ends with a carriage return that is the line end of "CR LF": that one is dropped by
    // the line reading. Such a match is decided by the byte after it, or by the file's end.
    const bool endsWithCr = m_text.back() == '\r';
    m_window.append(piece);
    for (std::size_t at = m_window.find(m_text); at != std::string::npos; at = m_window.find(m_text, at + 1)) {
        const std::size_t after = at + m_text.size();
        if (!endsWithCr || (after < m_window.size() && m_window[after] != '\n')) {
            m_bFound = true;
            break;
        }
    }
    const std::size_t keep = endsWithCr ? m_text.size() : m_text.size() - 1;
    if (m_window.size() > keep)
        m_window.erase(0, m_window.size() - keep);
    return m_bFound;
}

bool CLineTextSearch::Finish()
{
    if (!m_bFound && !m_text.empty() && m_text.back() == '\r' && m_window == m_text)
        m_bFound = true;
    return m_bFound;
}

CMetricRewriter::CMetricRewriter(Sink sink) : m_sink(std::move(sink)) {}

void CMetricRewriter::Feed(std::string_view piece)
{
    while (!piece.empty()) {
        std::size_t used = 0;
        switch (m_line) {
        case Line::Start:
        case Line::Undecided:
            used = FeedUndecided(piece);
            break;
        case Line::Plain:
            used = FeedPlain(piece);
            break;
        case Line::Replaced: {
            // The rest of a replaced line is skipped, however long it is.
            const auto lf = piece.find('\n');
            if (lf == std::string_view::npos)
                return;
            EndLine(true);
            used = lf + 1;
            break;
        }
        }
        piece.remove_prefix(used);
    }
}

void CMetricRewriter::Finish() { EndLine(false); }

std::size_t CMetricRewriter::FeedUndecided(std::string_view piece)
{
    m_line = Line::Undecided;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const char ch = piece[i];
        if (ch == '\n') {
            EndLine(true);
            return i + 1;
        }
        const bool stillTarget = m_held.size() < kMetricLine.size() && ch == kMetricLine[m_held.size()];
        // The target line's own CR, if a line feed follows it.
        const bool targetCr = m_held == kMetricLine && ch == '\r';
        if (stillTarget || targetCr) {
            m_held += ch;
            continue;
        }
        if (m_held.size() >= kMetricPrefix.size())
            Replace();
        else
            BecomePlain();
        return i;
    }
    return piece.size();
}

std::size_t CMetricRewriter::FeedPlain(std::string_view piece)
{
    if (m_bHeldCr) {
        m_bHeldCr = false;
        if (piece.front() == '\n') {
            EndLine(true);
            return 1;
        }
        m_sink("\r");
    }
    const auto lf = piece.find('\n');
    std::string_view run = piece.substr(0, lf);
    if (!run.empty() && run.back() == '\r') {
        run.remove_suffix(1);
        // Without a line feed in this piece, the CR's fate is decided by the next byte.
        m_bHeldCr = lf == std::string_view::npos;
    }
    m_sink(run);
    if (lf == std::string_view::npos)
        return piece.size();
    EndLine(true);
    return lf + 1;
}

void CMetricRewriter::EndLine(bool byLineFeed)
{
    switch (m_line) {
    case Line::Start:
        // The file's end right after a line feed ends no line.
        if (!byLineFeed)
            return;
        break;
    case Line::Undecided: {
        std::string_view line = m_held;
        if (byLineFeed && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.substr(0, kMetricPrefix.size()) == kMetricPrefix && line != kMetricLine) {
            line = kMetricLine;
            m_bChanged = true;
        }
        m_sink(line);
        break;
    }
    case Line::Plain:
        // A CR at the very end of the file has no line feed after it: it stays.
        if (m_bHeldCr)
            m_sink("\r");
        break;
    case Line::Replaced:
        break;
    }
    m_sink("\r\n");
    m_line = Line::Start;
    m_held.clear();
    m_bHeldCr = false;
}

// The held bytes stay until the line ends: neither state reads them.
void CMetricRewriter::BecomePlain()
{
    m_sink(m_held);
    m_line = Line::Plain;
}

void CMetricRewriter::Replace()
{
    m_sink(kMetricLine);
    m_bChanged = true;
    m_line = Line::Replaced;
}

}  // namespace phonebook
