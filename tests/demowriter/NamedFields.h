#pragma once
// Changed fields named as the protocol's field tables name them ("eType",
// "otherEntityNum", "clientNum", ...), so that a test can write an entity or
// player-state change without knowing the field's place in each protocol.

#include "DemoWriter.h"

#include <string_view>

namespace fenlark::test {

// Throws std::invalid_argument for a name the protocol's table lacks.
Field EntityField(int protocol, std::string_view name, std::uint32_t value);
Field PlayerField(int protocol, std::string_view name, std::uint32_t value);

} // namespace fenlark::test
