#pragma once
// Game events of Source demos. The demo carries their descriptions (the game
// event list: number, name, and the name and type of each value), so events
// of any game can be decoded; the reader then picks those it knows by name
// (player_death, player_team, ...). A demo without the list (some SourceTV
// recordings) has events that cannot be decoded.

#include "readers/source/BitReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::readers::source {

// Value types as the event list numbers them.
enum class GameEventValueType : std::uint8_t {
    String = 1,
    Float = 2,
    Long = 3,  // 32-bit signed
    Short = 4, // 16-bit signed
    Byte = 5,  // 8-bit unsigned
    Bool = 6,  // 1 bit
    Local = 7, // kept on the server: no bits on the wire
};

struct GameEventKey {
    GameEventValueType type = GameEventValueType::String;
    std::string name;
};

struct GameEventDescription {
    std::string name;
    std::vector<GameEventKey> keys;
};

struct GameEventValue {
    const GameEventKey* key = nullptr;
    std::int64_t number = 0; // integers and booleans (floats truncated)
    std::string text;        // strings
};

struct GameEvent {
    const GameEventDescription* description = nullptr;
    std::vector<GameEventValue> values;

    // The value of that key; std::nullopt when the event has no such key.
    std::optional<std::int64_t> number(std::string_view key) const;
    std::optional<std::string> text(std::string_view key) const;
};

class GameEventList {
public:
    // Reads the list message's payload (`count` descriptions). Returns false
    // when it is damaged; descriptions read before the damage are kept.
    bool read(BitReader& bits, std::uint32_t count);
    bool empty() const { return count_ == 0; }
    // Decodes one event message's payload; std::nullopt when the event's
    // description is unknown or the payload does not match it.
    std::optional<GameEvent> decode(BitReader& bits) const;

private:
    static constexpr std::size_t MaxEvents = 512; // event numbers have 9 bits
    std::vector<std::optional<GameEventDescription>> descriptions_ =
        std::vector<std::optional<GameEventDescription>>(MaxEvents);
    std::size_t count_ = 0;
};

} // namespace fenlark::readers::source
