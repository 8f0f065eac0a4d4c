// The WAN binding-order fix on any registry value: read as text, moved, written back.
// Invariants: the items other than the WAN entry keep their order and characters; the WAN entry
// ends up first, exactly once; a second move changes nothing; the value written after a move is
// a closed REG_MULTI_SZ that reads back as the moved list.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "sysconfig/BindingOrder.h"

namespace {

const std::u16string kWan = u"\\Device\\NdisWanIp";

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The items of a text: each ended by a line feed; a last piece without one is an item too.
std::vector<std::u16string> Items(const std::u16string& text)
{
    std::vector<std::u16string> items;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto lf = text.find(u'\n', start);
        items.push_back(text.substr(start, lf == std::u16string::npos ? std::u16string::npos : lf - start));
        start = lf == std::u16string::npos ? text.size() : lf + 1;
    }
    return items;
}

std::vector<std::u16string> WithoutWan(const std::vector<std::u16string>& items)
{
    std::vector<std::u16string> kept;
    for (const auto& item : items) {
        if (item != kWan)
            kept.push_back(item);
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Bytes in pairs, as the registry hands the value over; a few bytes spell the WAN entry.
    std::u16string value;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t ch = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (ch == 0xFFFF)
            value += kWan;
        else
            value += ch;
    }

    const WideString text = BindListToText(value.data(), value.size());
    WideString moved = text;
    const int changed = MoveWanAdapterFirst(moved);
    Check(changed == 0 || changed == 1);
    if (changed == 0) {
        Check(moved == text);
        return 0;  // nothing is written
    }
    Check(moved.view().substr(0, kWan.size() + 1) == kWan + u"\n");
    const auto items = Items(moved.str());
    Check(std::count(items.begin(), items.end(), kWan) == 1);
    Check(WithoutWan(Items(moved.str())) == WithoutWan(Items(text.str())));
    WideString again = moved;
    Check(MoveWanAdapterFirst(again) == 0 && again == moved);

    const std::u16string list = TextToBindList(moved);
    Check(list.size() >= 2 && list[list.size() - 1] == u'\0' && list[list.size() - 2] == u'\0');
    const bool hasEmptyItem = moved.str().find(u"\n\n") != std::u16string::npos
        || (!moved.IsEmpty() && moved.view().front() == u'\n');
    if (!hasEmptyItem) {
        WideString finished = moved;
        if (!finished.IsEmpty() && finished.view().back() != u'\n')
            finished += u'\n';
        Check(BindListToText(list.data(), list.size()) == finished);
    }
    return 0;
}
