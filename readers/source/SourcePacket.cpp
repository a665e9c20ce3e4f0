#include "readers/source/SourcePacket.h"

#include "readers/source/Lzss.h"
#include "readers/source/SourceText.h"

namespace fenlark::readers::source {

namespace {

constexpr unsigned MessageTypeBits = 6;
constexpr unsigned MaxEdictBits = 11;
constexpr std::size_t MaxTables = 32; // table numbers have 5 bits
// The userinfo table holds a 132-byte record per player slot; a few KB in all.
constexpr std::size_t MaxUncompressedTable = 4 * 1024 * 1024;
constexpr std::string_view UserInfoTable = "userinfo";

// Network protocols whose message layouts changed, as documented by public
// parsers; 15 and 24 are checked on real demos.
bool HasMapHash(std::int32_t protocol) {
    return protocol > 17;
}
bool HasReplayFlag(std::int32_t protocol) {
    return protocol > 15;
}
bool UsesVarIntLengths(std::int32_t protocol) {
    return protocol >= 24;
}
unsigned PrefetchBits(std::int32_t protocol) {
    return protocol > 22 ? 14 : 13;
}
unsigned DecalModelBits(std::int32_t protocol) {
    return protocol >= 24 ? 13 : 11;
}

// A coordinate of a decal: integer and fraction flags, sign, 14 + 5 bits.
void SkipBitCoord(BitReader& bits) {
    const bool hasInteger = bits.bit();
    const bool hasFraction = bits.bit();
    if (hasInteger || hasFraction) {
        bits.skip(1);
        if (hasInteger) {
            bits.skip(14);
        }
        if (hasFraction) {
            bits.skip(5);
        }
    }
}

class PacketWalk {
public:
    PacketWalk(BitReader& bits, SourceNetState& state, SourceMessageSink& sink)
        : bits_(bits), state_(state), sink_(sink), protocol_(state.networkProtocol) {}

