// The interface-metric rewrite changes whole "IpInterfaceMetric=" lines and nothing else, ends
// every line with CR LF, needs no second pass, and says it has work to do exactly when it has.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzLines.h"
#include "phonebook/PhoneBookText.h"

namespace {

constexpr std::string_view kPrefix = "IpInterfaceMetric=";
constexpr std::string_view kTarget = "IpInterfaceMetric=1";

// Checks one rule; a broken rule is reported with the file that broke it.
struct Checker {
    std::string_view content;
    void operator()(bool condition, const char* rule) const
    {
        if (!condition)
            fuzzref::Fail(rule, content);
    }
};

void CheckRewrite(std::string_view content)
{
    const Checker Check{content};
    const std::vector<std::string> in = fuzzref::SplitLines(content);
    const std::string out = phonebook::RewriteMetricLines(content);

    // Every line, the last one included, ends with CR LF.
    Check(out.empty() == in.empty(), "an empty result for a file with lines, or the reverse");
    Check(out.empty() || std::string_view(out).substr(out.size() - 2) == "\r\n", "a result that does not end with CR LF");
    const std::vector<std::string> outLines = fuzzref::SplitCrLfLines(out);
    Check(outLines.size() == in.size(), "a different number of lines");

    bool anyChange = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (fuzzref::StartsWith(in[i], kPrefix)) {
            Check(outLines[i] == kTarget, "a metric line not rewritten to IpInterfaceMetric=1");
            anyChange = anyChange || in[i] != kTarget;
        } else {
            Check(outLines[i] == in[i], "another line changed");
        }
    }
    Check(phonebook::NeedsMetricRewrite(content) == anyChange, "NeedsMetricRewrite wrong about whether a line changes");

    // Rewritten once, the text is right: a second pass finds nothing to do and changes nothing.
    Check(!phonebook::NeedsMetricRewrite(out), "the result still needs a rewrite");
    Check(phonebook::RewriteMetricLines(out) == out, "a second rewrite changed the result");

    // The pieces the writer hands out make up the same text.
    std::string joined;
    phonebook::WriteMetricRewrite(content, [&](std::string_view piece) { joined.append(piece); });
    Check(joined == out, "the written pieces differ from the rewritten text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (size < 3 || data[0] != 0xFF) {
        CheckRewrite(input);
        return 0;
    }
    // The writer hands on about a megabyte at a time and a longer line on its own. Inputs that
    // start with 0xFF get a first line of about that length in front of the rest, so that the
    // rest's lines meet the piece boundary, and a line can be longer than a piece.
    const std::size_t fillerSize = (std::size_t{1} << 20) - 48 + data[1];
    std::string content = (data[2] & 1) != 0 ? std::string(kPrefix) : std::string();
    content.append(fillerSize - content.size(), (data[2] & 2) != 0 ? '\r' : 'x');
    content += '\n';
    content.append(input.substr(3));
    CheckRewrite(content);
    return 0;
}
