// The line reader hands out exactly the lines of the plain byte-by-byte reading, in order, and
// every line it hands out lies inside the text it was given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzLines.h"
#include "phonebook/PhoneBookText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const char* const end = content.data() + content.size();

    std::vector<std::string> lines;
    phonebook::ForEachLine(content, [&](std::string_view line) {
        if (!line.empty() && (line.data() < content.data() || line.data() + line.size() > end))
            fuzzref::Fail("a line that is not part of the file", line);
        lines.emplace_back(line);
    });

    const std::vector<std::string> expected = fuzzref::SplitLines(content);
    if (lines.size() != expected.size())
        fuzzref::Fail("a different number of lines in", content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != expected[i]) {
            std::fprintf(stderr, "line %zu should be \"%s\"\n", i, fuzzref::Escaped(expected[i]).c_str());
            fuzzref::Fail("a line read differently", lines[i]);
        }
    }
    return 0;
}
