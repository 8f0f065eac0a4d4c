// On the older systems, the WAN adapter "\Device\NdisWanIp" first in the TCP/IP binding list.
// The list is handled as text: every item followed by a line feed.
#pragma once

#include "base/WideString.h"
#include "platform/Registry.h"

// 1 when the list was read into text (every item followed by a line feed), else 0 and the text
// is left as it was.
int ReadBindList(IRegistry& registry, WideString& text);
// The text form of a REG_MULTI_SZ value of count characters; the walk stops at the list's end.
// Every item, the last one included, is followed by a line feed.
WideString BindListToText(const char16_t* chars, std::size_t count);
// 1 when the WAN entry stood somewhere after the first place and was moved there; else 0.
// Whole items only are removed, and exactly one is put first: an item that merely begins or ends
// with the WAN name stays as it is.
int MoveWanAdapterFirst(WideString& text);
// 1 when the key opened for writing (the write itself is not examined), else 0.
int WriteBindList(IRegistry& registry, WideString text);
// The registry form of the text: each line feed a NUL, the list always closed by an empty item.
std::u16string TextToBindList(WideString text);
// Read, move, write back: the list is written only when the WAN entry stood later than first.
void FixWanBindingOrder(IRegistry& registry);
