#include "readers/goldsrc/GoldSrcMessages.h"

#include "readers/goldsrc/GoldSrcText.h"

#include <cstring>

namespace fenlark::readers::goldsrc {

namespace {

// Server message numbers of network protocol 48.
enum Svc : std::uint32_t {
    SvcNop = 1,
    SvcDisconnect = 2,
    SvcEvent = 3,
    SvcVersion = 4,
    SvcSetView = 5,
    SvcSound = 6,
    SvcTime = 7,
    SvcPrint = 8,
    SvcStuffText = 9,
    SvcSetAngle = 10,
    SvcServerInfo = 11,
    SvcLightStyle = 12,
    SvcUpdateUserInfo = 13,
    SvcDeltaDescription = 14,
    SvcClientData = 15,
    SvcStopSound = 16,
    SvcPings = 17,
    SvcParticle = 18,
    SvcDamage = 19,
    SvcSpawnStatic = 20,
    SvcEventReliable = 21,
    SvcSpawnBaseline = 22,
    SvcTempEntity = 23,
    SvcSetPause = 24,
    SvcSignOnNum = 25,
    SvcCenterPrint = 26,
    SvcKilledMonster = 27,
    SvcFoundSecret = 28,
    SvcSpawnStaticSound = 29,
    SvcIntermission = 30,
    SvcFinale = 31,
    SvcCdTrack = 32,
    SvcRestore = 33,
    SvcCutscene = 34,
    SvcWeaponAnim = 35,
    SvcDecalName = 36,
    SvcRoomType = 37,
    SvcAddAngle = 38,
    SvcNewUserMessage = 39,
    SvcPacketEntities = 40,
    SvcDeltaPacketEntities = 41,
    SvcChoke = 42,
    SvcResourceList = 43,
    SvcNewMoveVars = 44,
    SvcResourceRequest = 45,
    SvcCustomization = 46,
    SvcCrosshairAngle = 47,
    SvcSoundFade = 48,
    SvcFileTransferFailed = 49,
    SvcHltv = 50,
    SvcDirector = 51,
    SvcVoiceInit = 52,
    SvcVoiceData = 53,
    SvcSendExtraInfo = 54,
    SvcTimeScale = 55,
    SvcResourceLocation = 56,
    SvcSendCvarValue = 57,
    SvcSendCvarValue2 = 58,
    FirstUserMessage = 64,
};

// Body sizes of the temporary entity kinds with a fixed size.
int TempEntitySize(std::uint32_t kind) {
    switch (kind) {
    case 0:
        return 24;
    case 1:
        return 20;
    case 2:
        return 6;
    case 3:
        return 11;
    case 4:
        return 6;
    case 5:
        return 10;
    case 6:
        return 12;
    case 7:
        return 17;
    case 8:
        return 16;
    case 9:
        return 6;
    case 10:
        return 6;
    case 11:
        return 6;
    case 12:
        return 8;
    case 14:
        return 9;
    case 15:
        return 19;
    case 17:
        return 10;
    case 18:
        return 16;
    case 19:
        return 24;
    case 20:
        return 24;
    case 21:
        return 24;
    case 22:
        return 10;
    case 23:
        return 11;
    case 24:
        return 16;
    case 25:
        return 19;
    case 27:
        return 12;
    case 28:
        return 16;
    case 30:
        return 17;
    case 31:
        return 17;
    case 99:
        return 2;
    case 100:
        return 10;
    case 101:
        return 14;
    case 102:
        return 12;
    case 103:
        return 14;
    case 104:
        return 9;
    case 105:
        return 5;
    case 106:
        return 17;
    case 107:
        return 13;
    case 108:
        return 24;
    case 109:
        return 9;
    case 110:
        return 17;
    case 111:
        return 7;
    case 112:
        return 10;
    case 113:
        return 19;
    case 114:
        return 19;
    case 115:
        return 12;
    case 116:
        return 7;
    case 117:
        return 7;
    case 118:
        return 9;
    case 119:
        return 16;
    case 120:
        return 18;
    case 121:
        return 5;
    case 122:
        return 10;
    case 123:
        return 9;
    case 124:
        return 7;
    case 125:
        return 1;
    case 126:
        return 18;
    case 127:
        return 15;
    default:
        return -1;
    }
}

constexpr std::uint32_t TempEntityBspDecal = 13;
constexpr std::uint32_t TempEntityTextMessage = 29;

// Byte-wise reading of one frame's messages.
class Cursor {
public:
    explicit Cursor(std::span<const std::uint8_t> data) : data_(data) {}
    bool atEnd() const { return position_ >= data_.size(); }
    bool bad() const { return bad_; }

