#pragma once
// What differs between the demo protocols: the bit coding, the message layout
// and the field tables of entity and player-state deltas.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace fenlark::demoreader {

// One field of a delta-coded state, in wire order. `bits` 0 is a float; a
// negative width is a signed integer of that many bits.
struct FieldInfo {
    const char* name;
    std::int8_t bits;
};

// The most fields a table has.
inline constexpr std::size_t MaxTableFields = 64;

struct ProtocolInfo {
    // The protocol number; 45 stands for the ".dm3" format of Quake III 1.17
    // and before.
    int number;
    // Whole bytes go through the Huffman code (every protocol from 66 on).
    bool coded;
    // Every message begins with the 32-bit reliable acknowledge.
    bool acknowledge;
    // The format of protocols 45 and 48: mask-coded entity deltas, a changed
    // bit for every player field, operations aligned to bytes and no end byte,
    // a gamestate ended by byte 0 with nothing after it.
    bool oldFormat;
    // Snapshots start with a client command number before the server time.
    bool snapshotCommandNumber;
    std::span<const FieldInfo> entityFields;
    std::span<const FieldInfo> playerFields;
    // The same tables' widths alone (FieldInfo::bits), which the decoders
    // read for every field.
    std::span<const std::int8_t> entityWidths;
    std::span<const std::int8_t> playerWidths;
};

// The number that stands for the ".dm3" format, and the protocol any other
// number reads as.
inline constexpr int Dm3Protocol = 45;
inline constexpr int FallbackProtocol = 68;

// The protocols with their own tables; any other number reads as FallbackProtocol.
inline constexpr std::array<int, 9> KnownProtocols = {Dm3Protocol, 48, 66, 67, 68, 71, 73, 90, 91};

// Entity numbers (in snapshots, baselines and fields that name an entity).
inline constexpr unsigned EntityNumberBits = 10;

const ProtocolInfo& ProtocolByNumber(int number);

// The protocol named by the extension of a demo path: ".dm_NN" gives NN,
// ".dm3" gives Dm3Protocol, letters in any case. Anything else reads as
// FallbackProtocol.
const ProtocolInfo& ProtocolFromPath(std::string_view path);

// The predefined field masks of the old entity delta (index 0..30; index 31
// announces an explicit mask). Bit i mod 8 of byte i div 8 selects field i.
inline constexpr int OldEntityMaskCount = 31;
extern const std::array<std::array<std::uint8_t, 7>, OldEntityMaskCount> OldEntityMasks;

} // namespace fenlark::demoreader
