#pragma once
// String tables of Source demos: named tables of strings, each with optional
// user data, created and updated by network messages and written whole by the
// demo's string-tables frame. The reader follows only what it needs (the
// "userinfo" table of players); the others are registered so that updates,
// which name tables by number, find the right one.

#include "readers/source/BitReader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::readers::source {

struct StringTableMeta {
    std::string name;
    std::uint32_t maxEntries = 0;
    unsigned entryBits = 0; // bits of an entry index: floor(log2(maxEntries))
    bool userDataFixedSize = false;
    unsigned userDataBits = 0; // with a fixed size: the size in bits
};

// One entry as an update gives it. `text` is null when the update keeps the
// entry's string; `data` is empty when the entry has no user data (which, in
// an update, clears the old data).
struct StringTableEntry {
    std::uint32_t index = 0;
    const std::string* text = nullptr;
    bool hasData = false;
    std::span<const std::uint8_t> data;
};

using StringTableEntryVisitor = std::function<void(const StringTableEntry&)>;

// Reads `count` entries of a create or update message. Entry strings may
// reuse the start of one of the last 32 strings of the same message. Returns
// false when the data is damaged (entries before the damage were visited).
bool ReadStringTableEntries(BitReader& bits, const StringTableMeta& table, std::uint32_t count,
                            const StringTableEntryVisitor& visit);

// The demo's string-tables frame: every table with all its entries. Only the
// tables `wanted` accepts are visited. Returns false when the data is damaged.
bool ReadStringTablesFrame(
    BitReader& bits, const std::function<bool(std::string_view)>& wanted,
    const std::function<void(std::string_view table, const StringTableEntry&)>& visit);

} // namespace fenlark::readers::source
