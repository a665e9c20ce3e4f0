#include "readers/quakeworld/QwMessages.h"

#include "readers/ByteStream.h"

namespace fenlark::readers::quakeworld {

namespace {

// Entity delta bits: the first 16-bit word holds 9 bits of entity number
// and these flags; U_MOREBITS brings a byte of low flags.
constexpr std::uint32_t UOrigin1 = 1u << 9;
constexpr std::uint32_t UOrigin2 = 1u << 10;
constexpr std::uint32_t UOrigin3 = 1u << 11;
constexpr std::uint32_t UAngle2 = 1u << 12;
constexpr std::uint32_t UFrame = 1u << 13;
constexpr std::uint32_t URemove = 1u << 14;
constexpr std::uint32_t UMoreBits = 1u << 15;
constexpr std::uint32_t UAngle1 = 1u << 0;
constexpr std::uint32_t UAngle3 = 1u << 1;
constexpr std::uint32_t UModel = 1u << 2;
constexpr std::uint32_t UColormap = 1u << 3;
constexpr std::uint32_t USkin = 1u << 4;
constexpr std::uint32_t UEffects = 1u << 5;
constexpr std::uint32_t UFteEvenMore = 1u << 7;
// FTE "even more" bits. Only these are known to be written by QuakeWorld
// servers; the entity-number and model-number bits carry no data of their own.
constexpr std::uint32_t UFteTrans = 1u << 1;
constexpr std::uint32_t UFteModelDouble = 1u << 3;
constexpr std::uint32_t UFteEntityDouble = 1u << 5;
constexpr std::uint32_t UFteEntityDouble2 = 1u << 6;
constexpr std::uint32_t UFteYetMore = 1u << 7;
constexpr std::uint32_t UFteColourMod = 1u << 10;
constexpr std::uint32_t UFteSizedBits = UFteTrans | UFteModelDouble | UFteEntityDouble |
                                        UFteEntityDouble2 | UFteYetMore | UFteColourMod;

// Player flags of a game connection (svc_playerinfo in .qwd).
constexpr std::uint32_t PfMsec = 1u << 0;
constexpr std::uint32_t PfCommand = 1u << 1;
constexpr std::uint32_t PfVelocity1 = 1u << 2;
constexpr std::uint32_t PfModel = 1u << 5;
constexpr std::uint32_t PfSkin = 1u << 6;
constexpr std::uint32_t PfEffects = 1u << 7;
constexpr std::uint32_t PfWeaponFrame = 1u << 8;
// Player flags of an MVD (svc_playerinfo in .mvd).
constexpr std::uint32_t DfOrigin = 1u << 0;
constexpr std::uint32_t DfAngles = 1u << 3;
constexpr std::uint32_t DfEffects = 1u << 6;
constexpr std::uint32_t DfSkin = 1u << 7;
constexpr std::uint32_t DfWeaponFrame = 1u << 10;
constexpr std::uint32_t DfModel = 1u << 11;

// User command bits.
constexpr std::uint32_t CmAngle1 = 1u << 0;
constexpr std::uint32_t CmAngle3 = 1u << 1;
constexpr std::uint32_t CmForward = 1u << 2;
constexpr std::uint32_t CmSide = 1u << 3;
constexpr std::uint32_t CmUp = 1u << 4;
constexpr std::uint32_t CmButtons = 1u << 5;
constexpr std::uint32_t CmImpulse = 1u << 6;
constexpr std::uint32_t CmAngle2 = 1u << 7; // protocol 26 and older: the msec byte

constexpr std::uint32_t SoundVolume = 1u << 15;
constexpr std::uint32_t SoundAttenuation = 1u << 14;

constexpr std::size_t DownloadChunk = 1024;
constexpr int MaxServerDataTags = 8;

// One walk over one block.
class Walk {
public:
    Walk(std::span<const std::uint8_t> block, QwProtocolState& protocol, QwMessageSink& sink)
        : in_(block), protocol_(protocol), sink_(sink) {}

