#pragma once
// Turns the messages of a QuakeWorld demo into the report: the server's
// values, the clients present when the recording began (the window's lists),
// and the match facts over the whole demo (players joining and leaving,
// frags, chat, obituaries, the server's own end-of-match statistics).

#include "readers/EngineReport.h"
#include "readers/quake/ConsoleLines.h"
#include "readers/quakeworld/InfoString.h"
#include "readers/quakeworld/KtxStats.h"
#include "readers/quakeworld/QwMessages.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace fenlark::readers::quakeworld {

class QwMatchBuilder final : public QwMessageSink {
public:
    static constexpr std::size_t MaxClients = 32;

    explicit QwMatchBuilder(QwDemoKind kind) : kind_(kind) {}

    // The record whose messages come next: its time and who it was sent to.
    void beginBlock(std::int64_t timeMs, std::uint8_t type, std::uint32_t to);
    // Whether the window's facts are complete: the server's data and the
    // clients of the recording's first moment.
    bool windowComplete() const { return serverDataSeen_ && windowTaken_; }

    // The report; `wholeFile` when the demo was read to its end.
    EngineReport finish(MatchEnd ended, bool wholeFile);

    void onServerData(const QwServerData& data) override;
    void onPrint(std::uint8_t level, std::string_view text) override;
    void onStuffText(std::string_view text) override;
    void onServerInfo(std::string_view key, std::string_view value) override;
    void onUserInfo(std::uint8_t slot, std::int32_t userId, std::string_view info) override;
    void onSetInfo(std::uint8_t slot, std::string_view key, std::string_view value) override;
    void onFrags(std::uint8_t slot, std::int16_t frags) override;
    void onPing(std::uint8_t slot, std::int16_t ping) override;
    void onModel(std::size_t index, std::string_view name) override;
    void onIntermission() override;
    void onFrame() override;
    void onDemoInfo(std::uint16_t blockNumber, std::span<const std::uint8_t> data) override;

private:
    struct Slot {
        bool occupied = false;
        std::int32_t userId = 0;
        InfoPairs info;
        std::string name; // raw
        std::string team; // raw userinfo team
        bool spectator = false;
        std::int16_t frags = 0;
        std::int16_t fragsBefore = 0; // the value before the last change
        std::uint64_t fragsBlock = 0; // the block of the last change
        std::int16_t ping = 0;
        std::optional<std::size_t> player; // index into match_.players
    };

    // A client as the window lists it, kept from the window's moment.
    struct WindowClient {
        std::size_t slot = 0;
        std::int32_t userId = 0;
        std::optional<std::size_t> facts; // index into match_.players
        ReportedPlayer player;
        std::string rawName;
    };

    bool sentToSomeClients() const;
    bool teamplay() const;
    std::string teamFor(const Slot& slot) const;
    void applyUserInfo(std::size_t index, std::int32_t userId, InfoPairs info);
    void join(std::size_t index);
    void update(std::size_t index);
    void leave(std::size_t index);
    std::int16_t scoreAtLeave(const Slot& slot) const;
    void addEvent(MatchPlayerEvent::Kind kind, std::size_t index, std::string name,
                  std::string value);
    void takeWindow();
    void chatLine(std::string_view line);
    void obituaryLine(std::string_view line);
    std::vector<std::string> playerNames(bool withSpectators) const;
    void fillValues(EngineReport& report) const;
    void fillWindowPlayers(EngineReport& report, bool wholeFile) const;
    void fillOutcome();

    QwDemoKind kind_;
    // Where the walk is.
    std::int64_t timeMs_ = 0;
    std::optional<std::int64_t> firstTimeMs_;
    std::uint8_t blockType_ = DemRead;
    std::uint64_t blockIndex_ = 0;

    // The server.
    bool serverDataSeen_ = false;
    std::int32_t protocol_ = 0;
    std::uint32_t fte_ = 0;
    std::uint32_t fte2_ = 0;
    std::uint32_t mvd_ = 0;
    std::string gameDir_;
    std::string levelName_;
    std::optional<float> demoTime_;
    std::optional<std::uint8_t> recorderSlot_;
    bool recorderSpectator_ = false;
    std::string mapFile_;
    InfoPairs serverInfo_;

    std::array<Slot, MaxClients> slots_{};

    // The window's moment: the first game update (or the end of the
    // connection's setup), before which every client is "present from the
    // start".
    bool windowTaken_ = false;
    InfoPairs windowServerInfo_;
    std::vector<WindowClient> window_;

    // The match.
    MatchFacts match_;
    bool scoresFrozen_ = false; // at the intermission, the match's end
    bool matchEnded_ = false;
    std::int64_t chatTimeMs_ = -1;
    std::vector<std::string> chatAtTime_; // lines already taken at chatTimeMs_
    ConsoleLines obituaries_;
    std::vector<std::uint8_t> demoInfo_;
    std::uint16_t demoInfoBlock_ = 0;
    std::optional<KtxMatchStats> stats_;
};

} // namespace fenlark::readers::quakeworld
