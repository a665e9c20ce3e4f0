#include "readers/quake2/Quake2Deltas.h"

namespace fenlark::readers::quake2 {

namespace {

constexpr std::uint64_t Bit(int n) {
    return std::uint64_t{1} << n;
}

// Entity bits.
constexpr std::uint64_t UOrigin1 = Bit(0);
constexpr std::uint64_t UOrigin2 = Bit(1);
constexpr std::uint64_t UAngle2 = Bit(2);
constexpr std::uint64_t UAngle3 = Bit(3);
constexpr std::uint64_t UFrame8 = Bit(4);
constexpr std::uint64_t UEvent = Bit(5);
constexpr std::uint64_t UMoreBits1 = Bit(7);
constexpr std::uint64_t UNumber16 = Bit(8);
constexpr std::uint64_t UOrigin3 = Bit(9);
constexpr std::uint64_t UAngle1 = Bit(10);
constexpr std::uint64_t UModel = Bit(11);
constexpr std::uint64_t URenderFx8 = Bit(12);
constexpr std::uint64_t UAngle16 = Bit(13);
constexpr std::uint64_t UEffects8 = Bit(14);
constexpr std::uint64_t UMoreBits2 = Bit(15);
constexpr std::uint64_t USkin8 = Bit(16);
constexpr std::uint64_t UFrame16 = Bit(17);
constexpr std::uint64_t URenderFx16 = Bit(18);
constexpr std::uint64_t UEffects16 = Bit(19);
constexpr std::uint64_t UModel2 = Bit(20);
constexpr std::uint64_t UModel3 = Bit(21);
constexpr std::uint64_t UModel4 = Bit(22);
constexpr std::uint64_t UMoreBits3 = Bit(23);
constexpr std::uint64_t UOldOrigin = Bit(24);
constexpr std::uint64_t USkin16 = Bit(25);
constexpr std::uint64_t USound = Bit(26);
constexpr std::uint64_t USolid = Bit(27);
constexpr std::uint64_t UModel16 = Bit(28);
constexpr std::uint64_t UMoreFx8 = Bit(29);
constexpr std::uint64_t UAlpha = Bit(30);
constexpr std::uint64_t UMoreBits4 = Bit(31);
constexpr std::uint64_t UScale = Bit(32);
constexpr std::uint64_t UMoreFx16 = Bit(33);

// Player state bits (protocol 34 and the enhanced ones).
constexpr std::uint32_t PsType = 1U << 0;
constexpr std::uint32_t PsOrigin = 1U << 1;
constexpr std::uint32_t PsVelocity = 1U << 2;
constexpr std::uint32_t PsTime = 1U << 3;
constexpr std::uint32_t PsFlags = 1U << 4;
constexpr std::uint32_t PsGravity = 1U << 5;
constexpr std::uint32_t PsDeltaAngles = 1U << 6;
constexpr std::uint32_t PsViewOffset = 1U << 7;
constexpr std::uint32_t PsViewAngles = 1U << 8;
constexpr std::uint32_t PsKickAngles = 1U << 9;
constexpr std::uint32_t PsBlend = 1U << 10;
constexpr std::uint32_t PsFov = 1U << 11;
constexpr std::uint32_t PsWeaponIndex = 1U << 12;
constexpr std::uint32_t PsWeaponFrame = 1U << 13;
constexpr std::uint32_t PsRdFlags = 1U << 14;
constexpr std::uint32_t PsFog = 1U << 16;

// Extra flags of the enhanced player state.
constexpr std::uint32_t EpsGunOffset = 1U << 0;
constexpr std::uint32_t EpsGunAngles = 1U << 1;
constexpr std::uint32_t EpsVelocity2 = 1U << 2;
constexpr std::uint32_t EpsOrigin2 = 1U << 3;
constexpr std::uint32_t EpsViewAngle2 = 1U << 4;
constexpr std::uint32_t EpsStats = 1U << 5;

// Player bits of a multi-view frame.
constexpr std::uint32_t PpsType = 1U << 0;
constexpr std::uint32_t PpsOrigin = 1U << 1;
constexpr std::uint32_t PpsOrigin2 = 1U << 2;
constexpr std::uint32_t PpsViewOffset = 1U << 3;
constexpr std::uint32_t PpsViewAngles = 1U << 4;
constexpr std::uint32_t PpsViewAngle2 = 1U << 5;
constexpr std::uint32_t PpsKickAngles = 1U << 6;
constexpr std::uint32_t PpsBlend = 1U << 7;
constexpr std::uint32_t PpsFov = 1U << 8;
constexpr std::uint32_t PpsWeaponIndex = 1U << 9;
constexpr std::uint32_t PpsWeaponFrame = 1U << 10;
constexpr std::uint32_t PpsGunOffset = 1U << 11;
constexpr std::uint32_t PpsGunAngles = 1U << 12;
constexpr std::uint32_t PpsRdFlags = 1U << 13;
constexpr std::uint32_t PpsStats = 1U << 14;
constexpr std::uint32_t PpsFog = 1U << 17;

// One of the 8/16/32-bit fields chosen by a pair of bits (both = 32 bits).
void SkipSizedPair(SpanReader& in, std::uint64_t bits, std::uint64_t small, std::uint64_t large) {
    const bool hasSmall = (bits & small) != 0;
    const bool hasLarge = (bits & large) != 0;
    in.skip(hasSmall && hasLarge ? 4 : hasSmall ? 1 : hasLarge ? 2 : 0);
}

// A coordinate of variable length: 16 bits whose lowest bit asks for 8 more.
void SkipVariableCoordinate(SpanReader& in) {
    if ((in.u16() & 1) != 0) {
        in.skip(1);
    }
}

void SkipCoordinates(SpanReader& in, int count, bool variableLength) {
    for (int i = 0; i < count; ++i) {
        if (variableLength) {
            SkipVariableCoordinate(in);
        } else {
            in.skip(2);
        }
    }
}

// A 64-bit number in groups of seven bits, at most ten bytes.
std::uint64_t ReadVarInt64(SpanReader& in) {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64 && !in.overrun(); shift += 7) {
        const std::uint8_t byte = in.u8();
        value |= std::uint64_t{byte & 0x7FU} << shift;
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    return value;
}

void ReadStats(SpanReader& in, PlayerState& state, const PlayerEncoding& encoding) {
    const std::uint64_t bits = encoding.extensions2 ? ReadVarInt64(in) : in.u32();
    const int count = encoding.extensions2 ? 64 : 32;
    for (int i = 0; i < count; ++i) {
        if ((bits & Bit(i)) != 0) {
            state.stats[static_cast<std::size_t>(i)] = in.i16();
        }
    }
}

void SkipBlend(SpanReader& in, const PlayerEncoding& encoding) {
    if (!encoding.extensions2) {
        in.skip(4);
        return;
    }
    const std::uint8_t flags = in.u8();
    for (int i = 0; i < 8; ++i) {
        if ((flags & (1U << i)) != 0) {
            in.skip(1);
        }
    }
}

void SkipFog(SpanReader& in) {
    const std::uint8_t bits = in.u8();
    in.skip((bits & 0x01) != 0 ? 3 : 0); // colour
    in.skip((bits & 0x02) != 0 ? 4 : 0); // density and sky factor
    in.skip((bits & 0x04) != 0 ? 2 : 0); // height fog density
    in.skip((bits & 0x08) != 0 ? 2 : 0); // height fog falloff
    in.skip((bits & 0x10) != 0 ? 3 : 0); // start colour
    in.skip((bits & 0x20) != 0 ? 3 : 0); // end colour
    if ((bits & 0x40) != 0) {
        SkipVariableCoordinate(in); // start distance
    }
    if ((bits & 0x80) != 0) {
        SkipVariableCoordinate(in); // end distance
    }
}

void ReadMovementType(SpanReader& in, bool present, PlayerState& state) {
    if (present) {
        state.pmType = in.u8();
    }
}

} // namespace

int ReadEntityHeader(SpanReader& in, std::uint64_t& bits, const EntityEncoding& encoding) {
    bits = in.u8();
    if ((bits & UMoreBits1) != 0) {
        bits |= std::uint64_t{in.u8()} << 8;
    }
    if ((bits & UMoreBits2) != 0) {
        bits |= std::uint64_t{in.u8()} << 16;
    }
    if ((bits & UMoreBits3) != 0) {
        bits |= std::uint64_t{in.u8()} << 24;
    }
    if (encoding.extensions && (bits & UMoreBits4) != 0) {
        bits |= std::uint64_t{in.u8()} << 32;
    }
    return (bits & UNumber16) != 0 ? in.u16() : in.u8();
}

void SkipEntityFields(SpanReader& in, std::uint64_t bits, const EntityEncoding& encoding) {
    const std::size_t modelSize = encoding.extensions && (bits & UModel16) != 0 ? 2 : 1;
    for (const std::uint64_t model : {UModel, UModel2, UModel3, UModel4}) {
        in.skip((bits & model) != 0 ? modelSize : 0);
    }
    in.skip((bits & UFrame8) != 0 ? 1 : 0);
    in.skip((bits & UFrame16) != 0 ? 2 : 0);
    SkipSizedPair(in, bits, USkin8, USkin16);
    SkipSizedPair(in, bits, UEffects8, UEffects16);
    SkipSizedPair(in, bits, URenderFx8, URenderFx16);
    for (const std::uint64_t origin : {UOrigin1, UOrigin2, UOrigin3}) {
        if ((bits & origin) != 0) {
            SkipCoordinates(in, 1, encoding.extensions2);
        }
    }
    const std::size_t angleSize = encoding.shortAngles && (bits & UAngle16) != 0 ? 2 : 1;
    for (const std::uint64_t angle : {UAngle1, UAngle2, UAngle3}) {
        in.skip((bits & angle) != 0 ? angleSize : 0);
    }
    if ((bits & UOldOrigin) != 0) {
        SkipPosition(in, encoding.extensions2);
    }
    if ((bits & USound) != 0) {
        if (encoding.extensions) {
            const std::uint16_t sound = in.u16();
            in.skip((sound & 0x4000) != 0 ? 1 : 0); // loop volume
            in.skip((sound & 0x8000) != 0 ? 1 : 0); // loop attenuation
        } else {
            in.skip(1);
        }
    }
    in.skip((bits & UEvent) != 0 ? 1 : 0);
    if ((bits & USolid) != 0) {
        in.skip(encoding.longSolid ? 4 : 2);
    }
    if (encoding.extensions) {
        SkipSizedPair(in, bits, UMoreFx8, UMoreFx16);
        in.skip((bits & UAlpha) != 0 ? 1 : 0);
        in.skip((bits & UScale) != 0 ? 1 : 0);
    }
}

void SkipPosition(SpanReader& in, bool variableLength) {
    SkipCoordinates(in, 3, variableLength);
}

void ReadPlayerStateOriginal(SpanReader& in, std::uint32_t bits, PlayerState& state,
                             const PlayerEncoding& encoding) {
    const bool ext2 = encoding.extensions2;
    ReadMovementType(in, (bits & PsType) != 0, state);
    if ((bits & PsOrigin) != 0) {
        SkipCoordinates(in, 3, ext2);
    }
    if ((bits & PsVelocity) != 0) {
        SkipCoordinates(in, 3, ext2);
    }
    in.skip((bits & PsTime) != 0 ? (ext2 ? 2 : 1) : 0);
    in.skip((bits & PsFlags) != 0 ? (ext2 ? 2 : 1) : 0);
    in.skip((bits & PsGravity) != 0 ? 2 : 0);
    in.skip((bits & PsDeltaAngles) != 0 ? 6 : 0);
    in.skip((bits & PsViewOffset) != 0 ? 3 : 0);
    in.skip((bits & PsViewAngles) != 0 ? 6 : 0);
    in.skip((bits & PsKickAngles) != 0 ? 3 : 0);
    in.skip((bits & PsWeaponIndex) != 0 ? (encoding.extensions ? 2 : 1) : 0);
    in.skip((bits & PsWeaponFrame) != 0 ? 7 : 0); // frame, gun offset, gun angles
    if ((bits & PsBlend) != 0) {
        SkipBlend(in, encoding);
    }
    if ((bits & PsFog) != 0) {
        SkipFog(in);
    }
    in.skip((bits & PsFov) != 0 ? 1 : 0);
    in.skip((bits & PsRdFlags) != 0 ? 1 : 0);
    ReadStats(in, state, encoding);
}

void ReadPlayerStateEnhanced(SpanReader& in, std::uint32_t bits, std::uint32_t extraFlags,
                             PlayerState& state, const PlayerEncoding& encoding) {
    const bool ext2 = encoding.extensions2;
    ReadMovementType(in, (bits & PsType) != 0, state);
    if ((bits & PsOrigin) != 0) {
        SkipCoordinates(in, 2, ext2);
    }
    if ((extraFlags & EpsOrigin2) != 0) {
        SkipCoordinates(in, 1, ext2);
    }
    if ((bits & PsVelocity) != 0) {
        SkipCoordinates(in, 2, ext2);
    }
    if ((extraFlags & EpsVelocity2) != 0) {
        SkipCoordinates(in, 1, ext2);
    }
    in.skip((bits & PsTime) != 0 ? (ext2 ? 2 : 1) : 0);
    in.skip((bits & PsFlags) != 0 ? (ext2 ? 2 : 1) : 0);
    in.skip((bits & PsGravity) != 0 ? 2 : 0);
    in.skip((bits & PsDeltaAngles) != 0 ? 6 : 0);
    in.skip((bits & PsViewOffset) != 0 ? 3 : 0);
    in.skip((bits & PsViewAngles) != 0 ? 4 : 0);
    in.skip((extraFlags & EpsViewAngle2) != 0 ? 2 : 0);
    in.skip((bits & PsKickAngles) != 0 ? 3 : 0);
    in.skip((bits & PsWeaponIndex) != 0 ? (encoding.extensions ? 2 : 1) : 0);
    in.skip((bits & PsWeaponFrame) != 0 ? 1 : 0);
    in.skip((extraFlags & EpsGunOffset) != 0 ? 3 : 0);
    in.skip((extraFlags & EpsGunAngles) != 0 ? 3 : 0);
    if ((bits & PsBlend) != 0) {
        SkipBlend(in, encoding);
    }
    if ((bits & PsFog) != 0) {
        SkipFog(in);
    }
    in.skip((bits & PsFov) != 0 ? 1 : 0);
    in.skip((bits & PsRdFlags) != 0 ? 1 : 0);
    if ((extraFlags & EpsStats) != 0) {
        ReadStats(in, state, encoding);
    }
}

void ReadPlayerStatePacket(SpanReader& in, std::uint32_t bits, PlayerState& state,
                           const PlayerEncoding& encoding) {
    const bool ext2 = encoding.extensions2;
    ReadMovementType(in, (bits & PpsType) != 0, state);
    if ((bits & PpsOrigin) != 0) {
        SkipCoordinates(in, 2, ext2);
    }
    if ((bits & PpsOrigin2) != 0) {
        SkipCoordinates(in, 1, ext2);
    }
    in.skip((bits & PpsViewOffset) != 0 ? 3 : 0);
    in.skip((bits & PpsViewAngles) != 0 ? 4 : 0);
    in.skip((bits & PpsViewAngle2) != 0 ? 2 : 0);
    in.skip((bits & PpsKickAngles) != 0 ? 3 : 0);
    in.skip((bits & PpsWeaponIndex) != 0 ? (encoding.extensions ? 2 : 1) : 0);
    in.skip((bits & PpsWeaponFrame) != 0 ? 1 : 0);
    in.skip((bits & PpsGunOffset) != 0 ? 3 : 0);
    in.skip((bits & PpsGunAngles) != 0 ? 3 : 0);
    if ((bits & PpsBlend) != 0) {
        SkipBlend(in, encoding);
    }
    if ((bits & PpsFog) != 0) {
        SkipFog(in);
    }
    in.skip((bits & PpsFov) != 0 ? 1 : 0);
    in.skip((bits & PpsRdFlags) != 0 ? 1 : 0);
    if ((bits & PpsStats) != 0) {
        ReadStats(in, state, encoding);
    }
}

} // namespace fenlark::readers::quake2
