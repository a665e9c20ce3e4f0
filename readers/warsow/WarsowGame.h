#pragma once
// What the Warsow reader learns from a demo's server commands: the
// configstrings (server, map, game type, team names, players' user info),
// the latest scoreboard (teams, spectators, scores) and the chat. It turns
// what it gathered into an EngineReport.

#include "readers/EngineReport.h"
#include "readers/warsow/WarsowScoreboard.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::readers::warsow {

inline constexpr int MaxClients = 256;

// Where a protocol keeps what the reader shows.
struct ConfigStringIndexes {
    int hostname;
    int levelTitle;
    int maxClients;
    int worldModel;
    int playerInfos;
    int gameTypeTitle = -1; // -1: not in this protocol
    int gameTypeName = -1;
    int gameTypeVersion = -1;
    int scoreboardLayout = -1;
    int scoreboardTitles = -1;
    int teamNames = -1; // spectator, players, alpha, beta
    int matchName = -1;
};
// Protocol 10 keeps the older layout (world model after the model list's
// first entry, players after 256 items); 11 and 12 the later one.
inline constexpr ConfigStringIndexes Protocol10Indexes{3, 0, 30, 33, 1568};
inline constexpr ConfigStringIndexes Protocol12Indexes{0,  5,  2,  30, 1376, 11,
                                                       12, 13, 16, 17, 18,   22};

class WarsowGame {
public:
    void begin(int protocol, std::string_view baseGame, std::string_view game,
               std::string_view levelName, int recorderClient, int frameMs);
    void demoInfo(std::uint32_t durationMs) { demoDurationMs_ = durationMs; }

    // A frame of this server time begins (milliseconds).
    void beginFrame(std::uint32_t serverTime);
    std::int64_t frames() const { return frames_; }
    bool hasScoreboard() const { return scoreboards_ > 0; }

    // One server command, already known to be new.
    void command(std::string_view text);

    // The report. The duration and server times come from the frames only
    // when they were all read (or up to the damage).
    void fillReport(EngineReport& report, bool wholeFile) const;

private:
    struct Slot {
        std::string name; // raw, with colour codes; empty while free
        std::string info; // the whole user info string
        std::optional<std::size_t> player;
    };
    struct Player {
        int client = 0;
        std::string name;
        std::string info;
        std::int64_t joinedMs = 0;
        std::optional<std::int64_t> leftMs;
        std::optional<ScoreboardRow> row; // the latest scoreboard row
    };

    void configString(int index, std::string_view value);
    void setSlot(int client, std::string_view info);
    void scoreboard(std::string_view text);
    void chat(std::string_view who, std::string_view text, bool team);
    std::string teamName(int team) const;
    std::int64_t now() const;

    int protocol_ = 0;
    ConfigStringIndexes indexes_ = Protocol12Indexes;
    std::string baseGame_;
    std::string game_;
    std::string levelName_;
    int recorder_ = -1;
    int frameMs_ = 0;
    std::optional<std::uint32_t> demoDurationMs_;
    std::optional<std::uint32_t> firstServerTime_;
    std::uint32_t lastServerTime_ = 0;
    std::int64_t frames_ = 0;
    int scoreboards_ = 0;

    std::string hostname_;
    std::string levelTitle_;
    std::string maxClients_;
    std::string worldModel_;
    std::string gameTypeTitle_;
    std::string gameTypeName_;
    std::string gameTypeVersion_;
    std::string scoreboardLayout_;
    std::string scoreboardTitles_;
    std::string matchName_;
    std::array<std::string, 4> teamNames_{};
    std::map<int, int> teamScores_;

    std::array<Slot, MaxClients> slots_{};
    std::vector<Player> players_;
    std::vector<MatchPlayerEvent> events_;
    std::vector<MatchChatLine> chat_;
};

} // namespace fenlark::readers::warsow
