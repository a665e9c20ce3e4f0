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
// A sink may ask for fewer fields, so that values it would throw away are not
// built: a member `std::uint64_t wantedEntityFields() const` gives a mask of
// the entity fields it wants (bit i for field i), and a member
// `static constexpr bool WantsPlayerFields = false` declines the player-state
// fields (not the player arrays). Fields not wanted are still read bit for
// bit, since their lengths depend on their codes, but reach no sink member.
// A sink without these members gets every field.
//
// Every decoder returns false when the data cannot be valid (a field count or
// mask length beyond its table, or the message ending inside the record). The
// caller then treats the rest of the message as exhausted.

#include "demoreader/MessageBits.h"
#include "demoreader/Protocol.h"

#include <algorithm>
#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <span>

namespace fenlark::demoreader {

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

// Every field of a table is a bit of a 64-bit mask (see MaxTableFields).
inline constexpr std::uint64_t AllFields = ~std::uint64_t{0};

template <class Sink> std::uint64_t WantedEntityFields(const Sink& sink) {
    if constexpr (requires {
                      { sink.wantedEntityFields() } -> std::convertible_to<std::uint64_t>;
                  }) {
        return sink.wantedEntityFields();
    } else {
        return AllFields;
    }
}

template <class Sink> constexpr bool WantsPlayerFields() {
    if constexpr (requires { Sink::WantsPlayerFields; }) {
        return Sink::WantsPlayerFields;
    } else {
        return true;
    }
}

namespace detail {

// Float fields: a format bit, then a whole number of IntegralFloatBits bits
// biased by IntegralFloatBias, or the float's 32 bits.
inline constexpr unsigned IntegralFloatBits = 13;
inline constexpr std::int32_t IntegralFloatBias = 1 << (IntegralFloatBits - 1);
inline constexpr unsigned FullFloatBits = LongBits;
// The field count of a delta record.
inline constexpr unsigned FieldCountBits = ByteBits;
// A player array: a mask of the elements sent, then each element (signed
// 16 bits; the powerups, the last array, 32 bits).
inline constexpr unsigned ArrayMaskBits = ShortBits;
inline constexpr unsigned ArrayElementBits = ShortBits;
inline constexpr unsigned PowerupBits = LongBits;
// The widest field of any table.
inline constexpr unsigned MaxFieldWidth = LongBits;

// The most bits one field value of the old format occupies: a float
// (format bit and full float) or an integer.
inline constexpr std::uint32_t MaxRawFieldValueBits = std::max(1u + FullFloatBits, MaxFieldWidth);

FENLARK_DECODER_INLINE std::uint32_t FloatFromIntegral(std::uint32_t coded) {
    return std::bit_cast<std::uint32_t>(
        static_cast<float>(static_cast<std::int32_t>(coded) - IntegralFloatBias));
}

// One raw field's value (old format); the caller has made sure of
// MaxRawFieldValueBits bits. `width` 0 is a float, a negative width a signed
// integer.
FENLARK_DECODER_INLINE std::uint32_t TakeRawFieldValue(MessageBits& in, int width) {
    if (width == 0) {
        if (!in.takeBit()) {
            return FloatFromIntegral(in.takeRaw(IntegralFloatBits));
        }
        return in.takeRaw(FullFloatBits);
    }
    if (width < 0) {
        return static_cast<std::uint32_t>(in.takeSigned<false>(static_cast<unsigned>(-width)));
    }
    return in.takeRaw(static_cast<unsigned>(width));
}

// Consumes one raw field's value like TakeRawFieldValue.
FENLARK_DECODER_INLINE void PassRawFieldValue(MessageBits& in, int width) {
    if (width == 0) {
        in.drop(in.takeBit() ? FullFloatBits : IntegralFloatBits);
        return;
    }
    in.drop(static_cast<unsigned>(width < 0 ? -width : width));
}

// The bits that cover most field values: an integral float (format bit and
// 13 bits) or an integer of at most 16 bits. Wider values top up the window
// once more.
inline constexpr std::uint32_t SmallValueBits = std::max(
    1u + MessageBits::MaxCodedBits(IntegralFloatBits), MessageBits::MaxCodedBits(ShortBits));
static_assert(MessageBits::MaxCodedBits(ShortBits - 1) <= SmallValueBits);

// One coded field's value; the caller has made sure of SmallValueBits bits.
FENLARK_DECODER_INLINE std::uint32_t TakeCodedFieldValue(MessageBits& in, int width) {
    constexpr std::uint32_t WideValueBits = MessageBits::MaxCodedBits(MaxFieldWidth);
    if (width == 0) {
        if (!in.takeBit()) {
            return FloatFromIntegral(in.take<true>(IntegralFloatBits));
        }
        in.ensure(WideValueBits);
        return in.take<true>(FullFloatBits);
    }
    const unsigned bits = static_cast<unsigned>(width < 0 ? -width : width);
    if (bits > ShortBits) {
        in.ensure(WideValueBits);
    }
    if (width < 0) {
        return static_cast<std::uint32_t>(in.takeSigned<true>(bits));
    }
    return in.take<true>(bits);
}

// Consumes one coded field's value like TakeCodedFieldValue.
FENLARK_DECODER_INLINE void PassCodedFieldValue(MessageBits& in, int width) {
    constexpr std::uint32_t WideValueBits = MessageBits::MaxCodedBits(MaxFieldWidth);
    if (width == 0) {
        if (!in.takeBit()) {
            in.pass<true>(IntegralFloatBits);
            return;
        }
        in.ensure(WideValueBits);
        in.pass<true>(FullFloatBits);
        return;
    }
    const unsigned bits = static_cast<unsigned>(width < 0 ? -width : width);
    if (bits > ShortBits) {
        in.ensure(WideValueBits);
    }
    in.pass<true>(bits);
}

// The changed fields of a delta record among its first `count` fields (the
// protocols from 66 on): a run of zero "changed" bits before each changed
// field, and for entities (`Presence`) a bit that says whether a value
// follows or the field became 0. `deliverField(index, value)` gets each
// field whose bit is set in `wanted`; the others are only consumed.
//
// The window is filled before each field without a test, so that the run
// of zeros, the changed bit and a small value are there without further
// checks: a run too long to leave room for them is consumed on its own and
// the window filled again. Only those long runs, full floats and wide
// integers need another refill.
template <bool Presence, class Emit>
FENLARK_DECODER_INLINE bool ReadChangedFields(MessageBits& in, const std::int8_t* widths,
                                              unsigned count, std::uint64_t wanted,
                                              Emit&& deliverField) {
    constexpr std::uint32_t RunBits = MessageBits::RefillBits;
    constexpr std::uint64_t RunStop = std::uint64_t{1} << RunBits;
    // The longest run after which the changed bit, the presence bit and a
    // small value still fit in a filled window.
    constexpr unsigned LongestShortRun = RunBits - 1 - (Presence ? 1 : 0) - SmallValueBits;
    static_assert(LongestShortRun > 0 && LongestShortRun < RunBits);
    unsigned index = 0;
    for (;;) {
        if (in.exhausted()) {
            return false;
        }
        in.fill();
        auto zeros = static_cast<unsigned>(std::countr_zero(in.window() | RunStop));
        while (zeros > LongestShortRun && zeros < count - index)
            [[unlikely]] {
                // A long run of unchanged fields: consume it and look again.
                in.drop(zeros);
                index += zeros;
                in.fill();
                zeros = static_cast<unsigned>(std::countr_zero(in.window() | RunStop));
            }
        if (zeros >= count - index) {
            in.drop(count - index);
            return true;
        }
        in.drop(zeros + 1); // the unchanged fields and the changed bit
        index += zeros;
        // Tables have at most 64 fields, so the shift stays in range.
        const bool want = (wanted >> index & 1u) != 0;
        if (Presence && !in.takeBit()) {
            if (want) {
                deliverField(index, 0);
            }
        } else if (want) {
            deliverField(index, TakeCodedFieldValue(in, widths[index]));
        } else {
            PassCodedFieldValue(in, widths[index]);
        }
        ++index;
    }
}

// The two bits before an entity's fields: removed, or unchanged. True when
// fields follow; otherwise the sink has been told what became of the entity.
// The caller has made sure of the two bits.
template <class Sink>
FENLARK_DECODER_INLINE bool EntityFieldsFollow(MessageBits& in, unsigned number, Sink& sink) {
    if (in.takeBit()) {
        sink.entity(number, EntityChange::Removed);
        return false;
    }
    if (!in.takeBit()) {
        sink.entity(number, EntityChange::Unchanged);
        return false;
    }
    return true;
}

// An entity number, removed and unchanged bits, and a field count.
template <bool Coded>
inline constexpr std::uint32_t EntityStartBits = MessageBits::MaxBits<Coded>(EntityNumberBits) + 2 +
                                                 (Coded ? MessageBits::MaxBits<true>(FieldCountBits)
                                                        : 0);

// One entity delta record after its number (protocols from 66 on); the
// caller has made sure of EntityStartBits.
template <class Sink>
FENLARK_DECODER_INLINE bool ReadEntityDelta(MessageBits& in, std::span<const std::int8_t> widths,
                                            std::uint64_t wanted, unsigned number, Sink& sink) {
    if (!EntityFieldsFollow(in, number, sink)) {
        return true;
    }
    const unsigned count = in.take<true>(FieldCountBits);
    if (count > widths.size()) {
        return false;
    }
    sink.entity(number, EntityChange::Changed);
    return ReadChangedFields<true>(
        in, widths.data(), count, wanted,
        [&](unsigned index, std::uint32_t value) { sink.entityField(number, index, value); });
}

// The four player arrays; `outerBit` says whether one bit announces them all.
template <bool Coded, class Sink>
FENLARK_DECODER_INLINE bool ReadPlayerArrays(MessageBits& in, bool outerBit, Sink& sink) {
    if (outerBit && !in.bit()) {
        return true;
    }
    for (unsigned array = 0; array < PlayerArrayCount; ++array) {
        if (in.exhausted()) {
            return false;
        }
        in.ensure(1 + MessageBits::MaxBits<Coded>(ArrayMaskBits));
        if (!in.takeBit()) {
            continue;
        }
        std::uint32_t mask = in.take<Coded>(ArrayMaskBits);
        while (mask != 0) {
            const auto index = static_cast<unsigned>(std::countr_zero(mask));
            mask &= mask - 1u;
            if (in.exhausted()) {
                return false;
            }
            in.ensure(MessageBits::MaxBits<Coded>(PowerupBits));
            const std::int32_t value = array == PlayerArrayCount - 1
                                           ? static_cast<std::int32_t>(in.take<Coded>(PowerupBits))
                                           : in.takeSigned<Coded>(ArrayElementBits);
            sink.playerArray(array, index, value);
        }
    }
    return true;
}

// One player-state delta (protocols from 66 on).
template <class Sink>
FENLARK_DECODER_INLINE bool ReadPlayerDelta(MessageBits& in, std::span<const std::int8_t> widths,
                                            Sink& sink) {
    const unsigned count = in.bits<true>(FieldCountBits);
    if (count > widths.size()) {
        return false;
    }
    constexpr std::uint64_t Wanted = WantsPlayerFields<Sink>() ? AllFields : 0;
    if (!ReadChangedFields<false>(
            in, widths.data(), count, Wanted,
            [&](unsigned index, std::uint32_t value) { sink.playerField(index, value); })) {
        return false;
    }
    return ReadPlayerArrays<true>(in, true, sink);
}

// The old entity delta's explicit mask: six whole bytes, then the bits of
// the fields above 48.
inline constexpr unsigned OldMaskIndexBits = 5;
inline constexpr unsigned OldMaskWholeBytes = 6;

// One entity delta record of protocols 45 and 48: the fields sent are chosen
// by a predefined or an explicit mask, and carry no presence bits.
template <class Sink>
FENLARK_DECODER_INLINE bool ReadOldEntityDelta(MessageBits& in, std::span<const std::int8_t> widths,
                                               std::uint64_t wanted, unsigned number, Sink& sink) {
    if (!EntityFieldsFollow(in, number, sink)) {
        return true;
    }
    // Bit i of byte i div 8 of the mask is bit i of `sent`.
    std::uint64_t sent = 0;
    const unsigned maskIndex = in.raw(OldMaskIndexBits);
    if (maskIndex < OldEntityMaskCount) {
        for (std::size_t i = 0; i < OldEntityMasks[maskIndex].size(); ++i) {
            sent |= std::uint64_t{OldEntityMasks[maskIndex][i]} << (8 * i);
        }
    } else {
        for (std::size_t i = 0; i < OldMaskWholeBytes; ++i) {
            sent |= std::uint64_t{in.raw(ByteBits)} << (8 * i);
        }
        sent |= std::uint64_t{in.raw(static_cast<unsigned>(widths.size()) -
                                     OldMaskWholeBytes * ByteBits)}
                << (8 * OldMaskWholeBytes);
    }
    // Mask bits beyond the table select nothing.
    if (widths.size() < MaxTableFields) {
        sent &= (std::uint64_t{1} << widths.size()) - 1u;
    }
    sink.entity(number, EntityChange::Changed);
    while (sent != 0) {
        const auto index = static_cast<unsigned>(std::countr_zero(sent));
        sent &= sent - 1u;
        if (in.exhausted()) {
            return false;
        }
        in.ensure(MaxRawFieldValueBits);
        if ((wanted >> index & 1u) != 0) {
            sink.entityField(number, index, TakeRawFieldValue(in, widths[index]));
        } else {
            PassRawFieldValue(in, widths[index]);
        }
    }
    return true;
}

// One player-state delta of protocols 45 and 48: a changed bit for every
// field. Runs of unchanged fields are consumed a window at a time. The bytes
// after a message are zeros, so a run never finds a changed bit past the
// end, and a message that ends inside the fields still fails (at the latest
// in the arrays, which check first).
template <class Sink>
FENLARK_DECODER_INLINE bool ReadOldPlayerDelta(MessageBits& in, std::span<const std::int8_t> widths,
                                               Sink& sink) {
    constexpr std::uint32_t RunBits = MessageBits::RefillBits;
    constexpr std::uint64_t RunStop = std::uint64_t{1} << RunBits;
    const auto count = static_cast<unsigned>(widths.size());
    unsigned index = 0;
    while (index < count) {
        if (in.exhausted()) {
            return false;
        }
        in.fill();
        const auto zeros = static_cast<unsigned>(std::countr_zero(in.window() | RunStop));
        if (zeros >= count - index) {
            in.drop(count - index);
            break;
        }
        if (zeros == RunBits) {
            in.drop(RunBits);
            index += RunBits;
            continue;
        }
        in.drop(zeros + 1); // the unchanged fields and the changed bit
        index += zeros;
        in.ensure(MaxRawFieldValueBits);
        if constexpr (WantsPlayerFields<Sink>()) {
            sink.playerField(index, TakeRawFieldValue(in, widths[index]));
        } else {
            PassRawFieldValue(in, widths[index]);
        }
        ++index;
    }
    return ReadPlayerArrays<false>(in, false, sink);
}

// An entity number and what follows it, in the format `Old` (protocols 45
// and 48) or the newer one.
template <bool Old, class Sink>
FENLARK_DECODER_INLINE bool ReadEntity(MessageBits& in, const ProtocolInfo& protocol,
                                       std::uint64_t wanted, unsigned number, Sink& sink) {
    if constexpr (Old) {
        return ReadOldEntityDelta(in, protocol.entityWidths, wanted, number, sink);
    } else {
        return ReadEntityDelta(in, protocol.entityWidths, wanted, number, sink);
    }
}

template <bool Old, class Sink>
FENLARK_DECODER_INLINE bool ReadSnapshotBody(MessageBits& in, const ProtocolInfo& protocol,
                                             SnapshotHeader& header, Sink& sink) {
    constexpr bool Coded = !Old;
    if (protocol.snapshotCommandNumber) {
        header.commandNumber = static_cast<std::int32_t>(in.bits<false>(LongBits));
    }
    header.serverTime = static_cast<std::int32_t>(in.bits<Coded>(LongBits));
    in.ensure(3 * MessageBits::MaxBits<Coded>(ByteBits));
    header.deltaNumber = static_cast<std::uint8_t>(in.take<Coded>(ByteBits));
    header.flags = static_cast<std::uint8_t>(in.take<Coded>(ByteBits));
    const std::uint32_t areaMaskLength = in.take<Coded>(ByteBits);
    if (areaMaskLength > MaxAreaMaskBytes || in.exhausted()) {
        return false;
    }
    header.areaMaskLength = static_cast<std::uint8_t>(areaMaskLength);
    for (std::uint32_t i = 0; i < areaMaskLength; ++i) {
        if (in.exhausted()) {
            return false;
        }
        header.areaMask[i] = static_cast<std::uint8_t>(in.bits<Coded>(ByteBits));
    }
    sink.snapshotHeader(header);
    if (in.exhausted()) {
        return false;
    }

    if constexpr (Old) {
        if (!ReadOldPlayerDelta(in, protocol.playerWidths, sink)) {
            return false;
        }
    } else if (!ReadPlayerDelta(in, protocol.playerWidths, sink)) {
        return false;
    }

    const std::uint64_t wanted = WantedEntityFields(sink);
    while (true) {
        if (in.exhausted()) {
            return false;
        }
        in.ensure(EntityStartBits<Coded>);
        const unsigned number = in.take<Coded>(EntityNumberBits);
        if (number == NoEntity) {
            // A coded message still needs its end byte; an old one may end here.
            return Coded ? !in.exhausted() : in.position() <= in.endPosition();
        }
        if (!ReadEntity<Old>(in, protocol, wanted, number, sink)) {
            return false;
        }
    }
}

template <bool Old, class Sink>
FENLARK_DECODER_INLINE bool ReadBaselineBody(MessageBits& in, const ProtocolInfo& protocol,
                                             Sink& sink) {
    if (in.exhausted()) {
        return false;
    }
    in.ensure(EntityStartBits<!Old>);
    const unsigned number = in.take<!Old>(EntityNumberBits);
    return ReadEntity<Old>(in, protocol, WantedEntityFields(sink), number, sink) &&
           in.position() <= in.endPosition();
}

} // namespace detail

// The body of a snapshot operation, up to and including the entity list's end
// marker. `header` receives the header even when the body later proves bad.
// The decoders work on a local copy of the bit reader, which the compiler
// keeps in registers; the position is written back once at the end.
template <class Sink>
FENLARK_DECODER_INLINE bool ReadSnapshotBody(MessageBits& in, const ProtocolInfo& protocol,
                                             SnapshotHeader& header, Sink& sink) {
    MessageBits bits = in;
    const bool ok = protocol.oldFormat
                        ? detail::ReadSnapshotBody<true>(bits, protocol, header, sink)
                        : detail::ReadSnapshotBody<false>(bits, protocol, header, sink);
    in = bits;
    return ok;
}

// A baseline: the entity number and one entity delta from the zero state.
template <class Sink>
bool ReadBaselineBody(MessageBits& in, const ProtocolInfo& protocol, Sink& sink) {
    MessageBits bits = in;
    const bool ok = protocol.oldFormat ? detail::ReadBaselineBody<true>(bits, protocol, sink)
                                       : detail::ReadBaselineBody<false>(bits, protocol, sink);
    in = bits;
    return ok;
}

} // namespace fenlark::demoreader
