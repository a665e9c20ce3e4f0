#pragma once
// The LZSS compression Valve engines use for large network data (string
// tables, packet payloads): the magic "LZSS", the uncompressed size (uint32),
// then groups of a flag byte and eight items, each a literal byte (flag bit 0)
// or a back reference (flag bit 1: 12-bit distance - 1, 4-bit length - 1; a
// length of 1 ends the data).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace fenlark::readers::source {

// The uncompressed bytes, or std::nullopt when the data is damaged, does not
// hold exactly the size it announces, or announces more than `limit` bytes.
std::optional<std::vector<std::uint8_t>> LzssDecompress(std::span<const std::uint8_t> data,
                                                        std::size_t limit);

} // namespace fenlark::readers::source
