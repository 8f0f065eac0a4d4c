// The section search answers, whatever sizes the file arrives in, exactly whether some line of
// the file contains the searched text.
#include <fuzzer/FuzzedDataProvider.h>

#include "Reference.h"
#include "phonebook/PhoneBookText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string text = input.ConsumeBool() ? "[Tolvex Cell VPN]" : input.ConsumeRandomLengthString(8);
    const std::size_t piece = input.ConsumeIntegralInRange<std::size_t>(1, 64);
    const std::string content = input.ConsumeRemainingBytesAsString();

    phonebook::CLineTextSearch search(text);
    bool found = false;
    for (std::size_t at = 0; at < content.size() && !found; at += piece)
        found = search.Feed(std::string_view(content).substr(at, piece));
    if (!found)
        found = search.Finish();
    reference::Check(found == reference::AnyLineContains(content, text), "the search disagrees with the lines");
    return 0;
}
