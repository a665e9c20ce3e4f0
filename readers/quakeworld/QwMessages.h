#pragma once
// Walking the server messages of one QuakeWorld demo block (an MVD record or
// a .qwd network message). Every message is sized exactly, including the
// player and entity deltas nobody here needs, so that the walk stays in step
// with the data; the few that matter are handed to a sink. A message that
// cannot be sized ends the walk: the result says which and where.

#include "readers/quakeworld/QwProtocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fenlark::readers::quakeworld {

// What changes how messages are laid out; the first svc_serverdata fills it.
struct QwProtocolState {
    QwDemoKind kind = QwDemoKind::Mvd;
    std::int32_t version = QwProtocolVersion;
    std::uint32_t fte = 0;
    std::uint32_t fte2 = 0;
    std::uint32_t mvd = 0;
    bool serverDataSeen = false;
};

struct QwServerData {
    std::int32_t protocol = 0;
    std::uint32_t fte = 0;
    std::uint32_t fte2 = 0;
    std::uint32_t mvd = 0;
    std::int32_t serverCount = 0;
    std::string_view gameDir;
    std::optional<float> demoTime;            // MVD: the server's time in seconds
    std::optional<std::uint8_t> playerNumber; // .qwd: the recording client's slot
    bool spectator = false;                   // .qwd: the recording client watched
    std::string_view levelName;
};

// Receives the messages that carry facts; strings are raw Quake bytes and
// live only during the call.
class QwMessageSink {
public:
    virtual ~QwMessageSink() = default;
    virtual void onServerData(const QwServerData& /*data*/) {}
    virtual void onPrint(std::uint8_t /*level*/, std::string_view /*text*/) {}
    virtual void onStuffText(std::string_view /*text*/) {}
    virtual void onServerInfo(std::string_view /*key*/, std::string_view /*value*/) {}
    virtual void onUserInfo(std::uint8_t /*slot*/, std::int32_t /*userId*/,
                            std::string_view /*info*/) {}
    virtual void onSetInfo(std::uint8_t /*slot*/, std::string_view /*key*/,
                           std::string_view /*value*/) {}
    virtual void onFrags(std::uint8_t /*slot*/, std::int16_t /*frags*/) {}
    virtual void onPing(std::uint8_t /*slot*/, std::int16_t /*ping*/) {}
    virtual void onModel(std::size_t /*index*/, std::string_view /*name*/) {}
    virtual void onIntermission() {}
    // A player or entity update: the connection has reached the game.
    virtual void onFrame() {}
    // One block of the server's embedded match information (MVD hidden data).
    virtual void onDemoInfo(std::uint16_t /*blockNumber*/, std::span<const std::uint8_t> /*data*/) {
    }
};

enum class QwBlockEnd : std::uint8_t {
    Complete,      // every byte of the block was read as messages
    Disconnect,    // svc_disconnect: the end of the recording
    NewServerData, // a second svc_serverdata: the server changed the map
    Unsized,       // a message this walk cannot size (unknown or unsupported)
    Overrun,       // a message claims more bytes than the block holds
};

struct QwBlockResult {
    QwBlockEnd end = QwBlockEnd::Complete;
    std::size_t offset = 0; // where in the block the walk stopped
    std::uint8_t message = 0;
    std::string detail;
};

// Walks the messages of one block.
QwBlockResult WalkQwMessages(std::span<const std::uint8_t> block, QwProtocolState& protocol,
                             QwMessageSink& sink);

// Walks MVDSV's hidden data: (int32 length, uint16 type, data)* records.
QwBlockResult WalkMvdHiddenData(std::span<const std::uint8_t> block, QwMessageSink& sink);

} // namespace fenlark::readers::quakeworld