    QwBlockResult run() {
        while (!in_.atEnd()) {
            const std::size_t start = in_.position();
            const std::uint8_t message = in_.u8();
            const QwBlockEnd end = one(message);
            if (end == QwBlockEnd::Complete && in_.overrun()) {
                return {QwBlockEnd::Overrun, start, message, "message runs past its block"};
            }
            if (end != QwBlockEnd::Complete) {
                return {end, start, message, std::move(detail_)};
            }
        }
        return {};
    }

private:
    std::size_t coordSize() const { return (protocol_.fte & FteFloatCoords) != 0 ? 4 : 2; }
    std::size_t angleSize() const { return (protocol_.fte & FteFloatCoords) != 0 ? 2 : 1; }
    std::size_t entityCoordSize() const {
        return (protocol_.mvd & MvdFloatCoords) != 0 ? 4 : coordSize();
    }
    void coords(std::size_t count) { in_.skip(count * coordSize()); }
    void angles(std::size_t count) { in_.skip(count * angleSize()); }
    std::string_view string() { return in_.cString(); }

    QwBlockEnd unsized(std::string detail) {
        detail_ = std::move(detail);
        return QwBlockEnd::Unsized;
    }

    QwBlockEnd one(std::uint8_t message) {
        switch (message) {
        case SvcNop:
        case SvcKilledMonster:
        case SvcFoundSecret:
        case SvcSellScreen:
        case SvcSmallKick:
        case SvcBigKick:
            return QwBlockEnd::Complete;
        case SvcDisconnect:
            if (!in_.atEnd()) {
                string(); // MVDSV ends its demos with "EndOfDemo"
            }
            return QwBlockEnd::Disconnect;
        case SvcUpdateStat:
            in_.skip(2);
            return QwBlockEnd::Complete;
        case SvcNqTime:
        case SvcMaxSpeed:
        case SvcEntGravity:
            in_.skip(4);
            return QwBlockEnd::Complete;
        case SvcSound:
            sound();
            return QwBlockEnd::Complete;
        case SvcPrint: {
            const std::uint8_t level = in_.u8();
            const std::string_view text = string();
            if (!in_.overrun()) {
                sink_.onPrint(level, text);
            }
            return QwBlockEnd::Complete;
        }
        case SvcStuffText: {
            const std::string_view text = string();
            if (!in_.overrun()) {
                sink_.onStuffText(text);
            }
            return QwBlockEnd::Complete;
        }
        case SvcSetAngle:
            if (protocol_.kind == QwDemoKind::Mvd || (protocol_.mvd & MvdHighLagTeleport) != 0) {
                in_.skip(1);
            }
            angles(3);
            return QwBlockEnd::Complete;
        case SvcServerData:
            return serverData();
        case SvcLightStyle:
            in_.skip(1);
            string();
            return QwBlockEnd::Complete;
        case SvcUpdateFrags: {
            const std::uint8_t slot = in_.u8();
            const std::int16_t frags = in_.i16();
            if (!in_.overrun()) {
                sink_.onFrags(slot, frags);
            }
            return QwBlockEnd::Complete;
        }
        case SvcStopSound:
        case SvcMuzzleFlash:
            in_.skip(2);
            return QwBlockEnd::Complete;
        case SvcDamage:
            in_.skip(2);
            coords(3);
            return QwBlockEnd::Complete;
        case SvcSpawnStatic:
            baseline();
            return QwBlockEnd::Complete;
        case SvcFteSpawnStatic2:
        case SvcFteSpawnBaseline2:
            if ((protocol_.fte & FteSpawnStatic2) == 0) {
                return unsized("entity message without the FTE static entity extension");
            }
            return delta(in_.u16());
        case SvcSpawnBaseline:
            in_.skip(2);
            baseline();
            return QwBlockEnd::Complete;
        case SvcTempEntity:
            return tempEntity();
        case SvcSetPause:
        case SvcCdTrack:
        case SvcChokeCount:
            in_.skip(1);
            return QwBlockEnd::Complete;
        case SvcCenterPrint:
        case SvcFinale:
            string();
            return QwBlockEnd::Complete;
        case SvcSpawnStaticSound:
            coords(3);
            in_.skip(3);
            return QwBlockEnd::Complete;
        case SvcIntermission:
            coords(3);
            angles(3);
            if (!in_.overrun()) {
                sink_.onIntermission();
            }
            return QwBlockEnd::Complete;
        case SvcUpdatePing: {
            const std::uint8_t slot = in_.u8();
            const std::int16_t ping = in_.i16();
            if (!in_.overrun()) {
                sink_.onPing(slot, ping);
            }
            return QwBlockEnd::Complete;
        }
        case SvcUpdateEnterTime:
        case SvcUpdateStatLong:
            in_.skip(5);
            return QwBlockEnd::Complete;
        case SvcUpdateUserInfo: {
            const std::uint8_t slot = in_.u8();
            const std::int32_t userId = in_.i32();
            const std::string_view info = string();
            if (!in_.overrun()) {
                sink_.onUserInfo(slot, userId, info);
            }
            return QwBlockEnd::Complete;
        }
        case SvcDownload:
            download();
            return QwBlockEnd::Complete;
        case SvcPlayerInfo:
            if (protocol_.kind == QwDemoKind::Mvd) {
                mvdPlayer();
            } else {
                gamePlayer();
            }
            if (!in_.overrun()) {
                sink_.onFrame();
            }
            return QwBlockEnd::Complete;
        case SvcNails:
            in_.skip(std::size_t{in_.u8()} * 6);
            return QwBlockEnd::Complete;
        case SvcNails2:
            if (protocol_.kind != QwDemoKind::Mvd) {
                return unsized("svc_nails2 outside an MVD");
            }
            in_.skip(std::size_t{in_.u8()} * 7);
            return QwBlockEnd::Complete;
        case SvcModelList:
            precacheList(false, true);
            return QwBlockEnd::Complete;
        case SvcSoundList:
            precacheList(false, false);
            return QwBlockEnd::Complete;
        case SvcFteModelListShort:
            if ((protocol_.fte & FteModelDouble) == 0) {
                return unsized("long model list without the FTE model extension");
            }
            precacheList(true, true);
            return QwBlockEnd::Complete;
        case SvcPacketEntities:
        case SvcDeltaPacketEntities:
            return packetEntities(message == SvcDeltaPacketEntities);
        case SvcSetInfo: {
            const std::uint8_t slot = in_.u8();
            const std::string_view key = string();
            const std::string_view value = string();
            if (!in_.overrun()) {
                sink_.onSetInfo(slot, key, value);
            }
            return QwBlockEnd::Complete;
        }
        case SvcServerInfo: {
            const std::string_view key = string();
            const std::string_view value = string();
            if (!in_.overrun()) {
                sink_.onServerInfo(key, value);
            }
            return QwBlockEnd::Complete;
        }
        case SvcUpdatePl:
            in_.skip(2);
            return QwBlockEnd::Complete;
        case SvcQizmoVoice:
            in_.skip(2 + 32);
            return QwBlockEnd::Complete;
        case SvcFteVoiceChat:
            in_.skip(3);
            in_.skip(in_.u16());
            return QwBlockEnd::Complete;
        default:
            return unsized("unknown message " + std::to_string(message));
        }
    }