    // Reads one message of type `type`; false when it cannot be sized.
    bool read(std::uint32_t type) {
        switch (static_cast<NetMessage>(type)) {
        case NetMessage::Nop:
            return true;
        case NetMessage::Disconnect:
        case NetMessage::StringCommand:
        case NetMessage::Print:
            bits_.skipString();
            return true;
        case NetMessage::File:
            bits_.skip(32);
            bits_.skipString();
            bits_.skip(1);
            return true;
        case NetMessage::Tick:
            bits_.skip(32 + 16 + 16);
            return true;
        case NetMessage::SetConVar:
            return conVars();
        case NetMessage::SignOnState:
            bits_.skip(8 + 32);
            return true;
        case NetMessage::ServerInfo:
            return serverInfo();
        case NetMessage::SendTable:
            bits_.skip(1);
            bits_.skip(bits_.bits(16));
            return true;
        case NetMessage::ClassInfo:
            return classInfo();
        case NetMessage::SetPause:
            bits_.skip(1);
            return true;
        case NetMessage::CreateStringTable:
            return createStringTable();
        case NetMessage::UpdateStringTable:
            return updateStringTable();
        case NetMessage::VoiceInit: {
            bits_.skipString();
            if (bits_.u8() == 255) {
                bits_.skip(16); // sample rate
            }
            return true;
        }
        case NetMessage::VoiceData:
            bits_.skip(8 + 8);
            bits_.skip(bits_.bits(16));
            return true;
        case NetMessage::Sounds:
            if (bits_.bit()) {
                bits_.skip(bits_.bits(8));
            } else {
                bits_.skip(8);
                bits_.skip(bits_.bits(16));
            }
            return true;
        case NetMessage::SetView:
            bits_.skip(MaxEdictBits);
            return true;
        case NetMessage::FixAngle:
            bits_.skip(1 + 3 * 16);
            return true;
        case NetMessage::CrosshairAngle:
            bits_.skip(3 * 16);
            return true;
        case NetMessage::BspDecal:
            return bspDecal();
        case NetMessage::UserMessage: {
            const std::uint32_t kind = bits_.u8();
            const BitReader data = bits_.take(bits_.bits(11));
            if (!bits_.overrun()) {
                sink_.userMessage(kind, data);
            }
            return true;
        }
        case NetMessage::EntityMessage:
            bits_.skip(MaxEdictBits + 9);
            bits_.skip(bits_.bits(11));
            return true;
        case NetMessage::GameEvent:
            return gameEvent();
        case NetMessage::PacketEntities: {
            bits_.skip(MaxEdictBits);
            if (bits_.bit()) {
                bits_.skip(32); // delta from tick
            }
            bits_.skip(1 + MaxEdictBits);
            const std::uint32_t length = bits_.bits(20);
            bits_.skip(1);
            bits_.skip(length);
            return true;
        }
        case NetMessage::TempEntities:
            bits_.skip(8);
            bits_.skip(UsesVarIntLengths(protocol_) ? bits_.varInt32() : bits_.bits(17));
            return true;
        case NetMessage::Prefetch:
            bits_.skip(PrefetchBits(protocol_));
            return true;
        case NetMessage::Menu:
            bits_.skip(16);
            bits_.skip(std::size_t{bits_.bits(16)} * 8);
            return true;
        case NetMessage::GameEventList:
            return gameEventList();
        case NetMessage::GetCvarValue:
            bits_.skip(32);
            bits_.skipString();
            return true;
        case NetMessage::CmdKeyValues:
            bits_.skip(std::size_t{bits_.u32()} * 8);
            return true;
        }
        return false;
    }

private:
    bool conVars() {
        const std::uint32_t count = bits_.u8();
        std::vector<std::pair<std::string, std::string>> values;
        values.reserve(count);
        for (std::uint32_t i = 0; i < count && !bits_.overrun(); ++i) {
            std::string name = DisplayText(bits_.string(256));
            std::string value = DisplayText(bits_.string(1024));
            values.emplace_back(std::move(name), std::move(value));
        }
        if (!bits_.overrun()) {
            sink_.conVars(values);
        }
        return true;
    }

    bool serverInfo() {
        SourceServerInfo info;
        info.protocol = bits_.u16();
        info.serverCount = bits_.u32();
        info.sourceTv = bits_.bit();
        info.dedicated = bits_.bit();
        bits_.skip(32); // client library CRC
        info.maxClasses = bits_.u16();
        bits_.skip(HasMapHash(protocol_) ? 16 * 8 : 32);
        info.playerSlot = bits_.u8();
        info.maxClients = bits_.u8();
        info.tickInterval = bits_.f32();
        info.operatingSystem = static_cast<char>(bits_.u8());
        info.gameDirectory = DisplayText(bits_.string(260));
        info.mapName = DisplayText(bits_.string(260));
        info.skyName = DisplayText(bits_.string(260));
        info.hostName = DisplayText(bits_.string(260));
        if (HasReplayFlag(protocol_)) {
            bits_.skip(1);
        }
        if (!bits_.overrun()) {
            sink_.serverInfo(info);
        }
        return true;
    }

    bool classInfo() {
        const std::uint32_t count = bits_.u16();
        if (bits_.bit()) {
            return true; // the client builds the classes from its own tables
        }
        const unsigned idBits = Log2Floor(count) + 1;
        for (std::uint32_t i = 0; i < count && !bits_.overrun(); ++i) {
            bits_.skip(idBits);
            bits_.skipString();
            bits_.skipString();
        }
        return true;
    }

