#include "readers/quake/NqMessages.h"

#include "readers/ByteStream.h"

namespace fenlark::readers::quake {

namespace {

enum Svc : std::uint8_t {
    SvcNop = 1,
    SvcDisconnect = 2,
    SvcUpdateStat = 3,
    SvcVersion = 4,
    SvcSetView = 5,
    SvcSound = 6,
    SvcTime = 7,
    SvcPrint = 8,
    SvcStuffText = 9,
    SvcSetAngle = 10,
    SvcServerInfo = 11,
    SvcLightStyle = 12,
    SvcUpdateName = 13,
    SvcUpdateFrags = 14,
    SvcClientData = 15,
    SvcStopSound = 16,
    SvcUpdateColors = 17,
    SvcParticle = 18,
    SvcDamage = 19,
    SvcSpawnStatic = 20,
    SvcSpawnBaseline = 22,
    SvcTempEntity = 23,
    SvcSetPause = 24,
    SvcSignonNum = 25,
    SvcCenterPrint = 26,
    SvcKilledMonster = 27,
    SvcFoundSecret = 28,
    SvcSpawnStaticSound = 29,
    SvcIntermission = 30,
    SvcFinale = 31,
    SvcCdTrack = 32,
    SvcSellScreen = 33,
    SvcCutscene = 34,
    // FitzQuake and later.
    SvcSkybox = 37,
    SvcBf = 40,
    SvcFog = 41,
    SvcSpawnBaseline2 = 42,
    SvcSpawnStatic2 = 43,
    SvcSpawnStaticSound2 = 44,
    // Sent by the 2021 release's servers.
    SvcAchievement = 52,
    SvcLocalSound = 56,
};

// Protocol 999 flags.
constexpr std::uint32_t FlagShortAngle = 1u << 1;
constexpr std::uint32_t FlagFloatAngle = 1u << 2;
constexpr std::uint32_t Flag24BitCoord = 1u << 3;
constexpr std::uint32_t FlagFloatCoord = 1u << 4;
constexpr std::uint32_t FlagInt32Coord = 1u << 7;
constexpr std::uint32_t FlagMoreFlags = 1u << 31;

// Entity update bits (the command byte's low 7 bits, then more).
constexpr std::uint32_t UMoreBits = 1u << 0;
constexpr std::uint32_t UOrigin1 = 1u << 1;
constexpr std::uint32_t UOrigin2 = 1u << 2;
constexpr std::uint32_t UOrigin3 = 1u << 3;
constexpr std::uint32_t UAngle2 = 1u << 4;
constexpr std::uint32_t UFrame = 1u << 6;
constexpr std::uint32_t UAngle1 = 1u << 8;
constexpr std::uint32_t UAngle3 = 1u << 9;
constexpr std::uint32_t UModel = 1u << 10;
constexpr std::uint32_t UColormap = 1u << 11;
constexpr std::uint32_t USkin = 1u << 12;
constexpr std::uint32_t UEffects = 1u << 13;
constexpr std::uint32_t ULongEntity = 1u << 14;
constexpr std::uint32_t UExtend1 = 1u << 15; // 666/999
constexpr std::uint32_t UTrans = 1u << 15;   // protocol 15: Nehahra's transparency
constexpr std::uint32_t UAlpha = 1u << 16;
constexpr std::uint32_t UFrame2 = 1u << 17;
constexpr std::uint32_t UModel2 = 1u << 18;
constexpr std::uint32_t ULerpFinish = 1u << 19;
constexpr std::uint32_t UScale = 1u << 20;
constexpr std::uint32_t UExtend2 = 1u << 23;

// Client data bits.
constexpr std::uint32_t SuViewHeight = 1u << 0;
constexpr std::uint32_t SuIdealPitch = 1u << 1;
constexpr std::uint32_t SuPunch1 = 1u << 2;
constexpr std::uint32_t SuVelocity1 = 1u << 5;
constexpr std::uint32_t SuWeaponFrame = 1u << 12;
constexpr std::uint32_t SuArmor = 1u << 13;
constexpr std::uint32_t SuWeapon = 1u << 14;
constexpr std::uint32_t SuExtend1 = 1u << 15;
constexpr std::uint32_t SuExtend2 = 1u << 23;
// 666 bits with one byte each: weapon, armor, ammo, shells, nails, rockets,
// cells (16-22), weapon frame and weapon alpha (24, 25).
constexpr std::uint32_t SuFitzBytes = 0x7fu << 16 | 3u << 24;

// Sound bits.
constexpr std::uint32_t SoundVolume = 1u << 0;
constexpr std::uint32_t SoundAttenuation = 1u << 1;
constexpr std::uint32_t SoundLargeEntity = 1u << 3;
constexpr std::uint32_t SoundLargeSound = 1u << 4;

// Baseline bits of the 666 messages.
constexpr std::uint32_t BLargeModel = 1u << 0;
constexpr std::uint32_t BLargeFrame = 1u << 1;
constexpr std::uint32_t BAlpha = 1u << 2;
constexpr std::uint32_t BScale = 1u << 3;

class Walk {
public:
    Walk(std::span<const std::uint8_t> block, NqProtocolState& protocol, NqMessageSink& sink)
        : in_(block), protocol_(protocol), sink_(sink) {}