    QwBlockEnd serverData() {
        if (protocol_.serverDataSeen) {
            return QwBlockEnd::NewServerData;
        }
        QwServerData data;
        std::int32_t version = 0;
        for (int tag = 0; tag <= MaxServerDataTags; ++tag) {
            version = in_.i32();
            const auto word = static_cast<std::uint32_t>(version);
            if (word == TagFte) {
                data.fte = in_.u32();
            } else if (word == TagFte2) {
                data.fte2 = in_.u32();
            } else if (word == TagMvd1) {
                data.mvd = in_.u32();
            } else {
                break;
            }
        }
        if (in_.overrun()) {
            return QwBlockEnd::Complete; // reported as an overrun by the caller
        }
        if (version < QwOldestProtocol || version > QwProtocolVersion) {
            return unsized("protocol " + std::to_string(version));
        }
        data.protocol = version;
        data.serverCount = in_.i32();
        data.gameDir = string();
        if (protocol_.kind == QwDemoKind::Mvd) {
            data.demoTime = in_.f32();
        } else {
            const std::uint8_t player = in_.u8();
            data.playerNumber = static_cast<std::uint8_t>(player & 0x7f);
            data.spectator = (player & 0x80) != 0;
        }
        data.levelName = string();
        if (version >= 25) {
            in_.skip(10 * 4); // movement variables
        }
        if (in_.overrun()) {
            return QwBlockEnd::Complete;
        }
        protocol_.version = version;
        protocol_.fte = data.fte;
        protocol_.fte2 = data.fte2;
        protocol_.mvd = data.mvd;
        protocol_.serverDataSeen = true;
        sink_.onServerData(data);
        return QwBlockEnd::Complete;
    }

