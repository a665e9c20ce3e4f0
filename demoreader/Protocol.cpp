#include "demoreader/Protocol.h"

#include <algorithm>
#include <cctype>

namespace fenlark::demoreader {
namespace {

// Entity fields of protocols 66 to 71.
constexpr FieldInfo Q3EntityFields[] = {
    {"pos.trTime", 32},      {"pos.trBase[0]", 0},    {"pos.trBase[1]", 0},
    {"pos.trDelta[0]", 0},   {"pos.trDelta[1]", 0},   {"pos.trBase[2]", 0},
    {"apos.trBase[1]", 0},   {"pos.trDelta[2]", 0},   {"apos.trBase[0]", 0},
    {"event", 10},           {"angles2[1]", 0},       {"eType", 8},
    {"torsoAnim", 8},        {"eventParm", 8},        {"legsAnim", 8},
    {"groundEntityNum", 10}, {"pos.trType", 8},       {"eFlags", 19},
    {"otherEntityNum", 10},  {"weapon", 8},           {"clientNum", 8},
    {"angles[1]", 0},        {"pos.trDuration", 32},  {"apos.trType", 8},
    {"origin[0]", 0},        {"origin[1]", 0},        {"origin[2]", 0},
    {"solid", 24},           {"powerups", 16},        {"modelindex", 8},
    {"otherEntityNum2", 10}, {"loopSound", 8},        {"generic1", 8},
    {"origin2[2]", 0},       {"origin2[0]", 0},       {"origin2[1]", 0},
    {"modelindex2", 8},      {"angles[0]", 0},        {"time", 32},
    {"apos.trTime", 32},     {"apos.trDuration", 32}, {"apos.trBase[2]", 0},
    {"apos.trDelta[0]", 0},  {"apos.trDelta[1]", 0},  {"apos.trDelta[2]", 0},
    {"time2", 32},           {"angles[2]", 0},        {"angles2[0]", 0},
    {"angles2[2]", 0},       {"constantLight", 32},   {"frame", 16},
};
static_assert(std::size(Q3EntityFields) == 51);

// Entity fields of Quake Live: protocol 73 uses the first 53, 90 the first
// 55, 91 all 58.
constexpr FieldInfo QlEntityFields[] = {
    {"pos.trTime", 32},     {"pos.trBase[0]", 0},    {"pos.trBase[1]", 0},
    {"pos.trDelta[0]", 0},  {"pos.trDelta[1]", 0},   {"pos.trBase[2]", 0},
    {"apos.trBase[1]", 0},  {"pos.trDelta[2]", 0},   {"apos.trBase[0]", 0},
    {"pos_gravity", 32},    {"event", 10},           {"angles2[1]", 0},
    {"eType", 8},           {"torsoAnim", 8},        {"eventParm", 8},
    {"legsAnim", 8},        {"groundEntityNum", 10}, {"pos.trType", 8},
    {"eFlags", 19},         {"otherEntityNum", 10},  {"weapon", 8},
    {"clientNum", 8},       {"angles[1]", 0},        {"pos.trDuration", 32},
    {"apos.trType", 8},     {"origin[0]", 0},        {"origin[1]", 0},
    {"origin[2]", 0},       {"solid", 24},           {"powerups", 16},
    {"modelindex", 8},      {"otherEntityNum2", 10}, {"loopSound", 8},
    {"generic1", 8},        {"origin2[2]", 0},       {"origin2[0]", 0},
    {"origin2[1]", 0},      {"modelindex2", 8},      {"angles[0]", 0},
    {"time", 32},           {"apos.trTime", 32},     {"apos.trDuration", 32},
    {"apos.trBase[2]", 0},  {"apos.trDelta[0]", 0},  {"apos.trDelta[1]", 0},
    {"apos.trDelta[2]", 0}, {"apos_gravity", 32},    {"time2", 32},
    {"angles[2]", 0},       {"angles2[0]", 0},       {"angles2[2]", 0},
    {"constantLight", 32},  {"frame", 16},           {"jumpTime", 32},
    {"doubleJumped", 1},    {"health", 16},          {"armor", 16},
    {"location", 8},
};
static_assert(std::size(QlEntityFields) == 58);

// Player-state fields from protocol 66 on, in two runs so that protocol 91
// can put weaponPrimary between them; Quake Live widens pm_flags to 24 bits.
#define FENLARK_PLAYER_FIELDS_TO_WEAPON(pmFlagsBits)                                               \
    {"commandTime", 32}, {"origin[0]", 0}, {"origin[1]", 0}, {"bobCycle", 8}, {"velocity[0]", 0},  \
        {"velocity[1]", 0}, {"viewangles[1]", 0}, {"viewangles[0]", 0}, {"weaponTime", -16},       \
        {"origin[2]", 0}, {"velocity[2]", 0}, {"legsTimer", 8}, {"pm_time", -16},                  \
        {"eventSequence", 16}, {"torsoAnim", 8}, {"movementDir", 4}, {"events[0]", 8},             \
        {"legsAnim", 8}, {"events[1]", 8}, {"pm_flags", pmFlagsBits}, {"groundEntityNum", 10},     \
        {"weaponstate", 4}, {"eFlags", 16}, {"externalEvent", 10}, {"gravity", 16}, {"speed", 16}, \
        {"delta_angles[1]", 16}, {"externalEventParm", 8}, {"viewheight", -8}, {"damageEvent", 8}, \
        {"damageYaw", 8}, {"damagePitch", 8}, {"damageCount", 8}, {"generic1", 8}, {"pm_type", 8}, \
        {"delta_angles[0]", 16}, {"delta_angles[2]", 16}, {"torsoTimer", 12},                      \
        {"eventParms[0]", 8}, {"eventParms[1]", 8}, {"clientNum", 8}, {                            \
        "weapon", 5                                                                                \
    }
#define FENLARK_PLAYER_FIELDS_AFTER_WEAPON                                                         \
    {"viewangles[2]", 0}, {"grapplePoint[0]", 0}, {"grapplePoint[1]", 0}, {"grapplePoint[2]", 0},  \
        {"jumppad_ent", 10}, {                                                                     \
        "loopSound", 16                                                                            \
    }

// Protocols 66 to 73.
constexpr FieldInfo Q3PlayerFields[] = {FENLARK_PLAYER_FIELDS_TO_WEAPON(16),
                                        FENLARK_PLAYER_FIELDS_AFTER_WEAPON};
// Protocol 90: two fields follow.
constexpr FieldInfo Ql90PlayerFields[] = {FENLARK_PLAYER_FIELDS_TO_WEAPON(24),
                                          FENLARK_PLAYER_FIELDS_AFTER_WEAPON,
                                          {"jumpTime", 32},
                                          {"doubleJumped", 1}};
// Protocol 91: weaponPrimary after weapon and seven more fields at the end.
constexpr FieldInfo Ql91PlayerFields[] = {
    FENLARK_PLAYER_FIELDS_TO_WEAPON(24),
    {"weaponPrimary", 8},
    FENLARK_PLAYER_FIELDS_AFTER_WEAPON,
    {"jumpTime", 32},
    {"doubleJumped", 1},
    {"crouchTime", 32},
    {"crouchSlideTime", 32},
    {"location", 8},
    {"fov", 8},
    {"forwardmove", 8},
    {"rightmove", 8},
    {"upmove", 8},
};
#undef FENLARK_PLAYER_FIELDS_TO_WEAPON
#undef FENLARK_PLAYER_FIELDS_AFTER_WEAPON
static_assert(std::size(Q3PlayerFields) == 48);
static_assert(std::size(Ql90PlayerFields) == 50);
static_assert(std::size(Ql91PlayerFields) == 58);

// Entity fields of the ".dm3" format (50); protocol 48 widens eFlags to 19
// bits and adds generic1.
#define FENLARK_OLD_ENTITY_FIELDS(eflagsBits)                                                      \
    {"eType", 8}, {"eFlags", eflagsBits}, {"pos.trType", 8}, {"pos.trTime", 32},                   \
        {"pos.trDuration", 32}, {"pos.trBase[0]", 0}, {"pos.trBase[1]", 0}, {"pos.trBase[2]", 0},  \
        {"pos.trDelta[0]", 0}, {"pos.trDelta[1]", 0}, {"pos.trDelta[2]", 0}, {"apos.trType", 8},   \
        {"apos.trTime", 32}, {"apos.trDuration", 32}, {"apos.trBase[0]", 0},                       \
        {"apos.trBase[1]", 0}, {"apos.trBase[2]", 0}, {"apos.trDelta[0]", 0},                      \
        {"apos.trDelta[1]", 0}, {"apos.trDelta[2]", 0}, {"time", 32}, {"time2", 32},               \
        {"origin[0]", 0}, {"origin[1]", 0}, {"origin[2]", 0}, {"origin2[0]", 0},                   \
        {"origin2[1]", 0}, {"origin2[2]", 0}, {"angles[0]", 0}, {"angles[1]", 0},                  \
        {"angles[2]", 0}, {"angles2[0]", 0}, {"angles2[1]", 0}, {"angles2[2]", 0},                 \
        {"otherEntityNum", 10}, {"otherEntityNum2", 10}, {"groundEntityNum", 10},                  \
        {"loopSound", 8}, {"constantLight", 32}, {"modelindex", 8}, {"modelindex2", 8},            \
        {"frame", 16}, {"clientNum", 8}, {"solid", 24}, {"event", 10}, {"eventParm", 8},           \
        {"powerups", 16}, {"weapon", 8}, {"legsAnim", 8}, {                                        \
        "torsoAnim", 8                                                                             \
    }

constexpr FieldInfo Dm3EntityFields[] = {FENLARK_OLD_ENTITY_FIELDS(16)};
constexpr FieldInfo Dm48EntityFields[] = {FENLARK_OLD_ENTITY_FIELDS(19), {"generic1", 8}};
#undef FENLARK_OLD_ENTITY_FIELDS
static_assert(std::size(Dm3EntityFields) == 50);
static_assert(std::size(Dm48EntityFields) == 51);

// Player-state fields of the ".dm3" format (45); protocol 48 makes four of
// them wider or signed and adds three.
#define FENLARK_OLD_PLAYER_FIELDS(signed16, externalEventBits, viewheightBits)                     \
    {"commandTime", 32}, {"pm_type", 8}, {"bobCycle", 8}, {"pm_flags", 16}, {"pm_time", signed16}, \
        {"origin[0]", 0}, {"origin[1]", 0}, {"origin[2]", 0}, {"velocity[0]", 0},                  \
        {"velocity[1]", 0}, {"velocity[2]", 0}, {"weaponTime", signed16}, {"gravity", 16},         \
        {"speed", 16}, {"delta_angles[0]", 16}, {"delta_angles[1]", 16}, {"delta_angles[2]", 16},  \
        {"groundEntityNum", 10}, {"legsTimer", 8}, {"torsoTimer", 12}, {"legsAnim", 8},            \
        {"torsoAnim", 8}, {"movementDir", 4}, {"eFlags", 16}, {"eventSequence", 16},               \
        {"events[0]", 8}, {"events[1]", 8}, {"eventParms[0]", 8}, {"eventParms[1]", 8},            \
        {"externalEvent", externalEventBits}, {"externalEventParm", 8}, {"clientNum", 8},          \
        {"weapon", 5}, {"weaponstate", 4}, {"viewangles[0]", 0}, {"viewangles[1]", 0},             \
        {"viewangles[2]", 0}, {"viewheight", viewheightBits}, {"damageEvent", 8},                  \
        {"damageYaw", 8}, {"damagePitch", 8}, {"damageCount", 8}, {"grapplePoint[0]", 0},          \
        {"grapplePoint[1]", 0}, {                                                                  \
        "grapplePoint[2]", 0                                                                       \
    }

constexpr FieldInfo Dm3PlayerFields[] = {FENLARK_OLD_PLAYER_FIELDS(16, 8, 8)};
constexpr FieldInfo Dm48PlayerFields[] = {FENLARK_OLD_PLAYER_FIELDS(-16, 10, -8),
                                          {"jumppad_ent", 10},
                                          {"loopSound", 16},
                                          {"generic1", 8}};
#undef FENLARK_OLD_PLAYER_FIELDS
static_assert(std::size(Dm3PlayerFields) == 45);
static_assert(std::size(Dm48PlayerFields) == 48);

constexpr std::span<const FieldInfo> First(std::span<const FieldInfo> fields, std::size_t count) {
    return fields.first(count);
}

constexpr ProtocolInfo Protocols[] = {
    {45, false, false, true, true, Dm3EntityFields, Dm3PlayerFields},
    {48, false, true, true, false, Dm48EntityFields, Dm48PlayerFields},
    {66, true, true, false, false, Q3EntityFields, Q3PlayerFields},
    {67, true, true, false, false, Q3EntityFields, Q3PlayerFields},
    {68, true, true, false, false, Q3EntityFields, Q3PlayerFields},
    {71, true, true, false, false, Q3EntityFields, Q3PlayerFields},
    {73, true, true, false, false, First(QlEntityFields, 53), Q3PlayerFields},
    {90, true, true, false, false, First(QlEntityFields, 55), Ql90PlayerFields},
    {91, true, true, false, false, QlEntityFields, Ql91PlayerFields},
};
static_assert(std::size(Protocols) == KnownProtocols.size());
// The decoders pick the bit coding by the format: the old format is raw, the
// newer one Huffman-coded.
static_assert(std::ranges::all_of(Protocols, [](const ProtocolInfo& protocol) {
    return protocol.coded != protocol.oldFormat;
}));

} // namespace

// clang-format off
const std::array<std::array<std::uint8_t, 7>, OldEntityMaskCount> OldEntityMasks = {{
    {0x60, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xE1, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x00, 0x10, 0x00}, {0xE0, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xE0, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00},
    {0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x20, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x01, 0x00, 0x00}, {0xED, 0x07, 0x00, 0x00, 0x00, 0x80, 0x00},
    {0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xED, 0x07, 0x00, 0x00, 0x00, 0x30, 0x00},
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xE0, 0xC0, 0x00, 0x00, 0x00, 0x10, 0x00}, {0x60, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00},
    {0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xE1, 0x00, 0x00, 0x00, 0x04, 0x20, 0x00},
    {0xE1, 0x00, 0xC0, 0x01, 0x20, 0x20, 0x00}, {0xE0, 0xC0, 0x00, 0x00, 0x01, 0x00, 0x00},
    {0x60, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x40, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0xC0, 0x00, 0x00, 0x01, 0x00, 0x00}, {0x60, 0xC0, 0x00, 0x00, 0x00, 0x10, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x01, 0x00, 0x01}, {0x60, 0x80, 0x00, 0x00, 0x00, 0x30, 0x00},
    {0xE0, 0x80, 0x00, 0x00, 0x00, 0x10, 0x00}, {0x20, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x00, 0x00, 0x02},
}};
// clang-format on

const ProtocolInfo& ProtocolByNumber(int number) {
    for (const ProtocolInfo& protocol : Protocols) {
        if (protocol.number == number) {
            return protocol;
        }
    }
    return ProtocolByNumber(68);
}

const ProtocolInfo& ProtocolFromPath(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos) {
        return ProtocolByNumber(68);
    }
    std::string_view extension = path.substr(dot + 1);
    if (extension.find_first_of("/\\") != std::string_view::npos) {
        return ProtocolByNumber(68);
    }
    const auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    if (extension.size() < 3 || lower(extension[0]) != 'd' || lower(extension[1]) != 'm') {
        return ProtocolByNumber(68);
    }
    extension.remove_prefix(2);
    if (extension == "3") {
        return ProtocolByNumber(45);
    }
    if (extension.size() < 2 || extension.size() > 4 || extension[0] != '_') {
        return ProtocolByNumber(68);
    }
    int number = 0;
    for (const char c : extension.substr(1)) {
        if (c < '0' || c > '9') {
            return ProtocolByNumber(68);
        }
        number = number * 10 + (c - '0');
    }
    return ProtocolByNumber(number);
}

} // namespace fenlark::demoreader