    std::uint32_t u8() {
        if (!need(1)) {
            return 0;
        }
        return data_[position_++];
    }
    std::int32_t i16() {
        if (!need(2)) {
            return 0;
        }
        const auto value = static_cast<std::int16_t>(data_[position_] | data_[position_ + 1] << 8);
        position_ += 2;
        return value;
    }
    std::int32_t i32() {
        if (!need(4)) {
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | data_[position_ + static_cast<std::size_t>(i)];
        }
        position_ += 4;
        return static_cast<std::int32_t>(value);
    }
    void skip(std::size_t count) {
        if (need(count)) {
            position_ += count;
        }
    }
    std::string_view string() {
        const auto* begin = data_.data() + position_;
        const void* zero = std::memchr(begin, 0, data_.size() - position_);
        if (!zero) {
            bad_ = true;
            position_ = data_.size();
            return {};
        }
        const auto length =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - begin);
        position_ += length + 1;
        return {reinterpret_cast<const char*>(begin), length};
    }
    std::span<const std::uint8_t> take(std::size_t count) {
        if (!need(count)) {
            return {};
        }
        const auto part = data_.subspan(position_, count);
        position_ += count;
        return part;
    }
    // Runs `read` over the bits from here; moves to the byte after the last
    // bit it read. `read` returns false when the bits cannot be sized.
    template <class Read> bool bits(Read read) {
        BitReader reader(data_.subspan(position_));
        const bool ok = read(reader) && !reader.overrun();
        if (!ok) {
            bad_ = true;
            return false;
        }
        position_ += (reader.position() + 7) / 8;
        return true;
    }

private:
    bool need(std::size_t count) {
        if (count > data_.size() - position_) {
            bad_ = true;
            position_ = data_.size();
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool bad_ = false;
};

// A coordinate of a sound: integer and fraction flags, sign, 12 + 3 bits.
void SkipCoord(BitReader& bits) {
    const bool hasInteger = bits.bit();
    const bool hasFraction = bits.bit();
    if (hasInteger || hasFraction) {
        bits.skip(1);
        if (hasInteger) {
            bits.skip(12);
        }
        if (hasFraction) {
            bits.skip(3);
        }
    }
}

class FrameWalk {
public:
    FrameWalk(Cursor& in, GoldSrcNetState& state, GoldSrcMessageSink& sink)
        : in_(in), state_(state), sink_(sink) {}

    bool read(std::uint32_t type) {
        if (type >= FirstUserMessage) {
            return userMessage(type);
        }
        switch (type) {
        case SvcNop:
        case SvcDamage:
        case SvcKilledMonster:
        case SvcFoundSecret:
        case SvcIntermission:
        case SvcChoke:
            return true;
        case SvcDisconnect:
        case SvcPrint:
        case SvcStuffText:
        case SvcCenterPrint:
        case SvcFinale:
        case SvcCutscene:
        case SvcFileTransferFailed:
        case SvcResourceLocation:
        case SvcSendCvarValue:
            in_.string();
            return true;
        case SvcEvent:
            return in_.bits([&](BitReader& bits) { return events(bits); });
        case SvcVersion:
        case SvcTime:
        case SvcSoundFade:
        case SvcTimeScale:
            in_.skip(4);
            return true;
        case SvcSetView:
        case SvcStopSound:
        case SvcWeaponAnim:
        case SvcRoomType:
        case SvcAddAngle:
        case SvcCdTrack:
        case SvcCrosshairAngle:
            in_.skip(2);
            return true;
        case SvcSound:
            return in_.bits([](BitReader& bits) { return sound(bits); });
        case SvcSetAngle:
            in_.skip(6);
            return true;
        case SvcServerInfo:
            return serverInfo();
        case SvcLightStyle:
            in_.skip(1);
            in_.string();
            return true;
        case SvcUpdateUserInfo: {
            const std::uint32_t slot = in_.u8();
            const std::int32_t userId = in_.i32();
            const std::string_view info = in_.string();
            in_.skip(16); // hash of the player's key
            if (!in_.bad()) {
                sink_.userInfo(slot, userId, info);
            }
            return true;
        }
        case SvcDeltaDescription: {
            std::string name(in_.string());
            const auto count = static_cast<std::uint32_t>(in_.i16()) & 0xffff;
            return !in_.bad() && in_.bits([&](BitReader& bits) {
                return state_.deltas.readDescription(bits, std::move(name), count);
            });
        }
        case SvcClientData:
            return in_.bits([&](BitReader& bits) { return clientData(bits); });
        case SvcPings:
            return in_.bits([](BitReader& bits) {
                while (bits.bit()) {
                    bits.skip(24);
                }
                return true;
            });
        case SvcParticle:
            in_.skip(11);
            return true;
        case SvcSpawnStatic: {
            in_.skip(2 + 1 + 1 + 2 + 1 + 9);
            if (in_.u8() != 0) {
                in_.skip(5); // render amount, colour, effects
            }
            return true;
        }
        case SvcEventReliable:
            return in_.bits([&](BitReader& bits) {
                bits.skip(10);
                const auto* event = state_.deltas.find("event_t");
                if (!event || !DeltaDescriptions::skipDelta(bits, *event)) {
                    return false;
                }
                if (bits.bit()) {
                    bits.skip(16);
                }
                return true;
            });
        case SvcSpawnBaseline:
            return in_.bits([&](BitReader& bits) { return spawnBaseline(bits); });
        case SvcTempEntity:
            return tempEntity();
        case SvcSetPause:
        case SvcSignOnNum:
        case SvcHltv:
            in_.skip(1);
            return true;
        case SvcSpawnStaticSound:
            in_.skip(14);
            return true;
        case SvcRestore: {
            in_.string();
            const std::uint32_t maps = in_.u8();
            for (std::uint32_t i = 0; i < maps && !in_.bad(); ++i) {
                in_.string();
            }
            return true;
        }
        case SvcDecalName:
            in_.skip(1);
            in_.string();
            return true;
        case SvcNewUserMessage: {
            const std::uint32_t index = in_.u8();
            const auto size = static_cast<std::int8_t>(in_.u8());
            const auto name = in_.take(16);
            if (in_.bad()) {
                return false;
            }
            auto& message = state_.userMessages[index];
            message.known = true;
            message.size = size;
            const auto* text = reinterpret_cast<const char*>(name.data());
            message.name.assign(text, strnlen(text, name.size()));
            return true;
        }
        case SvcPacketEntities:
        case SvcDeltaPacketEntities:
            return in_.bits(
                [&](BitReader& bits) { return packetEntities(bits, type == SvcPacketEntities); });
        case SvcResourceList:
            return in_.bits([](BitReader& bits) { return resourceList(bits); });
        case SvcNewMoveVars:
            in_.skip(16 * 4 + 1 + 2 * 4 + 6 * 4);
            in_.string(); // sky name
            return true;
        case SvcResourceRequest:
            in_.skip(8);
            return true;
        case SvcCustomization: {
            in_.skip(2);
            in_.string();
            in_.skip(2 + 4);
            if ((in_.u8() & 4) != 0) {
                in_.skip(16);
            }
            return true;
        }
        case SvcDirector:
            in_.skip(in_.u8());
            return true;
        case SvcVoiceInit:
            in_.string();
            in_.skip(1);
            return true;
        case SvcVoiceData: {
            in_.skip(1);
            const auto length = static_cast<std::uint32_t>(in_.i16()) & 0xffff;
            in_.skip(length);
            return true;
        }
        case SvcSendExtraInfo:
            in_.string();
            in_.skip(1);
            return true;
        case SvcSendCvarValue2:
            in_.skip(4);
            in_.string();
            return true;
        default:
            return false;
        }
    }

private:
    bool serverInfo() {
        GoldSrcServerInfo info;
        info.protocol = in_.i32();
        info.spawnCount = in_.i32();
        in_.skip(4 + 16); // map checksum, client library hash
        info.maxPlayers = in_.u8();
        info.playerSlot = in_.u8();
        info.deathmatch = in_.u8() != 0;
        info.gameDirectory = DisplayText(in_.string());
        info.hostName = DisplayText(in_.string());
        info.mapFile = DisplayText(in_.string());
        in_.string(); // map cycle
        in_.skip(1);
        if (in_.bad()) {
            return false;
        }
        state_.maxClients = info.maxPlayers;
        sink_.serverInfo(info);
        return true;
    }

    bool userMessage(std::uint32_t type) {
        const auto& message = state_.userMessages[type];
        if (!message.known) {
            return false;
        }
        const std::size_t size =
            message.size >= 0 ? static_cast<std::size_t>(message.size) : in_.u8();
        const auto data = in_.take(size);
        if (in_.bad()) {
            return false;
        }
        sink_.userMessage(message.name, data);
        return true;
    }

    bool events(BitReader& bits) {
        const auto* event = state_.deltas.find("event_t");
        const std::uint32_t count = bits.bits(5);
        for (std::uint32_t i = 0; i < count; ++i) {
            bits.skip(10); // event index
            if (bits.bit()) {
                bits.skip(11); // entity of the packet
                if (bits.bit() && (!event || !DeltaDescriptions::skipDelta(bits, *event))) {
                    return false;
                }
            }
            if (bits.bit()) {
                bits.skip(16); // fire time
            }
        }
        return true;
    }

    static bool sound(BitReader& bits) {
        const std::uint32_t flags = bits.bits(9);
        if (flags & 1) {
            bits.skip(8); // volume
        }
        if (flags & 2) {
            bits.skip(8); // attenuation
        }
        bits.skip(3 + 11);             // channel, entity
        bits.skip(flags & 4 ? 16 : 8); // sound index
        const bool hasX = bits.bit();
        const bool hasY = bits.bit();
        const bool hasZ = bits.bit();
        for (const bool has : {hasX, hasY, hasZ}) {
            if (has) {
                SkipCoord(bits);
            }
        }
        if (flags & 8) {
            bits.skip(8); // pitch
        }
        return true;
    }

    bool clientData(BitReader& bits) {
        const auto* client = state_.deltas.find("clientdata_t");
        const auto* weapon = state_.deltas.find("weapon_data_t");
        if (!client || !weapon) {
            return false;
        }
        if (bits.bit()) {
            bits.skip(8); // delta sequence
        }
        if (!DeltaDescriptions::skipDelta(bits, *client)) {
            return false;
        }
        while (bits.bit()) {
            bits.skip(6); // weapon index
            if (!DeltaDescriptions::skipDelta(bits, *weapon) || bits.overrun()) {
                return false;
            }
        }
        return true;
    }

    // Entity numbers 1 to the server's player count carry player states.
    const std::vector<DeltaField>* entityDescription(std::uint32_t number, bool custom) const {
        if (number > 0 && number <= state_.maxClients) {
            return state_.deltas.find("entity_state_player_t");
        }
        return state_.deltas.find(custom ? "custom_entity_state_t" : "entity_state_t");
    }

    bool spawnBaseline(BitReader& bits) {
        while (true) {
            const std::uint32_t number = bits.bits(11);
            if (number == (1u << 11) - 1 || bits.overrun()) {
                break;
            }
            const std::uint32_t kind = bits.bits(2);
            const auto* fields = (kind & 1) != 0 ? entityDescription(number, false)
                                                 : state_.deltas.find("custom_entity_state_t");
            if (!fields || !DeltaDescriptions::skipDelta(bits, *fields)) {
                return false;
            }
        }
        if (bits.bits(5) != (1u << 5) - 1) {
            return false;
        }
        const std::uint32_t extra = bits.bits(6);
        const auto* fields = state_.deltas.find("entity_state_t");
        for (std::uint32_t i = 0; i < extra; ++i) {
            if (!fields || !DeltaDescriptions::skipDelta(bits, *fields)) {
                return false;
            }
        }
        return true;
    }

    bool packetEntities(BitReader& bits, bool full) {
        bits.skip(16); // entity count
        if (!full) {
            bits.skip(8); // delta sequence
        }
        std::uint32_t number = 0;
        while (!bits.overrun()) {
            // 16 zero bits end the list.
            const std::size_t mark = bits.position();
            if (bits.bits(16) == 0) {
                return true;
            }
            bits.seek(mark);
            bool remove = false;
            if (full) {
                if (bits.bit()) {
                    ++number;
                } else if (bits.bit()) {
                    number = bits.bits(11);
                } else {
                    number += bits.bits(6);
                }
            } else {
                remove = bits.bit();
                if (bits.bit()) {
                    number = bits.bits(11);
                } else {
                    number += bits.bits(6);
                }
                if (remove) {
                    continue;
                }
            }
            const bool custom = bits.bit();
            if (full && bits.bit()) {
                bits.skip(6); // baseline index
            }
            const auto* fields = entityDescription(number, custom);
            if (!fields || !DeltaDescriptions::skipDelta(bits, *fields)) {
                return false;
            }
        }
        return false;
    }

    static bool resourceList(BitReader& bits) {
        const std::uint32_t count = bits.bits(12);
        for (std::uint32_t i = 0; i < count && !bits.overrun(); ++i) {
            bits.skip(4);
            bits.skipString();
            bits.skip(12 + 24);
            if ((bits.bits(3) & 4) != 0) {
                bits.skip(128); // MD5
            }
            if (bits.bit()) {
                bits.skip(256); // reserved bytes
            }
        }
        if (bits.bit()) {
            while (bits.bit() && !bits.overrun()) {
                bits.skip(bits.bit() ? 5 : 10);
            }
        }
        return true;
    }

    bool tempEntity() {
        const std::uint32_t kind = in_.u8();
        if (kind == TempEntityTextMessage) {
            in_.skip(1 + 2 + 2);
            const std::uint32_t effect = in_.u8();
            in_.skip(8 + 6);
            if (effect != 0) {
                in_.skip(2);
            }
            in_.string();
            return true;
        }
        if (kind == TempEntityBspDecal) {
            in_.skip(8);
            if (in_.i16() != 0) {
                in_.skip(2);
            }
            return true;
        }
        const int size = TempEntitySize(kind);
        if (size < 0) {
            return false;
        }
        in_.skip(static_cast<std::size_t>(size));
        return true;
    }

    Cursor& in_;
    GoldSrcNetState& state_;
    GoldSrcMessageSink& sink_;
};

} // namespace

GoldSrcFrameResult ReadNetMessages(std::span<const std::uint8_t> data, GoldSrcNetState& state,
                                   GoldSrcMessageSink& sink) {
    GoldSrcFrameResult result;
    Cursor in(data);
    FrameWalk walk(in, state, sink);
    while (!in.atEnd()) {
        const std::uint32_t type = in.u8();
        if (!walk.read(type) || in.bad()) {
            result.complete = false;
            result.failedType = type;
            return result;
        }
        ++result.messages;
    }
    return result;
}

} // namespace fenlark::readers::goldsrc
