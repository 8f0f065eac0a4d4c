// The WAN binding-order fix on any registry value, read as text, moved and written back: a list is
// moved exactly when it holds the WAN item somewhere after the first place; the WAN item then
// ends up first and exactly once, the other items keep their order, a second move changes
// nothing, and the value written is a closed list that reads back as the moved text.
#include <algorithm>
#include <string>
#include <vector>

#include "Reference.h"
#include "sysconfig/BindingOrder.h"

namespace {

const std::u16string kWan = u"\\Device\\NdisWanIp";

std::vector<std::u16string> Items(const std::u16string& text)
{
    std::vector<std::u16string> items;
    for (std::size_t start = 0, lf; start < text.size(); start = lf + 1) {
        lf = std::min(text.find(u'\n', start), text.size());
        items.push_back(text.substr(start, lf - start));
    }
    return items;
}

std::vector<std::u16string> ItemsBut(const std::u16string& text, const std::u16string& left)
{
    std::vector<std::u16string> items = Items(text);
    std::erase(items, left);
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
    const auto items = Items(text.str());
    const auto wan = std::find(items.begin(), items.end(), kWan);
    WideString moved = text;
    if (!MoveWanAdapterFirst(moved)) {
        reference::Check(moved == text, "a move that did not happen changed the text");
        reference::Check(wan == items.begin() || wan == items.end(), "a WAN item after the first was left there");
        return 0;
    }
    reference::Check(wan != items.begin() && wan != items.end(), "moved a list without the WAN item after the first");
    const auto after = Items(moved.str());
    reference::Check(after[0] == kWan && std::count(after.begin(), after.end(), kWan) == 1,
                     "the WAN item is not first, once");
    reference::Check(ItemsBut(moved.str(), kWan) == ItemsBut(text.str(), kWan), "the other items changed");
    WideString again = moved;
    reference::Check(!MoveWanAdapterFirst(again) && again == moved, "a second move changed something");
    const std::u16string list = TextToBindList(moved);
    reference::Check(list.size() >= 2 && list.ends_with(std::u16string(2, u'\0')), "the written list is not closed");
    if (moved.str().find(u"\n\n") == std::u16string::npos)
        reference::Check(BindListToText(list.data(), list.size()) == moved, "the written list reads back otherwise");
    return 0;
}
