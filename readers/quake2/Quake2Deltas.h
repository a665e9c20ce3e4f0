#pragma once
// Entity and player states of the Quake II protocols, read field by field.
// Every field's size follows from the bits in front of it and the protocol's
// encoding, so a state is skipped without knowing the one it changes; only
// the player state's movement type and stats are kept, for the scores.

#include "readers/ByteStream.h"
#include "readers/quake2/Quake2Protocol.h"

#include <array>
#include <cstdint>

namespace fenlark::readers::quake2 {

struct PlayerState {
    int pmType = PmNormal;
    std::array<std::int16_t, 64> stats{};
};

// Entity header: the bits (one to five bytes) and the entity number.
int ReadEntityHeader(SpanReader& in, std::uint64_t& bits, const EntityEncoding& encoding);
// The fields the bits announce.
void SkipEntityFields(SpanReader& in, std::uint64_t bits, const EntityEncoding& encoding);

// A position: three coordinates, 16 bits each or of variable length.
void SkipPosition(SpanReader& in, bool variableLength);

// Player state of protocol 34 (and its raised-limit variants).
void ReadPlayerStateOriginal(SpanReader& in, std::uint32_t bits, PlayerState& state,
                             const PlayerEncoding& encoding);
// Player state of protocols 35 and 36, with the extra flags of the frame header.
void ReadPlayerStateEnhanced(SpanReader& in, std::uint32_t bits, std::uint32_t extraFlags,
                             PlayerState& state, const PlayerEncoding& encoding);
// One player of a multi-view frame.
void ReadPlayerStatePacket(SpanReader& in, std::uint32_t bits, PlayerState& state,
                           const PlayerEncoding& encoding);

} // namespace fenlark::readers::quake2