    NqBlockResult run() {
        while (!in_.atEnd()) {
            const std::size_t start = in_.position();
            const std::uint8_t message = in_.u8();
            const NqBlockEnd end = (message & 0x80) != 0 ? entity(message & 0x7fu) : one(message);
            if (end == NqBlockEnd::Complete && in_.overrun()) {
                return {NqBlockEnd::Overrun, start, message, "message runs past its block"};
            }
            if (end != NqBlockEnd::Complete) {
                return {end, start, message, std::move(detail_)};
            }
        }
        return {};
    }

private:
    bool fitz() const {
        return protocol_.version == FitzProtocol || protocol_.version == RmqProtocol;
    }
    std::size_t coordSize() const {
        if ((protocol_.flags & (FlagFloatCoord | FlagInt32Coord)) != 0) {
            return 4;
        }
        return (protocol_.flags & Flag24BitCoord) != 0 ? 3 : 2;
    }
    std::size_t angleSize() const {
        if ((protocol_.flags & FlagFloatAngle) != 0) {
            return 4;
        }
        return (protocol_.flags & FlagShortAngle) != 0 ? 2 : 1;
    }
    void coords(std::size_t count) { in_.skip(count * coordSize()); }
    void angles(std::size_t count) { in_.skip(count * angleSize()); }
    std::string_view string() { return in_.cString(); }

    NqBlockEnd unsized(std::string detail) {
        detail_ = std::move(detail);
        return NqBlockEnd::Unsized;
    }

    bool protocolKnown(std::int32_t version, std::uint32_t flags) {
        if (version != NqProtocol && version != FitzProtocol && version != RmqProtocol) {
            detail_ = "protocol " + std::to_string(version);
            return false;
        }
        if ((flags & FlagMoreFlags) != 0) {
            detail_ = "protocol flags " + std::to_string(flags);
            return false;
        }
        return true;
    }

