// The section search answers, whatever sizes the file arrives in, exactly whether some line of
// the file contains the searched text.
//
// Input layout, as FuzzedDataProvider reads it: the last byte chooses how the searched text is
// made, the bytes before it give the number of pieces and their sizes (read backwards); the text's
// own bytes, for the kinds that take them, come first (ended by a backslash and one more byte);
// the file is what is left between.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzLines.h"
#include "phonebook/PhoneBookText.h"

namespace {

std::string ChooseText(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        // The text the program looks for.
        return "[Tolvex Cell VPN]";
    case 1:
        // The section line of any entry name, built as the program builds it.
        return "[" + input.ConsumeRandomLengthString(24) + "]";
    case 2:
        // Short texts meet the file's own bytes often, line ends included.
        return input.ConsumeRandomLengthString(3);
    default:
        return input.ConsumeRandomLengthString(40);
    }
}

// The file has ended. A search that can be told so decides then about a match that ends with the
// file's last byte; one that cannot has already answered.
template <class Search>
bool EndOfFile(Search& search)
{
    if constexpr (requires { search.Finish(); })
        return search.Finish();
    else
        return search.Found();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string text = ChooseText(input);
    const std::size_t pieceCount = input.ConsumeIntegralInRange<std::size_t>(0, 8);
    std::vector<std::size_t> pieceSizes;
    for (std::size_t i = 0; i < pieceCount; ++i)
        pieceSizes.push_back(input.ConsumeIntegralInRange<std::size_t>(0, 64));
    const std::string file = input.ConsumeRemainingBytesAsString();

    bool expected = false;
    for (const std::string& line : fuzzref::SplitLines(file))
        expected = expected || line.find(text) != std::string::npos;

    // The chosen sizes first (empty pieces included), then the rest in one piece.
    phonebook::CLineTextSearch search(text);
    std::string_view rest = file;
    bool found = false;
    for (std::size_t i = 0; i <= pieceSizes.size(); ++i) {
        const std::size_t take = i < pieceSizes.size() ? std::min(pieceSizes[i], rest.size()) : rest.size();
        const bool answer = search.Feed(rest.substr(0, take));
        if (found && !answer)
            fuzzref::Fail("found, then not found any more, searching for", text);
        if (answer != search.Found())
            fuzzref::Fail("Feed and Found disagree, searching for", text);
        found = answer;
        rest.remove_prefix(take);
    }
    const bool atEnd = EndOfFile(search);
    if (found && !atEnd)
        fuzzref::Fail("found, then not found at the end of the file, searching for", text);
    found = atEnd;
    if (found != expected) {
        std::fprintf(stderr, "searched for \"%s\" (%zu bytes): %s, but %s\n", fuzzref::Escaped(text).c_str(),
                     text.size(), found ? "found" : "not found", expected ? "a line holds it" : "no line holds it");
        fuzzref::Fail("wrong answer for the file", file);
    }
    return 0;
}
