#pragma once
// A small JSON reader for the match statistics a server embeds in its demos.
// Strings keep the server's bytes: a \u escape below 256 gives that byte,
// as the servers escape the control glyphs of the Quake character set so.
// Nesting deeper than MaxDepth is refused, so damaged input cannot exhaust
// the stack.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::readers::quakeworld {

struct JsonMember;

struct JsonValue {
    enum class Kind : std::uint8_t { Null, Bool, Number, String, Array, Object };

    static constexpr int MaxDepth = 32;

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;

    // The member `key` of an object, or nullptr.
    const JsonValue* member(std::string_view key) const;
    // The number at a path of object keys, if every step exists.
    std::optional<double> numberAt(std::initializer_list<std::string_view> path) const;
    // The string member `key`, if there is one.
    std::optional<std::string> stringAt(std::string_view key) const;
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

// The value the whole text holds (surrounding white space allowed), or
// std::nullopt when it is not JSON.
std::optional<JsonValue> ParseJson(std::string_view text);

} // namespace fenlark::readers::quakeworld