    void sound() {
        const std::uint32_t channel = in_.u16();
        if ((channel & SoundVolume) != 0) {
            in_.skip(1);
        }
        if ((channel & SoundAttenuation) != 0) {
            in_.skip(1);
        }
        in_.skip(1);
        coords(3);
    }

    // Model, frame, colour map, skin, then origin and angle for each axis.
    void baseline() {
        in_.skip(4);
        for (int axis = 0; axis < 3; ++axis) {
            coords(1);
            angles(1);
        }
    }

    QwBlockEnd tempEntity() {
        const std::uint8_t type = in_.u8();
        switch (type) {
        case 2:  // gunshot: count, position
        case 12: // blood: count, position
            in_.skip(1);
            coords(3);
            return QwBlockEnd::Complete;
        case 5: // lightning bolts: entity, start, end
        case 6:
        case 9:
            in_.skip(2);
            coords(6);
            return QwBlockEnd::Complete;
        case 0:
        case 1:
        case 3:
        case 4:
        case 7:
        case 8:
        case 10:
        case 11:
        case 13:
            coords(3);
            return QwBlockEnd::Complete;
        default:
            return unsized("unknown temporary entity " + std::to_string(type));
        }
    }

    void download() {
        if ((protocol_.fte & FteChunkedDownloads) != 0) {
            const std::int32_t chunk = in_.i32();
            if (chunk < 0) {
                in_.skip(4);
                string();
            } else {
                in_.skip(DownloadChunk);
            }
            return;
        }
        const std::int16_t size = in_.i16();
        in_.skip(1);
        if (size > 0) {
            in_.skip(static_cast<std::size_t>(size));
        }
    }

    // A precache list: first index, names up to an empty one, next index.
    void precacheList(bool shortStart, bool models) {
        std::size_t index = 0;
        if (protocol_.version >= 26) {
            index = shortStart ? in_.u16() : in_.u8();
        }
        while (!in_.overrun()) {
            const std::string_view name = string();
            if (name.empty()) {
                break;
            }
            ++index;
            if (models && !in_.overrun()) {
                sink_.onModel(index, name);
            }
        }
        if (protocol_.version >= 26) {
            in_.skip(1);
        }
    }

    // One entity delta whose first word is `word`.
    QwBlockEnd delta(std::uint32_t word) {
        std::uint32_t bits = word & ~511u;
        if ((bits & UMoreBits) != 0) {
            bits |= in_.u8();
        }
        std::uint32_t more = 0;
        if ((bits & UFteEvenMore) != 0 && protocol_.fte != 0) {
            more = in_.u8();
            if ((more & UFteYetMore) != 0) {
                more |= std::uint32_t{in_.u8()} << 8;
            }
            if ((more & ~UFteSizedBits) != 0) {
                return unsized("FTE entity fields " + std::to_string(more & ~UFteSizedBits));
            }
        }
        if ((bits & UModel) != 0) {
            in_.skip(1);
        } else if ((more & UFteModelDouble) != 0) {
            in_.skip(2);
        }
        for (const std::uint32_t field : {UFrame, UColormap, USkin, UEffects}) {
            if ((bits & field) != 0) {
                in_.skip(1);
            }
        }
        const std::uint32_t origins[3] = {UOrigin1, UOrigin2, UOrigin3};
        const std::uint32_t angleBits[3] = {UAngle1, UAngle2, UAngle3};
        for (int axis = 0; axis < 3; ++axis) {
            if ((bits & origins[axis]) != 0) {
                in_.skip(entityCoordSize());
            }
            if ((bits & angleBits[axis]) != 0) {
                angles(1);
            }
        }
        if ((more & UFteTrans) != 0) {
            in_.skip(1);
        }
        if ((more & UFteColourMod) != 0) {
            in_.skip(3);
        }
        return QwBlockEnd::Complete;
    }

