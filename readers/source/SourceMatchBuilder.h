#pragma once
// What the messages of a Source demo say about the match, gathered while the
// frames are read: the server, the players of the "userinfo" table with
// their joins, leaves and renames, team changes, chat and frags.

#include "core/MatchFacts.h"
#include "readers/EngineReport.h"
#include "readers/source/SourceChat.h"
#include "readers/source/SourcePacket.h"
#include "readers/source/SourcePlayerInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fenlark::readers::source {

class SourceMatchBuilder final : public SourceMessageSink {
public:
    explicit SourceMatchBuilder(std::string gameDirectory);

    // Milliseconds from the first tick of the demo for what comes next.
    void setTime(std::int64_t milliseconds) { nowMs_ = milliseconds; }

    void serverInfo(const SourceServerInfo& info) override;
    void conVars(const std::vector<std::pair<std::string, std::string>>& values) override;
    void userInfo(const StringTableEntry& entry) override;
    void gameEvent(const GameEvent& event) override;
    void userMessage(std::uint32_t type, BitReader data) override;

    const std::optional<SourceServerInfo>& server() const { return server_; }
    const std::vector<std::pair<std::string, std::string>>& serverValues() const {
        return conVars_;
    }

    // The players present now, as the window lists them.
    std::vector<ReportedPlayer> presentPlayers() const;
    // The recording client (slot and name) when the server info named it.
    std::optional<MatchRecorder> recorder() const;
    // Moves the gathered facts into `facts` (players, events, chat, frags).
    void moveFactsInto(MatchFacts& facts);

private:
    struct Slot {
        bool present = false;
        SourcePlayerInfo info;
        std::size_t player = NoPlayer; // index into players_
    };
    static constexpr std::size_t NoPlayer = static_cast<std::size_t>(-1);

    Slot* slotOfUser(std::int64_t userId);
    std::string nameOfUser(std::int64_t userId);
    std::string teamName(std::int64_t team) const;
    MatchPlayer* playerOf(const Slot& slot);
    const MatchPlayer* playerOf(const Slot& slot) const;
    void join(std::uint32_t index, Slot& slot, SourcePlayerInfo info);
    void leave(Slot& slot);
    void chat(const ChatMessage& message);

    std::string gameDirectory_;
    std::optional<ChatMessageNumbers> chatNumbers_;
    std::optional<SourceServerInfo> server_;
    std::vector<std::pair<std::string, std::string>> conVars_;
    std::unordered_map<std::string, std::size_t> conVarIndex_;
    std::vector<Slot> slots_;
    std::int64_t nowMs_ = 0;

    std::vector<MatchPlayer> players_;
    std::vector<MatchPlayerEvent> events_;
    std::vector<MatchChatLine> chat_;
    std::vector<MatchFrag> frags_;
    std::vector<MatchScoringEvent> scoring_;
};

} // namespace fenlark::readers::source
