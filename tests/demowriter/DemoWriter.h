#pragma once
// A test-only writer of Quake III protocol demos (protocols 66 to 91): builds
// messages bit by bit with the Huffman code and frames them into a demo file,
// from a description of what the demo should hold. It can also write what a
// valid demo never holds: any operation byte, strings of any length, records
// with any header.

#include "demoreader/Protocol.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::test {

// One changed field: its index in the protocol's table and its value as a
// 32-bit pattern (integers as they are, floats as IEEE bits; see FloatBits).
struct Field {
    unsigned index;
    std::uint32_t value;
};

std::uint32_t FloatBits(float value);

struct EntityDelta {
    enum class Kind { Changed, Unchanged, Removed };
    unsigned number = 0;
    Kind kind = Kind::Changed;
    // The field count written; -1 writes one past the highest changed field.
    int fieldCount = -1;
    std::vector<Field> fields;
};

struct PlayerDelta {
    int fieldCount = -1;
    std::vector<Field> fields;
    // stats, persistant, ammo, powerups: (element index, value) pairs.
    std::array<std::vector<std::pair<unsigned, std::int32_t>>, 4> arrays;
};

struct Snapshot {
    std::int32_t serverTime = 0;
    std::uint8_t deltaNumber = 0;
    std::uint8_t flags = 0;
    std::vector<std::uint8_t> areaMask;
    PlayerDelta player;
    std::vector<EntityDelta> entities;
};

struct Gamestate {
    std::int32_t commandSequence = 0;
    std::vector<std::pair<int, std::string>> configstrings;
    std::vector<EntityDelta> baselines;
    std::int32_t clientNumber = 0;
    std::int32_t checksumFeed = 0;
};

class MessageWriter {
public:
    explicit MessageWriter(int protocol = 68);

    // Values by the rule of the message stream: the low count mod 8 bits raw,
    // then whole bytes through the Huffman code.
    void bits(std::uint32_t value, unsigned count);
    void bit(bool value);
    void symbol(unsigned symbol); // any Huffman symbol, the escape (256) included
    void byte(int value) { bits(static_cast<std::uint32_t>(value), 8); }
    void shortValue(int value) { bits(static_cast<std::uint32_t>(value), 16); }
    void longValue(std::int32_t value) { bits(static_cast<std::uint32_t>(value), 32); }
    // The bytes of `text` and a terminating 0; no limit on the length.
    void string(std::string_view text);

    void acknowledge(std::int32_t value = 0) { longValue(value); }
    void gamestate(const Gamestate& gamestate);
    void serverCommand(std::int32_t sequence, std::string_view text);
    void snapshot(const Snapshot& snapshot);
    void entityDelta(const EntityDelta& entity); // number included
    void playerDelta(const PlayerDelta& player);
    void end() { byte(8); }

    std::uint32_t bitCount() const { return bitCount_; }
    // The payload: as many bytes as the engine's writer would give, which
    // leaves 1 to 8 padding bits after the last value.
    std::vector<std::uint8_t> finish() const;

private:
    void field(int width, bool entity, std::uint32_t value);

    const demoreader::ProtocolInfo* protocol_;
    std::vector<std::uint8_t> bytes_;
    std::uint32_t bitCount_ = 0;
};

// A whole message: acknowledge, the gamestate and the end byte.
std::vector<std::uint8_t> GamestateMessage(const Gamestate& gamestate, int protocol = 68);
// A whole message: acknowledge, server commands, one snapshot and the end byte.
std::vector<std::uint8_t>
SnapshotMessage(const Snapshot& snapshot, int protocol = 68,
                const std::vector<std::pair<std::int32_t, std::string>>& commands = {});

class DemoBuilder {
public:
    DemoBuilder() = default;
    // Goes on from bytes built before.
    explicit DemoBuilder(std::string bytes) : bytes_(std::move(bytes)) {}

    DemoBuilder& record(std::int32_t sequence, const std::vector<std::uint8_t>& payload);
    // A record header alone, with any length.
    DemoBuilder& header(std::int32_t sequence, std::int32_t length);
    DemoBuilder& raw(std::string_view bytes);
    DemoBuilder& endMarker();

    const std::string& bytes() const { return bytes_; }
    // Writes the demo to `path` and returns the path.
    std::string writeTo(const std::string& path) const;

private:
    std::string bytes_;
};

} // namespace fenlark::test
