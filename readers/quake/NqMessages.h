#pragma once
// Walking the server messages of one Quake (NetQuake) demo block. Protocol
// 15 is the original game's; 666 (FitzQuake, QuakeSpasm) and 999 (RMQ) add
// messages, wider fields behind extension bits, and for 999 flags that set
// the size of coordinates and angles. Every message is sized exactly; the
// ones that carry facts go to a sink. A message that cannot be sized ends
// the walk.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fenlark::readers::quake {

constexpr std::int32_t NqProtocol = 15;
constexpr std::int32_t FitzProtocol = 666;
constexpr std::int32_t RmqProtocol = 999;

struct NqProtocolState {
    std::int32_t version = NqProtocol;
    std::uint32_t flags = 0; // protocol 999 only
};

struct NqServerInfo {
    std::int32_t protocol = 0;
    std::uint32_t flags = 0;
    std::uint8_t maxClients = 0;
    std::uint8_t gameType = 0; // 0 cooperative or single player, 1 deathmatch
    std::string_view levelName;
    std::string_view mapFile; // the first model: "maps/<name>.bsp"
};

// Receives the messages that carry facts; strings are raw Quake bytes and
// live only during the call.
class NqMessageSink {
public:
    virtual ~NqMessageSink() = default;
    virtual void onServerInfo(const NqServerInfo& /*info*/) {}
    virtual void onTime(float /*seconds*/) {}
    virtual void onPrint(std::string_view /*text*/) {}
    virtual void onName(std::uint8_t /*slot*/, std::string_view /*name*/) {}
    virtual void onFrags(std::uint8_t /*slot*/, std::int16_t /*frags*/) {}
    virtual void onColors(std::uint8_t /*slot*/, std::uint8_t /*colors*/) {}
    virtual void onViewEntity(std::int16_t /*entity*/) {}
    virtual void onSignon(std::uint8_t /*stage*/) {}
    virtual void onStat(std::uint8_t /*index*/, std::int32_t /*value*/) {}
    virtual void onKilledMonster() {}
    virtual void onFoundSecret() {}
    virtual void onIntermission() {}
};

enum class NqBlockEnd : std::uint8_t { Complete, Disconnect, Unsized, Overrun };

struct NqBlockResult {
    NqBlockEnd end = NqBlockEnd::Complete;
    std::size_t offset = 0; // where in the block the walk stopped
    std::uint8_t message = 0;
    std::string detail;
};

NqBlockResult WalkNqMessages(std::span<const std::uint8_t> block, NqProtocolState& protocol,
                             NqMessageSink& sink);

} // namespace fenlark::readers::quake
