#pragma once
// The built-in readers a game definition can name with its "Reader" key.

#include "readers/EngineReport.h"

#include <span>
#include <string_view>

namespace fenlark::readers {

struct EngineReaderEntry {
    std::string_view name; // the value of the definition's "Reader" key
    EngineReaderFunction read;
};

// Every built-in reader, in no particular order.
std::span<const EngineReaderEntry> EngineReaderTable();

// The reader of that name (letter case ignored), or nullptr.
const EngineReaderEntry* FindEngineReader(std::string_view name);

} // namespace fenlark::readers
