#pragma once
// What the messages of a GoldSrc demo say about the match: the server, the
// players of the user-info updates with their joins and leaves, and from the
// game's own messages (found by the names the demo registers) their teams,
// scores, chat and frags.

#include "core/MatchFacts.h"
#include "readers/EngineReport.h"
#include "readers/goldsrc/GoldSrcMessages.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace fenlark::readers::goldsrc {

class GoldSrcMatchBuilder final : public GoldSrcMessageSink {
public:
    explicit GoldSrcMatchBuilder(std::string gameDirectory)
        : gameDirectory_(std::move(gameDirectory)) {}

    void setTime(std::int64_t milliseconds) { nowMs_ = milliseconds; }

    void serverInfo(const GoldSrcServerInfo& info) override;
    void userInfo(std::uint32_t slot, std::int32_t userId, std::string_view info) override;
    void userMessage(std::string_view name, std::span<const std::uint8_t> data) override;

    const std::optional<GoldSrcServerInfo>& server() const { return server_; }
    // The players present now, as the window lists them, and the teams in
    // the game's order.
    std::vector<ReportedPlayer> presentPlayers() const;
    std::vector<std::string> teams() const;
    std::optional<MatchRecorder> recorder() const;
    void moveFactsInto(MatchFacts& facts);

private:
    struct Slot {
        bool present = false;
        std::int32_t userId = 0;
        std::string info;                       // the raw info string
        std::string name;                       // display text
        std::string team;                       // from TeamInfo
        std::optional<std::int32_t> teamNumber; // from ScoreInfo
        std::optional<std::int32_t> frags;
        std::optional<std::int32_t> deaths;
        std::size_t player = NoPlayer;
    };
    static constexpr std::size_t NoPlayer = static_cast<std::size_t>(-1);
    static constexpr std::size_t MaxSlots = 64;

    MatchPlayer* playerOf(const Slot& slot);
    Slot* slotOfEntity(std::uint32_t entity);
    std::string nameOfEntity(std::uint32_t entity);
    static bool IsSpectatorTeam(std::string_view team);
    void teamInfo(std::span<const std::uint8_t> data);
    void scoreInfo(std::span<const std::uint8_t> data);
    void sayText(std::span<const std::uint8_t> data);
    void deathMessage(std::span<const std::uint8_t> data);

    std::string gameDirectory_;
    std::optional<GoldSrcServerInfo> server_;
    std::array<Slot, MaxSlots> slots_;
    std::vector<std::string> teamOrder_; // teams in order of appearance
    std::int64_t nowMs_ = 0;

    std::vector<MatchPlayer> players_;
    std::vector<MatchPlayerEvent> events_;
    std::vector<MatchChatLine> chat_;
    std::vector<MatchFrag> frags_;
};

} // namespace fenlark::readers::goldsrc
