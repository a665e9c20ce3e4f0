#pragma once
// What the Quake II readers learn while they walk a demo, in the engine's
// own terms: configstrings, the players in their client slots, their frag
// counts, the chat. Both the single-view reader (.dm2) and the multi-view
// reader (.mvd2) feed it; it turns what it gathered into an EngineReport.

#include "readers/EngineReport.h"
#include "readers/quake2/Quake2Deltas.h"
#include "readers/quake2/Quake2Protocol.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::readers::quake2 {

inline constexpr int MaxClients = 256;

class Quake2Game {
public:
    // Whose frames the demo holds: one client's view (its own player state
    // only), or every playing client's (a multi-view demo, whose recording
    // client is an observer).
    enum class View : std::uint8_t { Single, Multi };
    explicit Quake2Game(View view) : view_(view) {}

    // A level begins: the server data's game directory, recording client (-1
    // for none) and configstring layout. The first level names the map; the
    // players of all levels stay in the match facts.
    void beginLevel(std::string_view gameDirectory, std::string_view levelName, int recorderClient,
                    const ConfigStringLayout& layout);

    // A frame begins, this many milliseconds after the first one.
    void beginFrame(std::int64_t ms);
    std::int64_t frames() const { return frames_; }
    std::int64_t time() const { return timeMs_; }

    void configString(int index, std::string_view value);
    // A print message of the given level; chat and match-end announcements
    // are picked out of it.
    void print(int level, std::string_view text);
    // A layout (the screen the server draws over the view); the base game's
    // scoreboard lists every player's score in it.
    void layoutText(std::string_view text);
    // A client in play in this frame of a multi-view demo.
    void playing(int client, const PlayerState& state);
    // The recording client's own state in this frame of a single view.
    void recorderState(const PlayerState& state);

    // The report: the window's values and players, and the match facts
    // gathered so far (report.match.ended is left to the reader).
    void fillReport(EngineReport& report) const;

private:
    struct Slot {
        std::string name;                  // raw bytes, empty while the slot is free
        std::string skin;                  // "model/skin"
        std::optional<std::size_t> player; // index into players_
        bool leaving = false;              // announced as disconnected
    };
    struct Player {
        int client = 0;
        std::string name;
        std::string skin;
        std::int64_t joinedMs = 0;
        std::optional<std::int64_t> leftMs;
        std::optional<std::int32_t> frags; // from the player states
        std::int64_t fragsMs = 0;
        std::int64_t framesPlayed = 0;
        std::optional<std::int32_t> scoreboardScore; // from the latest scoreboard layout
        std::int64_t scoreboardMs = 0;
    };

    void setSlot(int client, std::string_view value);
    bool played(const Player& player) const;
    void addChat(std::string_view line);

    View view_;
    ConfigStringLayout layout_ = OriginalLayout;
    std::string gameDirectory_;
    std::string levelName_;
    std::string mapModel_;
    std::string maxClients_;
    int recorder_ = -1;
    int levels_ = 0;
    std::int64_t frames_ = 0;
    std::int64_t matchFrames_ = 0; // frames before the match ended
    std::int64_t timeMs_ = 0;
    bool matchEnded_ = false;
    std::array<Slot, MaxClients> slots_{};
    std::vector<Player> players_;
    std::vector<MatchPlayerEvent> events_;
    std::vector<MatchChatLine> chat_;
};

// "maps/q2dm1.bsp" -> "q2dm1"; other text unchanged.
std::string MapFromModel(std::string_view model);

} // namespace fenlark::readers::quake2
