#pragma once
// The server messages inside a GoldSrc demo's network frames: a byte of
// message number, then the message. Most are byte-aligned; some hold
// bit-packed delta structures whose descriptions the demo carried earlier;
// game messages (numbers 64 and up) were registered with their name and size
// by svc_newusermsg. A message that cannot be sized (unknown number, missing
// description) ends the reading of that frame; the next frame is read
// normally.

#include "readers/goldsrc/GoldSrcDelta.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fenlark::readers::goldsrc {

struct GoldSrcServerInfo {
    std::int32_t protocol = 0;
    std::int32_t spawnCount = 0;
    std::uint32_t maxPlayers = 0;
    std::uint32_t playerSlot = 0; // the recording client, 0-based
    bool deathmatch = false;
    std::string gameDirectory; // display text
    std::string hostName;
    std::string mapFile; // "maps/<name>.bsp"
};

class GoldSrcMessageSink {
public:
    virtual ~GoldSrcMessageSink() = default;
    virtual void serverInfo(const GoldSrcServerInfo& info) = 0;
    // svc_updateuserinfo: slot (0-based), user id and the info string; an
    // empty string frees the slot.
    virtual void userInfo(std::uint32_t slot, std::int32_t userId, std::string_view info) = 0;
    // A game message registered under `name`, with its bytes.
    virtual void userMessage(std::string_view name, std::span<const std::uint8_t> data) = 0;
};

struct GoldSrcUserMessage {
    bool known = false;
    std::int32_t size = -1; // -1: a length byte precedes the data
    std::string name;
};

// What earlier messages set up for later ones.
struct GoldSrcNetState {
    DeltaDescriptions deltas;
    std::array<GoldSrcUserMessage, 256> userMessages;
    std::uint32_t maxClients = 0;
};

struct GoldSrcFrameResult {
    bool complete = true;
    std::uint32_t messages = 0;
    std::uint32_t failedType = 0; // the message that could not be sized
};

GoldSrcFrameResult ReadNetMessages(std::span<const std::uint8_t> data, GoldSrcNetState& state,
                                   GoldSrcMessageSink& sink);

} // namespace fenlark::readers::goldsrc