    NqBlockEnd one(std::uint8_t message) {
        switch (message) {
        case SvcNop:
        case SvcSellScreen:
        case SvcBf:
            return NqBlockEnd::Complete;
        case SvcDisconnect:
            return NqBlockEnd::Disconnect;
        case SvcUpdateStat: {
            const std::uint8_t index = in_.u8();
            const std::int32_t value = in_.i32();
            if (!in_.overrun()) {
                sink_.onStat(index, value);
            }
            return NqBlockEnd::Complete;
        }
        case SvcVersion: {
            const std::int32_t version = in_.i32();
            if (in_.overrun()) {
                return NqBlockEnd::Complete;
            }
            if (!protocolKnown(version, 0)) {
                return NqBlockEnd::Unsized;
            }
            protocol_.version = version;
            return NqBlockEnd::Complete;
        }
        case SvcSetView: {
            const std::int16_t entity = in_.i16();
            if (!in_.overrun()) {
                sink_.onViewEntity(entity);
            }
            return NqBlockEnd::Complete;
        }
        case SvcSound:
            sound();
            return NqBlockEnd::Complete;
        case SvcTime: {
            const float time = in_.f32();
            if (!in_.overrun()) {
                sink_.onTime(time);
            }
            return NqBlockEnd::Complete;
        }
        case SvcPrint: {
            const std::string_view text = string();
            if (!in_.overrun()) {
                sink_.onPrint(text);
            }
            return NqBlockEnd::Complete;
        }
        case SvcStuffText:
        case SvcCenterPrint:
        case SvcFinale:
        case SvcCutscene:
        case SvcSkybox:
        case SvcAchievement:
            string();
            return NqBlockEnd::Complete;
        case SvcSetAngle:
            angles(3);
            return NqBlockEnd::Complete;
        case SvcServerInfo:
            return serverInfo();
        case SvcLightStyle:
            in_.skip(1);
            string();
            return NqBlockEnd::Complete;
        case SvcUpdateName: {
            const std::uint8_t slot = in_.u8();
            const std::string_view name = string();
            if (!in_.overrun()) {
                sink_.onName(slot, name);
            }
            return NqBlockEnd::Complete;
        }
        case SvcUpdateFrags: {
            const std::uint8_t slot = in_.u8();
            const std::int16_t frags = in_.i16();
            if (!in_.overrun()) {
                sink_.onFrags(slot, frags);
            }
            return NqBlockEnd::Complete;
        }
        case SvcClientData:
            clientData();
            return NqBlockEnd::Complete;
        case SvcStopSound:
            in_.skip(2);
            return NqBlockEnd::Complete;
        case SvcUpdateColors: {
            const std::uint8_t slot = in_.u8();
            const std::uint8_t colors = in_.u8();
            if (!in_.overrun()) {
                sink_.onColors(slot, colors);
            }
            return NqBlockEnd::Complete;
        }
        case SvcParticle:
            coords(3);
            in_.skip(3 + 2); // direction, count, colour
            return NqBlockEnd::Complete;
        case SvcDamage:
            in_.skip(2);
            coords(3);
            return NqBlockEnd::Complete;
        case SvcSpawnStatic:
            baseline(false);
            return NqBlockEnd::Complete;
        case SvcSpawnBaseline:
            in_.skip(2);
            baseline(false);
            return NqBlockEnd::Complete;
        case SvcSpawnStatic2:
            baseline(true);
            return NqBlockEnd::Complete;
        case SvcSpawnBaseline2:
            in_.skip(2);
            baseline(true);
            return NqBlockEnd::Complete;
        case SvcTempEntity:
            return tempEntity();
        case SvcSetPause:
            in_.skip(1);
            return NqBlockEnd::Complete;
        case SvcSignonNum: {
            const std::uint8_t stage = in_.u8();
            if (!in_.overrun()) {
                sink_.onSignon(stage);
            }
            return NqBlockEnd::Complete;
        }
        case SvcKilledMonster:
            sink_.onKilledMonster();
            return NqBlockEnd::Complete;
        case SvcFoundSecret:
            sink_.onFoundSecret();
            return NqBlockEnd::Complete;
        case SvcSpawnStaticSound:
            coords(3);
            in_.skip(3);
            return NqBlockEnd::Complete;
        case SvcSpawnStaticSound2:
            coords(3);
            in_.skip(4);
            return NqBlockEnd::Complete;
        case SvcIntermission:
            sink_.onIntermission();
            return NqBlockEnd::Complete;
        case SvcCdTrack:
            in_.skip(2);
            return NqBlockEnd::Complete;
        case SvcFog:
            in_.skip(4 + 2);
            return NqBlockEnd::Complete;
        case SvcLocalSound: {
            const std::uint8_t bits = in_.u8();
            in_.skip((bits & SoundLargeSound) != 0 ? 2 : 1);
            return NqBlockEnd::Complete;
        }
        default:
            return unsized("unknown message " + std::to_string(message));
        }
    }

    NqBlockEnd serverInfo() {
        NqServerInfo info;
        info.protocol = in_.i32();
        if (in_.overrun()) {
            return NqBlockEnd::Complete;
        }
        if (info.protocol == RmqProtocol) {
            info.flags = in_.u32();
        }
        if (!protocolKnown(info.protocol, info.flags)) {
            return NqBlockEnd::Unsized;
        }
        info.maxClients = in_.u8();
        info.gameType = in_.u8();
        info.levelName = string();
        // Model and sound names, each list ended by an empty name.
        for (int list = 0; list < 2 && !in_.overrun(); ++list) {
            for (std::size_t index = 1; !in_.overrun(); ++index) {
                const std::string_view name = string();
                if (name.empty()) {
                    break;
                }
                if (list == 0 && index == 1) {
                    info.mapFile = name;
                }
            }
        }
        if (in_.overrun()) {
            return NqBlockEnd::Complete;
        }
        protocol_.version = info.protocol;
        protocol_.flags = info.flags;
        sink_.onServerInfo(info);
        return NqBlockEnd::Complete;
    }

    void sound() {
        const std::uint32_t bits = in_.u8();
        if ((bits & SoundVolume) != 0) {
            in_.skip(1);
        }
        if ((bits & SoundAttenuation) != 0) {
            in_.skip(1);
        }
        in_.skip((bits & SoundLargeEntity) != 0 ? 3 : 2); // entity and channel
        in_.skip((bits & SoundLargeSound) != 0 ? 2 : 1);
        coords(3);
    }

