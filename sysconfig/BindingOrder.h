// On the older systems, the WAN adapter "\Device\NdisWanIp" first in the TCP/IP binding list.
// The list is handled as text: every item followed by a line feed.
#pragma once

#include <optional>
#include <string>

#include "base/EventLog.h"
#include "base/WideString.h"
#include "platform/Registry.h"

// The list as text, every item followed by a line feed; none when it could not be read (no key,
// no value, or more than the limit).
std::optional<WideString> ReadBindList(IRegistry& registry);
// The text form of a REG_MULTI_SZ value of count characters; the walk stops at the list's end.
// Every item, the last one included, is followed by a line feed.
WideString BindListToText(const char16_t* chars, std::size_t count);
// True when the WAN item stood somewhere after the first place and was moved there: every copy
// taken out and exactly one put first. Whole items only: a list without the exact item, or one
// that starts with it, is left as it is, and an item that merely begins or ends with its name is
// another adapter.
bool MoveWanAdapterFirst(WideString& text);
// Writes the list where the key opens for writing; the write itself is not examined.
void WriteBindList(IRegistry& registry, WideString text);
// The registry form of the text: each line feed a NUL, the list always closed by an empty item.
std::u16string TextToBindList(WideString text);
// Read, move, write back: the list is written only when the WAN entry stood later than first.
// What was done goes on the record.
void FixWanBindingOrder(IRegistry& registry, CEventLog& log);
