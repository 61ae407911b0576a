#pragma once

#include "addressgrammar.h"
#include "datatype.h"
#include "elementtype.h"

#include <QString>

// Helpers shared by the read and the write half of the induction engine.
namespace EngineInternal {

// A string area holds one string per index in a slot of this many bytes: a length byte, then the
// characters.
constexpr int stringSlotBytes = 256;

bool isStringArea(int area);

// itemElementSize, with a string in a string area sized as a slot whatever the case of its
// address: the prefix test of itemElementSize knows "SI" and "SO" only, so "si5" would have no
// size and could never be read or written.
template<typename Item>
int labelElementSize(const Item &item, int area)
{
    return item.type == DataType::string && isStringArea(area) ? stringSlotBytes
                                                               : itemElementSize(item);
}

// The same for an item whose area is not known yet.
template<typename Item>
int labelElementSize(const AddressGrammar &grammar, const Item &item)
{
    if (item.type != DataType::string)
        return itemElementSize(item);
    return labelElementSize(item, grammar.match(item.name, DataType::null).area);
}

// How the device is asked for a block: bytes as Int8, points as bool; null for anything else.
DataType blockDeviceType(int blockType);

// The block stored under exactly this member list and key, or nullptr.
template<typename Stored, typename List>
typename Stored::mapped_type::mapped_type *storedBlock(Stored &stored, const QString &key,
                                                       const List &block)
{
    const auto keyIt = stored.find(key);
    if (keyIt == stored.end())
        return nullptr;
    const auto blockIt = keyIt->find(block);
    return blockIt == keyIt->end() ? nullptr : &*blockIt;
}

// Blocks the calling thread for ms milliseconds; nothing for 0 or less.
void pause(int ms);

} // namespace EngineInternal
