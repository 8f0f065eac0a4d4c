#include "sysconfig/BindingOrder.h"

#include <algorithm>
#include <vector>

#include "platform/Constants.h"

namespace {

constexpr char16_t kLinkageKey[] = u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage";
constexpr char16_t kBindValue[] = u"Bind";
constexpr std::u16string_view kWanAdapter = u"\\Device\\NdisWanIp";
// A larger list is left alone.
constexpr std::uint32_t kReadLimitBytes = 32768;

}  // namespace

WideString BindListToText(const char16_t* chars, std::size_t count)
{
    WideString text;
    for (std::size_t i = 0; i < count; ++i) {
        if (chars[i] != u'\0') {
            text += chars[i];
            continue;
        }
        text += u'\n';
        if (i + 1 < count && chars[i + 1] == u'\0')
            return text;
    }
    // A value that lacks its final NUL still ends its last item.
    if (!text.IsEmpty() && text.view().back() != u'\n')
        text += u'\n';
    return text;
}

std::optional<WideString> ReadBindList(IRegistry& registry)
{
    std::vector<char16_t> buffer(kReadLimitBytes / sizeof(char16_t));
    std::uint32_t size = kReadLimitBytes;
    CRegKey key(registry);
    std::uint32_t type = 0;
    if (key.Open(kLinkageKey, win::KEY_READ) != 0 || key.Query(kBindValue, buffer.data(), size, type) != 0)
        return std::nullopt;
    return BindListToText(buffer.data(), std::min<std::size_t>(size, kReadLimitBytes) / sizeof(char16_t));
}

bool MoveWanAdapterFirst(WideString& text)
{
    std::vector<std::u16string_view> items;
    for (std::u16string_view rest = text.view(); !rest.empty();) {
        const auto lf = rest.find(u'\n');
        items.push_back(rest.substr(0, lf));
        rest.remove_prefix(lf == std::u16string_view::npos ? rest.size() : lf + 1);
    }
    // Whole items only: one that merely begins with the WAN adapter's name is another adapter.
    const auto wan = std::find(items.begin(), items.end(), kWanAdapter);
    if (wan == items.end() || wan == items.begin())
        return false;
    std::u16string moved = std::u16string(kWanAdapter) + u"\n";
    for (const std::u16string_view item : items) {
        if (item != kWanAdapter)
            (moved += item) += u'\n';
    }
    text = WideString(std::move(moved));
    return true;
}

std::u16string TextToBindList(WideString text)
{
    // The list is always closed: a last item without its line feed is finished, and the closing
    // line feed added unless the text already ends with one (an empty list).
    if (!text.IsEmpty() && text.view().back() != u'\n')
        text += u'\n';
    if (!text.view().ends_with(u"\n\n"))
        text += u'\n';
    std::u16string list = text.str();
    for (auto& ch : list) {
        if (ch == u'\n')
            ch = u'\0';
    }
    return list;
}

void WriteBindList(IRegistry& registry, WideString text)
{
    CRegKey key(registry);
    if (key.Open(kLinkageKey, win::KEY_WRITE) != 0)
        return;
    const std::u16string list = TextToBindList(std::move(text));
    key.Set(kBindValue, win::REG_MULTI_SZ, list.c_str(), static_cast<std::uint32_t>(list.size() * sizeof(char16_t)));
}

void FixWanBindingOrder(IRegistry& registry, CEventLog& log)
{
    std::optional<WideString> text = ReadBindList(registry);
    const bool moved = text && MoveWanAdapterFirst(*text);
    if (moved)
        WriteBindList(registry, *text);
    log.Record(!text ? u"binding order: the list could not be read" : moved ? u"binding order: the WAN adapter moved first"
                                                                           : u"binding order: left as it is");
}
