#pragma once
// A small NetQuake demo for the tests that run a built-in reader through the
// loading flow, fenlark-info and the Match window: the CD track line, then
// blocks of a length, the view angles and a message. The first message holds
// the server information (protocol 15, 4 players, deathmatch, map dm3, level
// "Arena") and the names Ranger and Grunt; a second later Ranger has 10 frags
// and Grunt 9; two and a half seconds after that the recording ends.

#include <cstdint>
#include <cstring>
#include <string>

namespace fenlark::test {

inline std::string CraftedQuakeDemo() {
    auto block = [](const std::string& message) {
        std::string bytes;
        const auto length = static_cast<std::uint32_t>(message.size());
        for (unsigned shift = 0; shift < 32; shift += 8) {
            bytes += static_cast<char>((length >> shift) & 0xffU);
        }
        return bytes + std::string(12, '\0') + message;
    };
    auto time = [](float seconds) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &seconds, sizeof bits);
        std::string bytes = "\x07";
        for (unsigned shift = 0; shift < 32; shift += 8) {
            bytes += static_cast<char>((bits >> shift) & 0xffU);
        }
        return bytes;
    };
    using namespace std::string_literals;
    const std::string start = "\x0b\x0f\x00\x00\x00\x04\x01"s + "Arena\0maps/dm3.bsp\0\0\0"s +
                              "\x0d\x00Ranger\0\x0d\x01Grunt\0"s;
    return "-1\n" + block(start) + block(time(1.0f) + "\x0e\x00\x0a\x00\x0e\x01\x09\x00"s) +
           block(time(3.5f) + "\x02"s);
}

} // namespace fenlark::test
