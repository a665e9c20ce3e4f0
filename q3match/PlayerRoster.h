#pragma once
// The players over the whole demo, from the player configstrings: who was
// there when the recording began, who joined and left, renamed and changed
// team, and when. One MatchPlayer per stay of a player in a slot.

#include "core/MatchFacts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::q3match {

class PlayerRoster {
public:
    static constexpr int MaxClients = 64;

    explicit PlayerRoster(MatchFacts& facts) : facts_(facts) {}

    void setUtf8(bool utf8) { utf8_ = utf8; }

    // The configstring of slot `client` became `text` ("" = empty slot) at
    // `timeMs`. `announce` false for the players of the first gamestate,
    // who were there from the start rather than joining.
    void update(int client, std::string_view text, std::int64_t timeMs, bool announce);

    bool present(int client) const { return valid(client) && slots_[index(client)].present; }
    int team(int client) const { return valid(client) ? slots_[index(client)].team : 0; }
    // The slot's display name (the last one it had when the slot is empty);
    // "" for a slot never used.
    const std::string& name(int client) const;
    // The player entry of the slot's current (or last) occupant.
    std::optional<std::size_t> entry(int client) const;

    // A score for the slot's current occupant; spectators get none.
    void setScore(int client, std::int32_t score);

    // Events created since the last call whose time is still to be set, and
    // the players who joined or left in that time, so that the caller can
    // stamp them with the time of the snapshot they arrived with.
    struct Stamp {
        std::size_t entry;
        bool joined; // else left
    };
    std::vector<Stamp>& stamps() { return stamps_; }

private:
    struct Slot {
        bool present = false;
        bool used = false;
        std::string rawName;
        std::string name;
        int team = 0;
        std::size_t entry = 0;
    };
    static bool valid(int client) { return client >= 0 && client < MaxClients; }
    static std::size_t index(int client) { return static_cast<std::size_t>(client); }
    void addEvent(MatchPlayerEvent::Kind kind, int client, std::int64_t timeMs,
                  const std::string& value);

    MatchFacts& facts_;
    bool utf8_ = false;
    std::array<Slot, MaxClients> slots_;
    std::vector<Stamp> stamps_;
};

} // namespace fenlark::q3match
