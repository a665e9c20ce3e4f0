#pragma once
// Turns the messages of a Quake (NetQuake) demo into the report: the level,
// the players from the name updates with their frags, the time from the
// server's time stamps, chat and obituaries. A demo can run over several
// levels (the recording goes on across level changes); the window's values
// are those of the first level, the facts cover all of them.

#include "readers/EngineReport.h"
#include "readers/quake/ConsoleLines.h"
#include "readers/quake/NqMessages.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace fenlark::readers::quake {

class NqMatchBuilder final : public NqMessageSink {
public:
    static constexpr std::size_t MaxClients = 16;

    // Whether the first level's setup is complete (its last signon stage).
    bool windowComplete() const { return windowTaken_; }
    bool serverInfoSeen() const { return !levels_.empty(); }

    EngineReport finish(MatchEnd ended, bool wholeFile);

    void onServerInfo(const NqServerInfo& info) override;
    void onTime(float seconds) override;
    void onPrint(std::string_view text) override;
    void onName(std::uint8_t slot, std::string_view name) override;
    void onFrags(std::uint8_t slot, std::int16_t frags) override;
    void onColors(std::uint8_t slot, std::uint8_t colors) override;
    void onViewEntity(std::int16_t entity) override;
    void onSignon(std::uint8_t stage) override;
    void onStat(std::uint8_t index, std::int32_t value) override;
    void onKilledMonster() override;
    void onFoundSecret() override;
    void onIntermission() override;

private:
    struct Slot {
        std::string name; // raw; "" for a free slot
        std::int16_t frags = 0;
        std::uint8_t colors = 0;
        std::optional<std::size_t> player; // index into match_.players
    };
    struct Level {
        std::int32_t protocol = 0;
        std::uint8_t maxClients = 0;
        std::uint8_t gameType = 0;
        std::string levelName;
        std::string map;
    };
    struct WindowPlayer {
        std::size_t slot = 0;
        std::optional<std::size_t> facts;
        ReportedPlayer player;
    };

    std::int64_t nowMs() const;
    void takeWindow();
    void line(std::string_view text);
    std::vector<std::string> names() const;
    void fillOutcome();

    std::vector<Level> levels_;
    std::array<Slot, MaxClients> slots_{};
    std::optional<std::int16_t> viewEntity_;

    // Time: each level's server clock starts again, so a level's time is
    // added to the ones before it.
    std::optional<float> levelFirstTime_;
    float levelLastTime_ = 0;
    std::int64_t earlierLevelsMs_ = 0;
    std::optional<float> firstTime_;

    bool windowTaken_ = false;
    std::vector<WindowPlayer> window_;

    std::int32_t monsters_ = 0;
    std::int32_t secrets_ = 0;
    std::optional<std::int32_t> totalMonsters_;
    std::optional<std::int32_t> totalSecrets_;

    MatchFacts match_;
    bool scoresFrozen_ = false;
    bool matchEnded_ = false;
    ConsoleLines lines_;
};

} // namespace fenlark::readers::quake
