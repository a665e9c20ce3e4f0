#include "readers/quake2/Quake2Effects.h"

#include "readers/quake2/Quake2Deltas.h"

#include <cstdint>

namespace fenlark::readers::quake2 {

namespace {

// The field layouts temporary entities share. "Pos" is a position, "Dir" a
// direction byte, "Ent" a 16-bit entity number.
enum class Layout : std::uint8_t {
    Unknown,
    PosDir,            // impacts, blood, sparks
    CountPosDirColour, // splashes and coloured sparks
    PosPos,            // trails and lasers
    Pos,               // explosions
    EntPosPos,         // cables and beams from an entity
    EntPosPosPos,      // the grapple cable with its offset
    EntEntPosPos,      // lightning between two entities
    PosEnt,            // flashlight
    PosPosColour,      // force wall
    Steam,             // steam: variable tail
    EntPos,            // widow beam out
    EntCount,          // power splash
    Short,             // damage dealt
};

// The layout of each temporary entity type. Type 32 (flame) was never
// given a layout by any engine and stays unknown.
Layout LayoutOf(std::uint8_t type) {
    switch (type) {
    case 0:  // gunshot
    case 1:  // blood
    case 2:  // blaster
    case 4:  // shotgun
    case 9:  // sparks
    case 12: // screen sparks
    case 13: // shield sparks
    case 14: // bullet sparks
    case 26: // green blood
    case 30: // blaster 2
    case 42: // more blood
    case 43: // heat beam sparks
    case 44: // heat beam steam
    case 46: // electric sparks
    case 55: // flechette
    case 56: // blue hyperblaster 2
    case 58: // berserk slam
        return Layout::PosDir;
    case 10: // splash
    case 15: // laser sparks
    case 25: // welding sparks
    case 29: // tunnel sparks
        return Layout::CountPosDirColour;
    case 3:  // rail trail
    case 11: // bubble trail
    case 23: // BFG laser
    case 27: // blue hyperblaster
    case 31: // rail trail 2
    case 34: // debug trail
    case 41: // bubble trail 2
    case 57: // BFG zap
        return Layout::PosPos;
    case 5:  // explosion 1
    case 6:  // explosion 2
    case 7:  // rocket explosion
    case 8:  // grenade explosion
    case 17: // rocket explosion in water
    case 18: // grenade explosion in water
    case 20: // BFG explosion
    case 21: // big BFG explosion
    case 22: // boss teleport
    case 28: // plasma explosion
    case 35: // plain explosion
    case 45: // chainfist smoke
    case 47: // tracker explosion
    case 48: // teleport effect
    case 49: // dball goal
    case 51: // nuke blast
    case 52: // widow splash
    case 53: // big explosion 1
    case 54: // explosion 1 without particles
    case 62: // explosion 1 without light
    case 63: // explosion 2 without light
        return Layout::Pos;
    case 16: // parasite attack
    case 19: // medic cable attack
    case 38: // heat beam
    case 39: // monster heat beam
    case 59: // grapple cable 2
    case 61: // lightning beam
        return Layout::EntPosPos;
    case 24: // grapple cable
        return Layout::EntPosPosPos;
    case 33: // lightning
        return Layout::EntEntPosPos;
    case 36: // flashlight
        return Layout::PosEnt;
    case 37: // force wall
        return Layout::PosPosColour;
    case 40: // steam
        return Layout::Steam;
    case 50: // widow beam out
        return Layout::EntPos;
    case 60: // power splash
        return Layout::EntCount;
    case 128: // damage dealt
        return Layout::Short;
    default:
        return Layout::Unknown;
    }
}

} // namespace

bool SkipTempEntity(SpanReader& in, const EffectEncoding& encoding) {
    const bool variable = encoding.variablePositions;
    const auto pos = [&] { SkipPosition(in, variable); };
    switch (LayoutOf(in.u8())) {
    case Layout::Unknown:
        return false;
    case Layout::PosDir:
        pos();
        in.skip(1);
        break;
    case Layout::CountPosDirColour:
        in.skip(1);
        pos();
        in.skip(2);
        break;
    case Layout::PosPos:
        pos();
        pos();
        break;
    case Layout::Pos:
        pos();
        break;
    case Layout::EntPosPos:
        in.skip(2);
        pos();
        pos();
        break;
    case Layout::EntPosPosPos:
        in.skip(2);
        pos();
        pos();
        pos();
        break;
    case Layout::EntEntPosPos:
        in.skip(4);
        pos();
        pos();
        break;
    case Layout::PosEnt:
        pos();
        in.skip(2);
        break;
    case Layout::PosPosColour:
        pos();
        pos();
        in.skip(1);
        break;
    case Layout::Steam: {
        // An id of -1 is a one-off puff; any other id is a lasting one with
        // its end time.
        const std::int16_t id = in.i16();
        in.skip(1); // count
        pos();
        in.skip(1 + 1 + 2); // direction, colour, magnitude
        in.skip(id != -1 ? 4 : 0);
        break;
    }
    case Layout::EntPos:
        in.skip(2);
        pos();
        break;
    case Layout::EntCount:
        in.skip(3);
        break;
    case Layout::Short:
        in.skip(2);
        break;
    }
    return true;
}

void SkipSound(SpanReader& in, const EffectEncoding& encoding) {
    const std::uint8_t flags = in.u8();
    const bool wideIndex = encoding.extendedLimits && (flags & 0x20) != 0;
    in.skip(wideIndex ? 2 : 1);
    in.skip((flags & 0x01) != 0 ? 1 : 0); // volume
    in.skip((flags & 0x02) != 0 ? 1 : 0); // attenuation
    in.skip((flags & 0x10) != 0 ? 1 : 0); // time offset
    in.skip((flags & 0x08) != 0 ? 2 : 0); // entity and channel
    if ((flags & 0x04) != 0) {
        SkipPosition(in, encoding.variablePositions);
    }
}

void SkipMuzzleFlash(SpanReader& in) {
    in.skip(3); // entity, weapon
}

} // namespace fenlark::readers::quake2
