#pragma once
// Decoding delta-coded entities, player states and snapshots.
//
// A delta record is decoded field by field; the number of bits it occupies
// depends only on its own bits, so a snapshot can be consumed without keeping
// earlier snapshots. What was decoded goes to a sink, a class with the members
// of NullDeltaSink below; values are handed over as 32-bit patterns (integers
// sign-extended to 32 bits where the field is signed, floats as their IEEE
// single-precision bits).
//
// Every decoder returns false when the data cannot be valid (a field count or
// mask length beyond its table, or the message ending inside the record). The
// caller then treats the rest of the message as exhausted.

#include "demoreader/MessageBits.h"
#include "demoreader/Protocol.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>

namespace fenlark::demoreader {

inline constexpr std::uint32_t EntityNumberBits = 10;
inline constexpr std::uint32_t NoEntity = (1u << EntityNumberBits) - 1u;
inline constexpr std::uint32_t MaxAreaMaskBytes = 32;
inline constexpr int PlayerArrayCount = 4; // stats, persistant, ammo, powerups
inline constexpr int PlayerArraySize = 16;

struct SnapshotHeader {
    // The client command number that ".dm3" snapshots carry first; 0 elsewhere.
    std::int32_t commandNumber = 0;
    std::int32_t serverTime = 0;
    // 0 for a full snapshot, otherwise how many records back the reference is.
    std::uint8_t deltaNumber = 0;
    std::uint8_t flags = 0;
    std::uint8_t areaMaskLength = 0;
    std::array<std::uint8_t, MaxAreaMaskBytes> areaMask{};
};

enum class EntityChange {
    Removed,   // the entity leaves the snapshot
    Unchanged, // a copy of its reference state
    Changed,   // fields follow
};

// A sink that keeps nothing; the model for sinks of callers.
struct NullDeltaSink {
    void snapshotHeader(const SnapshotHeader&) {}
    void playerField(unsigned /*index*/, std::uint32_t /*value*/) {}
    void playerArray(unsigned /*array*/, unsigned /*index*/, std::int32_t /*value*/) {}
    void entity(unsigned /*number*/, EntityChange) {}
    void entityField(unsigned /*number*/, unsigned /*index*/, std::uint32_t /*value*/) {}
};

namespace detail {

inline std::uint32_t IntegralFloatBits(std::uint32_t coded) {
    return std::bit_cast<std::uint32_t>(
        static_cast<float>(static_cast<std::int32_t>(coded) - 4096));
}

// A float field after its presence bits: a format bit, then a 13-bit whole
// number biased by 4096 or a full 32-bit float.
template <bool Coded> std::uint32_t ReadFloatValue(MessageBits& in) {
    if (!in.bit()) {
        return IntegralFloatBits(in.bits<Coded>(13));
    }
    return in.bits<Coded>(32);
}

template <bool Coded> std::uint32_t ReadIntegerValue(MessageBits& in, int width) {
    if (width < 0) {
        return static_cast<std::uint32_t>(in.signedBits<Coded>(static_cast<unsigned>(-width)));
    }
    return in.bits<Coded>(static_cast<unsigned>(width));
}

// Skips the run of zero "changed" bits before the next changed field and
// returns its index, or `count` when no field below `count` changed.
inline unsigned NextChangedField(MessageBits& in, unsigned index, unsigned count) {
    while (index < count) {
        const std::uint64_t window = in.peek() | (std::uint64_t{1} << 56);
        const unsigned zeros = static_cast<unsigned>(std::countr_zero(window));
        const unsigned run = std::min(zeros, count - index);
        in.skip(run);
        index += run;
        if (zeros < 56 || index >= count) {
            return index;
        }
    }
    return index;
}

// The two bits before an entity's fields: removed, or unchanged. True when
// fields follow; otherwise the sink has been told what became of the entity.
template <class Sink> bool EntityFieldsFollow(MessageBits& in, unsigned number, Sink& sink) {
    if (in.bit()) {
        sink.entity(number, EntityChange::Removed);
        return false;
    }
    if (!in.bit()) {
        sink.entity(number, EntityChange::Unchanged);
        return false;
    }
    return true;
}

} // namespace detail

// One entity delta record after its number (protocols from 66 on).
template <class Sink>
bool ReadEntityDelta(MessageBits& in, std::span<const FieldInfo> fields, unsigned number,
                     Sink& sink) {
    if (!detail::EntityFieldsFollow(in, number, sink)) {
        return true;
    }
    const unsigned count = in.bits<true>(8);
    if (count > fields.size()) {
        return false;
    }
    sink.entity(number, EntityChange::Changed);
    unsigned index = 0;
    while (true) {
        if (in.exhausted()) {
            return false;
        }
        index = detail::NextChangedField(in, index, count);
        if (index >= count) {
            return true;
        }
        in.skip(1); // the changed bit
        const int width = fields[index].bits;
        std::uint32_t value = 0;
        if (in.bit()) {
            value = width == 0 ? detail::ReadFloatValue<true>(in)
                               : detail::ReadIntegerValue<true>(in, width);
        }
        sink.entityField(number, index, value);
        ++index;
    }
}

// The four player arrays; `outerBit` says whether one bit announces them all.
template <bool Coded, class Sink>
bool ReadPlayerArrays(MessageBits& in, bool outerBit, Sink& sink) {
    if (outerBit && !in.bit()) {
        return true;
    }
    for (unsigned array = 0; array < PlayerArrayCount; ++array) {
        if (in.exhausted()) {
            return false;
        }
        if (!in.bit()) {
            continue;
        }
        const std::uint32_t mask = in.bits<Coded>(16);
        for (unsigned index = 0; index < PlayerArraySize; ++index) {
            if ((mask >> index & 1u) == 0) {
                continue;
            }
            if (in.exhausted()) {
                return false;
            }
            const std::int32_t value = array == PlayerArrayCount - 1
                                           ? static_cast<std::int32_t>(in.bits<Coded>(32))
                                           : in.signedBits<Coded>(16);
            sink.playerArray(array, index, value);
        }
    }
    return true;
}

// One player-state delta (protocols from 66 on).
template <class Sink>
bool ReadPlayerDelta(MessageBits& in, std::span<const FieldInfo> fields, Sink& sink) {
    const unsigned count = in.bits<true>(8);
    if (count > fields.size()) {
        return false;
    }
    unsigned index = 0;
    while (true) {
        if (in.exhausted()) {
            return false;
        }
        index = detail::NextChangedField(in, index, count);
        if (index >= count) {
            break;
        }
        in.skip(1); // the changed bit
        const int width = fields[index].bits;
        const std::uint32_t value = width == 0 ? detail::ReadFloatValue<true>(in)
                                               : detail::ReadIntegerValue<true>(in, width);
        sink.playerField(index, value);
        ++index;
    }
    return ReadPlayerArrays<true>(in, true, sink);
}

// One entity delta record of protocols 45 and 48: the fields sent are chosen
// by a predefined or an explicit mask, and carry no presence bits.
template <class Sink>
bool ReadOldEntityDelta(MessageBits& in, std::span<const FieldInfo> fields, unsigned number,
                        Sink& sink) {
    if (!detail::EntityFieldsFollow(in, number, sink)) {
        return true;
    }
    std::array<std::uint8_t, 8> mask{};
    const unsigned maskIndex = in.raw(5);
    if (maskIndex < OldEntityMaskCount) {
        std::copy(OldEntityMasks[maskIndex].begin(), OldEntityMasks[maskIndex].end(), mask.begin());
    } else {
        for (std::size_t i = 0; i < 6; ++i) {
            mask[i] = static_cast<std::uint8_t>(in.raw(8));
        }
        mask[6] = static_cast<std::uint8_t>(in.raw(static_cast<unsigned>(fields.size()) - 48u));
    }
    sink.entity(number, EntityChange::Changed);
    for (unsigned index = 0; index < fields.size(); ++index) {
        if ((unsigned{mask[index >> 3]} >> (index & 7u) & 1u) == 0) {
            continue;
        }
        if (in.exhausted()) {
            return false;
        }
        const int width = fields[index].bits;
        const std::uint32_t value = width == 0 ? detail::ReadFloatValue<false>(in)
                                               : detail::ReadIntegerValue<false>(in, width);
        sink.entityField(number, index, value);
    }
    return true;
}

// One player-state delta of protocols 45 and 48: a changed bit for every field.
template <class Sink>
bool ReadOldPlayerDelta(MessageBits& in, std::span<const FieldInfo> fields, Sink& sink) {
    for (unsigned index = 0; index < fields.size(); ++index) {
        if (in.exhausted()) {
            return false;
        }
        if (!in.bit()) {
            continue;
        }
        const int width = fields[index].bits;
        const std::uint32_t value = width == 0 ? detail::ReadFloatValue<false>(in)
                                               : detail::ReadIntegerValue<false>(in, width);
        sink.playerField(index, value);
    }
    return ReadPlayerArrays<false>(in, false, sink);
}

// The body of a snapshot operation, up to and including the entity list's end
// marker. `header` receives the header even when the body later proves bad.
template <class Sink>
bool ReadSnapshotBody(MessageBits& in, const ProtocolInfo& protocol, SnapshotHeader& header,
                      Sink& sink) {
    if (protocol.snapshotCommandNumber) {
        header.commandNumber = static_cast<std::int32_t>(in.bits<false>(32));
    }
    const auto readByte = [&] { return protocol.coded ? in.bits<true>(8) : in.bits<false>(8); };
    header.serverTime =
        static_cast<std::int32_t>(protocol.coded ? in.bits<true>(32) : in.bits<false>(32));
    header.deltaNumber = static_cast<std::uint8_t>(readByte());
    header.flags = static_cast<std::uint8_t>(readByte());
    const std::uint32_t areaMaskLength = readByte();
    if (areaMaskLength > MaxAreaMaskBytes || in.exhausted()) {
        return false;
    }
    header.areaMaskLength = static_cast<std::uint8_t>(areaMaskLength);
    for (std::uint32_t i = 0; i < areaMaskLength; ++i) {
        if (in.exhausted()) {
            return false;
        }
        header.areaMask[i] = static_cast<std::uint8_t>(readByte());
    }
    sink.snapshotHeader(header);
    if (in.exhausted()) {
        return false;
    }

    if (protocol.oldFormat) {
        if (!ReadOldPlayerDelta(in, protocol.playerFields, sink)) {
            return false;
        }
    } else if (!ReadPlayerDelta(in, protocol.playerFields, sink)) {
        return false;
    }

    while (true) {
        if (in.exhausted()) {
            return false;
        }
        const unsigned number =
            protocol.coded ? in.bits<true>(EntityNumberBits) : in.bits<false>(EntityNumberBits);
        if (number == NoEntity) {
            // A coded message still needs its end byte; an old one may end here.
            return protocol.coded ? !in.exhausted() : in.position() <= in.endPosition();
        }
        const bool ok = protocol.oldFormat
                            ? ReadOldEntityDelta(in, protocol.entityFields, number, sink)
                            : ReadEntityDelta(in, protocol.entityFields, number, sink);
        if (!ok) {
            return false;
        }
    }
}

// A baseline: the entity number and one entity delta from the zero state.
template <class Sink>
bool ReadBaselineBody(MessageBits& in, const ProtocolInfo& protocol, Sink& sink) {
    if (in.exhausted()) {
        return false;
    }
    const unsigned number =
        protocol.coded ? in.bits<true>(EntityNumberBits) : in.bits<false>(EntityNumberBits);
    const bool ok = protocol.oldFormat ? ReadOldEntityDelta(in, protocol.entityFields, number, sink)
                                       : ReadEntityDelta(in, protocol.entityFields, number, sink);
    return ok && in.position() <= in.endPosition();
}

} // namespace fenlark::demoreader