    void baseline(bool extended) {
        const std::uint32_t bits = extended ? in_.u8() : 0;
        in_.skip((bits & BLargeModel) != 0 ? 2 : 1);
        in_.skip((bits & BLargeFrame) != 0 ? 2 : 1);
        in_.skip(2); // colour map, skin
        for (int axis = 0; axis < 3; ++axis) {
            coords(1);
            angles(1);
        }
        if ((bits & BAlpha) != 0) {
            in_.skip(1);
        }
        if ((bits & BScale) != 0) {
            in_.skip(1);
        }
    }

    NqBlockEnd tempEntity() {
        const std::uint8_t type = in_.u8();
        switch (type) {
        case 5: // lightning bolts and the grappling beam: entity, start, end
        case 6:
        case 9:
        case 13:
            in_.skip(2);
            coords(6);
            return NqBlockEnd::Complete;
        case 12: // coloured explosion: position, first colour, colour count
            coords(3);
            in_.skip(2);
            return NqBlockEnd::Complete;
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 7:
        case 8:
        case 10:
        case 11:
            coords(3);
            return NqBlockEnd::Complete;
        default:
            return unsized("unknown temporary entity " + std::to_string(type));
        }
    }

    void clientData() {
        std::uint32_t bits = in_.u16();
        if ((bits & SuExtend1) != 0) {
            bits |= std::uint32_t{in_.u8()} << 16;
        }
        if ((bits & SuExtend2) != 0) {
            bits |= std::uint32_t{in_.u8()} << 24;
        }
        for (const std::uint32_t field : {SuViewHeight, SuIdealPitch}) {
            if ((bits & field) != 0) {
                in_.skip(1);
            }
        }
        for (int axis = 0; axis < 3; ++axis) {
            if ((bits & (SuPunch1 << axis)) != 0) {
                in_.skip(1);
            }
            if ((bits & (SuVelocity1 << axis)) != 0) {
                in_.skip(1);
            }
        }
        in_.skip(4); // items, always sent
        for (const std::uint32_t field : {SuWeaponFrame, SuArmor, SuWeapon}) {
            if ((bits & field) != 0) {
                in_.skip(1);
            }
        }
        in_.skip(2 + 1 + 4 + 1); // health, ammo, four ammo counts, active weapon
        for (std::uint32_t field = 1u << 16; field != 0 && field <= (1u << 25); field <<= 1) {
            if ((bits & field & SuFitzBytes) != 0) {
                in_.skip(1);
            }
        }
    }

    NqBlockEnd entity(std::uint32_t bits) {
        if ((bits & UMoreBits) != 0) {
            bits |= std::uint32_t{in_.u8()} << 8;
        }
        if (fitz()) {
            if ((bits & UExtend1) != 0) {
                bits |= std::uint32_t{in_.u8()} << 16;
            }
            if ((bits & UExtend2) != 0) {
                bits |= std::uint32_t{in_.u8()} << 24;
            }
        }
        in_.skip((bits & ULongEntity) != 0 ? 2 : 1);
        for (const std::uint32_t field : {UModel, UFrame, UColormap, USkin, UEffects}) {
            if ((bits & field) != 0) {
                in_.skip(1);
            }
        }
        const std::uint32_t origins[3] = {UOrigin1, UOrigin2, UOrigin3};
        const std::uint32_t angleBits[3] = {UAngle1, UAngle2, UAngle3};
        for (int axis = 0; axis < 3; ++axis) {
            if ((bits & origins[axis]) != 0) {
                coords(1);
            }
            if ((bits & angleBits[axis]) != 0) {
                angles(1);
            }
        }
        if (fitz()) {
            for (const std::uint32_t field : {UAlpha, UScale, UFrame2, UModel2, ULerpFinish}) {
                if ((bits & field) != 0) {
                    in_.skip(1);
                }
            }
        } else if ((bits & UTrans) != 0) {
            // Nehahra: a float that says how many floats follow (2 or 3).
            const float kind = in_.f32();
            in_.skip(kind == 2.0f ? 8 : 4);
        }
        return NqBlockEnd::Complete;
    }

    SpanReader in_;
    NqProtocolState& protocol_;
    NqMessageSink& sink_;
    std::string detail_;
};

} // namespace

NqBlockResult WalkNqMessages(std::span<const std::uint8_t> block, NqProtocolState& protocol,
                             NqMessageSink& sink) {
    return Walk(block, protocol, sink).run();
}

} // namespace fenlark::readers::quake
