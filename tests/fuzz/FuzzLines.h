// What the fuzz targets compare the phonebook text code against: the plainest possible reading of
// the file's lines, one byte at a time, with nothing clever that could share a mistake with the
// code under test.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzref {

// A line ends at a line feed, which is not part of it; a carriage return directly before the
// line feed is dropped; a last line without a line feed still counts; no line follows a final
// line feed.
inline std::vector<std::string> SplitLines(std::string_view content)
{
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (const char ch : content) {
        if (ch == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
            open = false;
        } else {
            line += ch;
            open = true;
        }
    }
    if (open)
        lines.push_back(line);
    return lines;
}

// The pieces of a text that every line is written with: each line followed by CR LF.
inline std::vector<std::string> SplitCrLfLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '\r' && text[i + 1] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            start = i + 2;
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));  // an unterminated tail: never in a rewrite
    return lines;
}

inline bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Bytes as a C string literal would show them, cut after about 200 characters.
inline std::string Escaped(std::string_view bytes)
{
    std::string out;
    for (const char ch : bytes.substr(0, 200)) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\\' || ch == '"') {
            out += '\\';
            out += ch;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += ch;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    if (bytes.size() > 200)
        out += "...";
    return out;
}

// Says what went wrong, then stops the run so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what, std::string_view subject = {})
{
    std::fprintf(stderr, "\n*** %s\n    \"%s\" (%zu bytes)\n", what, Escaped(subject).c_str(), subject.size());
    std::abort();
}

}  // namespace fuzzref
