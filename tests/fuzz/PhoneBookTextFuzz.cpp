// The phonebook's two readers, fed the same file in pieces of any size: the section search
// answers exactly whether some line contains the text, and the rewrite writes what the reference
// writes and knows whether a line changed.
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
    std::string out;
    phonebook::CMetricRewriter rewriter([&](std::string_view bytes) { out.append(bytes); });
    bool found = false;
    for (std::size_t at = 0; at < content.size(); at += piece) {
        found = found || search.Feed(std::string_view(content).substr(at, piece));
        rewriter.Feed(std::string_view(content).substr(at, piece));
    }
    rewriter.Finish();
    reference::Check((found || search.Finish()) == reference::AnyLineContains(content, text), "the search disagrees with the lines");
    const auto [expected, changed] = reference::RewriteMetricLines(content);
    reference::Check(out == expected, "the rewrite differs from the reference");
    reference::Check(rewriter.Changed() == changed, "the rewrite is wrong about whether a line changed");
    return 0;
}
