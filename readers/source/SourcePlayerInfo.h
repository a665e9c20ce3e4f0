#pragma once
// A player as the "userinfo" string table describes them: the user data of
// entry n (the player in entity n + 1) is the engine's player record, written
// as it lies in memory on a little-endian machine:
//   0  char[32] name          32 int32 user id        36 char[33] GUID
//   72 uint32 friends id      76 char[32] friends name
//   108 bool fake player (bot) 109 bool SourceTV proxy
// then custom file CRCs and a download counter (132 bytes in all).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace fenlark::readers::source {

struct SourcePlayerInfo {
    std::string name; // display text (UTF-8, no control characters)
    std::int32_t userId = 0;
    std::string guid; // "STEAM_0:1:123", "[U:1:123]", "BOT"
    std::uint32_t friendsId = 0;
    bool fakePlayer = false;
    bool sourceTv = false;
};

// The record in `data`, or std::nullopt when it is too short to hold one.
std::optional<SourcePlayerInfo> DecodePlayerInfo(std::span<const std::uint8_t> data);

} // namespace fenlark::readers::source
