#include "readers/source/SourceGameEvents.h"

namespace fenlark::readers::source {

namespace {

constexpr unsigned EventNumberBits = 9;
constexpr unsigned ValueTypeBits = 3;
// A description has a few dozen values at most; more is damage.
constexpr std::size_t MaxKeys = 256;
constexpr std::size_t MaxNameLength = 256;

// The whole part of a float, 0 for values no 64-bit integer holds (and NaN).
std::int64_t WholePart(float value) {
    if (!(value > -9.0e18f && value < 9.0e18f)) {
        return 0;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace

std::optional<std::int64_t> GameEvent::number(std::string_view key) const {
    for (const auto& value : values) {
        if (value.key->name == key && value.key->type != GameEventValueType::String) {
            return value.number;
        }
    }
    return std::nullopt;
}

std::optional<std::string> GameEvent::text(std::string_view key) const {
    for (const auto& value : values) {
        if (value.key->name == key && value.key->type == GameEventValueType::String) {
            return value.text;
        }
    }
    return std::nullopt;
}

bool GameEventList::read(BitReader& bits, std::uint32_t count) {
    for (std::uint32_t n = 0; n < count; ++n) {
        const std::uint32_t number = bits.bits(EventNumberBits);
        GameEventDescription description;
        description.name = bits.string(MaxNameLength);
        while (!bits.overrun()) {
            const std::uint32_t type = bits.bits(ValueTypeBits);
            if (type == 0) {
                break;
            }
            GameEventKey key;
            key.type = static_cast<GameEventValueType>(type);
            key.name = bits.string(MaxNameLength);
            if (description.keys.size() >= MaxKeys) {
                return false;
            }
            description.keys.push_back(std::move(key));
        }
        if (bits.overrun()) {
            return false;
        }
        if (!descriptions_[number]) {
            ++count_;
        }
        descriptions_[number] = std::move(description);
    }
    return true;
}

std::optional<GameEvent> GameEventList::decode(BitReader& bits) const {
    const std::uint32_t number = bits.bits(EventNumberBits);
    if (bits.overrun() || !descriptions_[number]) {
        return std::nullopt;
    }
    GameEvent event;
    event.description = &*descriptions_[number];
    event.values.reserve(event.description->keys.size());
    for (const auto& key : event.description->keys) {
        GameEventValue value;
        value.key = &key;
        switch (key.type) {
        case GameEventValueType::String:
            value.text = bits.string(MaxNameLength * 4);
            break;
        case GameEventValueType::Float:
            value.number = WholePart(bits.f32());
            break;
        case GameEventValueType::Long:
            value.number = bits.i32();
            break;
        case GameEventValueType::Short:
            value.number = static_cast<std::int16_t>(bits.u16());
            break;
        case GameEventValueType::Byte:
            value.number = bits.u8();
            break;
        case GameEventValueType::Bool:
            value.number = bits.bit() ? 1 : 0;
            break;
        case GameEventValueType::Local:
            break;
        default:
            // A type this reader does not know: the event cannot be sized.
            return std::nullopt;
        }
        event.values.push_back(std::move(value));
    }
    if (bits.overrun()) {
        return std::nullopt;
    }
    return event;
}

} // namespace fenlark::readers::source
