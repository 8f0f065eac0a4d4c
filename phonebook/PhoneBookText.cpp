#include "phonebook/PhoneBookText.h"

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
    if (m_bFound || m_text.empty() || m_text.find('\n') != std::string::npos)
        return m_bFound;
    // The text holds no line feed, and a carriage return in it is always followed by more of
    // it, so a match in the raw bytes is a match within one line.
    m_window.append(piece);
    m_bFound = m_window.find(m_text) != std::string::npos;
    const std::size_t keep = m_text.size() - 1;
    if (m_window.size() > keep)
        m_window.erase(0, m_window.size() - keep);
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
    constexpr std::size_t kPiece = 1 << 20;
    std::string piece;
    piece.reserve(kPiece + 64);
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
