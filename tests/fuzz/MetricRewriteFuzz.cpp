// The interface-metric rewrite, fed the file in pieces of any size, writes what the reference
// writes and says it changed something exactly when a line changed.
#include <fuzzer/FuzzedDataProvider.h>

#include "Reference.h"
#include "phonebook/PhoneBookText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::size_t piece = input.ConsumeIntegralInRange<std::size_t>(1, 64);
    const std::string content = input.ConsumeRemainingBytesAsString();

    std::string out;
    phonebook::CMetricRewriter rewriter([&](std::string_view bytes) { out.append(bytes); });
    for (std::size_t at = 0; at < content.size(); at += piece)
        rewriter.Feed(std::string_view(content).substr(at, piece));
    rewriter.Finish();
    const auto [expected, changed] = reference::RewriteMetricLines(content);
    reference::Check(out == expected, "the rewrite differs from the reference");
    reference::Check(rewriter.Changed() == changed, "the rewrite is wrong about whether a line changed");
    return 0;
}
