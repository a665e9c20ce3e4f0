#pragma once
// The network messages inside a Source demo's packet and sign-on frames: a
// 6-bit message number, then the message, bit-packed. Each message is sized
// by the reader so that the next one can be found; the layouts depend on the
// network protocol (checked on protocols 15 and 24). What the reader does not
// use is skipped; what it uses goes to a SourceMessageSink.

#include "readers/source/BitReader.h"
#include "readers/source/SourceGameEvents.h"
#include "readers/source/SourceStringTables.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::readers::source {

// Message numbers of demo protocols 2 and 3 (network protocols up to 24).
enum class NetMessage : std::uint8_t {
    Nop = 0,
    Disconnect = 1,
    File = 2,
    Tick = 3,
    StringCommand = 4,
    SetConVar = 5,
    SignOnState = 6,
    Print = 7,
    ServerInfo = 8,
    SendTable = 9,
    ClassInfo = 10,
    SetPause = 11,
    CreateStringTable = 12,
    UpdateStringTable = 13,
    VoiceInit = 14,
    VoiceData = 15,
    Sounds = 17,
    SetView = 18,
    FixAngle = 19,
    CrosshairAngle = 20,
    BspDecal = 21,
    UserMessage = 23,
    EntityMessage = 24,
    GameEvent = 25,
    PacketEntities = 26,
    TempEntities = 27,
    Prefetch = 28,
    Menu = 29,
    GameEventList = 30,
    GetCvarValue = 31,
    CmdKeyValues = 32,
};

struct SourceServerInfo {
    std::int32_t protocol = 0;
    std::uint32_t serverCount = 0;
    bool sourceTv = false;
    bool dedicated = false;
    std::int32_t maxClasses = 0;
    std::int32_t playerSlot = 0; // the recording client's slot (entity - 1)
    std::int32_t maxClients = 0;
    float tickInterval = 0;    // seconds per tick
    char operatingSystem = 0;  // 'l', 'w', ...
    std::string gameDirectory; // display text
    std::string mapName;
    std::string skyName;
    std::string hostName;
};

class SourceMessageSink {
public:
    virtual ~SourceMessageSink() = default;
    virtual void serverInfo(const SourceServerInfo& info) = 0;
    virtual void conVars(const std::vector<std::pair<std::string, std::string>>& values) = 0;
    // An entry of the "userinfo" table, from a create or update message.
    virtual void userInfo(const StringTableEntry& entry) = 0;
    virtual void gameEvent(const GameEvent& event) = 0;
    virtual void userMessage(std::uint32_t type, BitReader data) = 0;
};

// What the messages of earlier packets set up for later ones: the string
// tables by number, the game event descriptions.
struct SourceNetState {
    std::int32_t networkProtocol = 0;
    std::vector<StringTableMeta> tables;
    GameEventList events;
    // Counts of what could not be read, for the report.
    std::uint32_t compressedTablesUnread = 0;
    std::uint32_t eventsUndecoded = 0;
};

struct PacketResult {
    bool complete = true;         // every message was sized and read
    std::uint32_t messages = 0;   // messages read
    std::uint32_t failedType = 0; // the message that could not be read
};

// Reads every message of one packet.
PacketResult ReadPacket(BitReader bits, SourceNetState& state, SourceMessageSink& sink);

} // namespace fenlark::readers::source
