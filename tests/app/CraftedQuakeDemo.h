#pragma once
// A small NetQuake demo for the tests of the loading flow with a built-in
// reader.

#include <cstdint>
#include <string>
#include <string_view>

namespace fenlark::test {

// A NetQuake demo: the CD track line, then one block (length, view angles,
// message) with the server information and two player names.
inline std::string CraftedQuakeDemo() {
    std::string message;
    auto byte = [&message](unsigned value) { message += static_cast<char>(value); };
    auto text = [&message](std::string_view value) {
        message += value;
        message += '\0';
    };
    byte(11); // server information: protocol 15, 4 players, deathmatch
    for (unsigned value : {15u, 0u, 0u, 0u, 4u, 1u}) {
        byte(value);
    }
    text("Crafted Arena");
    text("maps/dm3.bsp");
    text("");
    text("");
    byte(13); // a player's name
    byte(0);
    text("Ranger");
    byte(13);
    byte(1);
    text("Grunt");

    std::string file = "-1\n";
    const auto length = static_cast<std::uint32_t>(message.size());
    for (unsigned shift = 0; shift < 32; shift += 8) {
        file += static_cast<char>((length >> shift) & 0xffU);
    }
    file += std::string(12, '\0');
    return file + message;
}

} // namespace fenlark::test