    QwBlockEnd packetEntities(bool isDelta) {
        if (isDelta) {
            in_.skip(1); // the frame this one is a delta from
        }
        while (!in_.overrun()) {
            const std::uint32_t word = in_.u16();
            if (word == 0) {
                break;
            }
            if ((word & URemove) != 0) {
                if ((word & UMoreBits) != 0 && (protocol_.fte & FteEntityDouble) != 0) {
                    if ((in_.u8() & UFteEvenMore) != 0) {
                        in_.skip(1);
                    }
                }
                continue;
            }
            const QwBlockEnd end = delta(word);
            if (end != QwBlockEnd::Complete) {
                return end;
            }
        }
        if (!in_.overrun()) {
            sink_.onFrame();
        }
        return QwBlockEnd::Complete;
    }

    // A player as an MVD stores it: only the fields that changed.
    void mvdPlayer() {
        in_.skip(1);
        const std::uint32_t flags = in_.u16();
        in_.skip(1); // frame
        for (int axis = 0; axis < 3; ++axis) {
            if ((flags & (DfOrigin << axis)) != 0) {
                coords(1);
            }
        }
        for (int axis = 0; axis < 3; ++axis) {
            if ((flags & (DfAngles << axis)) != 0) {
                in_.skip(2);
            }
        }
        for (const std::uint32_t field : {DfModel, DfSkin, DfEffects, DfWeaponFrame}) {
            if ((flags & field) != 0) {
                in_.skip(1);
            }
        }
    }

    // A player as a game connection sends it (.qwd).
    void gamePlayer() {
        in_.skip(1);
        const std::uint32_t flags = in_.u16();
        in_.skip(3 * entityCoordSize());
        in_.skip(1); // frame
        if ((flags & PfMsec) != 0) {
            in_.skip(1);
        }
        if ((flags & PfCommand) != 0) {
            userCommand();
        }
        for (int axis = 0; axis < 3; ++axis) {
            if ((flags & (PfVelocity1 << axis)) != 0) {
                in_.skip(2);
            }
        }
        for (const std::uint32_t field : {PfModel, PfSkin, PfEffects, PfWeaponFrame}) {
            if ((flags & field) != 0) {
                in_.skip(1);
            }
        }
    }

    // A delta-compressed user command (from an empty one).
    void userCommand() {
        const std::uint32_t bits = in_.u8();
        const bool old = protocol_.version <= 26;
        if ((bits & CmAngle1) != 0) {
            in_.skip(2);
        }
        if (old || (bits & CmAngle2) != 0) {
            in_.skip(2);
        }
        if ((bits & CmAngle3) != 0) {
            in_.skip(2);
        }
        const std::size_t move = old ? 1 : 2;
        for (const std::uint32_t field : {CmForward, CmSide, CmUp}) {
            if ((bits & field) != 0) {
                in_.skip(move);
            }
        }
        for (const std::uint32_t field : {CmButtons, CmImpulse}) {
            if ((bits & field) != 0) {
                in_.skip(1);
            }
        }
        if (!old || (bits & CmAngle2) != 0) {
            in_.skip(1); // msec
        }
    }

    SpanReader in_;
    QwProtocolState& protocol_;
    QwMessageSink& sink_;
    std::string detail_;
};

constexpr std::uint16_t HiddenDemoInfo = 0x0003;
constexpr std::uint16_t HiddenExtended = 0xffff;

} // namespace

QwBlockResult WalkQwMessages(std::span<const std::uint8_t> block, QwProtocolState& protocol,
                             QwMessageSink& sink) {
    return Walk(block, protocol, sink).run();
}

QwBlockResult WalkMvdHiddenData(std::span<const std::uint8_t> block, QwMessageSink& sink) {
    SpanReader in(block);
    while (!in.atEnd()) {
        const std::size_t start = in.position();
        const std::int32_t length = in.i32();
        std::uint16_t type = in.u16();
        // A type of 0xffff announces a type from a later range; such blocks
        // are skipped whole.
        bool extended = false;
        while (type == HiddenExtended && !in.overrun()) {
            type = in.u16();
            extended = true;
        }
        if (in.overrun() || length < 0 || static_cast<std::size_t>(length) > in.remaining()) {
            return {QwBlockEnd::Overrun, start, 0, "hidden block runs past its record"};
        }
        const auto data = in.take(static_cast<std::size_t>(length));
        if (!extended && type == HiddenDemoInfo && data.size() >= 2) {
            const auto blockNumber = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
            sink.onDemoInfo(blockNumber, data.subspan(2));
        }
    }
    return {};
}

} // namespace fenlark::readers::quakeworld