    bool createStringTable() {
        StringTableMeta table;
        table.name = bits_.string(256);
        if (!table.name.empty() && table.name.front() == ':') {
            table.name.erase(0, 1); // a table of file names
        }
        table.maxEntries = bits_.u16();
        table.entryBits = Log2Floor(table.maxEntries);
        const std::uint32_t entries = bits_.bits(table.entryBits + 1);
        const std::uint32_t length =
            UsesVarIntLengths(protocol_) ? bits_.varInt32() : bits_.bits(20);
        table.userDataFixedSize = bits_.bit();
        if (table.userDataFixedSize) {
            bits_.skip(12); // size in bytes
            table.userDataBits = bits_.bits(4);
        }
        const bool compressed = bits_.bit();
        BitReader data = bits_.take(length);
        if (bits_.overrun()) {
            return false;
        }
        const bool userInfo = table.name == UserInfoTable;
        if (state_.tables.size() < MaxTables) {
            state_.tables.push_back(table);
        }
        if (!userInfo) {
            return true;
        }
        if (!compressed) {
            readUserInfoEntries(data, table, entries);
            return true;
        }
        // Compressed: two uint32 sizes, then the compressed bytes.
        data.skip(32);
        const std::uint32_t compressedSize = data.u32();
        if (data.overrun() || std::size_t{compressedSize} * 8 > data.remaining()) {
            ++state_.compressedTablesUnread;
            return true;
        }
        std::vector<std::uint8_t> packed(compressedSize);
        data.bytes(packed);
        const auto unpacked = LzssDecompress(packed, MaxUncompressedTable);
        if (!unpacked) {
            ++state_.compressedTablesUnread;
            return true;
        }
        BitReader plain(*unpacked);
        readUserInfoEntries(plain, table, entries);
        return true;
    }

    bool updateStringTable() {
        const std::uint32_t tableNumber = bits_.bits(5);
        const std::uint32_t changed = bits_.bit() ? bits_.u16() : 1;
        BitReader data = bits_.take(bits_.bits(20));
        if (bits_.overrun()) {
            return false;
        }
        if (tableNumber < state_.tables.size() &&
            state_.tables[tableNumber].name == UserInfoTable) {
            readUserInfoEntries(data, state_.tables[tableNumber], changed);
        }
        return true;
    }

    void readUserInfoEntries(BitReader& data, const StringTableMeta& table, std::uint32_t count) {
        ReadStringTableEntries(data, table, count,
                               [&](const StringTableEntry& entry) { sink_.userInfo(entry); });
    }

    bool bspDecal() {
        const bool hasX = bits_.bit();
        const bool hasY = bits_.bit();
        const bool hasZ = bits_.bit();
        for (const bool has : {hasX, hasY, hasZ}) {
            if (has) {
                SkipBitCoord(bits_);
            }
        }
        bits_.skip(9); // decal texture
        if (bits_.bit()) {
            bits_.skip(MaxEdictBits + DecalModelBits(protocol_));
        }
        bits_.skip(1); // low priority
        return true;
    }

    bool gameEvent() {
        BitReader data = bits_.take(bits_.bits(11));
        if (bits_.overrun()) {
            return false;
        }
        if (const auto event = state_.events.decode(data)) {
            sink_.gameEvent(*event);
        } else {
            ++state_.eventsUndecoded;
        }
        return true;
    }

    bool gameEventList() {
        const std::uint32_t count = bits_.bits(9);
        BitReader data = bits_.take(bits_.bits(20));
        if (bits_.overrun()) {
            return false;
        }
        state_.events.read(data, count);
        return true;
    }

    BitReader& bits_;
    SourceNetState& state_;
    SourceMessageSink& sink_;
    std::int32_t protocol_;
};

} // namespace

PacketResult ReadPacket(BitReader bits, SourceNetState& state, SourceMessageSink& sink) {
    PacketResult result;
    PacketWalk walk(bits, state, sink);
    // Fewer bits than a message number are the padding of the last byte.
    while (bits.remaining() >= MessageTypeBits) {
        const std::uint32_t type = bits.bits(MessageTypeBits);
        if (!walk.read(type) || bits.overrun()) {
            result.complete = false;
            result.failedType = type;
            return result;
        }
        ++result.messages;
    }
    return result;
}

} // namespace fenlark::readers::source
