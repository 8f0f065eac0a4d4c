// The WAN binding-order fix on any registry value, read as text, moved and written back: the WAN
// item ends up first and exactly once, the other items keep their order, a second move changes
// nothing, and the value written is a closed list that reads back as the moved text.
#include <algorithm>
#include <string>
#include <vector>

#include "Reference.h"
#include "sysconfig/BindingOrder.h"

namespace {

const std::u16string kWan = u"\\Device\\NdisWanIp";

std::vector<std::u16string> ItemsBut(const std::u16string& text, const std::u16string& left)
{
    std::vector<std::u16string> items;
    for (std::size_t start = 0, lf; start < text.size(); start = lf + 1) {
        lf = std::min(text.find(u'\n', start), text.size());
        if (text.substr(start, lf - start) != left)
            items.push_back(text.substr(start, lf - start));
    }
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Characters from byte pairs, as the registry hands the value over; 0xFFFF spells the WAN item.
    std::u16string value;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto ch = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        value += ch == 0xFFFF ? kWan : std::u16string(1, ch);
    }
    const WideString text = BindListToText(value.data(), value.size());
    WideString moved = text;
    if (MoveWanAdapterFirst(moved) == 0) {
        reference::Check(moved == text, "a move that did not happen changed the text");
        return 0;
    }
    const auto items = ItemsBut(moved.str(), u"");
    reference::Check(!items.empty() && items[0] == kWan && std::count(items.begin(), items.end(), kWan) == 1,
                     "the WAN item is not first, once");
    reference::Check(ItemsBut(moved.str(), kWan) == ItemsBut(text.str(), kWan), "the other items changed");
    WideString again = moved;
    reference::Check(MoveWanAdapterFirst(again) == 0 && again == moved, "a second move changed something");
    const std::u16string list = TextToBindList(moved);
    reference::Check(list.size() >= 2 && list.ends_with(std::u16string(2, u'\0')), "the written list is not closed");
    if (moved.str().find(u"\n\n") == std::u16string::npos)
        reference::Check(BindListToText(list.data(), list.size()) == moved, "the written list reads back otherwise");
    return 0;
}
