#include "phonebook/PhoneBookText.h"

#include <algorithm>

namespace phonebook {

namespace {

std::string_view WithoutLineEnd(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool IsStaleMetricLine(std::string_view line)
{
    return line.substr(0, kMetricPrefix.size()) == kMetricPrefix && line != kMetricLine;
}

}  // namespace

void ForEachLine(std::string_view content, const std::function<void(std::string_view)>& onLine)
{
    while (!content.empty()) {
        const auto lf = content.find('\n');
        if (lf == std::string_view::npos) {
            // A carriage return at the very end has no line feed after it: it stays.
            onLine(content);
            return;
        }
        onLine(WithoutLineEnd(content.substr(0, lf)));
        content.remove_prefix(lf + 1);
    }
}

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

bool NeedsMetricRewrite(std::string_view content)
{
    // Only lines that start with the prefix matter: look at the prefix's occurrences alone.
    for (std::size_t at = content.find(kMetricPrefix); at != std::string_view::npos;
         at = content.find(kMetricPrefix, at + 1)) {
        if (at != 0 && content[at - 1] != '\n')
            continue;
        const auto lf = content.find('\n', at);
        const std::string_view line = lf == std::string_view::npos
            ? content.substr(at)
            : WithoutLineEnd(content.substr(at, lf - at));
        if (IsStaleMetricLine(line))
            return true;
    }
    return false;
}

void WriteMetricRewrite(std::string_view content, const std::function<void(std::string_view)>& write)
{
    // Runs of untouched lines are handed on whole, in pieces of about this size.
    constexpr std::size_t kPiece = 64 * 1024;
    std::string piece;
    piece.reserve(std::min(kPiece, content.size() + content.size() / 8) + 64);
    ForEachLine(content, [&](std::string_view line) {
        if (IsStaleMetricLine(line))
            line = kMetricLine;
        if (piece.size() + line.size() + 2 > kPiece && !piece.empty()) {
            write(piece);
            piece.clear();
        }
        if (line.size() + 2 > kPiece) {
            write(line);
            write("\r\n");
            return;
        }
        piece.append(line);
        piece.append("\r\n");
    });
    if (!piece.empty())
        write(piece);
}

std::string RewriteMetricLines(std::string_view content)
{
    std::string out;
    out.reserve(content.size() + content.size() / 16);
    WriteMetricRewrite(content, [&](std::string_view piece) { out.append(piece); });
    return out;
}

}  // namespace phonebook
