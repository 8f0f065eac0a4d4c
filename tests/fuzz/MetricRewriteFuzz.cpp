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

    // The writer hands on about a megabyte at a time, and a longer line on its own. Inputs that
    // start with 0xFF get a line of about that length before or after the rest of the input, so
    // that lines meet the piece boundary and a line can be longer than a piece. The rules are
    // checked in full on the small part; the big file is checked against it, the rewrite being a
    // matter of single lines: a file is rewritten as its lines are, one after the other.
    // The big strings are kept from one run to the next: each run is then mostly the code's own.
    static std::string filler;
    static std::string content;
    const std::size_t fillerSize = (std::size_t{1} << 20) - 48 + data[1];
    const bool fillerIsMetric = (data[2] & 1) != 0;
    const char fill = (data[2] & 2) != 0 ? '\r' : 'x';
    filler.assign(fillerIsMetric ? kPrefix : std::string_view());
    filler.append(fillerSize - filler.size(), fill);
    std::string_view fillerLine = filler;  // the line the reading makes of it
    if (fillerLine.back() == '\r')
        fillerLine.remove_suffix(1);

    std::string small(input.substr(3));
    const bool fillerLast = (data[2] & 4) != 0;
    if (fillerLast && !small.empty() && small.back() != '\n')
        small += '\n';  // so that the big line is a line of its own
    CheckRewrite(small);

    content.clear();
    if (fillerLast)
        content.append(small).append(filler).append("\n");
    else
        content.append(filler).append("\n").append(small);
    const Checker Check{content};
    const std::string smallOut = phonebook::RewriteMetricLines(small);
    const std::string out = phonebook::RewriteMetricLines(content);

    // The big line's part of the result, then the small part's, or the other way round.
    const std::string_view fillerOut = fillerIsMetric ? kTarget : fillerLine;
    const std::size_t fillerAt = fillerLast ? smallOut.size() : 0;
    const std::size_t smallAt = fillerLast ? 0 : fillerOut.size() + 2;
    Check(out.size() == smallOut.size() + fillerOut.size() + 2, "a big file rewritten to another length");
    Check(out.compare(fillerAt, fillerOut.size(), fillerOut) == 0 &&
              out.compare(fillerAt + fillerOut.size(), 2, "\r\n") == 0,
          "the big line rewritten differently from the line alone");
    Check(out.compare(smallAt, smallOut.size(), smallOut) == 0, "the small part rewritten differently beside a big line");

    std::size_t written = 0;
    phonebook::WriteMetricRewrite(content, [&](std::string_view piece) {
        Check(out.compare(written, piece.size(), piece) == 0, "the written pieces differ from the rewritten text");
        written += piece.size();
    });
    Check(written == out.size(), "the written pieces differ from the rewritten text");
    const bool fillerChanges = fillerIsMetric && fillerLine != kTarget;
    Check(phonebook::NeedsMetricRewrite(content) == (fillerChanges || phonebook::NeedsMetricRewrite(small)),
          "NeedsMetricRewrite wrong about a big file");
    Check(!phonebook::NeedsMetricRewrite(out), "the result still needs a rewrite");
    return 0;
}
